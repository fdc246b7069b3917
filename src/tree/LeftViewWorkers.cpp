// Key tree: the workers the view owns. Each reads the registry for its own
// copies of paths and names and posts what it found to the view's inbox; the
// window thread applies it to the items that still exist.
#include "tree/LeftView.h"

#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

namespace
{
using NodeCopy = CLeftView::NodeCopy;
using NodeState = CLeftView::NodeState;

// Reads what the registry holds now for one copied item and its loaded
// sub-tree. Stops early (with what it has) when asked to.
NodeState ReadNode(const NodeCopy& copy, const zv::StopToken& stop)
{
    NodeState state;
    state.item = copy.item;
    state.serial = copy.serial;
    state.expandedOnce = copy.expandedOnce;
    state.partial = copy.partial;
    state.completes = copy.completes;
    CEzReg key(copy.path);
    if (copy.expandedOnce && copy.partial && !copy.completes)
    {
        // A partial item keeps its partial set of children, only verified.
        for (const NodeCopy& child : copy.children)
        {
            if (stop.StopRequested())
                return state;
            if (KeyExists(child.path))
                state.children.push_back(ReadNode(child, stop));
            else
                state.vanished.emplace_back(child.item, child.serial);
        }
        state.subKeyCount = key.SubKeyCount();
    }
    else if (copy.expandedOnce)
    {
        std::unordered_map<std::wstring, const NodeCopy*> loaded;
        const std::wstring prefix = copy.path + L"\\";
        for (const NodeCopy& child : copy.children)
            loaded.emplace(child.path.substr(prefix.size()), &child);
        for (bool more = key.FirstSubKey(); more && !stop.StopRequested(); more = key.NextSubKey())
            state.names.emplace_back(key.SubKeyName, -1);
        const bool check = state.names.size() <= CLeftView::kCheckedChildrenLimit;
        for (auto& [name, hasSubKeys] : state.names)
        {
            if (stop.StopRequested())
                return state;
            auto found = loaded.find(name);
            if (found != loaded.end())
                state.children.push_back(ReadNode(*found->second, stop));
            else if (check)
                hasSubKeys = CEzReg(prefix + name).HasSubKeys() ? 1 : 0;
        }
    }
    state.hasSubKeys = key.HasSubKeys();
    return state;
}
} // namespace

void CLeftView::StartWorker(std::function<unsigned(const zv::StopToken&)> work)
{
    // Finished workers leave the list as new ones come.
    m_workers.erase(std::remove_if(m_workers.begin(), m_workers.end(),
                                   [](const zv::WorkerThread& worker) { return !worker.IsRunning(); }),
                    m_workers.end());
    zv::WorkerThread worker = zv::StartWorkerThread(std::move(work));
    if (worker)
        m_workers.push_back(std::move(worker));
}

void CLeftView::StartButtonWorker(std::vector<NodeCopy> children)
{
    auto jobs = std::make_shared<std::vector<NodeCopy>>(std::move(children));
    StartWorker([this, jobs](const zv::StopToken& stop) -> unsigned {
        std::vector<std::pair<HTREEITEM, uint32_t>> withButtons;
        auto handOver = [&] {
            if (withButtons.empty())
                return;
            m_inbox.Post([this, found = std::move(withButtons)] {
                for (const auto& [item, serial] : found)
                    if (IsSameItem(item, serial))
                        SetChildrenButton(item, true);
            });
            withButtons.clear();
        };
        size_t asked = 0;
        for (const NodeCopy& child : *jobs)
        {
            if (stop.StopRequested())
                return zv::kExitTreeWorker;
            if (CEzReg(child.path).HasSubKeys())
                withButtons.emplace_back(child.item, child.serial);
            if (++asked % kButtonBatch == 0)
                handOver();
        }
        handOver();
        return zv::kExitTreeWorker;
    });
}

void CLeftView::StartNameWorker(HTREEITEM item, const std::wstring& path)
{
    uint32_t serial = SerialOf(item);
    StartWorker([this, item, serial, path](const zv::StopToken& stop) -> unsigned {
        std::vector<std::wstring> names;
        {
            CEzReg key(path);
            for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
            {
                if (stop.StopRequested())
                    return zv::kExitTreeWorker;
                names.emplace_back(key.SubKeyName);
            }
        }
        // The order of a first expansion is the control's own sort (the
        // platform's case-insensitive comparison); sorting here spares the
        // window one long message.
        std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
            return lstrcmpiW(a.c_str(), b.c_str()) < 0;
        });
        for (size_t at = 0; at < names.size() || at == 0; at += kNameBatch)
        {
            if (stop.StopRequested())
                return zv::kExitTreeWorker;
            size_t end = std::min(names.size(), at + kNameBatch);
            auto batch = std::make_shared<std::vector<std::wstring>>(
                names.begin() + static_cast<ptrdiff_t>(at), names.begin() + static_cast<ptrdiff_t>(end));
            bool last = end == names.size();
            m_inbox.Post([this, item, serial, path, batch, last] {
                InsertLoadedNames(item, serial, path, *batch, last);
            });
            if (last)
                break;
        }
        return zv::kExitTreeWorker;
    });
}

void CLeftView::StartRefreshWorker(std::vector<NodeCopy> nodes)
{
    auto copies = std::make_shared<std::vector<NodeCopy>>(std::move(nodes));
    StartWorker([this, copies](const zv::StopToken& stop) -> unsigned {
        for (const NodeCopy& node : *copies)
        {
            if (stop.StopRequested())
                break;
            auto state = std::make_shared<NodeState>(ReadNode(node, stop));
            if (stop.StopRequested())
                break;
            m_inbox.Post([this, state] { ApplyNodeState(*state); });
        }
        return zv::kExitTreeWorker;
    });
}

size_t CLeftView::RunningWorkers() const
{
    return static_cast<size_t>(
        std::count_if(m_workers.begin(), m_workers.end(),
                      [](const zv::WorkerThread& worker) { return worker.IsRunning(); }));
}

bool CLeftView::IsBusy() const
{
    return RunningWorkers() > 0 || m_inbox.Pending() > 0;
}

void CLeftView::StopWorkers()
{
    for (zv::WorkerThread& worker : m_workers)
        worker.RequestStop();
    for (zv::WorkerThread& worker : m_workers)
        worker.Join();
    m_workers.clear();
    m_inbox.Close();
}

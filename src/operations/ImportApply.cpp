// Writing an import plan. Every write happens in file order; the keys are
// opened (created when missing) by a second thread that runs ahead of the
// writes, so the registry works on the next key while this thread sets the
// values of the last one. A key delete is a fence: the opener waits until it
// is done before opening anything after it.
#include "operations/ImportPlan.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_set>

namespace
{
constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr REGSAM kWriteAccess = KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY | kView;
// Keys opened ahead of the writes at most: bounds the handles held at once.
constexpr size_t kOpenAhead = 64;

std::wstring ValueLabel(const ImportChange& change)
{
    return change.name.empty() ? L"(Default)" : change.name;
}

bool NeedsKey(const ImportChange& change)
{
    if (!change.selected)
        return false;
    switch (change.kind)
    {
    case ImportChangeKind::CreateKey:
    case ImportChangeKind::KeyExists:
    case ImportChangeKind::AddValue:
    case ImportChangeKind::ChangeValue:
    case ImportChangeKind::DeleteValue:
        return true;
    default:
        return false;
    }
}

bool IsFence(const ImportChange& change)
{
    return change.selected && change.kind == ImportChangeKind::DeleteKey;
}

// Walks the plan the same way on both threads: true where change starts a run
// of changes on one key (the key to open). last is the key of the run before.
bool StartsRun(const ImportChange& change, const std::wstring*& last)
{
    if (IsFence(change))
    {
        last = nullptr;
        return false;
    }
    if (!NeedsKey(change))
        return false;
    if (last && zv::EqualsNoCase(*last, change.key))
        return false;
    last = &change.key;
    return true;
}

struct OpenedKey
{
    size_t index = 0; // the change that starts the run
    zv::unique_hkey key;
    LONG error = ERROR_SUCCESS;
    bool created = false;
};

// The keys opened ahead, handed from the opener to the writer.
class OpenQueue
{
  public:
    // Opener side: false when the writer gave up (the key is closed then).
    bool Push(OpenedKey opened)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_abandoned || m_keys.size() < kOpenAhead; });
        if (m_abandoned)
            return false;
        m_keys.push_back(std::move(opened));
        m_changed.notify_all();
        return true;
    }

    // Opener side: waits until the writer has done the fence at index.
    bool AwaitFence(size_t index)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_abandoned || m_fencesDone > index; });
        return !m_abandoned;
    }

    // Writer side.
    OpenedKey Pop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_keys.empty(); });
        OpenedKey opened = std::move(m_keys.front());
        m_keys.pop_front();
        m_changed.notify_all();
        return opened;
    }

    void FenceDone(size_t index)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fencesDone = index + 1;
        m_changed.notify_all();
    }

    void Abandon()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abandoned = true;
        m_changed.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<OpenedKey> m_keys;
    size_t m_fencesDone = 0;
    bool m_abandoned = false;
};

unsigned OpenKeysAhead(const ImportPlan& plan, OpenQueue& queue)
{
    const std::wstring* last = nullptr;
    for (size_t i = 0; i < plan.changes.size(); ++i)
    {
        const ImportChange& change = plan.changes[i];
        if (IsFence(change))
        {
            StartsRun(change, last);
            if (!queue.AwaitFence(i))
                return 0;
            continue;
        }
        if (!StartsRun(change, last))
            continue;
        OpenedKey opened;
        opened.index = i;
        HKEY root = nullptr;
        std::wstring sub;
        if (!SplitRootPath(change.key, root, sub))
            opened.error = ERROR_INVALID_PARAMETER;
        else
        {
            DWORD disposition = 0;
            opened.error = RegCreateKeyExW(root, sub.c_str(), 0, nullptr, 0, kWriteAccess, nullptr,
                                           opened.key.put(), &disposition);
            opened.created = opened.error == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
        }
        if (!queue.Push(std::move(opened)))
            return 0;
    }
    return 0;
}

// The writer's key for the current run.
class CurrentKey
{
  public:
    void Take(OpenedKey opened) { m_opened = std::move(opened); }
    void Close() { m_opened = {}; }
    HKEY Key() const noexcept { return m_opened.key.get(); }
    LONG Error() const noexcept { return m_opened.error; }
    bool Created() const noexcept { return m_opened.created; }

  private:
    OpenedKey m_opened;
};
} // namespace

ImportOutcome ApplyImport(const ImportPlan& plan, const std::function<void(size_t, size_t)>& progress)
{
    ImportOutcome outcome;
    auto fail = [&](const ImportChange& change, const std::wstring& what, DWORD error) {
        outcome.failures.push_back(
            zv::Format(L"Line %zu: %s: %s", change.line, what.c_str(), SystemErrorText(error).c_str()));
    };

    OpenQueue queue;
    zv::WorkerThread opener =
        zv::StartWorkerThread([&](const zv::StopToken&) { return OpenKeysAhead(plan, queue); });
    if (!opener)
    {
        outcome.failures.push_back(L"The import could not start: " + SystemErrorText(GetLastError()));
        return outcome;
    }
    // However this ends, the opener stops waiting and is joined before the
    // queue goes.
    struct Finish
    {
        OpenQueue& queue;
        zv::WorkerThread& thread;
        ~Finish()
        {
            queue.Abandon();
            thread.Join();
        }
    } finish{queue, opener};

    CurrentKey current;
    const std::wstring* last = nullptr;
    size_t total = plan.changes.size();
    for (size_t i = 0; i < total; ++i)
    {
        const ImportChange& change = plan.changes[i];
        if (progress && i % 1024 == 0)
            progress(i, total);
        bool runStart = StartsRun(change, last);
        if (runStart)
            current.Take(queue.Pop());
        if (!change.selected)
        {
            if (change.Changes())
                ++outcome.skipped;
            else if (change.kind == ImportChangeKind::SkippedLine)
                ++outcome.skippedLines;
            continue;
        }
        DWORD error = static_cast<DWORD>(current.Error());
        switch (change.kind)
        {
        case ImportChangeKind::CreateKey:
        case ImportChangeKind::KeyExists:
            if (!current.Key())
                fail(change, change.key, error);
            else if (current.Created() && runStart)
                ++outcome.keysCreated;
            break;
        case ImportChangeKind::DeleteKey: {
            current.Close();
            CEzReg key(change.key);
            if (DeleteTree(key))
                ++outcome.keysDeleted;
            else
                fail(change, change.key, static_cast<DWORD>(key.LastError));
            queue.FenceDone(i);
            break;
        }
        case ImportChangeKind::KeyAbsent:
        case ImportChangeKind::ValueAbsent:
        case ImportChangeKind::SameValue:
            ++outcome.unchanged;
            break;
        case ImportChangeKind::SkippedLine:
            break; // never selected
        case ImportChangeKind::AddValue:
        case ImportChangeKind::ChangeValue:
            if (!current.Key())
                fail(change, change.key + L"\\" + ValueLabel(change), error);
            else if ((error = static_cast<DWORD>(
                          SetValueExactly(current.Key(), change.name.c_str(), change.type,
                                          change.data.empty() ? nullptr : change.data.data(),
                                          static_cast<DWORD>(change.data.size())))) != 0)
                fail(change, change.key + L"\\" + ValueLabel(change), error);
            else
                ++outcome.valuesWritten;
            break;
        case ImportChangeKind::DeleteValue:
            if (!current.Key())
                fail(change, change.key + L"\\" + ValueLabel(change), error);
            else if ((error = static_cast<DWORD>(RegDeleteValueW(current.Key(), change.name.c_str()))) != 0 &&
                     error != ERROR_FILE_NOT_FOUND)
                fail(change, change.key + L"\\" + ValueLabel(change), error);
            else
                ++outcome.valuesDeleted;
            break;
        }
    }
    current.Close();
    if (progress)
        progress(total, total);
    return outcome;
}

void RecordImportRegions(const ImportPlan& plan, JournalRecorder& record)
{
    // A key the file creates may bring missing parents along: undo removes
    // the highest of them. Keys created earlier in the file are known missing.
    std::unordered_set<std::wstring> created;
    auto missing = [&](const std::wstring& key) {
        if (created.count(zv::ToUpper(key)))
            return true;
        HKEY root = nullptr;
        zv::unique_hkey handle;
        std::wstring sub;
        if (!SplitRootPath(key, root, sub))
            return false;
        if (RegOpenKeyExW(root, sub.c_str(), 0, KEY_QUERY_VALUE | kView, handle.put()) ==
            ERROR_FILE_NOT_FOUND)
            return true;
        return false;
    };
    for (const ImportChange& change : plan.changes)
    {
        if (!change.selected || !change.Changes())
            continue;
        switch (change.kind)
        {
        case ImportChangeKind::CreateKey: {
            std::wstring top = change.key;
            for (size_t slash = top.rfind(L'\\');
                 slash != std::wstring::npos && top.find(L'\\') < slash && missing(top.substr(0, slash));
                 slash = top.rfind(L'\\'))
                top.resize(slash);
            created.insert(zv::ToUpper(change.key));
            record.AddTree(top);
            break;
        }
        case ImportChangeKind::DeleteKey:
            record.AddTree(change.key);
            break;
        default:
            record.AddValue(change.key, change.name);
            break;
        }
    }
}

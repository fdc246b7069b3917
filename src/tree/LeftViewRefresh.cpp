// Key tree: the roots, first expansions, and reconciling loaded items with
// the registry (on the window thread from names in hand, or from what a
// refresh worker read).
#include "tree/LeftView.h"

#include "app/FrameServices.h"
#include "app/NavroDoc.h"
#include "base/Shutdown.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <unordered_map>

void CLeftView::PopulateRoots()
{
    if (RootsPopulated)
        return;
    RootsPopulated = true;
    for (int i = 0; i < kRootCount; ++i)
    {
        TVINSERTSTRUCTW insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        insert.item.pszText = const_cast<wchar_t*>(RootName(i).c_str());
        insert.item.iImage = i; // the roots' images come first, in table order
        insert.item.iSelectedImage = i;
        insert.item.cChildren = 1;
        InsertRawItem(insert);
    }
    if (m_frame)
        m_frame->WatchRegistry();
}

void CLeftView::ExpandItem(HTREEITEM item)
{
    std::wstring path = GetItemPath(item);
    CEzReg key(path);
    DWORD count = key.SubKeyCount();
    CTreeCtrl tree = Ctrl();
    if (count <= kCheckedChildrenLimit)
    {
        for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
            InsertKeyItem(key.SubKeyName, item, TVI_LAST);
        tree.SortChildren(item);
        return;
    }
    // Many children: a worker reads the names and the window shows them as
    // they come, answering the user meanwhile.
    m_loading[item].reserve(count);
    StartNameWorker(item, path);
}

void CLeftView::InsertLoadedNames(HTREEITEM item, uint32_t serial, const std::wstring& path,
                                  const std::vector<std::wstring>& names, bool last)
{
    auto loading = m_loading.find(item);
    if (!IsSameItem(item, serial) || loading == m_loading.end())
        return; // the item went meanwhile
    CTreeCtrl tree = Ctrl();
    tree.SetRedraw(false);
    const std::wstring prefix = path + L"\\";
    for (const std::wstring& name : names)
        if (HTREEITEM child = InsertUncheckedItem(name, item))
        {
            NodeCopy copy;
            copy.item = child;
            copy.serial = SerialOf(child);
            copy.path = prefix + name;
            loading->second.push_back(std::move(copy));
        }
    if (last)
    {
        // The names came sorted as a first expansion sorts them.
        std::vector<NodeCopy> children = std::move(loading->second);
        m_loading.erase(loading);
        StartButtonWorker(std::move(children));
    }
    tree.SetRedraw(true);
}

CLeftView::NodeCopy CLeftView::CopyNode(HTREEITEM item, const std::wstring& path) const
{
    NodeCopy copy;
    copy.item = item;
    copy.serial = SerialOf(item);
    copy.path = path;
    copy.expandedOnce = Ctrl().GetItemState(item, TVIS_EXPANDEDONCE) != 0;
    copy.partial = IsPartial(item);
    // What a navigation showed in part is read whole; what the user hid
    // stays hidden.
    copy.completes = IsExpandedPartial(item) && !ShowsHiddenSiblings(item);
    if (copy.expandedOnce)
        for (HTREEITEM child = Child(item); child; child = Next(child))
            copy.children.push_back(CopyNode(child, path + L"\\" + ItemText(child)));
    return copy;
}

void CLeftView::RefreshItem(HTREEITEM item)
{
    if (!item || !IsLiveItem(item))
        return;
    std::vector<NodeCopy> nodes;
    nodes.push_back(CopyNode(item, GetItemPath(item)));
    StartRefreshWorker(std::move(nodes));
}

void CLeftView::CompletePartialItem(HTREEITEM item)
{
    CTreeCtrl tree = Ctrl();
    tree.SetRedraw(false);
    RefreshChildren(item, GetItemPath(item));
    SetPartial(item, false);
    // The same order as after a first expansion, the navigated child included.
    tree.SortChildren(item);
    tree.SetRedraw(true);
    if (HTREEITEM selected = Selected())
        tree.EnsureVisible(selected);
}

void CLeftView::RefreshChildren(HTREEITEM item, const std::wstring& path)
{
    std::vector<std::pair<std::wstring, int>> names;
    {
        CEzReg key(path);
        for (bool more = key.FirstSubKey(); more; more = key.NextSubKey())
            names.emplace_back(key.SubKeyName, -1);
    }
    // The children loaded before the reconciliation get their sub-trees
    // refreshed in the background; new ones have nothing loaded below them.
    std::vector<HTREEITEM> before;
    for (HTREEITEM child = Child(item); child; child = Next(child))
        before.push_back(child);
    std::vector<HTREEITEM> renamed = ReconcileChildren(item, path, names, IsPartial(item));
    if (!item || IsShuttingDown())
        return; // the roots' own sub-trees are refreshed by their change monitors
    std::vector<NodeCopy> nodes;
    for (HTREEITEM child : before)
        if (IsLiveItem(child))
            nodes.push_back(CopyNode(child, GetItemPath(child)));
    (void)renamed; // their copies were taken under the new name
    if (!nodes.empty())
        StartRefreshWorker(std::move(nodes));
}

std::vector<HTREEITEM> CLeftView::ReconcileChildren(HTREEITEM item, const std::wstring& path,
                                                    const std::vector<std::pair<std::wstring, int>>& names,
                                                    bool partial)
{
    std::vector<HTREEITEM> renamed;
    // Names are matched exactly: a key another program renamed by case only
    // is a rename.
    std::unordered_map<std::wstring, std::vector<size_t>> positions;
    for (size_t i = 0; i < names.size(); ++i)
        positions[names[i].first].push_back(i);
    std::vector<bool> matched(names.size(), false);
    HTREEITEM kept = nullptr;
    for (HTREEITEM child = Child(item); child;)
    {
        if (IsShuttingDown())
            return renamed;
        HTREEITEM next = Next(child);
        auto found = positions.find(ItemText(child));
        if (found != positions.end() && !found->second.empty())
        {
            matched[found->second.back()] = true;
            found->second.pop_back();
        }
        else if (!kept && !partial)
            kept = child; // a vanished key: perhaps renamed, so it keeps its place
        // (Below a partly loaded item the names not shown are no rename of it.)
        else
            DeleteKeyItem(child, true);
        child = next;
    }
    std::vector<size_t> remaining;
    for (size_t i = 0; i < names.size(); ++i)
        if (!matched[i])
            remaining.push_back(i);
    size_t first = 0;
    if (kept)
    {
        if (!remaining.empty())
        {
            Ctrl().SetItemText(kept, names[remaining[0]].first);
            first = 1;
            renamed.push_back(kept);
            if (Selected() == kept)
                if (CNavroDoc* doc = GetDocument())
                    doc->KeyRenamed(this, GetItemPath(kept));
        }
        else
            DeleteKeyItem(kept, true);
    }
    const bool check = names.size() <= kCheckedChildrenLimit;
    std::vector<NodeCopy> unchecked;
    const std::wstring prefix = path.empty() ? std::wstring() : path + L"\\";
    for (size_t i = first; i < remaining.size(); ++i)
    {
        const auto& [name, hasSubKeys] = names[remaining[i]];
        if (check && hasSubKeys >= 0)
        {
            TVINSERTSTRUCTW insert = {};
            insert.hParent = item ? item : TVI_ROOT;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
            insert.item.pszText = const_cast<wchar_t*>(name.c_str());
            insert.item.iImage = kKeyImage;
            insert.item.iSelectedImage = kSelectedKeyImage;
            insert.item.cChildren = hasSubKeys ? 1 : 0;
            InsertRawItem(insert);
        }
        else if (check)
            InsertKeyItem(name, item, TVI_LAST);
        else if (HTREEITEM child = InsertUncheckedItem(name, item))
        {
            NodeCopy copy;
            copy.item = child;
            copy.serial = SerialOf(child);
            copy.path = prefix + name;
            unchecked.push_back(std::move(copy));
        }
    }
    if (!unchecked.empty())
        StartButtonWorker(std::move(unchecked));
    // Keys that came (a new key, one brought back by undo) go where sorting
    // puts them, as after a first expansion; the roots keep their order.
    if (item && remaining.size() > first)
        Ctrl().SortChildren(item);
    return renamed;
}

void CLeftView::ApplyNodeState(const NodeState& state)
{
    if (IsShuttingDown() || !IsSameItem(state.item, state.serial))
        return;
    HTREEITEM item = state.item;
    CTreeCtrl tree = Ctrl();
    // The children are taken as read only when the item still shows them the
    // way it did when they were copied.
    bool sameShape = state.expandedOnce && tree.GetItemState(item, TVIS_EXPANDEDONCE) != 0 &&
                     IsPartial(item) == state.partial && !IsLoading(item);
    if (sameShape && state.partial && !state.completes)
    {
        for (const auto& [child, serial] : state.vanished)
            if (IsSameItem(child, serial))
                DeleteKeyItem(child, true);
        if (!IsSameItem(item, state.serial))
            return;
        for (const NodeState& child : state.children)
            ApplyNodeState(child);
        DWORD loaded = 0;
        for (HTREEITEM child = Child(item); child; child = Next(child))
            ++loaded;
        if (IsPartial(item) && loaded == state.subKeyCount)
            SetPartial(item, false);
    }
    else if (sameShape)
    {
        std::vector<HTREEITEM> renamed =
            ReconcileChildren(item, GetItemPath(item), state.names, state.partial);
        for (const NodeState& child : state.children)
            if (std::find(renamed.begin(), renamed.end(), child.item) == renamed.end())
                ApplyNodeState(child);
        // A renamed item is read again under its new name (its button, and
        // what is loaded below it).
        for (HTREEITEM child : renamed)
            RefreshItem(child);
        if (state.completes && IsSameItem(item, state.serial) && IsPartial(item))
        {
            // Every child is there now: in the order a first expansion gives.
            SetPartial(item, false);
            tree.SortChildren(item);
        }
    }
    if (!IsSameItem(item, state.serial))
        return;
    if (state.hasSubKeys)
        SetChildrenButton(item, true);
    else if (ItemHasButton(item))
        SetChildrenButton(item, false);
}

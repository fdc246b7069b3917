// Key tree: the item model, partial marks, buttons and the cut mark.
#include "tree/LeftView.h"

#include "operations/Hives.h"

#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "app/framework/DpiImages.h"
#include "base/Strings.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include <vector>

// --- Items and their serials -----------------------------------------------------

HTREEITEM CLeftView::InsertRawItem(TVINSERTSTRUCTW& insert)
{
    HTREEITEM item = Ctrl().InsertItem(insert);
    if (item)
        m_serials[item] = m_nextSerial++;
    return item;
}

uint32_t CLeftView::SerialOf(HTREEITEM item) const
{
    auto found = m_serials.find(item);
    return found == m_serials.end() ? 0 : found->second;
}

bool CLeftView::IsSameItem(HTREEITEM item, uint32_t serial) const
{
    return serial != 0 && SerialOf(item) == serial;
}

// --- Buttons ------------------------------------------------------------------

bool CLeftView::ItemHasButton(HTREEITEM item) const
{
    auto found = m_buttons.find(item);
    if (found != m_buttons.end())
        return found->second;
    return Ctrl().GetChildrenFlag(item) != 0;
}

void CLeftView::SetChildrenButton(HTREEITEM item, bool on)
{
    if (!item)
        return;
    // Children of a large expansion ask for their button when drawn: the
    // answer changes here and the tree is drawn again.
    auto found = m_buttons.find(item);
    if (found != m_buttons.end())
    {
        if (found->second != on)
        {
            found->second = on;
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return;
    }
    // Unchanged buttons are left alone: every change makes the control lay
    // out all visible items again.
    if ((Ctrl().GetChildrenFlag(item) != 0) == on)
        return;
    Ctrl().SetChildrenFlag(item, on ? 1 : 0);
}

// --- Paths and lookups -----------------------------------------------------------

std::wstring CLeftView::GetItemPath(HTREEITEM item) const
{
    std::wstring path;
    for (HTREEITEM at = item; at; at = Parent(at))
        path = path.empty() ? ItemText(at) : ItemText(at) + L"\\" + path;
    return path;
}

bool CLeftView::IsRootItem(HTREEITEM item) const
{
    return item && !Parent(item);
}

HTREEITEM CLeftView::FindChildItem(const std::wstring& name, HTREEITEM parent, int* count) const
{
    if (parent == TVI_ROOT)
        parent = nullptr;
    int walked = 0;
    for (HTREEITEM child = Child(parent); child; child = Next(child), ++walked)
        if (zv::EqualsNoCase(ItemText(child), name))
            return child;
    if (count)
        *count = walked;
    return nullptr;
}

HTREEITEM CLeftView::FindItemByPath(const std::wstring& path, HTREEITEM start) const
{
    HTREEITEM found = start;
    size_t at = 0;
    if (path.empty())
        return nullptr;
    while (at < path.size())
    {
        size_t slash = path.find(L'\\', at);
        if (slash == std::wstring::npos)
            slash = path.size();
        found = FindChildItem(path.substr(at, slash - at), found);
        if (!found)
            return nullptr;
        at = slash + 1;
    }
    return found;
}

// --- Inserting and deleting --------------------------------------------------------

HTREEITEM CLeftView::InsertKeyItem(const std::wstring& name, HTREEITEM parent, HTREEITEM insertAfter)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = insertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    insert.item.iImage = kKeyImage;
    insert.item.iSelectedImage = kSelectedKeyImage;
    HTREEITEM item = InsertRawItem(insert);
    if (item)
    {
        CEzReg key(GetItemPath(item));
        if (key.HasSubKeys())
            SetChildrenButton(item, true);
    }
    return item;
}

HTREEITEM CLeftView::InsertUncheckedItem(const std::wstring& name, HTREEITEM parent)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    insert.item.iImage = kKeyImage;
    insert.item.iSelectedImage = kSelectedKeyImage;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    HTREEITEM child = InsertRawItem(insert);
    if (child)
        m_buttons[child] = false;
    return child;
}

void CLeftView::UpdateChildrenFlag(HTREEITEM item)
{
    CEzReg key(GetItemPath(item));
    if (key.HasSubKeys())
    {
        if (!ItemHasButton(item))
            SetChildrenButton(item, true);
        return;
    }
    while (HTREEITEM child = Child(item))
        Ctrl().DeleteItem(child);
    if (ItemHasButton(item))
        SetChildrenButton(item, false);
}

void CLeftView::DeleteKeyItem(HTREEITEM item, bool fixParent)
{
    if (!item)
        return;
    HTREEITEM parent = fixParent ? Parent(item) : nullptr;
    if (parent && IsPartial(parent) && !Previous(item) && !Next(item))
    {
        // The last shown child of a partial parent: the parent shows its
        // children no more, and the document moves to it.
        SetPartial(parent, false);
        Ctrl().Expand(parent, TVE_COLLAPSE);
        NavigateDocument(GetItemPath(parent));
    }
    Ctrl().DeleteItem(item);
    if (parent)
        UpdateChildrenFlag(parent);
}

// --- Partial marks ---------------------------------------------------------------

bool CLeftView::IsPartial(HTREEITEM item) const
{
    return item && (Ctrl().GetItemData(item) & kPartialData) != 0;
}

bool CLeftView::ShowsHiddenSiblings(HTREEITEM item) const
{
    return item && Ctrl().GetItemData(item) == kHiddenSiblingsData;
}

std::wstring CLeftView::PartialNote(HTREEITEM item) const
{
    if (!IsExpandedPartial(item))
        return {};
    DWORD loaded = 0;
    for (HTREEITEM child = Child(item); child; child = Next(child))
        ++loaded;
    auto total = m_partialTotals.find(item);
    if (total == m_partialTotals.end() || total->second <= loaded)
        return L"(more keys not shown)";
    return zv::Format(L"(%lu of %lu keys shown)", loaded, total->second);
}

RECT CLeftView::PartialNoteRect(HTREEITEM item) const
{
    RECT note = {};
    std::wstring text = PartialNote(item);
    RECT label = {};
    if (text.empty() || !TreeView_GetItemRect(m_hWnd, item, &label, TRUE))
        return note;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    int gap = ScaleToDpi(6, WindowDpi(m_hWnd));
    note = {label.right + gap, label.top, label.right + gap + size.cx, label.bottom};
    return note;
}

void CLeftView::CompleteExpandedPartialItems()
{
    // Collected first: completing an item adds items to the tree.
    std::vector<HTREEITEM> partial;
    std::vector<HTREEITEM> pending;
    for (HTREEITEM root = Child(nullptr); root; root = Next(root))
        pending.push_back(root);
    while (!pending.empty())
    {
        HTREEITEM item = pending.back();
        pending.pop_back();
        if (!Ctrl().GetItemState(item, TVIS_EXPANDED))
            continue;
        if (IsPartial(item))
            partial.push_back(item);
        for (HTREEITEM child = Child(item); child; child = Next(child))
            pending.push_back(child);
    }
    for (HTREEITEM item : partial)
        if (IsLiveItem(item) && IsExpandedPartial(item))
            CompletePartialItem(item);
}

void CLeftView::SetPartial(HTREEITEM item, bool partial, bool markChildren)
{
    if (!item)
        return;
    CTreeCtrl tree = Ctrl();
    TVITEMW tv = {};
    tv.mask = TVIF_PARAM | TVIF_STATE | TVIF_HANDLE;
    tv.hItem = item;
    tv.lParam = partial ? kPartialData : 0;
    if (partial)
    {
        // How many sub-keys the key has, for the note after its name.
        m_partialTotals[item] = CEzReg(GetItemPath(item)).SubKeyCount();
    }
    else
        m_partialTotals.erase(item);
    int overlay = (tree.GetOverlay(item) & kOverlaySiblings) | (partial ? kOverlayPartial : 0);
    tv.stateMask = TVIS_EXPANDPARTIAL_ | TVIS_OVERLAYMASK;
    tv.state = (partial ? TVIS_EXPANDPARTIAL_ : 0) | INDEXTOOVERLAYMASK(overlay);
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    if (!markChildren || !ItemHasButton(item))
        return;
    for (HTREEITEM child = Child(item); child; child = Next(child))
    {
        bool expandedPartial = tree.GetItemState(child, TVIS_EXPANDED) && IsPartial(child);
        int mark = (partial ? kOverlaySiblings : 0) | (expandedPartial ? kOverlayPartial : 0);
        if (tree.GetOverlay(child) != mark)
            tree.SetOverlay(child, mark);
    }
}

void CLeftView::HideSiblings(HTREEITEM item)
{
    if (!item || IsRootItem(item))
        return;
    CWaitCursor wait;
    CTreeCtrl tree = Ctrl();
    tree.SetRedraw(false);
    bool deleted = false;
    while (HTREEITEM next = Next(item))
    {
        if (!tree.DeleteItem(next))
            break;
        deleted = true;
    }
    while (HTREEITEM previous = Previous(item))
    {
        if (!tree.DeleteItem(previous))
            break;
        deleted = true;
    }
    tree.SetRedraw(true);
    HTREEITEM parent = Parent(item);
    SetPartial(parent, deleted);
    // Hidden by the user: background refreshes leave it so.
    if (deleted)
        tree.SetItemData(parent, kHiddenSiblingsData);
    tree.EnsureVisible(item);
}

void CLeftView::SelectPath(const std::wstring& relativePath, HTREEITEM start)
{
    std::vector<std::wstring> pieces;
    for (size_t at = 0; at <= relativePath.size();)
    {
        size_t slash = relativePath.find(L'\\', at);
        if (slash == std::wstring::npos)
            slash = relativePath.size();
        if (slash > at)
            pieces.push_back(relativePath.substr(at, slash - at));
        at = slash + 1;
    }
    if (pieces.empty())
        return;
    HTREEITEM parent = start;
    for (const std::wstring& piece : pieces)
    {
        HTREEITEM child = FindChildItem(piece, parent);
        if (!child)
            child = InsertKeyItem(piece, parent, TVI_SORT);
        if (!child)
            return;
        parent = child;
    }
    ExpandNotifications = false;
    Ctrl().SelectItem(parent);
    Ctrl().EnsureVisible(parent);
    ExpandNotifications = true;
    for (HTREEITEM ancestor = Parent(parent); ancestor; ancestor = Parent(ancestor))
    {
        DWORD loaded = 0;
        for (HTREEITEM child = Child(ancestor); child; child = Next(child))
            ++loaded;
        CEzReg key(GetItemPath(ancestor));
        SetPartial(ancestor, loaded < key.SubKeyCount());
    }
}

bool CLeftView::ItemHasMoreSiblings(HTREEITEM item) const
{
    return Parent(item) && (Previous(item) || Next(item));
}

// --- Protection and the cut mark ---------------------------------------------------------

bool CLeftView::CanModifySelectedKey() const
{
    HTREEITEM selected = Selected();
    if (!selected || IsRootItem(selected))
        return false;
    CNavroDoc* doc = GetDocument();
    return !(doc && IsLoadedHive(doc->GetCurrentPath()));
}

void CLeftView::VerifyCutItem()
{
    if (CutItem && !KeyExists(GetItemPath(CutItem)))
    {
        HTREEITEM item = CutItem;
        CutItem = nullptr;
        DeleteKeyItem(item, true);
    }
}

bool CLeftView::ClearCutMark(bool tellOthers)
{
    if (tellOthers && m_pDocument)
        m_pDocument->UpdateAllViews(this, kHintClearMarks, nullptr);
    if (!CutItem)
        return false;
    Ctrl().SetItemState(CutItem, 0, TVIS_CUT);
    CutItem = nullptr;
    return true;
}

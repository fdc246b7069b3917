// Key tree: dragging a key out (to the other panes, another instance or the
// shell) and dropping item lists onto a key, with the drop highlight, hover
// expansion over an expand button and scrolling near the edges.
#include "tree/LeftView.h"

#include "app/DragImage.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/Strings.h"
#include "registry/RegistryPath.h"
#include "app/DataOnDemand.h"
#include "app/RegItemList.h"

#include <windowsx.h>

#include <algorithm>

LRESULT CLeftView::OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // Where the press was: the drag image keeps the cursor at that spot.
    CDragImage::SetClickPoint(point);
    TVHITTESTINFO hit = {};
    hit.pt = point;
    HTREEITEM item = TreeView_HitTest(m_hWnd, &hit);
    if ((hit.flags & TVHT_ONITEMBUTTON) && IsExpandedPartial(item))
    {
        // The button of a partly loaded item completes it instead of collapsing it.
        CompletePartialItem(item);
        return 0;
    }
    // So does a click on the note after its name.
    if (item && (hit.flags & TVHT_ONITEMRIGHT))
    {
        RECT note = PartialNoteRect(item);
        if (::PtInRect(&note, point))
        {
            CompletePartialItem(item);
            return 0;
        }
    }
    handled = false;
    return 0;
}

// --- Dragging out --------------------------------------------------------------------

LRESULT CLeftView::OnBeginDrag(NMHDR* header)
{
    HTREEITEM item = reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem;
    if (!item)
        return 0;
    ::UpdateWindow(m_hWnd);
    RECT rect = {};
    TreeView_GetItemRect(m_hWnd, item, &rect, TRUE);
    rect.left -= 18; // over the icon
    if (HIMAGELIST image = TreeView_CreateDragImage(m_hWnd, item))
        CDragImage::BeginDrag(image, rect.left, rect.top);
    std::wstring path = GetItemPath(item);
    CRegItemList list;
    list.AddKeyPath(path);
    DWORD effect = DragItems(list, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    // A move is the target's paste; the item goes once its key has gone.
    if (effect == DROPEFFECT_MOVE && !KeyExists(path))
        DeleteKeyItem(FindItemByPath(path, nullptr), true);
    CDragImage::EndDrag();
    return 0;
}

// --- Dropping onto a key -----------------------------------------------------------------

DWORD CLeftView::OnDragEnter(IDataObject*, DWORD, POINT point)
{
    CDragImage::DragEnter(m_hWnd, point);
    m_scrollSince = 0;
    return DROPEFFECT_NONE; // the next drag-over decides
}

DWORD CLeftView::OnDragOver(IDataObject* data, DWORD keyState, POINT point)
{
    CDragImage::DragMove(m_hWnd, point);
    if (!CRegItemList::OffersItemList(data))
        // A registry script from the shell is imported, wherever it lands.
        return CNavroDoc::DroppedRegistryScript(data).empty() ? DROPEFFECT_NONE : DROPEFFECT_COPY;
    DWORD now = GetTickCount();
    DragScroll(point, now);
    HoverTrack(point, now);
    if (!DropItem)
        return DROPEFFECT_NONE;
    return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

void CLeftView::HoverTrack(POINT point, DWORD now)
{
    TVHITTESTINFO hit = {};
    hit.pt = point;
    HTREEITEM item = TreeView_HitTest(m_hWnd, &hit);
    if (!(hit.flags & (TVHT_ONITEM | TVHT_ONITEMBUTTON)))
        item = nullptr;
    CTreeCtrl tree = Ctrl();
    if (item != DropItem)
    {
        // Kept here too: this platform's tree refuses to drop-highlight the
        // selected item, which is still a target.
        DropItem = item;
        CDragImage::Show(false);
        tree.SelectDropTarget(item);
        ::UpdateWindow(m_hWnd);
        CDragImage::Show(true);
    }
    if (!(hit.flags & TVHT_ONITEMBUTTON) || !item)
        HoverItem = nullptr;
    else if (item == HoverItem)
    {
        if (now - HoverStart <= HoverDelay)
            return; // still waiting
        CDragImage::Show(false);
        tree.Expand(item, TVE_TOGGLE);
        ::UpdateWindow(m_hWnd);
        CDragImage::Show(true);
    }
    else
    {
        HoverItem = item;
        HoverDelay = 5000;
    }
    HoverStart = now;
}

int CLeftView::DragScrollDirection(POINT point) const
{
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    int band = std::max(4, TreeView_GetItemHeight(m_hWnd));
    if (point.x < client.left || point.x >= client.right)
        return 0;
    if (point.y >= client.top && point.y < client.top + band)
        return -1;
    if (point.y < client.bottom && point.y >= client.bottom - band)
        return 1;
    return 0;
}

bool CLeftView::DragScroll(POINT point, DWORD now)
{
    int direction = DragScrollDirection(point);
    if (direction == 0)
    {
        m_scrollSince = 0;
        return false;
    }
    if (m_scrollSince == 0)
    {
        m_scrollSince = now ? now : 1;
        m_lastScroll = 0;
        return false;
    }
    if (now - m_scrollSince < kDragScrollDelay || (m_lastScroll && now - m_lastScroll < kDragScrollInterval))
        return false;
    CTreeCtrl tree = Ctrl();
    HTREEITEM first = TreeView_GetFirstVisible(m_hWnd);
    HTREEITEM target = nullptr;
    if (direction < 0)
        target = first ? TreeView_GetPrevVisible(m_hWnd, first) : nullptr;
    else
    {
        RECT client = {};
        ::GetClientRect(m_hWnd, &client);
        for (HTREEITEM item = first ? TreeView_GetNextVisible(m_hWnd, first) : nullptr; item;
             item = TreeView_GetNextVisible(m_hWnd, item))
        {
            RECT rect = {};
            if (TreeView_GetItemRect(m_hWnd, item, &rect, FALSE) && rect.bottom > client.bottom)
            {
                target = item;
                break;
            }
        }
    }
    if (!target)
        return false;
    CDragImage::Show(false);
    tree.EnsureVisible(target);
    ::UpdateWindow(m_hWnd);
    CDragImage::Show(true);
    m_lastScroll = now ? now : 1;
    return true;
}

void CLeftView::ClearDropHighlight()
{
    DropItem = nullptr;
    if (Ctrl().GetDropHilightItem())
    {
        CDragImage::Show(false);
        Ctrl().SelectDropTarget(nullptr);
        ::UpdateWindow(m_hWnd);
        CDragImage::Show(true);
    }
    HoverItem = nullptr;
    m_scrollSince = 0;
}

void CLeftView::OnDragLeave()
{
    CDragImage::DragLeave();
    ClearDropHighlight();
}

bool CLeftView::OnDrop(IDataObject* data, DWORD effect, POINT)
{
    CDragImage::DragLeave();
    HTREEITEM target = DropItem;
    ClearDropHighlight();
    CNavroDoc* doc = GetDocument();
    if (doc && !CRegItemList::OffersItemList(data))
    {
        std::wstring script = CNavroDoc::DroppedRegistryScript(data);
        return !script.empty() && doc->ImportFile(script);
    }
    if (!target || effect == DROPEFFECT_NONE || !doc || !CRegItemList::OffersItemList(data))
        return false;
    CRegItemList list(data);
    std::wstring destination = GetItemPath(target);
    bool move = (effect & DROPEFFECT_MOVE) != 0;
    if (!doc->TransferItems(list, destination, move, true))
        return false;
    RefreshItem(target);
    if (move)
        RemoveMovedItems(list);
    if (zv::EqualsNoCase(destination, doc->GetCurrentPath()))
        doc->UpdateAllViews(nullptr, kHintValuesChanged, nullptr);
    return true;
}

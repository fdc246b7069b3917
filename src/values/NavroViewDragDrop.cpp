// List panes: dragging the selected rows out (to the other panes, another
// instance or the shell) and dropping item lists in. The value list takes a
// drop anywhere into its current key; the search pane only onto a key row,
// which it highlights.
#include "values/NavroView.h"

#include "app/DragImage.h"
#include "app/NavroDoc.h"
#include "values/DataLinks.h"
#include "app/DataOnDemand.h"
#include "app/RegItemList.h"

#include <windowsx.h>

#include <algorithm>

LRESULT CNavroView::OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    // Where the press was: the drag image keeps the cursor at that spot.
    CDragImage::SetClickPoint({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    handled = false;
    return 0;
}

LRESULT CNavroView::OnBeginDrag(NMHDR*)
{
    EndCellEdit();
    CRegItemList list;
    if (!GatherSelection(list, false))
        return 0;
    POINT origin = {};
    if (HIMAGELIST image = MakeDragImage(list, origin))
        CDragImage::BeginDrag(image, origin.x, origin.y);
    // The source deletes nothing afterwards: a move is the target's paste.
    DragItems(list, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    CDragImage::EndDrag();
    return 0;
}

HIMAGELIST CNavroView::MakeDragImage(CRegItemList& list, POINT& origin)
{
    int focused = FocusedItem();
    if (list.GetCount() == 1 && focused >= 0)
        return ListView_CreateDragImage(ListWindow, focused, &origin);

    // Several items: an icon and the description, under the cursor.
    std::wstring text = list.Description();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(ListWindow, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    int iconWidth = 0, iconHeight = 0;
    if (Images)
        ImageList_GetIconSize(Images, &iconWidth, &iconHeight);
    int gap = iconWidth / 4;
    int width = iconWidth + gap + extent.cx + 2;
    int height = std::max<int>(iconHeight + 1, extent.cy);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const COLORREF transparent = RGB(255, 0, 255);
    HBRUSH background = CreateSolidBrush(transparent);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, background);
    DeleteObject(background);
    if (Images)
        ImageList_Draw(Images, kIconOtherType, dc, 0, (height - iconHeight) / 2, ILD_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOutW(dc, iconWidth + gap, (height - extent.cy) / 2, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, oldBitmap);
    if (oldFont)
        SelectObject(dc, oldFont);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 1, 0);
    if (images)
        ImageList_AddMasked(images, bitmap, transparent);
    DeleteObject(bitmap);
    POINT cursor = {};
    GetCursorPos(&cursor);
    ::ScreenToClient(ListWindow, &cursor);
    origin = {cursor.x - 18, cursor.y - 18};
    return images;
}

DWORD CNavroView::OnDragEnter(IDataObject* data, DWORD keyState, POINT point)
{
    CDragImage::DragEnter(ListWindow, point);
    return OnDragOver(data, keyState, point);
}

DWORD CNavroView::OnDragOver(IDataObject* data, DWORD keyState, POINT point)
{
    CDragImage::DragMove(ListWindow, point);
    // A registry script from the shell is imported, wherever it lands.
    if (!CRegItemList::OffersItemList(data) && !CNavroDoc::DroppedRegistryScript(data).empty())
        return DROPEFFECT_COPY;
    if (!CRegItemList::OffersItemList(data) || !UpdateDropHighlight(point))
        return DROPEFFECT_NONE;
    return (keyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
}

bool CNavroView::UpdateDropHighlight(POINT point)
{
    LVHITTESTINFO hit = {};
    hit.pt = point;
    int row = ListView_HitTest(ListWindow, &hit);
    if (!(hit.flags & LVHT_ONITEM))
        row = -1;
    int highlight = row >= 0 && GetItemKind(row) == kKeyRow && IsPasteTarget(row) ? row : -1;
    if (highlight != m_dropRow)
    {
        CDragImage::Show(false);
        int old = m_dropRow;
        m_dropRow = highlight;
        if (old >= 0)
            RedrawRow(old);
        if (highlight >= 0)
            RedrawRow(highlight);
        ::UpdateWindow(ListWindow);
        CDragImage::Show(true);
    }
    return IsPasteTarget(row);
}

void CNavroView::OnDragLeave()
{
    CDragImage::DragLeave();
    if (m_dropRow >= 0)
    {
        int old = m_dropRow;
        m_dropRow = -1;
        RedrawRow(old);
    }
}

bool CNavroView::OnDrop(IDataObject* data, DWORD effect, POINT)
{
    int row = m_dropRow;
    OnDragLeave();
    if (!CRegItemList::OffersItemList(data))
    {
        std::wstring script = CNavroDoc::DroppedRegistryScript(data);
        CNavroDoc* doc = GetDocument();
        return doc && !script.empty() && doc->ImportFile(script);
    }
    CRegItemList list(data);
    bool move = (effect & DROPEFFECT_MOVE) != 0;
    if (row >= 0 && row < ItemCount() && GetItemKind(row) == kKeyRow)
    {
        CNavroDoc* doc = GetDocument();
        return doc && doc->TransferItems(list, GetItemKeyPath(row), move, true);
    }
    return PasteItemList(list, move, 0);
}

// Value list: columns, their stored widths and order, and sorting by a column.
#include "values/NavroView.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/SettingsStore.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "values/DataLinks.h"

#include "resource.h"

#include <algorithm>
#include <vector>

void CNavroView::InitColumns()
{
    if (ColumnsReady || !ListWindow)
        return;
    ListView_SetExtendedListViewStyleEx(ListWindow, ~0u,
                                        LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_SUBITEMIMAGES);
    RECT client = GetClientRect();
    int width = std::max(20, static_cast<int>(client.right - client.left) / (IsSearchView ? 4 : 3));
    std::vector<UINT> titles = {IDS_COLUMN_NAME};
    if (IsSearchView)
        titles.push_back(IDS_COLUMN_LOCATION);
    titles.push_back(IDS_COLUMN_TYPE);
    titles.push_back(IDS_COLUMN_DATA);
    for (int i = 0; i < static_cast<int>(titles.size()); ++i)
    {
        std::wstring title = zv::LoadResString(titles[i]);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.cx = static_cast<int>(Settings().GetProfileInt(SettingsSection, title.c_str(), width));
        column.iSubItem = i;
        ListView_InsertColumn(ListWindow, i, &column);
        if (titles[i] == IDS_COLUMN_DATA)
            DataColumn = i;
        if (titles[i] == IDS_COLUMN_TYPE)
            TypeColumn = i;
    }
    ColumnsReady = true;
    int order[4];
    for (int i = 0; i < 4; ++i)
        order[i] = static_cast<int>(Settings().GetProfileInt(SettingsSection, std::to_wstring(i).c_str(), i));
    // A damaged order (out of range or repeated) would hide columns: keep the default then.
    int n = static_cast<int>(titles.size());
    std::vector<bool> seen(n, false);
    bool valid = true;
    for (int i = 0; i < n; ++i)
    {
        if (order[i] < 0 || order[i] >= n || seen[order[i]])
            valid = false;
        else
            seen[order[i]] = true;
    }
    if (valid)
        ListView_SetColumnOrderArray(ListWindow, n, order);
}

void CNavroView::SaveLayout()
{
    if (!ColumnsReady || !ListWindow)
        return;
    HWND header = ListView_GetHeader(ListWindow);
    int count = header ? Header_GetItemCount(header) : 0;
    for (int i = count - 1; i >= 0; --i)
    {
        wchar_t title[161] = {};
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title;
        column.cchTextMax = 160;
        if (ListView_GetColumn(ListWindow, i, &column))
            Settings().WriteProfileInt(SettingsSection, title, column.cx);
    }
    std::vector<int> order(count > 0 ? count : 0);
    if (count > 0 && ListView_GetColumnOrderArray(ListWindow, count, order.data()))
        for (int i = 0; i < count; ++i)
            Settings().WriteProfileInt(SettingsSection, std::to_wstring(i).c_str(), order[i]);
}

// --- Sorting ----------------------------------------------------------------

void CNavroView::SortByColumn(int column)
{
    EndCellEdit();
    SortAscending = !SortAscending;
    SortColumn = column;
    SortRows(column, SortAscending);
    ShowSortArrow();
}

void CNavroView::ShowSortArrow()
{
    // The sorted column's header carries the arrow of its direction; the
    // others none.
    HWND header = ListWindow ? ListView_GetHeader(ListWindow) : nullptr;
    int count = header ? Header_GetItemCount(header) : 0;
    for (int i = 0; i < count; ++i)
    {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        if (!Header_GetItem(header, i, &item))
            continue;
        int format = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == SortColumn)
            format |= SortAscending ? HDF_SORTUP : HDF_SORTDOWN;
        if (format != item.fmt)
        {
            item.fmt = format;
            Header_SetItem(header, i, &item);
        }
    }
}

void CNavroView::SortRows(int column, bool ascending)
{
    int count = ItemCount();
    std::vector<std::wstring> texts;
    texts.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
    {
        // The row's place before the sort goes into the scratch half.
        ListRow& r = m_rows[static_cast<size_t>(row)];
        r.itemData = (r.itemData & ~static_cast<LPARAM>(0xFFFF)) | (row & 0xFFFF);
        texts.push_back(ItemText(row, column));
    }
    std::vector<size_t> order = SortedOrder(texts, ascending);
    // The control keeps selection and focus by row number: carry them over.
    CListCtrl list = Ctrl();
    std::vector<bool> selected(static_cast<size_t>(count));
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED))
        selected[static_cast<size_t>(row)] = true;
    int focused = FocusedItem();
    std::vector<ListRow> sorted;
    sorted.reserve(m_rows.size());
    for (size_t old : order)
        sorted.push_back(std::move(m_rows[old]));
    m_rows = std::move(sorted);
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row = 0; row < count; ++row)
    {
        size_t old = order[static_cast<size_t>(row)];
        UINT state =
            (selected[old] ? LVIS_SELECTED : 0) | (static_cast<int>(old) == focused ? LVIS_FOCUSED : 0);
        if (state)
            list.SetItemState(row, state, state);
    }
    InvalidateRect(ListWindow, nullptr, FALSE);
}

LRESULT CNavroView::OnColumnClick(NMHDR* header)
{
    SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    return 0;
}

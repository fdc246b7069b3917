// Value list: rows, their cells, filling from the registry and refreshing.
#include "values/NavroView.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/SettingsStore.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "values/DataLinks.h"

#include "resource.h"

#include <algorithm>
#include <vector>

namespace
{
// Item data at or above this marks a command row (its command in the high half).
constexpr int kCommandRowData = CNavroView::kCommandRow << CNavroView::kRowKindShift;
} // namespace

int CNavroView::ItemCount() const
{
    return static_cast<int>(m_rows.size());
}

std::wstring CNavroView::ItemText(int row, int column) const
{
    if (row < 0 || row >= ItemCount())
        return {};
    const ListRow& r = m_rows[static_cast<size_t>(row)];
    if (column == 0)
        return r.name;
    if (column == DataColumn)
        return r.data;
    if (column == TypeColumn)
        return r.hasType ? TypeText(r.type) : std::wstring();
    if (IsSearchView && column == 1)
        return r.location;
    return {};
}

int CNavroView::ItemImage(int row, int column) const
{
    if (row < 0 || row >= ItemCount())
        return -1;
    if (column == 0)
        return m_rows[static_cast<size_t>(row)].image;
    if (column == DataColumn)
        return LinkIconOf(row);
    return -1;
}

int CNavroView::LinkIconOf(int row) const
{
    ListRow& r = m_rows[static_cast<size_t>(row)];
    if (r.linkIcon == ListRow::kLinkUnknown)
        r.linkIcon = GetDataLinkIcon(r.data);
    return r.linkIcon;
}

void CNavroView::SyncItemCount()
{
    if (ListWindow)
        ListView_SetItemCountEx(ListWindow, ItemCount(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void CNavroView::RedrawRow(int row)
{
    if (ListWindow && row >= 0)
        ListView_RedrawItems(ListWindow, row, row);
}

void CNavroView::SetCell(int row, int column, const std::wstring& text, int image)
{
    if (row < 0 || row >= ItemCount())
        return;
    ListRow& r = m_rows[static_cast<size_t>(row)];
    if (column == 0)
    {
        r.name = text;
        r.image = image;
    }
    else if (column == DataColumn)
    {
        r.data = text;
        r.linkIcon = image;
    }
    else if (IsSearchView && column == 1)
        r.location = text;
    RedrawRow(row);
}

int CNavroView::InsertRow(int index, ListRow row)
{
    if (index < 0 || index > ItemCount())
        index = ItemCount();
    m_rows.insert(m_rows.begin() + index, std::move(row));
    if (ListWindow)
    {
        // The control moves its selection and focus past the new row.
        LVITEMW item = {};
        item.iItem = index;
        ::SendMessageW(ListWindow, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    return index;
}

void CNavroView::DeleteRow(int row)
{
    if (row < 0 || row >= ItemCount())
        return;
    m_rows.erase(m_rows.begin() + row);
    if (ListWindow)
        ListView_DeleteItem(ListWindow, row);
}

void CNavroView::DeleteAllRows()
{
    m_rows.clear();
    if (ListWindow)
        ListView_DeleteAllItems(ListWindow);
}

int CNavroView::AddItem(const std::wstring& name, const std::wstring& text, DWORD type, int kind)
{
    ListRow row;
    row.name = name;
    row.data = text;
    row.type = type;
    row.hasType = kind != kKeyRow;
    row.image = kind == kValueRow ? TypeIcon(type) : kIconKey;
    row.itemData = static_cast<LPARAM>(kind) << kRowKindShift;
    // Link tests run for key rows and the string types only, when drawn.
    bool linkable = kind == kKeyRow || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    row.linkIcon = linkable && !text.empty() ? ListRow::kLinkUnknown : -1;
    m_rows.push_back(std::move(row));
    SyncItemCount();
    return ItemCount() - 1;
}

void CNavroView::AppendRows(std::vector<ListRow>&& rows)
{
    // No exact reserve: batch after batch, that would move every row each time.
    for (ListRow& row : rows)
        m_rows.push_back(std::move(row));
    SyncItemCount();
}

void CNavroView::UpdateRow(int row, CRegReader& reader)
{
    if (row < 0 || row >= ItemCount())
        return;
    ListRow& r = m_rows[static_cast<size_t>(row)];
    r.data = reader.DataText();
    r.linkIcon = r.data.empty() ? -1 : ListRow::kLinkUnknown; // here the link test runs for every type
    r.name = reader.ValueName;
    r.type = reader.ValueType;
    r.hasType = true;
    r.image = TypeIcon(reader.ValueType);
    RedrawRow(row);
}

void CNavroView::SetItemType(int row, DWORD type)
{
    if (row < 0 || row >= ItemCount())
        return;
    m_rows[static_cast<size_t>(row)].type = type;
    m_rows[static_cast<size_t>(row)].hasType = true;
    RedrawRow(row);
}

DWORD CNavroView::GetItemType(int row) const
{
    return row >= 0 && row < ItemCount() && m_rows[static_cast<size_t>(row)].hasType
               ? m_rows[static_cast<size_t>(row)].type
               : 0;
}

LPARAM CNavroView::ItemData(int row) const
{
    return row >= 0 && row < ItemCount() ? m_rows[static_cast<size_t>(row)].itemData : 0;
}

int CNavroView::GetItemKind(int row) const
{
    // Past the rows: a kind no row has.
    constexpr int kNoRow = 5;
    if (row < 0 || row >= ItemCount())
        return kNoRow;
    DWORD data = static_cast<DWORD>(ItemData(row));
    return data >= kCommandRowData ? kCommandRow : static_cast<int>(data >> kRowKindShift);
}

struct CNavroView::FillState
{
    explicit FillState(const std::wstring& path) : reader(path) {}
    CEzReg reader;
    bool started = false;
    int focused = -1;         // the row that had the focus before
    std::wstring focusedName; // and its name
    std::wstring selectName;  // a value to select when the rows are all there
    bool selectAndFocus = false;
    bool drawing = false; // redrawing was switched on again after the first slice
};

// Here, where a fill under way is a complete type.
CNavroView::CNavroView()
{
    LinkCursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_LINK_CURSOR));
}

CNavroView::~CNavroView()
{
    // The link cursor is the module's shared one (LoadCursor): not destroyed.
    // The list destroys its small-image list with its window unless shared.
}

void CNavroView::Refill()
{
    // An edit in progress is committed to the key it began in first.
    EndCellEdit();
    InitColumns();
    CWaitCursor wait;
    int focused = FocusedItem();
    std::wstring focusedName = focused >= 0 ? ItemText(focused, 0) : std::wstring();
    std::wstring selectName;
    bool selectAndFocus = false;
    if (m_fill)
    {
        // A fill was under way: what it would have restored, and the value
        // it was to select at its end, still count.
        focused = m_fill->focused;
        focusedName = m_fill->focusedName;
        selectName = m_fill->selectName;
        selectAndFocus = m_fill->selectAndFocus;
    }
    SendMessage(WM_SETREDRAW, FALSE);
    DeleteAllRows();
    CNavroDoc* doc = GetDocument();
    std::wstring path = doc ? doc->GetCurrentPath() : std::wstring();
    m_fill.reset();
    if (!path.empty())
    {
        m_fill = std::make_unique<FillState>(path);
        m_fill->focused = focused;
        m_fill->focusedName = focusedName;
        m_fill->selectName = std::move(selectName);
        m_fill->selectAndFocus = selectAndFocus;
        FillSlice();
        return;
    }
    m_fill = std::make_unique<FillState>(path);
    m_fill->focused = focused;
    m_fill->focusedName = focusedName;
    FinishFill();
}

void CNavroView::FillSlice()
{
    const DWORD start = GetTickCount();
    CEzReg& reader = m_fill->reader;
    bool more = m_fill->started ? reader.NextValue() : reader.FirstValue();
    m_fill->started = true;
    for (; more; more = reader.NextValue())
    {
        ListRow row;
        row.name.assign(reader.ValueName);
        reader.DataText();
        row.data.swap(reader.Text); // the reader reads the next value's text afresh
        row.type = reader.ValueType;
        row.hasType = true;
        row.image = TypeIcon(reader.ValueType);
        row.itemData = static_cast<LPARAM>(kValueRow) << kRowKindShift;
        bool linkable = row.type == REG_SZ || row.type == REG_EXPAND_SZ || row.type == REG_MULTI_SZ;
        row.linkIcon = linkable && !row.data.empty() ? ListRow::kLinkUnknown : -1;
        m_rows.push_back(std::move(row));
        if (GetTickCount() - start >= kFillSliceMs)
        {
            // The rest comes after whatever waits for the window. The first
            // rows are shown at once; the count grows once more at the end
            // (every change of it costs the control a new scroll bar).
            if (!m_fill->drawing)
            {
                m_fill->drawing = true;
                SyncItemCount();
                SendMessage(WM_SETREDRAW, TRUE);
            }
            PostMessage(kContinueFillMessage);
            return;
        }
    }
    FinishFill();
}

void CNavroView::SelectValueWhenFilled(const std::wstring& name)
{
    if (m_fill)
    {
        m_fill->selectName = name;
        m_fill->selectAndFocus = true;
    }
    else if (SelectItem(FindItem(name, 0)))
        PostFrameCommand(ID_RIGHT_PANE);
}

LRESULT CNavroView::OnContinueFill(UINT, WPARAM, LPARAM, bool&)
{
    if (m_fill && !IsShuttingDown())
        FillSlice();
    return 0;
}

void CNavroView::FinishFill()
{
    std::unique_ptr<FillState> fill = std::move(m_fill);
    // One count for the rest of the key: the control asks for what it shows.
    SyncItemCount();
    // The user's sort stays with the list, whatever key it shows.
    if (SortColumn >= 0)
        SortRows(SortColumn, SortAscending);
    int count = ItemCount();
    int chosen = 0;
    if (fill->focused >= 0)
    {
        chosen = FindItem(fill->focusedName, 0);
        if (chosen < 0)
            chosen = fill->focused < count ? fill->focused : count - 1;
    }
    if (chosen >= 0 && chosen < count)
        SelectItem(chosen);
    SendMessage(WM_SETREDRAW, TRUE);
    InvalidateRect(ListWindow, nullptr, TRUE);
    UpdateWindow(ListWindow);
    if (fill->selectAndFocus)
        if (SelectItem(FindItem(fill->selectName, 0)))
            PostFrameCommand(ID_RIGHT_PANE);
}

void CNavroView::RefreshValues(const std::wstring& path)
{
    // A refresh never ends an open in-place edit: that would write what the
    // user is still typing. The rows are read again once the edit ends; an
    // edit whose value another program changed or removed meanwhile is
    // cancelled, never written, and the user is told.
    if (IsEditingCell())
    {
        if (!EditedItemChanged())
        {
            m_refreshAfterEdit = true;
            return;
        }
        std::wstring name = m_cellEdit->Target.name;
        CancelCellEdit();
        ShowStatusText(L"\"" + name +
                       L"\" was changed or removed by another program while you edited it. Your edit was not "
                       L"written.");
    }
    m_refreshAfterEdit = false;
    EndCellEdit();
    if (m_fill)
    {
        Refill(); // the rows are still being read: read them afresh
        return;
    }
    if (ItemCount() > 100)
    {
        SendMessage(WM_SETREDRAW, FALSE);
        Refill();
        SendMessage(WM_SETREDRAW, TRUE);
        InvalidateRect(ListWindow, nullptr, TRUE);
        UpdateWindow(ListWindow);
        return;
    }
    CEzReg reader(path);
    std::vector<std::wstring> names;
    for (bool more = reader.FirstValue(); more; more = reader.NextValue())
        names.emplace_back(reader.ValueName);
    int pending = -1;
    for (int row = ItemCount() - 1; row >= 0; --row)
    {
        std::wstring name = ItemText(row, 0);
        if (reader.QueryValue(name.c_str()))
        {
            UpdateRow(row, reader);
            auto found = std::find(names.begin(), names.end(), name);
            if (found != names.end())
                names.erase(found);
        }
        else
        {
            if (pending >= 0)
                DeleteRow(pending);
            pending = row;
        }
    }
    if (pending >= 0)
    {
        if (!names.empty())
        {
            std::wstring name = names.front();
            names.erase(names.begin());
            if (reader.QueryValue(name.c_str()))
                UpdateRow(pending, reader);
        }
        else
            DeleteRow(pending);
    }
    for (const std::wstring& name : names)
        if (reader.QueryValue(name.c_str()))
            AddItem(name, reader.DataText(), reader.ValueType, kValueRow);
    // New values go where the user's sort puts them.
    if (!names.empty() && SortColumn >= 0)
        SortRows(SortColumn, SortAscending);
    ClearCutMarks(true);
}

bool CNavroView::SelectItem(int row)
{
    ListView_SetItemState(ListWindow, -1, 0, LVIS_SELECTED);
    if (row < 0 || row >= ItemCount())
        return false;
    ListView_SetItemState(ListWindow, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(ListWindow, row, TRUE);
    return true;
}

int CNavroView::FindItem(const std::wstring& text, int column) const
{
    int count = ItemCount();
    for (int row = 0; row < count; ++row)
        if (zv::EqualsNoCase(ItemText(row, column), text))
            return row;
    return -1;
}

int CNavroView::FocusedItem() const
{
    return ListWindow ? ListView_GetNextItem(ListWindow, -1, LVNI_FOCUSED) : -1;
}

void CNavroView::SetCutMark(int row, bool cut)
{
    if (row < 0 || row >= ItemCount())
        return;
    m_rows[static_cast<size_t>(row)].cut = cut;
    RedrawRow(row);
}

void CNavroView::ClearCutMarks(bool notify)
{
    bool any = false;
    for (ListRow& row : m_rows)
    {
        any = any || row.cut;
        row.cut = false;
    }
    if (any && ListWindow)
        InvalidateRect(ListWindow, nullptr, FALSE);
    if (notify && m_pDocument)
        m_pDocument->UpdateAllViews(nullptr, kHintClearMarks, nullptr);
}

// --- What the control asks for ------------------------------------------------

LRESULT CNavroView::OnGetDispInfo(NMHDR* header)
{
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
    LVITEMW& item = info->item;
    if (item.iItem < 0 || item.iItem >= ItemCount())
        return 0;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
    {
        std::wstring text = CellDisplayText(ItemText(item.iItem, item.iSubItem));
        size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
        wmemcpy(item.pszText, text.c_str(), n);
        item.pszText[n] = L'\0';
    }
    if (item.mask & LVIF_IMAGE)
        item.iImage = ItemImage(item.iItem, item.iSubItem);
    if (item.mask & LVIF_PARAM)
        item.lParam = ItemData(item.iItem);
    if (item.mask & LVIF_STATE)
    {
        item.state = (item.state & ~(LVIS_CUT | LVIS_DROPHILITED)) |
                     (m_rows[static_cast<size_t>(item.iItem)].cut ? LVIS_CUT : 0) |
                     (item.iItem == m_dropRow ? LVIS_DROPHILITED : 0);
        item.stateMask |= LVIS_CUT | LVIS_DROPHILITED;
    }
    return 0;
}

LRESULT CNavroView::OnFindItem(NMHDR* header)
{
    // Typing the start of a name moves to the next row whose name begins so.
    auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz)
        return -1;
    std::wstring_view wanted(find->lvfi.psz);
    int count = ItemCount();
    for (int step = 0; step < count; ++step)
    {
        int row = (find->iStart + step) % count;
        if (zv::StartsWithNoCase(m_rows[static_cast<size_t>(row)].name, wanted))
            return row;
    }
    return -1;
}

LRESULT CNavroView::OnCustomDraw(NMHDR* header)
{
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage)
    {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        // The selection stays plainly marked while another pane has the
        // focus: this platform draws it in a shade close to the background.
        if ((draw->nmcd.uItemState & CDIS_SELECTED) && ::GetFocus() != ListWindow)
        {
            draw->nmcd.uItemState &= ~CDIS_SELECTED;
            draw->clrText = ::GetSysColor(COLOR_INACTIVECAPTIONTEXT);
            draw->clrTextBk = ::GetSysColor(COLOR_INACTIVECAPTION);
        }
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

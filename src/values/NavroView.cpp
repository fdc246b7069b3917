// Value list: columns, rows, refreshes, links, sorting and hints.
#include "values/NavroView.h"

#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "app/Shutdown.h"
#include "app/framework/FrameWnd.h"
#include "app/framework/SettingsStore.h"
#include "app/framework/Strings.h"
#include "app/framework/WaitCursor.h"
#include "app/framework/WinApp.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "tree/ChangeMonitor.h"
#include "values/DataLinks.h"

#include "resource.h"

#include <algorithm>
#include <vector>

namespace
{
constexpr int kCommandRowData = 0x40000;
} // namespace

CNavroView::CNavroView()
{
    LinkCursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_LINK_CURSOR));
}

CNavroView::~CNavroView()
{
    if (LinkCursor)
        DestroyCursor(LinkCursor);
    // The list destroys its small-image list with its window unless shared.
}

CNavroDoc* CNavroView::GetDocument() const
{
    return dynamic_cast<CNavroDoc*>(m_pDocument);
}

void CNavroView::PreCreateWindow(DWORD& style, DWORD&)
{
    style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS;
}

bool CNavroView::OnControlCreated()
{
    ListWindow = m_hWnd;
    Images = ImageList_Create(16, 15, ILC_COLOR24 | ILC_MASK, 14, 2);
    if (HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_VALUE_IMAGES), IMAGE_BITMAP, 0, 0, 0)))
    {
        ImageList_AddMasked(Images, bitmap, RGB(255, 0, 255));
        DeleteObject(bitmap);
    }
    ListView_SetImageList(m_hWnd, Images, LVSIL_SMALL);
    RegisterDropTarget();
    return true;
}

void CNavroView::OnDestroy()
{
    SaveLayout();
    DefWindowProc(WM_DESTROY, 0, 0);
}

// --- Columns ----------------------------------------------------------------

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

// --- Rows -------------------------------------------------------------------

int CNavroView::ItemCount() const
{
    return ListWindow ? ListView_GetItemCount(ListWindow) : 0;
}

std::wstring CNavroView::ItemText(int row, int column) const
{
    std::wstring text(260, L'\0');
    for (;;)
    {
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        int n = static_cast<int>(::SendMessageW(ListWindow, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (n < static_cast<int>(text.size()) - 1 || text.size() > 1 << 20)
        {
            text.resize(static_cast<size_t>(n));
            return text;
        }
        text.resize(text.size() * 4);
    }
}

int CNavroView::ItemImage(int row, int column) const
{
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = column;
    item.iImage = -1;
    if (!ListView_GetItem(ListWindow, &item))
        return -1;
    return item.iImage;
}

void CNavroView::SetCell(int row, int column, const std::wstring& text, int image)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = image;
    ::SendMessageW(ListWindow, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int CNavroView::AddItem(const std::wstring& name, const std::wstring& text, DWORD type, int kind)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = ItemCount();
    item.pszText = const_cast<wchar_t*>(name.c_str());
    item.iImage = kind == 1 ? TypeIcon(type) : kIconKey;
    item.lParam = static_cast<LPARAM>(kind) * 65536;
    int row = static_cast<int>(::SendMessageW(ListWindow, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return -1;
    if (kind != 0)
        SetItemType(row, type);
    if (!text.empty())
    {
        int icon = -1;
        if (kind == 0 || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
            icon = GetDataLinkIcon(text);
        SetCell(row, DataColumn, text, icon);
    }
    Sleep(0);
    return row;
}

void CNavroView::UpdateRow(int row, CRegReader& reader)
{
    const std::wstring& text = reader.DataText();
    SetCell(row, DataColumn, text, GetDataLinkIcon(text));
    SetCell(row, 0, reader.ValueName, TypeIcon(reader.ValueType));
    SetItemType(row, reader.ValueType);
}

void CNavroView::SetItemType(int row, DWORD type)
{
    std::wstring text = TypeText(type);
    LVITEMW item = {};
    item.iSubItem = TypeColumn;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(ListWindow, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

DWORD CNavroView::GetItemType(int row) const
{
    return TypeFromText(ItemText(row, TypeColumn));
}

LPARAM CNavroView::ItemData(int row) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ListView_GetItem(ListWindow, &item) ? item.lParam : 0;
}

int CNavroView::GetItemKind(int row) const
{
    if (row < 0 || row >= ItemCount())
        return 5;
    DWORD data = static_cast<DWORD>(ItemData(row));
    return data >= kCommandRowData ? 4 : static_cast<int>(data >> 16);
}

void CNavroView::Refill()
{
    InitColumns();
    CWaitCursor wait;
    int focused = FocusedItem();
    std::wstring focusedName = focused >= 0 ? ItemText(focused, 0) : std::wstring();
    SendMessage(WM_SETREDRAW, FALSE);
    ListView_DeleteAllItems(ListWindow);
    CNavroDoc* doc = GetDocument();
    std::wstring path = doc ? doc->GetCurrentPath() : std::wstring();
    if (!path.empty())
    {
        CEzReg reader(path);
        for (bool more = reader.FirstValue(); more; more = reader.NextValue())
            AddItem(reader.ValueName, reader.DataText(), reader.ValueType, 1);
    }
    int count = ItemCount();
    int chosen = 0;
    if (focused >= 0)
    {
        chosen = FindItem(focusedName, 0);
        if (chosen < 0)
            chosen = focused < count ? focused : count - 1;
    }
    if (chosen >= 0 && chosen < count)
        SelectItem(chosen);
    SendMessage(WM_SETREDRAW, TRUE);
    InvalidateRect(ListWindow, nullptr, TRUE);
    UpdateWindow(ListWindow);
}

void CNavroView::RefreshValues(const std::wstring& path)
{
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
                ListView_DeleteItem(ListWindow, pending);
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
            ListView_DeleteItem(ListWindow, pending);
    }
    for (const std::wstring& name : names)
        if (reader.QueryValue(name.c_str()))
            AddItem(name, reader.DataText(), reader.ValueType, 1);
    ClearCutMarks(true);
}

bool CNavroView::SelectItem(int row)
{
    ListView_SetItemState(ListWindow, -1, 0, LVIS_SELECTED);
    if (row < 0)
        return false;
    ListView_SetItemState(ListWindow, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(ListWindow, row, TRUE);
    return true;
}

int CNavroView::FindItem(const std::wstring& text, int column) const
{
    int count = ItemCount();
    for (int row = 0; row < count; ++row)
        if (_wcsicmp(ItemText(row, column).c_str(), text.c_str()) == 0)
            return row;
    return -1;
}

int CNavroView::FocusedItem() const
{
    return ListWindow ? ListView_GetNextItem(ListWindow, -1, LVNI_FOCUSED) : -1;
}

void CNavroView::ClearCutMarks(bool notify)
{
    ListView_SetItemState(ListWindow, -1, 0, LVIS_CUT);
    if (notify && m_pDocument)
        m_pDocument->UpdateAllViews(nullptr, kHintClearMarks, nullptr);
}

// --- Links ------------------------------------------------------------------

bool CNavroView::IsKeyLink(const std::wstring& text) const
{
    if (!IsSearchView)
        if (CNavroDoc* doc = GetDocument())
        {
            std::wstring resolved;
            if (ResolveRelative(doc->GetCurrentPath(), text, resolved) && KeyExists(resolved))
                return true;
        }
    return LooksLikeRegistryPath(text);
}

int CNavroView::GetDataLinkIcon(const std::wstring& text) const
{
    if (text.empty())
        return -1;
    if (IsKeyLink(text))
        return kIconKey;
    if (ContainsGuid(text))
        return kIconGuidLink;
    if (FindFilePath(text))
        return kIconFileLink;
    return -1;
}

// --- Paths ------------------------------------------------------------------

std::wstring CNavroView::GetItemParentPath(int) const
{
    CNavroDoc* doc = GetDocument();
    return doc ? doc->GetCurrentPath() : std::wstring();
}

std::wstring CNavroView::GetItemKeyPath(int row) const
{
    std::wstring path = GetItemParentPath(row);
    if (GetItemKind(row) == 0)
        path += L"\\" + ItemText(row, 0);
    return path;
}

bool CNavroView::IsPasteTarget(int row) const
{
    return GetItemKind(row) != 4;
}

// --- Sorting ----------------------------------------------------------------

namespace
{
struct SortContext
{
    const CNavroView* view;
    int column;
    bool ascending;
    std::vector<std::wstring> texts;
};

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM context)
{
    auto* sort = reinterpret_cast<SortContext*>(context);
    int result = _wcsicmp(sort->texts[LOWORD(a)].c_str(), sort->texts[LOWORD(b)].c_str());
    return sort->ascending ? result : -result;
}
} // namespace

void CNavroView::SortByColumn(int column)
{
    SortAscending = !SortAscending;
    SortContext sort{this, column, SortAscending, {}};
    int count = ItemCount();
    sort.texts.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row)
    {
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        ListView_GetItem(ListWindow, &item);
        item.lParam = (item.lParam & ~0xFFFF) | (row & 0xFFFF);
        ListView_SetItem(ListWindow, &item);
        sort.texts.push_back(ItemText(row, column));
    }
    ListView_SortItems(ListWindow, CompareRows, reinterpret_cast<LPARAM>(&sort));
}

LRESULT CNavroView::OnColumnClick(NMHDR* header)
{
    SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    return 0;
}

// --- Hints and activation ---------------------------------------------------

void CNavroView::OnUpdate(CView*, LPARAM hint, void* hintObject)
{
    if (IsShuttingDown())
        return;
    CNavroDoc* doc = GetDocument();
    std::wstring current = doc ? doc->GetCurrentPath() : std::wstring();
    switch (hint)
    {
    case kHintRegistryChanged: {
        // The hint object is the monitor of one root.
        auto* monitor = static_cast<CChngMntr*>(hintObject);
        if (monitor && IsSameOrUnder(current, monitor->RootName()))
            RefreshValues(current);
        break;
    }
    case kHintLocationChanged:
        Refill();
        break;
    case kHintNumberFormat:
    case kHintValuesChanged:
        RefreshValues(current);
        break;
    case kHintSelectValue:
        if (hintObject && SelectItem(FindItem(static_cast<const wchar_t*>(hintObject), 0)))
            PostCommandToMainWindow(ID_RIGHT_PANE);
        break;
    case kHintClearMarks:
        ClearCutMarks(false);
        break;
    default:
        break;
    }
}

void CNavroView::ActivateSelectedItem()
{
    int row = FocusedItem();
    if (row < 0)
        return;
    if (GetItemKind(row) >= 4)
    {
        PostCommandToMainWindow(static_cast<UINT>(ItemData(row) >> 16));
    }
    // Editing a value opens the value editor, which arrives with editing.
}

LRESULT CNavroView::OnDoubleClick(NMHDR*)
{
    ActivateSelectedItem();
    return 0;
}

bool CNavroView::HitIcon(POINT client, int& row, int& column) const
{
    LVHITTESTINFO hit = {};
    hit.pt = client;
    ListView_SubItemHitTest(ListWindow, &hit);
    row = hit.iItem;
    column = hit.iSubItem;
    if (row < 0 || !(hit.flags & LVHT_ONITEMICON))
        return false;
    if (ItemImage(row, column) < 0)
        return false;
    RECT icon = {};
    if (column == 0)
        ListView_GetItemRect(ListWindow, row, &icon, LVIR_ICON);
    else
        ListView_GetSubItemRect(ListWindow, row, column, LVIR_ICON, &icon);
    return PtInRect(&icon, client) != FALSE;
}

LRESULT CNavroView::OnClick(NMHDR* header)
{
    auto* info = reinterpret_cast<NMITEMACTIVATE*>(header);
    int row = -1, column = -1;
    if (!HitIcon(info->ptAction, row, column))
        return 0;
    if (column == DataColumn)
    {
        std::wstring text = ItemText(row, DataColumn);
        if (IsKeyLink(text) || FindFilePath(text))
            PostMessage(WM_COMMAND, ID_EXPLORE, 0);
        if (ContainsGuid(text))
            PostMessage(WM_COMMAND, ID_GO_TO_DATA_DEFINITION, 0);
    }
    else if (column == 0 && GetItemKind(row) >= 4)
    {
        PostCommandToMainWindow(static_cast<UINT>(ItemData(row) >> 16));
    }
    return 0;
}

LRESULT CNavroView::OnSetCursor(UINT, WPARAM, LPARAM, bool& handled)
{
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(ListWindow, &point);
    int row = -1, column = -1;
    if (LinkCursor && HitIcon(point, row, column) && (column == DataColumn || GetItemKind(row) >= 4))
    {
        SetCursor(LinkCursor);
        return TRUE;
    }
    handled = false;
    return 0;
}

void CNavroView::OnGoToDataDefinition()
{
    int row = FocusedItem();
    CNavroDoc* doc = GetDocument();
    if (row < 0 || !doc)
        return;
    std::wstring text = ItemText(row, DataColumn);
    size_t at = FindGuid(text);
    if (at == std::wstring::npos)
        return;
    std::wstring guid = text.substr(at);
    if (guid[0] != L'{')
        guid = L"{" + guid.substr(0, 36) + L"}";
    doc->GoToDefinition(guid);
}

void CNavroView::OnActivateView(bool activate, CView*, CView*)
{
    if (activate && FocusedItem() < 0 && ItemCount() > 0)
        SelectItem(ListView_GetTopIndex(ListWindow));
}

// --- The search pane --------------------------------------------------------

CSearchPaneView::CSearchPaneView()
{
    IsSearchView = true;
    SettingsSection = L"SearchPane";
}

bool CSearchPaneView::OnControlCreated()
{
    if (!CNavroView::OnControlCreated())
        return false;
    // The rows exist before the columns, which come with the initial update.
    auto addCommandRow = [this](const std::wstring& text, UINT command, int icon) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = 0;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        item.iImage = icon;
        item.lParam = static_cast<LPARAM>(command) << 16;
        ::SendMessageW(ListWindow, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    };
    auto tip = [](UINT id) {
        std::wstring text = zv::LoadResString(id);
        size_t newline = text.find(L'\n');
        return newline == std::wstring::npos ? text : text.substr(newline + 1);
    };
    addCommandRow(zv::LoadResString(IDS_FIND_ROW), ID_FIND, kIconFindRow);
    addCommandRow(tip(ID_LIST_INVALID_CLSIDS), ID_LIST_INVALID_CLSIDS, kIconClsidRow);
    addCommandRow(tip(ID_FEEDBACK), ID_FEEDBACK, kIconFeedbackRow);
    return true;
}

void CSearchPaneView::ActivateSelectedItem()
{
    int row = FocusedItem();
    if (row >= 0 && GetItemKind(row) >= 4)
        CNavroView::ActivateSelectedItem();
}

std::wstring CSearchPaneView::GetItemParentPath(int row) const
{
    return ItemText(row, 1);
}

bool CSearchPaneView::IsPasteTarget(int row) const
{
    return GetItemKind(row) == 0;
}

void CSearchPaneView::OnUpdate(CView*, LPARAM hint, void*)
{
    // The search pane's rows do not follow the current key.
    if (!IsShuttingDown() && hint == kHintClearMarks)
        ClearCutMarks(false);
}

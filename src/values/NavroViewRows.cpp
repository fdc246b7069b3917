// Value list: rows, their cells, filling from the registry and refreshing.
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
#include "tree/ChangeMonitor.h"
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
    return Ctrl().GetItemCount();
}

std::wstring CNavroView::ItemText(int row, int column) const
{
    return Ctrl().GetItemText(row, column);
}

int CNavroView::ItemImage(int row, int column) const
{
    return Ctrl().GetItemImage(row, column);
}

void CNavroView::SetCell(int row, int column, const std::wstring& text, int image)
{
    Ctrl().SetCell(row, column, text, image);
}

int CNavroView::AddItem(const std::wstring& name, const std::wstring& text, DWORD type, int kind)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = ItemCount();
    item.pszText = const_cast<wchar_t*>(name.c_str());
    item.iImage = kind == kValueRow ? TypeIcon(type) : kIconKey;
    item.lParam = static_cast<LPARAM>(kind) << kRowKindShift;
    int row = Ctrl().InsertItem(item);
    if (row < 0)
        return -1;
    if (kind != kKeyRow)
        SetItemType(row, type);
    if (!text.empty())
    {
        int icon = -1;
        if (kind == kKeyRow || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
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
    Ctrl().SetItemText(row, TypeColumn, TypeText(type));
}

DWORD CNavroView::GetItemType(int row) const
{
    return TypeFromText(ItemText(row, TypeColumn));
}

LPARAM CNavroView::ItemData(int row) const
{
    return Ctrl().GetItemData(row);
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
            AddItem(reader.ValueName, reader.DataText(), reader.ValueType, kValueRow);
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
            AddItem(name, reader.DataText(), reader.ValueType, kValueRow);
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

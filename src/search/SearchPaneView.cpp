// The search pane: the value list with a Location column, its own settings
// section and its command rows.
#include "search/SearchPaneView.h"

#include "app/Hints.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "values/DataLinks.h"

#include "resource.h"

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
        ListRow row;
        row.name = text;
        row.image = icon;
        row.itemData = static_cast<LPARAM>(command) << kRowKindShift;
        InsertRow(0, std::move(row));
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
    if (row >= 0 && GetItemKind(row) >= kCommandRow)
        CNavroView::ActivateSelectedItem();
}

std::wstring CSearchPaneView::GetItemParentPath(int row) const
{
    return ItemText(row, 1);
}

bool CSearchPaneView::IsPasteTarget(int row) const
{
    return GetItemKind(row) == kKeyRow;
}

void CSearchPaneView::OnUpdate(CView*, LPARAM hint, void*)
{
    // The search pane's rows do not follow the current key.
    if (!IsShuttingDown() && hint == kHintClearMarks)
        ClearCutMarks(false);
}

// The search pane: the value list with a Location column, its own settings
// section and its command rows.
#include "search/SearchPaneView.h"

#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "values/DataLinks.h"

#include "resource.h"

CSearchPaneView::CSearchPaneView()
{
    IsSearchView = true;
    SettingsSection = L"SearchPane";
}

CSearchPaneView::~CSearchPaneView()
{
    m_searchInbox.Close();
    m_run.Stop();
}

bool CSearchPaneView::OnControlCreated()
{
    if (!CNavroView::OnControlCreated())
        return false;
    m_searchInbox.Open(m_hWnd, kSearchInboxMessage);
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
    if (row < 0)
        return;
    if (GetItemKind(row) >= kCommandRow)
    {
        CNavroView::ActivateSelectedItem();
        return;
    }
    CNavroDoc* doc = GetDocument();
    if (!doc)
        return;
    // The key the row names (a key row's own key, a value row's holder).
    std::wstring path = GetItemKeyPath(row);
    if (!doc->GoTo(nullptr, path.c_str(), true))
        return;
    if (GetItemKind(row) == kKeyRow)
        PostFrameCommand(ID_LEFT_PANE);
    else
    {
        std::wstring name = ItemText(row, 0);
        {
            const SelectValueHint select(name);
            doc->UpdateAllViews(nullptr, kHintSelectValue, &select);
        }
    }
}

std::wstring CSearchPaneView::GetItemParentPath(int row) const
{
    return ItemText(row, 1);
}

bool CSearchPaneView::IsPasteTarget(int row) const
{
    return GetItemKind(row) == kKeyRow;
}

void CSearchPaneView::OnUpdate(CView*, LPARAM hint, const CUpdateHint* hintObject)
{
    // The search pane's rows do not follow the current key.
    if (IsShuttingDown())
        return;
    if (hint == kHintClearMarks)
        ClearCutMarks(false);
    if (hint == kHintRegistryChanged)
    {
        auto* changed = dynamic_cast<const RegistryChangedHint*>(hintObject);
        RefreshRows(changed ? changed->root : std::wstring());
    }
}

void CSearchPaneView::RefreshRows(const std::wstring& under)
{
    // Each row reopens its key: not for a pane of many rows.
    if (ItemCount() > static_cast<int>(kRefreshRowLimit))
        return;
    for (int row = ItemCount() - 1; row >= 0; --row)
    {
        int kind = GetItemKind(row);
        if (kind >= kCommandRow)
            continue;
        std::wstring location = GetItemParentPath(row);
        if (!under.empty() && !IsSameOrUnder(location, under))
            continue;
        std::wstring name = ItemText(row, 0);
        CEzReg key(location);
        if (kind == kKeyRow)
        {
            if (!key.HasSubKey(name))
                DeleteRow(row);
            continue;
        }
        if (!key.QueryValueAsStored(name.c_str()))
        {
            DeleteRow(row);
            continue;
        }
        // The stored name's case, the current data and type.
        UpdateRow(row, key);
        RedrawRow(row);
    }
}

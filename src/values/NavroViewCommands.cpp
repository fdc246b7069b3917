// Value list: the commands that act on its rows (new, edit, delete, the
// clipboard, selection, Explore, Go to definition, the searches, take
// ownership), the context menu and the Delete key.
#include "values/NavroView.h"

#include "app/CopyAsText.h"
#include "base/ClipboardText.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "app/NameDlg.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/ValueText.h"
#include "values/CellEdit.h"
#include "values/DataLinks.h"
#include "app/RegItemList.h"

#include "resource.h"

#include <windowsx.h>

// --- Which rows the commands act on -------------------------------------------

std::vector<int> CNavroView::SelectedRows() const
{
    std::vector<int> rows;
    CListCtrl list = Ctrl();
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

bool CNavroView::FocusedIsCommandRow() const
{
    int focused = FocusedItem();
    return focused >= 0 && GetItemKind(focused) >= kCommandRow;
}

std::wstring CNavroView::SearchDataText(int row) const
{
    if (row < 0 || row >= ItemCount())
        return {};
    DWORD type = GetItemType(row);
    if (GetItemKind(row) != kValueRow || (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ))
        return {};
    return zv::TrimSpaces(ItemText(row, DataColumn));
}

bool CNavroView::GatherSelection(CRegItemList& list, bool cut)
{
    list.SetMove(cut);
    for (int row : SelectedRows())
    {
        if (GetItemKind(row) >= kCommandRow)
            continue;
        list.Add(GetItemParentPath(row), ItemText(row, 0), static_cast<DWORD>(GetItemKind(row)));
        if (cut)
            SetCutMark(row, true);
    }
    return list.GetCount() > 0;
}

// --- Update handlers ---------------------------------------------------------------

void CNavroView::OnUpdateSelectionCommand(CCmdUI* ui)
{
    bool selected = !SelectedRows().empty() && !FocusedIsCommandRow();
    if (ui->m_nID == ID_RENAME)
        selected = SelectedRows().size() == 1 && !FocusedIsCommandRow();
    ui->Enable(selected);
}

void CNavroView::OnUpdateValueRowCommand(CCmdUI* ui)
{
    ui->Enable(GetItemKind(FocusedItem()) == kValueRow);
}

void CNavroView::OnUpdatePaste(CCmdUI* ui)
{
    if (IsEditingCell())
    {
        ui->Enable(IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_OEMTEXT));
        return;
    }
    ui->Enable((CRegItemList::ClipboardHasItemList() && IsPasteTarget(FocusedItem())) ||
               CNavroDoc::ClipboardHoldsRegistryScript());
}

// --- Creating and editing -------------------------------------------------------------

void CNavroView::OnNewValue()
{
    if (CNavroDoc* doc = GetDocument())
        doc->NewValue(GetItemKeyPath(FocusedItem()));
}

void CNavroView::OnRename()
{
    std::vector<int> rows = SelectedRows();
    if (!rows.empty())
        EditCell(rows.front(), 0);
}

void CNavroView::OnEditData()
{
    int row = FocusedItem();
    if (row >= 0 && GetItemKind(row) != kKeyRow)
        EditCell(row, DataColumn);
}

void CNavroView::OnEnter()
{
    // An editor whose window went with the focus is no edit in progress:
    // Enter then opens the value as always.
    if (IsEditingCell())
        EndCellEdit();
    else
        ActivateSelectedItem();
}

// --- Deleting ---------------------------------------------------------------------------

void CNavroView::DeleteSelectedItems()
{
    if (FocusedIsCommandRow() || SelectedRows().empty())
        return;
    CRegItemList list;
    if (!GatherSelection(list, true))
        return;
    if (!AskYesNo(zv::Format(zv::LoadResString(IDS_DELETE_QUESTION).c_str(), list.Description().c_str())))
    {
        ClearCutMarks(true);
        return;
    }
    CNavroDoc* doc = GetDocument();
    JournalRecorder record(doc ? &doc->Journal() : nullptr, L"Delete of " + list.Description());
    {
        CWaitCursor wait; // key trees are read for undo first
        RecordItems(list, record);
    }
    if (record.Incomplete() &&
        !AskYesNo(L"Part of what goes cannot be read, so this delete could not be undone. Delete anyway?"))
        return;
    bool changed = false;
    for (int i = list.GetCount() - 1; i >= 0; --i)
    {
        const std::wstring& name = list.Names[static_cast<size_t>(i)];
        bool deleted;
        if (list.IsKeyItem(i))
            deleted = DeleteRegistryKey(list.FullText(i));
        else
        {
            CEzReg key(list.Paths[static_cast<size_t>(i)]);
            deleted = key.DeleteValue(name.c_str());
        }
        if (!deleted)
        {
            const wchar_t* text = list.IsKeyItem(i) ? L"Delete key failed. Try \"run as Administrator\"."
                                                    : L"Delete value failed. Try \"run as Administrator\".";
            UserPrompts().ShowMessageBox(PromptOwner(), text, name, WithDefaultIcon(MB_OK));
            break;
        }
        changed = true;
    }
    record.Finish();
    // The rows go now, not only when the change monitor reports.
    if (changed && m_pDocument)
        m_pDocument->UpdateAllViews(nullptr, kHintValuesChanged, nullptr);
}

// --- The clipboard -------------------------------------------------------------------------

void CNavroView::OnCopyOrCut(bool cut)
{
    if (IsEditingCell())
    {
        m_cellEdit->SendMessage(cut ? WM_CUT : WM_COPY);
        return;
    }
    ClearCutMarks(true);
    CRegItemList list;
    if (GatherSelection(list, cut))
        list.CopyToClipboard();
}

void CNavroView::OnPaste()
{
    if (IsEditingCell())
    {
        m_cellEdit->SendMessage(WM_PASTE);
        return;
    }
    CRegItemList list;
    if (list.ReadFromClipboard())
        PasteItemList(list, list.IsMove, 0);
    else if (CNavroDoc* doc = GetDocument())
        doc->PasteRegistryScript();
}

bool CNavroView::PasteItemList(CRegItemList& list, bool move, int)
{
    CNavroDoc* doc = GetDocument();
    if (!doc || doc->GetCurrentPath().empty())
        return false;
    bool pasted = doc->TransferItems(list, doc->GetCurrentPath(), move, true);
    if (pasted)
        doc->UpdateAllViews(nullptr, kHintValuesChanged, nullptr);
    return pasted;
}

// --- Selection -------------------------------------------------------------------------------

void CNavroView::OnSelectAll()
{
    for (int row = ItemCount() - 1; row >= 0; --row)
        Ctrl().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

void CNavroView::OnInvertSelection()
{
    CListCtrl list = Ctrl();
    int focused = FocusedItem();
    if (focused >= 0)
        list.SetItemState(focused, 0, LVIS_FOCUSED);
    for (int row = 0; row < ItemCount(); ++row)
        list.SetItemState(row, list.GetItemState(row, LVIS_SELECTED) ? 0 : LVIS_SELECTED, LVIS_SELECTED);
    int first = list.GetNextItem(-1, LVNI_SELECTED);
    if (first >= 0)
        list.SetItemState(first, LVIS_FOCUSED, LVIS_FOCUSED);
}

// --- Following data ---------------------------------------------------------------------------

void CNavroView::OnExplore()
{
    int row = FocusedItem();
    CNavroDoc* doc = GetDocument();
    if (row < 0 || !doc)
        return;
    std::wstring data = ItemText(row, DataColumn);
    if (IsKeyLink(data))
    {
        doc->GoTo(nullptr, data.c_str(), true);
        return;
    }
    std::wstring path;
    if (!FindFilePath(data, &path))
    {
        AfxMessageBox(zv::Format(zv::LoadResString(IDS_PATH_NOT_FOUND).c_str(), data.c_str()), MB_OK);
        return;
    }
    // The path has no quotes or control characters (the path search cuts it
    // at them), so it cannot leave its quotes on Explorer's command line.
    INT_PTR result = FileExists(path)
                         ? UserPrompts().LaunchShell(PromptOwner(), L"Open", L"Explorer",
                                                     L"/n,/select,\"" + path + L"\"", SW_SHOWNORMAL)
                         : UserPrompts().LaunchShell(PromptOwner(), L"explore", path, L"", SW_SHOWNORMAL);
    if (result <= 32)
        ReportError(static_cast<DWORD>(result), path, true);
}

void CNavroView::GoToDefinitionIn(int column)
{
    int row = FocusedItem();
    CNavroDoc* doc = GetDocument();
    if (row < 0 || !doc)
        return;
    std::wstring text = ItemText(row, column);
    size_t at = FindGuid(text);
    if (at == std::wstring::npos)
        return;
    std::wstring guid = text.substr(at, 38);
    if (guid[0] != L'{')
        guid = L"{" + text.substr(at, 36) + L"}"; // a GUID without braces is looked up with them
    doc->GoToDefinition(guid);
}

void CNavroView::OnWebSearch()
{
    int row = FocusedItem();
    CNavroDoc* doc = GetDocument();
    if (row < 0 || !doc)
        return;
    if (GetItemKind(row) == kKeyRow)
        doc->WebSearchItem(GetItemKeyPath(row), L"");
    else
        doc->WebSearchItem(GetItemParentPath(row), ItemText(row, 0));
}

void CNavroView::WebSearchData()
{
    std::wstring data = SearchDataText(FocusedItem());
    if (CNavroDoc* doc = GetDocument(); doc && !data.empty())
        doc->WebSearch(data);
}

void CNavroView::SearchRegistryFor(const std::wstring& text)
{
    if (CNavroDoc* doc = GetDocument())
    {
        doc->SetSearchText(text);
        PostFrameCommand(ID_FIND);
    }
}

void CNavroView::OnTakeOwnership()
{
    int row = FocusedItem();
    if (CNavroDoc* doc = GetDocument(); doc && row >= 0)
        doc->StartTakeOwnership(GetItemKeyPath(row));
}

// --- The keyboard and the context menu --------------------------------------------------------

LRESULT CNavroView::OnKeyDownMessage(UINT, WPARAM key, LPARAM flags, bool& handled)
{
    bool repeat = (flags & (1 << 30)) != 0;
    if (key == VK_DELETE && !repeat && !(GetKeyState(VK_SHIFT) & 0x8000))
    {
        DeleteSelectedItems(); // Shift+Del is Cut
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CNavroView::OnScrollMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    // Scrolling ends an edit (and commits it): the editor would float over
    // another row.
    EndCellEdit();
    handled = false;
    return 0;
}

LRESULT CNavroView::OnContextMenu(UINT, WPARAM, LPARAM lParam, bool&)
{
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    bool fromKeyboard = at.x == -1 && at.y == -1;
    if (!fromKeyboard)
    {
        // A right click acts on the row under it: select that row first.
        LVHITTESTINFO hit = {};
        hit.pt = at;
        ::ScreenToClient(ListWindow, &hit.pt);
        int row = ListView_HitTest(ListWindow, &hit);
        if (row >= 0 && !Ctrl().GetItemState(row, LVIS_SELECTED))
            SelectItem(row);
    }
    int row = FocusedItem();
    if (row < 0 || GetItemKind(row) >= kCommandRow)
        return 0;
    zv::unique_hmenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_VALUE_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup)
        return 0;
    for (const ContextEntry& entry : ContextEntries(row))
    {
        if (entry.command == 0)
            InsertMenuW(popup, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        else
            InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, entry.command, entry.text.c_str());
    }
    if (fromKeyboard)
    {
        Ctrl().EnsureVisible(row);
        RECT rect = {};
        ListView_GetItemRect(ListWindow, row, &rect, LVIR_BOUNDS);
        at = {std::max<LONG>(rect.left, 0), rect.bottom};
        ::ClientToScreen(ListWindow, &at);
    }
    HWND owner = GetAncestor(m_hWnd, GA_ROOT);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    return 0;
}

std::vector<CNavroView::ContextEntry> CNavroView::ContextEntries(int row) const
{
    // Entries put in front of the menu, each at the top: the last one here
    // ends up first.
    std::vector<ContextEntry> entries;
    std::wstring name = ItemText(row, 0);
    std::wstring data = ItemText(row, DataColumn);
    // Menu texts show a name literally: "&" is no mnemonic.
    auto literal = [](const std::wstring& text) { return zv::ReplaceAll(text, L"&", L"&&"); };
    if (IsKeyLink(data) || FindFilePath(data))
    {
        entries.push_back({0, L""});
        entries.push_back({ID_EXPLORE, zv::LoadResString(ID_EXPLORE) + L" " + literal(data)});
    }
    std::wstring nameGuid, dataGuid;
    if (size_t at = FindGuid(name); at != std::wstring::npos)
    {
        nameGuid = name.substr(at, name[at] == L'{' ? 38 : 36);
        entries.push_back(
            {ID_GO_TO_DEFINITION, zv::LoadResString(ID_GO_TO_DEFINITION) + L" " + literal(nameGuid)});
    }
    if (size_t at = FindGuid(data); at != std::wstring::npos)
    {
        dataGuid = data.substr(at, data[at] == L'{' ? 38 : 36);
        if (!zv::EqualsNoCase(dataGuid, nameGuid))
            entries.push_back({ID_GO_TO_DATA_DEFINITION,
                               zv::LoadResString(ID_GO_TO_DATA_DEFINITION) + L" " + literal(dataGuid)});
    }
    return entries;
}

void CNavroView::OnNewBookmark()
{
    CRegItemList list;
    if (GatherSelection(list, false))
        BookmarkEach(list, PromptOwner());
    else if (CNavroDoc* doc = GetDocument())
        doc->BookmarkCurrentKey();
}

void CNavroView::CopyRowsAsText(UINT command)
{
    std::vector<std::wstring> lines;
    for (int row : SelectedRows())
    {
        if (GetItemKind(row) >= kCommandRow)
            continue;
        std::wstring name = ItemText(row, 0);
        std::wstring keyPath = GetItemParentPath(row);
        bool keyRow = GetItemKind(row) == kKeyRow;
        switch (command)
        {
        case ID_COPY_VALUE_NAME:
            lines.push_back(name);
            break;
        case ID_COPY_VALUE_DATA:
            lines.push_back(ItemText(row, DataColumn));
            break;
        case ID_COPY_VALUE_PATH:
            lines.push_back(keyPath + L"\\" + name);
            break;
        default: {
            std::wstring path = SpellPath(keyRow ? keyPath + L"\\" + name : keyPath, PathSpellingOf(command));
            if (std::find(lines.begin(), lines.end(), path) == lines.end())
                lines.push_back(path);
            break;
        }
        }
    }
    if (lines.empty() && command != ID_COPY_VALUE_NAME && command != ID_COPY_VALUE_DATA &&
        command != ID_COPY_VALUE_PATH)
        if (CNavroDoc* doc = GetDocument())
            lines.push_back(SpellPath(doc->GetCurrentPath(), PathSpellingOf(command)));
    if (!lines.empty())
        PutTextOnClipboard(TextLines(lines));
}

// Key tree: the commands on the selected key (new key, new value, delete,
// rename by label edit, properties, collapse, expand, go to definition), the
// Delete key and the context menu.
#include "tree/LeftView.h"

#include "app/FrameServices.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "base/WaitCursor.h"
#include "app/NameDlg.h"
#include "operations/Hives.h"
#include "app/KeyProperties.h"
#include "operations/KeyTransfer.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "app/RegItemList.h"

#include "resource.h"

#include <windowsx.h>

// --- Update handlers ------------------------------------------------------------

void CLeftView::OnUpdateModifyCommand(CCmdUI* ui)
{
    ui->Enable(CanModifySelectedKey());
}

void CLeftView::OnUpdateCut(CCmdUI* ui)
{
    HTREEITEM selected = Selected();
    ui->Enable(selected && !IsRootItem(selected));
}

// --- New key, new value -------------------------------------------------------------

void CLeftView::NewKey()
{
    HTREEITEM selected = Selected();
    if (!selected)
        return;
    std::wstring path = GetItemPath(selected);
    std::wstring name;
    CEzReg parent(path);
    CNavroDoc* doc = GetDocument();
    JournalRecorder record(doc ? &doc->Journal() : nullptr, L"New Key in " + path);
    if (!CreateUniqueSubkey(parent, L"New Key", name))
    {
        ReportWriteFailure(static_cast<DWORD>(parent.LastError), path);
        return;
    }
    record.AddMade({RegRegion::Tree, path + L"\\" + name});
    record.Finish();
    HTREEITEM item = nullptr;
    if (Ctrl().GetItemState(selected, TVIS_EXPANDED))
        item = InsertKeyItem(name, selected, TVI_SORT);
    else
    {
        RefreshChildren(selected, path);
        item = FindChildItem(name, selected);
    }
    if (!item)
        return;
    ExpandNotifications = false;
    Ctrl().SelectItem(item);
    ::SetFocus(m_hWnd);
    TreeView_EditLabel(m_hWnd, item);
    ExpandNotifications = true;
}

void CLeftView::OnNewValue()
{
    if (CNavroDoc* doc = GetDocument())
        doc->NewValue(L"");
}

// --- Delete -----------------------------------------------------------------------------

std::wstring DeleteQuestion(const std::wstring& path, const KeyTreeCount& below)
{
    std::wstring question = zv::Format(zv::LoadResString(IDS_DELETE_QUESTION).c_str(), path.c_str());
    if (below.keys || below.values)
        question += L"\n\nWith it go " + zv::Counted(below.keys, L"subkey", L"subkeys") + L" and " +
                    zv::Counted(below.values, L"value", L"values") + L".";
    return question;
}

void CLeftView::DeleteSelectedKey()
{
    HTREEITEM selected = Selected();
    CNavroDoc* doc = GetDocument();
    if (!selected || !doc)
        return;
    if (IsRootItem(selected))
    {
        AfxMessageBox(L"A root key can not be deleted.", MB_OK);
        return;
    }
    // The question names the selected key: the document follows the
    // selection, but a question must never name another key than the one
    // that goes.
    std::wstring path = GetItemPath(selected);
    if (IsLoadedHive(path))
    {
        AfxMessageBox(HiveRootDeleteRefusal(path), MB_OK);
        return;
    }
    KeyTreeCount below;
    {
        CWaitCursor wait;
        below = CountKeyTree(path);
    }
    if (!AskYesNo(DeleteQuestion(path, below)))
        return;
    // A key the delete refuses is not read for undo (it may be a whole root's tree).
    JournalRecorder record(IsProtectedKey(path) ? nullptr : &doc->Journal(), L"Delete of " + path);
    {
        CWaitCursor wait; // the tree is read for undo first
        record.AddTree(path);
    }
    if (record.Incomplete() &&
        !AskYesNo(L"Part of " + path +
                  L" cannot be read, so its delete could not be undone. Delete it anyway?"))
        return;
    bool deleted;
    {
        CWaitCursor wait; // a large tree takes a while: its progress shows and the window stays painted
        DWORD total = below.keys + 1, done = 0, shownAt = GetTickCount();
        deleted = DeleteRegistryKey(path, [&] {
            ++done;
            if (GetTickCount() - shownAt < kProgressEveryMs)
                return;
            shownAt = GetTickCount();
            if (m_frame)
                m_frame->ShowProgress(static_cast<int>(100.0 * done / total));
            PaintPendingWindows();
        });
        if (m_frame)
            m_frame->ShowProgress(-1);
    }
    record.Finish();
    if (deleted)
        DeleteKeyItem(selected, true);
    else
        AfxMessageBox(L"You cannot delete this key.", MB_OK);
}

LRESULT CLeftView::OnKeyDown(UINT, WPARAM key, LPARAM flags, bool& handled)
{
    // Right and keypad + on a partly loaded item complete it, as its button does.
    HTREEITEM selected = Selected();
    if ((key == VK_RIGHT || key == VK_ADD) && IsExpandedPartial(selected))
    {
        CompletePartialItem(selected);
        return 0;
    }
    bool repeat = (flags & (1 << 30)) != 0;
    if (key == VK_DELETE)
    {
        // Shift+Del is Cut, through the accelerators; a held key deletes once.
        if (!repeat && !(GetKeyState(VK_SHIFT) & 0x8000))
            DeleteSelectedKey();
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CLeftView::OnSysKeyDown(UINT, WPARAM key, LPARAM, bool& handled)
{
    // Shift+F10 opens the context menu, as the menu key does. The tree
    // control does not pass it on to become a WM_CONTEXTMENU everywhere.
    if (key == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000))
    {
        ShowContextMenu({-1, -1}, true);
        return 0;
    }
    handled = false;
    return 0;
}

// --- Rename ------------------------------------------------------------------------------

void CLeftView::RenameSelectedKey()
{
    if (HTREEITEM selected = Selected())
    {
        ::SetFocus(m_hWnd);
        TreeView_EditLabel(m_hWnd, selected);
    }
}

void CLeftView::OnEnter()
{
    // Enter ends a label edit and keeps what was typed; otherwise nothing.
    if (Ctrl().GetEditControl())
        TreeView_EndEditLabelNow(m_hWnd, FALSE);
}

LRESULT CLeftView::OnBeginLabelEdit(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
    // Only the selected key is renamed: the rename tells the document that
    // its current key has a new name.
    if (!CanModifySelectedKey() || info->item.hItem != Selected())
        return TRUE;
    m_labelEditing = true;
    return FALSE;
}

LRESULT CLeftView::OnEndLabelEdit(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTVDISPINFOW*>(header);
    // Cleared first: the second notification of the same edit finds it clear.
    if (!m_labelEditing)
        return FALSE;
    m_labelEditing = false;
    HTREEITEM item = info->item.hItem;
    if (!info->item.pszText || !item)
        return FALSE; // cancelled
    std::wstring name = info->item.pszText;
    if (name == ItemText(item))
        return FALSE;
    return RenameItemKey(item, name) ? TRUE : FALSE;
}

bool CLeftView::RenameItemKey(HTREEITEM item, const std::wstring& name)
{
    HTREEITEM parentItem = Parent(item);
    if (!parentItem)
        return false;
    std::wstring oldName = ItemText(item);
    std::wstring problem = KeyNameProblem(name);
    if (!problem.empty())
    {
        AfxMessageBox(problem, MB_OK | MB_ICONERROR);
        return false;
    }
    std::wstring parentPath = GetItemPath(parentItem);
    CEzReg parent(parentPath);
    if (!zv::EqualsNoCase(oldName, name) && parent.HasSubKey(name))
    {
        AfxMessageBox(KeyExistsText(name), MB_OK | MB_ICONERROR);
        return false;
    }
    CNavroDoc* doc = GetDocument();
    JournalRecorder record(doc ? &doc->Journal() : nullptr, L"Rename of " + parentPath + L"\\" + oldName);
    record.AddTree(parentPath + L"\\" + oldName);
    record.AddTree(parentPath + L"\\" + name);
    RenameIdle = false;
    bool renamed = RenameSubkey(parent, oldName, name);
    RenameIdle = true;
    record.Finish();
    if (!renamed)
    {
        // A parent that could not be opened was reported by the rename
        // itself; a declined question needs no message.
        if (parent.Key && parent.LastError != ERROR_CANCELLED)
            ReportError(static_cast<DWORD>(parent.LastError),
                        L"Unable to rename this key. Try run as Administrator option.", true);
        // The copy may stand beside an original that could not be removed.
        RefreshChildren(parentItem, parentPath);
        return false;
    }
    if (CNavroDoc* doc = GetDocument())
    {
        doc->KeyRenamed(this, parentPath + L"\\" + name);
        // The value list's rows name the old path.
        doc->UpdateAllViews(this, kHintLocationChanged, nullptr);
    }
    return true;
}

// --- Properties, collapse, go to definition -----------------------------------------------------

void CLeftView::ShowProperties()
{
    if (HTREEITEM selected = Selected())
        ShowKeyProperties(m_hWnd, GetItemPath(selected));
}

void CLeftView::OnCollapse()
{
    if (HTREEITEM selected = Selected())
    {
        Ctrl().Expand(selected, TVE_COLLAPSE);
        Ctrl().EnsureVisible(selected);
    }
}

void CLeftView::OnGoToDefinition()
{
    HTREEITEM selected = Selected();
    if (CNavroDoc* doc = GetDocument(); doc && selected)
        doc->GoToDefinition(ItemText(selected));
}

// --- The context menu -------------------------------------------------------------------------

std::vector<CLeftView::ContextEntry> CLeftView::ContextEntries(HTREEITEM item) const
{
    std::vector<ContextEntry> entries;
    if (!item)
        return entries;
    // Menu texts show a name literally: "&" is no mnemonic.
    std::wstring name = zv::ReplaceAll(ItemText(item), L"&", L"&&");
    entries.push_back({0, L""});
    std::wstring text = ItemText(item);
    std::wstring definition;
    if (StartsWithBracedGuid(text) && FindGuidKey(text.substr(0, 38), definition) &&
        !zv::EqualsNoCase(definition, GetItemPath(item)))
        entries.push_back({ID_GO_TO_DEFINITION, zv::LoadResString(ID_GO_TO_DEFINITION) + L" " + name});
    if (ItemHasMoreSiblings(item))
        entries.push_back({ID_HIDE_SIBLINGS, zv::LoadResString(ID_HIDE_SIBLINGS) + L" " + name});
    if (Ctrl().GetItemState(item, TVIS_EXPANDED))
        entries.push_back({ID_COLLAPSE, zv::LoadResString(ID_COLLAPSE) + L" " + name});
    return entries;
}

void CLeftView::ShowContextMenu(POINT at, bool fromKeyboard)
{
    HTREEITEM selected = Selected();
    if (!selected)
        return;
    zv::unique_hmenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TREE_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup)
        return;
    for (const ContextEntry& entry : ContextEntries(selected))
    {
        if (entry.command == 0)
            InsertMenuW(popup, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        else
            InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, entry.command, entry.text.c_str());
    }
    if (fromKeyboard)
    {
        Ctrl().EnsureVisible(selected);
        RECT rect = {};
        TreeView_GetItemRect(m_hWnd, selected, &rect, TRUE);
        at = {rect.left, rect.bottom};
        ::ClientToScreen(m_hWnd, &at);
    }
    // Owned by the frame, so the commands take the frame's routing.
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, GetAncestor(m_hWnd, GA_ROOT), nullptr);
}

LRESULT CLeftView::OnContextMenu(UINT, WPARAM, LPARAM lParam, bool&)
{
    POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ShowContextMenu(at, at.x == -1 && at.y == -1);
    return 0;
}

LRESULT CLeftView::OnRightClick(NMHDR*)
{
    // The click acts on the item under it. Handled here, so the control
    // sends no WM_CONTEXTMENU as well: one menu per click.
    POINT at = {};
    GetCursorPos(&at);
    TVHITTESTINFO hit = {};
    hit.pt = at;
    ::ScreenToClient(m_hWnd, &hit.pt);
    if (HTREEITEM item = TreeView_HitTest(m_hWnd, &hit); item && (hit.flags & TVHT_ONITEM))
        Ctrl().SelectItem(item);
    ShowContextMenu(at, false);
    return 1;
}

void CLeftView::NewBookmark()
{
    HTREEITEM item = Selected();
    std::wstring path = item ? GetItemPath(item) : std::wstring();
    if (path.empty())
        return; // the computer is no location
    CRegItemList list;
    list.AddKeyPath(path);
    BookmarkEach(list, PromptOwner());
}

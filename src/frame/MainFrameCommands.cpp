// Main frame: the commands that belong to no pane, their status texts and
// the keyboard's accelerator rules.
#include "frame/MainFrame.h"

#include "search/SearchPaneView.h"

#include "app/AboutDlg.h"
#include "app/GotoDlg.h"
#include "app/Help.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "bookmarks/BookmarkMenu.h"
#include "app/OptionsDlg.h"
#include "app/framework/ControlBars.h"
#include "app/framework/WinApp.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "frame/AddressBar.h"
#include "tree/LeftView.h"
#include "app/RegistryACList.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

namespace
{
constexpr wchar_t kSystemEditorKey[] =
    L"CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
} // namespace

void CMainFrame::OnRefresh()
{
    if (CDocument* doc = GetActiveDocument())
        doc->UpdateAllViews(nullptr, kHintRefresh, nullptr);
}

void CMainFrame::OnHistoryStep(bool forward)
{
    if (CNavroDoc* doc = Document())
    {
        if (forward)
            doc->GoForward();
        else
            doc->GoBack();
    }
}

void CMainFrame::OnUpdateHistoryStep(CCmdUI* ui)
{
    CNavroDoc* doc = Document();
    ui->Enable(doc && doc->CanGo(ui->m_nID == ID_FORWARD));
}

void CMainFrame::OnFind()
{
    if (!m_search)
        return;
    if (!SearchPaneVisible)
        ToggleSearchPane();
    CNavroDoc* doc = Document();
    std::wstring root = doc ? doc->TakeSearchRoot() : std::wstring();
    m_search->StartSearch(nullptr, root.empty() ? nullptr : &root);
}

void CMainFrame::OnListInvalidClsids()
{
    if (!m_search)
        return;
    if (!SearchPaneVisible)
        ToggleSearchPane();
    if (SearchPaneVisible)
        m_search->StartClsidScan();
}

void CMainFrame::OnCancelSearch()
{
    if (m_search)
        m_search->CancelSearch();
}

bool CMainFrame::IsSearching() const
{
    return m_search && m_search->IsSearching();
}

void CMainFrame::OnGoToKey()
{
    CGotoDlg dialog;
    if (dialog.DoModal() == IDOK && !dialog.EnteredText.empty())
        if (CNavroDoc* doc = Document())
            doc->GoTo(nullptr, dialog.EnteredText.c_str(), true);
}

void CMainFrame::OnOptions()
{
    COptionsDlg dialog(Document());
    dialog.SaveLayout = SaveWindowLayoutOnExit == 1;
    if (dialog.DoModal() == IDOK)
        SaveWindowLayoutOnExit = dialog.SaveLayout ? 1 : 0;
}

LRESULT CMainFrame::OnHelpRequest(UINT, WPARAM, LPARAM info, bool&)
{
    // F1 on an open menu names its item; elsewhere the focused pane decides.
    const auto* request = reinterpret_cast<const HELPINFO*>(info);
    DWORD_PTR context = request && request->iContextType == HELPINFO_MENUITEM
                            ? MenuItemHelpContext(static_cast<UINT>(request->iCtrlId))
                            : PaneHelpContext(CurrentPaneState());
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(m_hWnd, context, HELP_CONTEXT);
    return TRUE;
}

void CMainFrame::OnOrganizeBookmarks()
{
    if (CNavroDoc* doc = Document())
        doc->GoTo(nullptr, kBookmarksKey, true);
}

void CMainFrame::OnUpdateOrganizeBookmarks(CCmdUI* ui)
{
    ui->Enable(KeyExists(kBookmarksKey));
    // Shown in the Bookmarks menu: the items after it come afresh from the
    // registry, and the menu's update pass goes on past them.
    if (auto* item = dynamic_cast<CMenuCmdUI*>(ui))
    {
        BookmarkMenuState state;
        state.status = [this](const std::wstring& text) { SetMessageText(text); };
        RebuildBookmarkMenu(item->m_menu, ID_ORGANIZE_BOOKMARKS, state);
        BookmarkPaths = std::move(state.paths);
        item->m_index = static_cast<UINT>(GetMenuItemCount(item->m_menu));
    }
}

void CMainFrame::OnSystemEditor()
{
    CNavroDoc* doc = Document();
    CEzReg key(kSystemEditorKey);
    key.CreateKey();
    std::wstring last = L"HKEY_" + (doc ? doc->GetCurrentPath() : std::wstring());
    key.SetValueText(L"LastKey", last, REG_SZ);
    UserPrompts().LaunchShell(m_hWnd, nullptr, L"regedit.exe", L"", SW_SHOWNORMAL);
}

void CMainFrame::OpenPage(UINT command)
{
    const wchar_t* page = command == ID_ONLINE_HELP ? kMakerWebSite
                          : command == ID_FEEDBACK  ? kMakerContactPage
                                                    : kMakerSocialPage;
    UserPrompts().LaunchShell(m_hWnd, L"open", page, L"", SW_SHOWNORMAL);
}

void CMainFrame::OnGo()
{
    if (m_addressBar)
        m_addressBar->Go();
}

void CMainFrame::Navigate(const std::wstring& location)
{
    if (CNavroDoc* doc = Document())
        doc->GoTo(nullptr, location.c_str(), true);
}

void CMainFrame::OnUpdateTitle()
{
    if (CNavroDoc* doc = Document())
        doc->UpdateTitle();
}

void CMainFrame::OnBookmark(UINT id)
{
    size_t index = id - kBookmarkIndexBase;
    if (index < BookmarkPaths.size() && !BookmarkPaths[index].empty())
        if (CNavroDoc* doc = Document())
            doc->GoTo(nullptr, BookmarkPaths[index].c_str(), true);
}

std::wstring CMainFrame::GetMessageString(UINT id) const
{
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST)
        return zv::Format(zv::LoadResString(IDS_GO_TO).c_str(), L"Saved Address");
    if (id >= ID_BOOKMARK_FIRST && id <= ID_BOOKMARK_LAST)
    {
        size_t index = id - kBookmarkIndexBase;
        std::wstring path = index < BookmarkPaths.size() ? BookmarkPaths[index] : std::wstring();
        std::wstring text = zv::Format(zv::LoadResString(IDS_GO_TO).c_str(), path.c_str());
        for (size_t tab = text.find(L'\t'); tab != std::wstring::npos; tab = text.find(L'\t', tab))
        {
            text.replace(tab, 1, L", value ");
            tab += 8;
        }
        return text;
    }
    return CFrameWnd::GetMessageString(id);
}

bool CMainFrame::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return false;
    if (CFrameWnd::PreTranslateMessage(msg))
        return true;
    bool address = AddressBarHasFocus();
    if (address && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
    {
        // Enter in the address text is Go, and nothing else: the completion
        // object of this platform takes the Enter character as typing and
        // shows its list again. Go closes the list.
        PostMessage(WM_COMMAND, IDOK, 0);
        return true;
    }
    if (!address && m_clipboardKeys && TranslateAcceleratorW(m_hWnd, m_clipboardKeys.get(), msg))
        return true;
    // The clipboard keys stay with the address text, but Alt+D still means
    // "the whole address".
    if (address && msg->message == WM_SYSKEYDOWN && msg->wParam == 'D')
    {
        FocusPane(Pane::Address);
        return true;
    }
    bool listShown =
        m_addressBar && m_addressBar->ComboBox() &&
        IsAutoCompleteListShown(m_addressBar->AutoComplete(), m_addressBar->ComboBox()->EditControl());
    if (!listShown && m_paneKeys && TranslateAcceleratorW(m_hWnd, m_paneKeys.get(), msg))
        return true;
    return false;
}

void CMainFrame::OnCopyValues()
{
    if (CLeftView* tree = TreePane())
        tree->CopyValues();
}

void CMainFrame::OnNewKey()
{
    if (CLeftView* tree = TreePane())
    {
        FocusPane(Pane::Tree);
        tree->NewKey();
    }
}

void CMainFrame::OnUpdateCopyValues(CCmdUI* ui)
{
    CLeftView* tree = TreePane();
    ui->Enable(tree && tree->Selected() != nullptr);
}

// CMainFrame: the one top-level window. Nested static splitters hold the key
// tree, the value list and the search pane; a rebar holds the main toolbar
// and the address bar. The frame owns the pane focus commands, the commands
// that belong to no pane, the layout it saves and restores, the change
// monitors of the five roots (turning their events into document hints) and
// the background tasks it runs for the panes and the document.
#pragma once

#include "app/FrameServices.h"
#include "app/framework/FrameWnd.h"
#include "app/framework/SplitterWnd.h"
#include "base/UiInbox.h"
#include "frame/PaneLayout.h"

#include "resource.h"

#include <memory>
#include <string>
#include <vector>

class CAddressContainer;
class CChngMntr;
class CLeftView;
class CNavroDoc;
class CNavroView;
class CSearchPaneView;
class CToolBar;

class CMainFrame : public CFrameWnd, public IFrameServices
{
  public:
    // The least size at which every pane stays usable (at 96 DPI; scaled).
    static constexpr SIZE kMinimumWindow = {640, 480};
    // The least height or width of a pane.
    static constexpr int kMinimumPane = 60;

    CMainFrame();
    ~CMainFrame() override;

    CLeftView* TreePane() const noexcept { return m_tree; }
    CNavroView* ValuePane() const noexcept { return m_values; }
    CSearchPaneView* SearchPane() const noexcept { return SearchPaneVisible ? m_search : nullptr; }
    CAddressContainer* AddressBar() const noexcept { return m_addressBar.get(); }
    CToolBar* MainToolbar() const noexcept { return m_toolbar.get(); }
    CReBar& Rebar() noexcept { return m_rebar; }
    CSplitterWnd& OuterSplitter() noexcept { return m_outer; }
    CSplitterWnd& InnerSplitter() noexcept { return m_inner; }
    CNavroDoc* Document() const;

    // --- Creation and life cycle (MainFrame.cpp) ---
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    bool OnCreateClient(const CREATESTRUCTW& cs, CCreateContext* context) override;

    // --- IFrameServices (MainFrameServices.cpp) ---
    void FocusPane(Pane pane) override;
    void SetStatusText(const std::wstring& text) override { CFrameWnd::SetStatusText(text); }
    void ShowProgress(int percent) override;
    // The status bar's progress bar (null until first shown).
    HWND ProgressBar() const noexcept { return m_progress; }
    void PostCommand(UINT command) override;
    void SetTitle(const std::wstring& title) override;
    void ShowLocation(const std::wstring& path) override;
    void WatchRegistry() override;
    void StartTask(Task task) override;
    void PostToUi(UiAction action) override;
    // The monitors watching now (tests look at them).
    const std::vector<std::unique_ptr<CChngMntr>>& Monitors() const noexcept { return m_monitors; }
    // Background tasks still running or results not yet applied.
    bool HasRunningTasks() const;
    const std::vector<zv::WorkerThread>& Tasks() const noexcept { return m_tasks; }

    // --- Layout and panes (MainFrameLayout.cpp) ---
    void RecalcLayout() override;
    void ToggleSearchPane();
    bool AddressBarHasFocus() const;
    // Where the pane commands stand now (for the cycle rules).
    PaneState CurrentPaneState() const;
    // Saves placement, ratios, bars and bands as closing does.
    void SaveLayout();
    // The DPI the window is laid out for.
    UINT Dpi() const;

    // --- Commands (MainFrameCommands.cpp) ---
    std::wstring GetMessageString(UINT id) const override;
    bool PreTranslateMessage(MSG* msg) override;

    int SaveWindowLayoutOnExit = 1;
    DWORD LeftPaneWidth = kAbsentSetting;
    DWORD LeftPaneHeight = kAbsentSetting;
    bool SearchPaneVisible = true;
    std::vector<std::wstring> BookmarkPaths;

    BEGIN_MSG_MAP(CMainFrame)
        MSG_WM_CREATE(OnCreate)
        MESSAGE_HANDLER(WM_CLOSE, OnCloseMessage)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroyMessage)
        MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingChange)
        MESSAGE_HANDLER(kDpiChangedMessage, OnDpiChanged)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
        MESSAGE_HANDLER(WM_HELP, OnHelpRequest)
        MESSAGE_HANDLER(kLayoutSettledMessage, OnLayoutSettled)
        MESSAGE_HANDLER(kTaskInboxMessage, OnTaskInbox)
        MESSAGE_HANDLER(CChngMntrMessage(), OnRegistryChange)
        NOTIFY_CODE_HANDLER(RBN_HEIGHTCHANGE, OnRebarHeightChange)
        CHAIN_MSG_MAP(CFrameWnd)
    END_MSG_MAP()

    BEGIN_COMMAND_MAP(CMainFrame)
        ON_COMMAND(ID_REFRESH, OnRefresh)
        ON_COMMAND(ID_BACK, [this] { OnHistoryStep(false); })
        ON_UPDATE_COMMAND_UI(ID_BACK, OnUpdateHistoryStep)
        ON_COMMAND(ID_FORWARD, [this] { OnHistoryStep(true); })
        ON_UPDATE_COMMAND_UI(ID_FORWARD, OnUpdateHistoryStep)
        ON_COMMAND(ID_GOTO_KEY, OnGoToKey)
        ON_COMMAND(ID_FIND, OnFind)
        ON_UPDATE_COMMAND_UI(ID_FIND, [this](CCmdUI* ui) { ui->Enable(!IsSearching()); })
        ON_COMMAND(ID_LIST_INVALID_CLSIDS, OnListInvalidClsids)
        ON_UPDATE_COMMAND_UI(ID_LIST_INVALID_CLSIDS, [this](CCmdUI* ui) { ui->Enable(!IsSearching()); })
        ON_COMMAND(ID_CANCEL_SEARCH, OnCancelSearch)
        ON_UPDATE_COMMAND_UI(ID_CANCEL_SEARCH,
                             [this](CCmdUI* ui) { ui->Enable(SearchPaneVisible && IsSearching()); })
        ON_COMMAND(ID_OPTIONS, OnOptions)
        ON_COMMAND(ID_ORGANIZE_BOOKMARKS, OnOrganizeBookmarks)
        ON_UPDATE_COMMAND_UI(ID_ORGANIZE_BOOKMARKS, OnUpdateOrganizeBookmarks)
        ON_COMMAND(ID_NEXT_PANE, [this] { FocusPane(NextPane(CurrentPaneState())); })
        ON_COMMAND(ID_PREVIOUS_PANE, [this] { FocusPane(PreviousPane(CurrentPaneState())); })
        ON_COMMAND(ID_LEFT_PANE, [this] { FocusPane(Pane::Tree); })
        ON_UPDATE_COMMAND_UI(ID_LEFT_PANE, OnUpdatePaneCommand)
        ON_COMMAND(ID_RIGHT_PANE, [this] { FocusPane(Pane::Values); })
        ON_UPDATE_COMMAND_UI(ID_RIGHT_PANE, OnUpdatePaneCommand)
        ON_COMMAND(ID_SEARCH_PANE, OnSearchPaneFocus)
        ON_UPDATE_COMMAND_UI(ID_SEARCH_PANE, OnUpdatePaneCommand)
        ON_COMMAND(ID_ADDRESS_FOCUS, [this] { FocusPane(Pane::Address); })
        ON_UPDATE_COMMAND_UI(ID_ADDRESS_FOCUS, OnUpdatePaneCommand)
        ON_COMMAND(ID_TOGGLE_ADDRESS_BAR, OnToggleAddressBar)
        ON_UPDATE_COMMAND_UI(ID_TOGGLE_ADDRESS_BAR, OnUpdateToggleAddressBar)
        ON_COMMAND(ID_TOGGLE_SEARCH_PANE, ToggleSearchPane)
        ON_UPDATE_COMMAND_UI(ID_TOGGLE_SEARCH_PANE, [this](CCmdUI* ui) { ui->SetCheck(SearchPaneVisible); })
        ON_COMMAND(ID_REGEDIT, OnSystemEditor)
        ON_COMMAND(ID_ONLINE_HELP, [this] { OpenPage(ID_ONLINE_HELP); })
        ON_COMMAND(ID_FEEDBACK, [this] { OpenPage(ID_FEEDBACK); })
        ON_COMMAND(ID_SOCIAL_PAGE, [this] { OpenPage(ID_SOCIAL_PAGE); })
        ON_COMMAND(ID_GO, OnGo)
        ON_COMMAND(IDOK, OnGo)
        ON_COMMAND(ID_UPDATE_TITLE, OnUpdateTitle)
        // Copy Values copies the current key's values whichever pane is
        // active: a pane that does not take it hands it on to the tree.
        ON_COMMAND(ID_COPY_VALUES, OnCopyValues)
        ON_UPDATE_COMMAND_UI(ID_COPY_VALUES, OnUpdateCopyValues)
        // New Key makes a key below the current one whichever pane is active.
        ON_COMMAND(ID_NEW_KEY, OnNewKey)
        ON_UPDATE_COMMAND_UI(ID_NEW_KEY, OnUpdateCopyValues)
        ON_COMMAND_RANGE(ID_BOOKMARK_FIRST, ID_BOOKMARK_LAST, OnBookmark)
    END_COMMAND_MAP_CHAIN(CFrameWnd)

  private:
    // Posted by background tasks when results wait in m_taskInbox.
    static constexpr UINT kTaskInboxMessage = WM_APP + 0x41;
    static constexpr UINT kLayoutSettledMessage = WM_APP + 0x42;
    // WM_DPICHANGED (the headers for older systems lack it).
    static constexpr UINT kDpiChangedMessage = 0x02E0;
    static UINT CChngMntrMessage();

    // MainFrame.cpp
    int OnCreate(const CREATESTRUCTW& cs);
    bool BuildBands();
    LRESULT OnCloseMessage(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnDestroyMessage(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnSettingChange(UINT, WPARAM, LPARAM, bool& handled);
    // The window moved to a screen of another DPI: its suggested size, bars,
    // images and fonts for that DPI.
    LRESULT OnDpiChanged(UINT, WPARAM dpis, LPARAM suggested, bool&);
    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM info, bool&);
    LRESULT OnLayoutSettled(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnRebarHeightChange(NMHDR*);
    // MainFrameCommands.cpp
    void OnCopyValues();
    void OnNewKey();
    void OnUpdateCopyValues(CCmdUI* ui);
    // MainFrameServices.cpp
    LRESULT OnTaskInbox(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnRegistryChange(UINT, WPARAM, LPARAM cookie, bool&);
    void StopBackgroundWork();
    // MainFrameLayout.cpp
    void OnUpdatePaneCommand(CCmdUI* ui);
    void OnSearchPaneFocus();
    void OnToggleAddressBar();
    void OnUpdateToggleAddressBar(CCmdUI* ui);
    bool IsFocusable(CNavroView* pane) const;
    // MainFrameCommands.cpp
    LRESULT OnHelpRequest(UINT, WPARAM, LPARAM info, bool&);
    void OnRefresh();
    void OnHistoryStep(bool forward);
    void OnUpdateHistoryStep(CCmdUI* ui);
    void OnGoToKey();
    // Shows the search pane and runs the Find dialog there.
    void OnFind();
    void OnListInvalidClsids();
    void OnCancelSearch();
    bool IsSearching() const;
    void OnOptions();
    void OnOrganizeBookmarks();
    void OnUpdateOrganizeBookmarks(CCmdUI* ui);
    void OnSystemEditor();
    void OpenPage(UINT command);
    void OnGo();
    void OnUpdateTitle();
    void OnBookmark(UINT id);
    void Navigate(const std::wstring& location);

    CSplitterWnd m_outer;
    CSplitterWnd m_inner;
    CReBar m_rebar;
    std::unique_ptr<CToolBar> m_toolbar;
    std::unique_ptr<CAddressContainer> m_addressBar;
    CStatusBar m_status;
    zv::unique_haccel m_clipboardKeys;
    zv::unique_haccel m_paneKeys;
    CLeftView* m_tree = nullptr;
    CNavroView* m_values = nullptr;
    CSearchPaneView* m_search = nullptr;
    bool m_outerCreated = false;
    std::vector<std::unique_ptr<CChngMntr>> m_monitors;
    // The panes' font after a DPI change (before one, the system's).
    zv::unique_hfont m_paneFont;
    // The DPI the last move to another screen gave; 0 before one.
    UINT m_dpi = 0;
    std::vector<zv::WorkerThread> m_tasks;
    zv::UiInbox m_taskInbox;
    HWND m_progress = nullptr;
};

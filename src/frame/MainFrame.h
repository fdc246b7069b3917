// CMainFrame: the one top-level window. Nested static splitters hold the key
// tree, the value list and the search pane; a rebar holds the main toolbar
// and the address bar. The frame owns the pane focus commands, the commands
// that belong to no pane, the layout it saves and restores, and turns
// registry change events into document hints.
#pragma once

#include "app/RecentStrings.h"
#include "app/framework/FrameWnd.h"
#include "app/framework/SplitterWnd.h"
#include "frame/PaneLayout.h"

#include "resource.h"

#include <memory>
#include <string>
#include <vector>

class CAddressContainer;
class CLeftView;
class CNavroDoc;
class CNavroView;
class CSearchPaneView;
class CToolBar;

class CMainFrame : public CFrameWnd
{
  public:
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

    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    bool OnCreateClient(const CREATESTRUCTW& cs, CCreateContext* context) override;
    void RecalcLayout() override;
    std::wstring GetMessageString(UINT id) const override;
    bool PreTranslateMessage(MSG* msg) override;
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void ToggleSearchPane();
    bool AddressBarHasFocus() const;
    // Where the pane commands stand now (for the cycle rules).
    PaneState CurrentPaneState() const;
    void FocusPane(Pane pane);
    // Saves placement, ratios, bars and bands as closing does.
    void SaveLayout();

    CRecentLocations AddressHistory;
    int SaveWindowLayoutOnExit = 1;
    DWORD LeftPaneWidth = kAbsentSetting;
    DWORD LeftPaneHeight = kAbsentSetting;
    bool SearchPaneVisible = true;
    std::vector<std::wstring> BookmarkPaths;

    BEGIN_COMMAND_MAP(CMainFrame)
        ON_COMMAND(ID_REFRESH, OnRefresh)
        ON_COMMAND(ID_BACK, [this] { OnHistoryStep(false); })
        ON_UPDATE_COMMAND_UI(ID_BACK, OnUpdateHistoryStep)
        ON_COMMAND(ID_FORWARD, [this] { OnHistoryStep(true); })
        ON_UPDATE_COMMAND_UI(ID_FORWARD, OnUpdateHistoryStep)
        ON_COMMAND(ID_GOTO_KEY, OnGoToKey)
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
        ON_COMMAND_RANGE(ID_BOOKMARK_FIRST, ID_BOOKMARK_LAST, OnBookmark)
    END_COMMAND_MAP_CHAIN(CFrameWnd)

  private:
    int OnCreateFrame();
    bool BuildBands();
    void OnClose();
    void OnRefresh();
    void OnHistoryStep(bool forward);
    void OnUpdateHistoryStep(CCmdUI* ui);
    void OnGoToKey();
    void OnOptions();
    void OnOrganizeBookmarks();
    void OnUpdateOrganizeBookmarks(CCmdUI* ui);
    void OnUpdatePaneCommand(CCmdUI* ui);
    void OnSearchPaneFocus();
    void OnToggleAddressBar();
    void OnUpdateToggleAddressBar(CCmdUI* ui);
    void OnSystemEditor();
    void OpenPage(UINT command);
    void OnGo();
    void OnUpdateTitle();
    void OnBookmark(UINT id);
    void OnAddressDropDown();
    void OnAddressPicked();
    bool IsFocusable(CNavroView* pane) const;

    CSplitterWnd m_outer;
    CSplitterWnd m_inner;
    CReBar m_rebar;
    std::unique_ptr<CToolBar> m_toolbar;
    std::unique_ptr<CAddressContainer> m_addressBar;
    CStatusBar m_status;
    HACCEL m_clipboardKeys = nullptr;
    HACCEL m_paneKeys = nullptr;
    CLeftView* m_tree = nullptr;
    CNavroView* m_values = nullptr;
    CSearchPaneView* m_search = nullptr;
    bool m_outerCreated = false;
};

// The frame of the running program, when there is one.
CMainFrame* MainFrame();

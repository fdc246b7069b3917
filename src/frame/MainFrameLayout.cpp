// Main frame: the splitters' layout, the search pane's visibility, the
// layout kept across starts and the pane focus commands.
#include "frame/MainFrame.h"

#include "base/SettingsStore.h"
#include "base/Strings.h"
#include "frame/AddressBar.h"
#include "search/SearchPaneView.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

namespace
{
constexpr wchar_t kMainWindow[] = L"MainWindow";
constexpr wchar_t kRebar[] = L"Rebar";
constexpr wchar_t kBars[] = L"Bars";
// The outer splitter's id while it is out of the layout (search pane hidden).
constexpr UINT kParkedSplitterId = AFX_IDW_PANE_FIRST + 0xF0;

void WriteMainWindow(const wchar_t* entry, DWORD value)
{
    Settings().WriteProfileInt(kMainWindow, entry, value);
}
} // namespace

void CMainFrame::RecalcLayout()
{
    CFrameWnd::RecalcLayout();
    if (m_outer.m_hWnd && SearchPaneVisible)
        m_outer.RecalcLayout();
    if (m_inner.m_hWnd)
        m_inner.RecalcLayout();
}

void CMainFrame::ToggleSearchPane()
{
    if (!m_outerCreated)
        return;
    if (SearchPaneVisible)
    {
        if (GetActiveView() == reinterpret_cast<CView*>(m_search))
            FocusPane(NextPane(CurrentPaneState()));
        // The inner splitter takes the outer one's place in the frame.
        SetWindowLongPtrW(m_outer.m_hWnd, GWLP_ID, kParkedSplitterId);
        ::SetParent(m_inner.m_hWnd, m_hWnd);
        SetWindowLongPtrW(m_inner.m_hWnd, GWLP_ID, AFX_IDW_PANE_FIRST);
        ::ShowWindow(m_outer.m_hWnd, SW_HIDE);
    }
    else
    {
        SetWindowLongPtrW(m_outer.m_hWnd, GWLP_ID, AFX_IDW_PANE_FIRST);
        ::ShowWindow(m_outer.m_hWnd, SW_SHOW);
        ::SetParent(m_inner.m_hWnd, m_outer.m_hWnd);
        SetWindowLongPtrW(m_inner.m_hWnd, GWLP_ID, m_outer.IdFromRowCol(0, 0));
        RECT rc = GetWindowRect();
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + 1,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
    }
    SearchPaneVisible = !SearchPaneVisible;
    RecalcLayout();
}

void CMainFrame::SaveLayout()
{
    WriteMainWindow(L"SaveWindowLayoutOnExit", static_cast<DWORD>(SaveWindowLayoutOnExit));
    // A window never shown (the program ran only to import a script) has
    // no layout of the user's to keep.
    if (!SaveWindowLayoutOnExit || IsIconic(m_hWnd) || IsZoomed(m_hWnd) || !m_tree ||
        !IsWindowVisible(m_hWnd))
        return;
    RECT tree = m_tree->GetWindowRect();
    RECT frame = GetWindowRect();
    WriteMainWindow(L"x", static_cast<DWORD>(frame.left));
    WriteMainWindow(L"y", static_cast<DWORD>(frame.top));
    WriteMainWindow(L"cx", static_cast<DWORD>(frame.right - frame.left));
    WriteMainWindow(L"cy", static_cast<DWORD>(frame.bottom - frame.top));
    WriteMainWindow(L"Dpi", Dpi());
    RECT client = GetClientRect();
    WriteMainWindow(L"LeftPaneWidth", EncodeRatio(tree.right - tree.left, client.right));
    WriteMainWindow(L"LeftPaneHeight", EncodeRatio(tree.bottom - tree.top, client.bottom));
    SaveBarState(kBars);
    int count = static_cast<int>(m_rebar.SendMessage(RB_GETBANDCOUNT));
    for (int i = 0; i < count; ++i)
    {
        REBARBANDINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_ID | RBBIM_SIZE;
        if (!m_rebar.SendMessage(RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&info)))
            continue;
        Settings().WriteProfileInt(kRebar, zv::Format(L"RBId%u", info.wID).c_str(), static_cast<UINT>(i));
        Settings().WriteProfileInt(kRebar, zv::Format(L"RBSize%u", info.wID).c_str(), info.cx);
    }
}

// --- Panes --------------------------------------------------------------------

bool CMainFrame::AddressBarHasFocus() const
{
    return m_addressBar && m_addressBar->HasFocus();
}

bool CMainFrame::IsFocusable(CNavroView* pane) const
{
    return pane && pane->m_hWnd && !pane->IsListEmpty();
}

PaneState CMainFrame::CurrentPaneState() const
{
    PaneState state;
    state.addressHasFocus = AddressBarHasFocus();
    CView* active = GetActiveView();
    if (active && active == m_tree)
        state.active = Pane::Tree;
    else if (active && active == m_values)
        state.active = Pane::Values;
    else if (active && active == m_search)
        state.active = Pane::Search;
    state.valuesFocusable = IsFocusable(m_values);
    state.searchVisible = SearchPaneVisible && m_search;
    state.searchFocusable = IsFocusable(m_search);
    state.addressVisible = m_addressBar && m_addressBar->IsVisible();
    return state;
}

void CMainFrame::OnSearchPaneFocus()
{
    if (!SearchPaneVisible)
        ToggleSearchPane();
    FocusPane(Pane::Search);
}

void CMainFrame::OnUpdatePaneCommand(CCmdUI* ui)
{
    bool address = AddressBarHasFocus();
    CView* active = GetActiveView();
    if (ui->m_nID == ID_ADDRESS_FOCUS)
    {
        // Enabled also while the address has the focus: it then selects the
        // whole address, so what is typed next replaces it.
        ui->SetRadio(address);
        ui->Enable(true);
        return;
    }
    CView* pane = ui->m_nID == ID_LEFT_PANE    ? static_cast<CView*>(m_tree)
                  : ui->m_nID == ID_RIGHT_PANE ? static_cast<CView*>(m_values)
                                               : static_cast<CView*>(SearchPane());
    bool current = pane && active == pane && !address;
    ui->SetRadio(current);
    if (current)
    {
        ui->Enable(false);
        return;
    }
    if (ui->m_nID == ID_LEFT_PANE)
        ui->Enable(true);
    else if (ui->m_nID == ID_RIGHT_PANE)
        ui->Enable(IsFocusable(m_values));
    else
        ui->Enable(SearchPaneVisible && IsFocusable(m_search));
}

void CMainFrame::OnToggleAddressBar()
{
    if (m_addressBar)
        ShowControlBar(m_addressBar.get(), !m_addressBar->IsVisible());
}

void CMainFrame::OnUpdateToggleAddressBar(CCmdUI* ui)
{
    ui->SetCheck(m_addressBar && m_addressBar->IsVisible());
}

// Main frame: panes, bars, layout, accelerators and frame commands.
#include "frame/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/GotoDlg.h"
#include "app/Hints.h"
#include "app/NavroDoc.h"
#include "app/OptionsDlg.h"
#include "app/Shutdown.h"
#include "app/framework/SettingsStore.h"
#include "app/framework/Strings.h"
#include "app/framework/UserPrompts.h"
#include "app/framework/WinApp.h"
#include "frame/AddressBar.h"
#include "frame/MainToolbars.h"
#include "frame/RegistryACList.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"
#include "tree/ChangeMonitor.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

namespace
{
constexpr wchar_t kMainWindow[] = L"MainWindow";
constexpr wchar_t kRebar[] = L"Rebar";
constexpr wchar_t kBars[] = L"Bars";
constexpr wchar_t kBookmarksKey[] = L"CURRENT_USER\\Software\\Quenmar Consulting\\Zorvane\\Bookmarks";
constexpr wchar_t kSystemEditorKey[] = L"CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
// The outer splitter's id while it is out of the layout (search pane hidden).
constexpr UINT kParkedSplitterId = AFX_IDW_PANE_FIRST + 0xF0;

DWORD ReadMainWindow(const wchar_t* entry)
{
    return Settings().GetProfileInt(kMainWindow, entry, kAbsentSetting);
}

void WriteMainWindow(const wchar_t* entry, DWORD value)
{
    Settings().WriteProfileInt(kMainWindow, entry, value);
}
} // namespace

CMainFrame* MainFrame()
{
    return dynamic_cast<CMainFrame*>(AfxGetMainWnd());
}

CMainFrame::CMainFrame() : AddressHistory(L"GoTo")
{
    // The rebar, the address combo box and the panes' controls.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_clipboardKeys = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_CLIPBOARD_KEYS));
    m_paneKeys = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_PANE_KEYS));
}

CMainFrame::~CMainFrame()
{
    if (m_clipboardKeys)
        DestroyAcceleratorTable(m_clipboardKeys);
    if (m_paneKeys)
        DestroyAcceleratorTable(m_paneKeys);
}

CNavroDoc* CMainFrame::Document() const
{
    if (auto* doc = dynamic_cast<CNavroDoc*>(GetActiveDocument()))
        return doc;
    return m_tree ? m_tree->GetDocument() : nullptr;
}

// --- Creation -----------------------------------------------------------------

bool CMainFrame::PreCreateWindow(CREATESTRUCTW& cs)
{
    DWORD flag = ReadMainWindow(L"SaveWindowLayoutOnExit");
    SaveWindowLayoutOnExit = flag == kAbsentSetting ? 1 : static_cast<int>(flag);
    if (flag != kAbsentSetting && flag != 0)
    {
        DWORD x = ReadMainWindow(L"x"), y = ReadMainWindow(L"y");
        DWORD cx = ReadMainWindow(L"cx"), cy = ReadMainWindow(L"cy");
        LeftPaneWidth = ReadMainWindow(L"LeftPaneWidth");
        LeftPaneHeight = ReadMainWindow(L"LeftPaneHeight");
        if (x != kAbsentSetting && y != kAbsentSetting && cx != kAbsentSetting && cy != kAbsentSetting)
        {
            cs.x = static_cast<int>(x);
            cs.y = static_cast<int>(y);
            cs.cx = static_cast<int>(cx);
            cs.cy = static_cast<int>(cy);
        }
    }
    return CFrameWnd::PreCreateWindow(cs);
}

bool CMainFrame::OnCreateClient(const CREATESTRUCTW&, CCreateContext* context)
{
    RECT client = GetClientRect();
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (width <= 0 || height <= 0)
    {
        // Creation with default placement: the client size is not known yet.
        width = 800;
        height = 560;
    }
    auto fail = [this] {
        if (m_outer.m_hWnd)
            m_outer.DestroyWindow();
        if (m_inner.m_hWnd)
            m_inner.DestroyWindow();
        m_tree = nullptr;
        m_values = nullptr;
        m_search = nullptr;
        return false;
    };
    HWND innerParent = m_hWnd;
    if (SearchPaneVisible)
    {
        if (!m_outer.CreateStatic(m_hWnd, 2, 1, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST))
            return fail();
        m_outerCreated = true;
        innerParent = m_outer.m_hWnd;
    }
    UINT innerId = SearchPaneVisible ? m_outer.IdFromRowCol(0, 0) : AFX_IDW_PANE_FIRST;
    if (!m_inner.CreateStatic(innerParent, 1, 2, WS_CHILD | WS_VISIBLE, innerId))
        return fail();
    int upper = std::max(10, RatioShare(height, LeftPaneHeight, kDefaultHeightRatio));
    int left = RatioShare(width, LeftPaneWidth, kDefaultWidthRatio);
    m_tree = static_cast<CLeftView*>(
        m_inner.CreateView(0, 0, [] { return new CLeftView; }, SIZE{left, 100}, context, this));
    if (!m_tree)
        return fail();
    m_values = static_cast<CNavroView*>(
        m_inner.CreateView(0, 1, [] { return new CNavroView; }, SIZE{10, 10}, context, this));
    if (!m_values)
        return fail();
    if (m_outerCreated)
    {
        m_search = static_cast<CSearchPaneView*>(
            m_outer.CreateView(1, 0, [] { return new CSearchPaneView; }, SIZE{100, 100}, context, this));
        if (!m_search)
            return fail();
        m_outer.SetRowInfo(0, upper, 10);
    }
    m_inner.SetColumnInfo(0, left, 0);
    SetActiveView(m_tree, false);
    return true;
}

int CMainFrame::OnCreateFrame()
{
    if (!m_status.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR))
        return -1;
    m_statusBar = &m_status;
    m_status.SetPaneText(0, zv::LoadResString(AFX_IDS_IDLEMESSAGE));
    if (!m_rebar.Create(this, RBS_BANDBORDERS, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP,
                        AFX_IDW_REBAR))
        return -1;
    BuildBands();
    RecalcLayout();
    return 0;
}

bool CMainFrame::BuildBands()
{
    if (m_toolbar)
    {
        RemoveControlBar(m_toolbar.get());
        m_toolbar->DestroyWindow();
        m_toolbar.reset();
    }
    if (m_addressBar)
    {
        RemoveControlBar(m_addressBar.get());
        m_addressBar->DestroyWindow();
        m_addressBar.reset();
    }
    m_toolbar = std::make_unique<CToolBar>();
    if (!m_toolbar->CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, AFX_IDW_TOOLBAR) ||
        !m_toolbar->LoadToolBar(MainToolbarButtons()))
        return false;
    m_addressBar = std::make_unique<CAddressContainer>();
    if (!m_addressBar->CreateBar(this))
        return false;
    for (CToolBar* bar : {m_toolbar.get(), static_cast<CToolBar*>(m_addressBar.get())})
    {
        bar->SendMessage(TB_SETSTYLE, 0, bar->SendMessage(TB_GETSTYLE) | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT);
        bar->SetBarStyle(bar->GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    }
    SetWindowLongPtrW(m_addressBar->m_hWnd, GWLP_ID, IDR_ADDRESSBAR);
    if (SaveWindowLayoutOnExit)
        LoadBarState(kBars);

    SIZE button = m_toolbar->ButtonSize();
    int ideal = 0;
    int buttons = static_cast<int>(m_toolbar->SendMessage(TB_BUTTONCOUNT));
    for (int i = 0; i < buttons; ++i)
        ideal += m_toolbar->ButtonWidth(i);
    struct Band
    {
        BandPlace place;
        CControlBar* bar;
        UINT style;
        int cxMinChild, cxIdeal, cyMinChild;
    };
    RECT frameRect = GetClientRect();
    std::vector<Band> bands = {
        {{AFX_IDW_TOOLBAR, 0, 0}, m_toolbar.get(), RBBS_BREAK | RBBS_GRIPPERALWAYS | RBBS_USECHEVRON,
         m_toolbar->ButtonWidth(0), ideal, button.cy},
        {{IDR_ADDRESSBAR, 1, static_cast<int>(frameRect.right)}, m_addressBar.get(), RBBS_BREAK | RBBS_GRIPPERALWAYS,
         200, 0, button.cy},
    };
    if (SaveWindowLayoutOnExit)
        for (Band& band : bands)
        {
            band.place.index = static_cast<int>(Settings().GetProfileInt(
                kRebar, zv::Format(L"RBId%u", band.place.id).c_str(), static_cast<UINT>(band.place.index)));
            band.place.cx = static_cast<int>(Settings().GetProfileInt(
                kRebar, zv::Format(L"RBSize%u", band.place.id).c_str(), static_cast<UINT>(band.place.cx)));
        }
    std::vector<BandPlace> order;
    for (const Band& band : bands)
        order.push_back(band.place);
    OrderBands(order);
    for (size_t i = 0; i < order.size(); ++i)
    {
        const Band& band = *std::find_if(bands.begin(), bands.end(),
                                         [&](const Band& b) { return b.place.id == order[i].id; });
        m_rebar.AddBar(band.bar, band.style);
        REBARBANDINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = RBBIM_ID | RBBIM_SIZE | RBBIM_CHILDSIZE | RBBIM_IDEALSIZE;
        info.wID = band.place.id;
        info.cx = static_cast<UINT>(std::max(0, band.place.cx));
        info.cxMinChild = static_cast<UINT>(band.cxMinChild);
        info.cyMinChild = static_cast<UINT>(band.cyMinChild);
        info.cxIdeal = static_cast<UINT>(band.cxIdeal);
        m_rebar.SendMessage(RB_SETBANDINFOW, i, reinterpret_cast<LPARAM>(&info));
    }
    // A bar hidden by the saved state keeps its band hidden too.
    for (CControlBar* bar : {static_cast<CControlBar*>(m_toolbar.get()), static_cast<CControlBar*>(m_addressBar.get())})
        if (!bar->IsVisible())
            m_rebar.SendMessage(RB_SHOWBAND, m_rebar.SendMessage(RB_IDTOINDEX, bar->BarId()), FALSE);
    return true;
}

// --- Layout -------------------------------------------------------------------

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
    if (!SaveWindowLayoutOnExit || IsIconic(m_hWnd) || IsZoomed(m_hWnd) || !m_tree)
        return;
    RECT tree = m_tree->GetWindowRect();
    RECT frame = GetWindowRect();
    WriteMainWindow(L"x", static_cast<DWORD>(frame.left));
    WriteMainWindow(L"y", static_cast<DWORD>(frame.top));
    WriteMainWindow(L"cx", static_cast<DWORD>(frame.right - frame.left));
    WriteMainWindow(L"cy", static_cast<DWORD>(frame.bottom - frame.top));
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

void CMainFrame::OnClose()
{
    SignalShutdown();
    SaveLayout();
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

void CMainFrame::FocusPane(Pane pane)
{
    switch (pane)
    {
    case Pane::Tree:
        SetActiveView(m_tree, true);
        ::SetFocus(m_tree->m_hWnd);
        break;
    case Pane::Values:
        SetActiveView(m_values, true);
        ::SetFocus(m_values->m_hWnd);
        break;
    case Pane::Search:
        if (m_search && SearchPaneVisible)
        {
            SetActiveView(m_search, true);
            ::SetFocus(m_search->m_hWnd);
        }
        break;
    case Pane::Address:
        if (m_addressBar && m_addressBar->ComboBox())
        {
            SetActiveView(m_tree, false);
            ::SetFocus(m_addressBar->ComboBox()->m_hWnd);
        }
        break;
    case Pane::None:
        break;
    }
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
        ui->SetRadio(address);
        ui->Enable(!address);
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

// --- Commands -----------------------------------------------------------------

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

void CMainFrame::OnGoToKey()
{
    CGotoDlg dialog;
    if (dialog.DoModal() == IDOK && !dialog.EnteredText.empty())
        if (CNavroDoc* doc = Document())
            doc->GoTo(nullptr, dialog.EnteredText.c_str(), true);
}

void CMainFrame::OnOptions()
{
    COptionsDlg dialog;
    dialog.SaveLayout = SaveWindowLayoutOnExit == 1;
    if (dialog.DoModal() == IDOK)
        SaveWindowLayoutOnExit = dialog.SaveLayout ? 1 : 0;
}

void CMainFrame::OnOrganizeBookmarks()
{
    if (CNavroDoc* doc = Document())
        doc->GoTo(nullptr, kBookmarksKey, true);
}

void CMainFrame::OnUpdateOrganizeBookmarks(CCmdUI* ui)
{
    ui->Enable(KeyExists(kBookmarksKey));
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
    if (!m_addressBar || !m_addressBar->ComboBox())
        return;
    std::wstring text = m_addressBar->ComboBox()->EditText();
    if (text.empty())
        return;
    AddressHistory.Load();
    AddressHistory.Add(text);
    AddressHistory.Save();
    // The completion list has done its work once the address is taken.
    if (IsAutoCompleteListShown(m_addressBar->AutoComplete()))
        ::SendMessageW(m_addressBar->ComboBox()->EditControl(), WM_KEYDOWN, VK_ESCAPE, 1);
    if (CNavroDoc* doc = Document())
        doc->GoTo(nullptr, text.c_str(), true);
}

void CMainFrame::OnAddressDropDown()
{
    CComboBoxHA* combo = m_addressBar ? m_addressBar->ComboBox() : nullptr;
    if (!combo)
        return;
    ::SendMessageW(combo->InnerCombo(), CB_RESETCONTENT, 0, 0);
    AddressHistory.Load();
    for (const std::wstring& entry : AddressHistory.Entries())
    {
        if (entry.empty())
            continue;
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = -1;
        item.pszText = const_cast<wchar_t*>(entry.c_str());
        combo->SendMessage(CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void CMainFrame::OnAddressPicked()
{
    CComboBoxHA* combo = m_addressBar ? m_addressBar->ComboBox() : nullptr;
    if (!combo)
        return;
    int selected = static_cast<int>(combo->SendMessage(CB_GETCURSEL));
    if (selected < 0)
        return;
    wchar_t text[4096] = {};
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = selected;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    if (!combo->SendMessage(CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return;
    if (CNavroDoc* doc = Document())
        doc->GoTo(nullptr, text, true);
}

void CMainFrame::OnUpdateTitle()
{
    if (CNavroDoc* doc = Document())
        doc->UpdateTitle();
}

void CMainFrame::OnBookmark(UINT id)
{
    size_t index = id - 923;
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
        size_t index = id - 923;
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

// --- Messages -----------------------------------------------------------------

bool CMainFrame::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return false;
    if (CFrameWnd::PreTranslateMessage(msg))
        return true;
    bool address = AddressBarHasFocus();
    if (address && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
    {
        // Enter in the address text is Go; the edit box still sees the key
        // so that a shown completion list closes.
        PostMessage(WM_COMMAND, IDOK, 0);
        return false;
    }
    if (!address && m_clipboardKeys && TranslateAcceleratorW(m_hWnd, m_clipboardKeys, msg))
        return true;
    bool listShown = m_addressBar && IsAutoCompleteListShown(m_addressBar->AutoComplete());
    if (!listShown && m_paneKeys && TranslateAcceleratorW(m_hWnd, m_paneKeys, msg))
        return true;
    return false;
}

bool CMainFrame::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == CChngMntr::Message())
    {
        if (!IsShuttingDown())
            if (CDocument* doc = GetActiveDocument() ? GetActiveDocument() : Document())
                doc->UpdateAllViews(nullptr, static_cast<LPARAM>(wParam), reinterpret_cast<void*>(lParam));
        result = 0;
        return true;
    }
    switch (message)
    {
    case WM_CREATE:
        CFrameWnd::ProcessWindowMessage(window, message, wParam, lParam, result);
        if (result != -1)
            result = OnCreateFrame();
        return true;
    case WM_CLOSE:
        OnClose();
        return false; // the default closing follows
    case WM_SETTINGCHANGE:
        if (m_rebar.m_hWnd && m_rebar.BandCount() > 0)
        {
            while (m_rebar.BandCount() > 0)
                m_rebar.SendMessage(RB_DELETEBAND, 0);
            BuildBands();
            RecalcLayout();
        }
        return false;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_ADDRESS_COMBO && lParam)
        {
            if (HIWORD(wParam) == CBN_DROPDOWN)
                OnAddressDropDown();
            else if (HIWORD(wParam) == CBN_SELENDOK)
                OnAddressPicked();
            result = 0;
            return true;
        }
        break;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->code == RBN_HEIGHTCHANGE)
        {
            RecalcLayout();
            result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return CFrameWnd::ProcessWindowMessage(window, message, wParam, lParam, result);
}

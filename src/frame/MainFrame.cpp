// Main frame: creation of the panes and bands, closing and destruction.
#include "frame/MainFrame.h"

#include "app/framework/DpiImages.h"

#include "app/NavroDoc.h"
#include "base/Log.h"
#include "base/SettingsStore.h"
#include "base/Shutdown.h"
#include "base/Strings.h"
#include "frame/AddressBar.h"
#include "frame/MainToolbars.h"
#include "search/SearchPaneView.h"
#include "registry/ChangeMonitor.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

#include <algorithm>

namespace
{
constexpr wchar_t kMainWindow[] = L"MainWindow";
constexpr wchar_t kRebar[] = L"Rebar";
constexpr wchar_t kBars[] = L"Bars";

DWORD ReadMainWindow(const wchar_t* entry)
{
    return Settings().GetProfileInt(kMainWindow, entry, kAbsentSetting);
}
} // namespace

CMainFrame::CMainFrame()
{
    // The rebar, the address combo box and the panes' controls.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES |
                                                           ICC_BAR_CLASSES | ICC_USEREX_CLASSES |
                                                           ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_clipboardKeys.reset(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_CLIPBOARD_KEYS)));
    m_paneKeys.reset(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_PANE_KEYS)));
}

CMainFrame::~CMainFrame()
{
    StopBackgroundWork();
}

CNavroDoc* CMainFrame::Document() const
{
    if (auto* doc = dynamic_cast<CNavroDoc*>(GetActiveDocument()))
        return doc;
    return m_tree ? m_tree->GetDocument() : nullptr;
}

UINT CMainFrame::CChngMntrMessage()
{
    return CChngMntr::Message();
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
            // A size stored on a screen of another DPI keeps its look here,
            // and a stored size the window could not be dragged to is fitted.
            UINT dpi = WindowDpi(nullptr);
            SIZE size = PlacementSizeForDpi(SIZE{static_cast<int>(cx), static_cast<int>(cy)},
                                            ReadMainWindow(L"Dpi"), dpi);
            RECT area = {};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
            size = FitStoredSize(size,
                                 SIZE{ScaleToDpi(kMinimumWindow.cx, dpi), ScaleToDpi(kMinimumWindow.cy, dpi)},
                                 SIZE{area.right - area.left, area.bottom - area.top});
            cs.cx = size.cx;
            cs.cy = size.cy;
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
        width = ScaleToDpi(800, Dpi());
        height = ScaleToDpi(560, Dpi());
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
    if (context && context->document)
        if (auto* doc = dynamic_cast<CNavroDoc*>(context->document))
            doc->SetFrameServices(this);
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
    // Each pane learns of the frame before its first update.
    m_tree = static_cast<CLeftView*>(m_inner.CreateView(
        0, 0,
        [this] {
            auto* view = new CLeftView;
            view->SetFrameServices(this);
            return view;
        },
        SIZE{left, 100}, context, this));
    if (!m_tree)
        return fail();
    m_values = static_cast<CNavroView*>(m_inner.CreateView(
        0, 1,
        [this] {
            auto* view = new CNavroView;
            view->SetFrameServices(this);
            return view;
        },
        SIZE{10, 10}, context, this));
    if (!m_values)
        return fail();
    if (m_outerCreated)
    {
        m_search = static_cast<CSearchPaneView*>(m_outer.CreateView(
            1, 0,
            [this] {
                auto* view = new CSearchPaneView;
                view->SetFrameServices(this);
                return view;
            },
            SIZE{100, 100}, context, this));
        if (!m_search)
            return fail();
        m_outer.SetRowInfo(0, upper, kMinimumPane);
        m_outer.SetRowInfo(1, 0, kMinimumPane);
    }
    m_inner.SetColumnInfo(0, left, kMinimumPane);
    m_inner.SetColumnInfo(1, 0, kMinimumPane);
    // The panes keep their shares from the first size change after start-up
    // on; the bars settling at start-up do not count.
    PostMessage(kLayoutSettledMessage);
    SetActiveView(m_tree, false);
    return true;
}

int CMainFrame::OnCreate(const CREATESTRUCTW& cs)
{
    m_taskInbox.Open(m_hWnd, kTaskInboxMessage);
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    if (!m_status.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR))
        return -1;
    m_statusBar = &m_status;
    m_status.SetPaneText(0, zv::LoadResString(AFX_IDS_IDLEMESSAGE));
    if (!m_rebar.Create(this, RBS_BANDBORDERS,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP, AFX_IDW_REBAR))
        return -1;
    if (!BuildBands())
    {
        Log(L"The toolbar and the address bar could not be made.");
        return -1;
    }
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
    m_addressBar->Navigate = [this](const std::wstring& location) { Navigate(location); };
    if (!m_addressBar->CreateBar(this))
        return false;
    for (CToolBar* bar : {m_toolbar.get(), static_cast<CToolBar*>(m_addressBar.get())})
    {
        bar->SendMessage(TB_SETSTYLE, 0, bar->SendMessage(TB_GETSTYLE) | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT);
        bar->SetBarStyle(bar->GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    }
    SetWindowLongPtrW(m_addressBar->m_hWnd, GWLP_ID, IDR_ADDRESSBAR);
    if (m_dpi)
        for (CToolBar* bar : {m_toolbar.get(), static_cast<CToolBar*>(m_addressBar.get())})
            bar->LoadImages(m_dpi);
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
    // The address bar's least width that still shows a usable path.
    const int kAddressMinWidth = ScaleToDpi(200, Dpi());
    std::vector<Band> bands = {
        {{AFX_IDW_TOOLBAR, 0, 0},
         m_toolbar.get(),
         RBBS_BREAK | RBBS_GRIPPERALWAYS | RBBS_USECHEVRON,
         m_toolbar->ButtonWidth(0),
         ideal,
         button.cy},
        {{IDR_ADDRESSBAR, 1, static_cast<int>(frameRect.right)},
         m_addressBar.get(),
         RBBS_BREAK | RBBS_GRIPPERALWAYS,
         kAddressMinWidth,
         0,
         button.cy},
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
    for (CControlBar* bar :
         {static_cast<CControlBar*>(m_toolbar.get()), static_cast<CControlBar*>(m_addressBar.get())})
        if (!bar->IsVisible())
            m_rebar.SendMessage(RB_SHOWBAND, m_rebar.SendMessage(RB_IDTOINDEX, bar->BarId()), FALSE);
    return true;
}

// --- Messages -----------------------------------------------------------------

LRESULT CMainFrame::OnCloseMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    SignalShutdown();
    SaveLayout();
    handled = false; // the default closing follows
    return 0;
}

LRESULT CMainFrame::OnDestroyMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    // Nothing of ours runs in the background once the window is gone.
    StopBackgroundWork();
    handled = false;
    return 0;
}

LRESULT CMainFrame::OnSettingChange(UINT, WPARAM, LPARAM, bool& handled)
{
    if (m_rebar.m_hWnd && m_rebar.BandCount() > 0)
    {
        while (m_rebar.BandCount() > 0)
            m_rebar.SendMessage(RB_DELETEBAND, 0);
        if (!BuildBands())
            Log(L"The toolbar and the address bar could not be made again after a setting changed.");
        RecalcLayout();
    }
    handled = false;
    return 0;
}

UINT CMainFrame::Dpi() const
{
    return m_dpi ? m_dpi : WindowDpi(m_hWnd);
}

LRESULT CMainFrame::OnDpiChanged(UINT, WPARAM dpis, LPARAM suggested, bool&)
{
    UINT dpi = HIWORD(dpis);
    m_dpi = dpi;
    m_outer.SetDpi(dpi);
    m_inner.SetDpi(dpi);
    if (const auto* rect = reinterpret_cast<const RECT*>(suggested))
        SetWindowPos(m_hWnd, nullptr, rect->left, rect->top, rect->right - rect->left,
                     rect->bottom - rect->top, SWP_NOZORDER | SWP_NOACTIVATE);
    m_paneFont.reset(MessageFontForDpi(dpi));
    for (CWnd* pane :
         {static_cast<CWnd*>(m_tree), static_cast<CWnd*>(m_values), static_cast<CWnd*>(m_search)})
        if (pane && pane->m_hWnd && m_paneFont)
            pane->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_paneFont.get()), TRUE);
    if (m_tree)
        m_tree->LoadImages(dpi);
    if (m_values)
        m_values->LoadImages(dpi);
    if (m_search)
        m_search->LoadImages(dpi);
    // The bars are made anew, with the images drawn for the new DPI.
    bool handled = false;
    OnSettingChange(WM_SETTINGCHANGE, 0, 0, handled);
    return 0;
}

LRESULT CMainFrame::OnLayoutSettled(UINT, WPARAM, LPARAM, bool&)
{
    m_outer.KeepProportions(true);
    m_inner.KeepProportions(true);
    return 0;
}

LRESULT CMainFrame::OnGetMinMaxInfo(UINT, WPARAM, LPARAM info, bool&)
{
    auto* limits = reinterpret_cast<MINMAXINFO*>(info);
    UINT dpi = Dpi();
    limits->ptMinTrackSize.x = ScaleToDpi(kMinimumWindow.cx, dpi);
    limits->ptMinTrackSize.y = ScaleToDpi(kMinimumWindow.cy, dpi);
    return 0;
}

LRESULT CMainFrame::OnRebarHeightChange(NMHDR*)
{
    RecalcLayout();
    return 0;
}

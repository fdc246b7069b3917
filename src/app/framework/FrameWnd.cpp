// Frame window: creation, layout, routing, update states and status texts.
#include "app/framework/FrameWnd.h"

#include "app/framework/DocTemplate.h"

#include "app/framework/Document.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"

#include <algorithm>

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd()
{
    if (m_menu && !m_hWnd)
        ::DestroyMenu(m_menu);
    if (m_accelerators)
        ::DestroyAcceleratorTable(m_accelerators);
}

bool CFrameWnd::PreCreateWindow(CREATESTRUCTW&)
{
    return true;
}

bool CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CCreateContext* context, HWND parent)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    m_resourceId = resourceId;
    m_menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(resourceId));
    m_accelerators = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(resourceId));
    HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(resourceId));
    std::wstring title = zv::LoadResString(AFX_IDS_APP_TITLE);
    CREATESTRUCTW cs = {};
    cs.style = style;
    cs.x = CW_USEDEFAULT;
    cs.y = CW_USEDEFAULT;
    cs.cx = CW_USEDEFAULT;
    cs.cy = CW_USEDEFAULT;
    cs.hMenu = m_menu;
    cs.hwndParent = parent;
    cs.lpszName = title.c_str();
    if (!PreCreateWindow(cs))
        return false;
    m_pendingContext = context;
    bool ok = CreateEx(cs.dwExStyle, FrameworkClassName(L"Frame").c_str(), cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent,
                       reinterpret_cast<UINT_PTR>(cs.hMenu), icon, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    m_pendingContext = nullptr;
    return ok;
}

int CFrameWnd::OnCreate(const CREATESTRUCTW& cs)
{
    return OnCreateClient(cs, m_pendingContext) ? 0 : -1;
}

bool CFrameWnd::OnCreateClient(const CREATESTRUCTW&, CCreateContext* context)
{
    if (!context || !context->newView)
        return true;
    return CreateView(context, m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 0, 0}) != nullptr;
}

CView* CFrameWnd::CreateView(CCreateContext* context, HWND parent, UINT id, const RECT& rect,
                             std::function<CView*()> factory)
{
    std::function<CView*()> make = factory ? factory : (context ? context->newView : nullptr);
    if (!make)
        return nullptr;
    CView* view = make();
    if (!view)
        return nullptr;
    view->m_pFrame = this;
    view->m_autoDelete = true;
    if (context && context->document)
        context->document->AddView(view);
    if (!view->CreateView(parent, id, rect))
    {
        delete view;
        return nullptr;
    }
    return view;
}

void CFrameWnd::InitialUpdateFrame(CDocument* document, bool makeVisible)
{
    if (document)
    {
        std::vector<CView*> views = document->Views();
        for (CView* view : views)
            view->OnInitialUpdate();
        if (!m_activeView && !views.empty())
            SetActiveView(views.front(), true);
    }
    if (makeVisible)
    {
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::UpdateWindow(m_hWnd);
    }
}

void CFrameWnd::SetActiveView(CView* view, bool notify)
{
    CView* old = m_activeView;
    if (old == view)
    {
        if (view && notify)
            ::SetFocus(view->m_hWnd);
        return;
    }
    m_activeView = view;
    if (old)
        old->OnActivateView(false, view, old);
    if (view)
    {
        view->OnActivateView(true, view, old);
        if (notify)
            ::SetFocus(view->m_hWnd);
    }
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    if (m_activeView)
        return m_activeView->GetDocument();
    return nullptr;
}

bool CFrameWnd::RouteCommand(UINT id, CCmdUI* ui)
{
    bool handled = false;
    if (CView* view = m_activeView)
    {
        handled = view->OnCmdMsg(id, ui);
        if (!handled)
            if (CDocument* document = view->GetDocument())
                handled = document->OnCmdMsg(id, ui);
    }
    if (!handled)
        handled = OnCmdMsg(id, ui);
    if (!handled)
        if (CWinApp* app = AfxGetApp())
            handled = app->OnCmdMsg(id, ui);
    if (ui)
        ui->m_handled = handled;
    return handled;
}

void CFrameWnd::UpdateCommandUI(CCmdUI& ui)
{
    if (!RouteCommand(ui.m_nID, &ui))
        ui.Enable(false);
}

void CFrameWnd::OnUpdateMenu(HMENU popup)
{
    for (UINT i = 0; i < static_cast<UINT>(::GetMenuItemCount(popup)); ++i)
    {
        UINT id = ::GetMenuItemID(popup, static_cast<int>(i));
        if (id == 0 || id == static_cast<UINT>(-1))
            continue;
        CMenuCmdUI ui(popup, i, id);
        UpdateCommandUI(ui);
        // An update handler may insert items (the recent-file list) and
        // moves the index past them.
        i = ui.m_index;
    }
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    for (CControlBar* bar : m_bars)
    {
        auto* toolbar = dynamic_cast<CToolBar*>(bar);
        if (!toolbar || !toolbar->IsVisible())
            continue;
        for (UINT id : toolbar->ButtonIds())
        {
            if (id == 0)
                continue;
            CToolCmdUI ui(toolbar->m_hWnd, id);
            UpdateCommandUI(ui);
        }
    }
}

void CFrameWnd::AddControlBar(CControlBar* bar)
{
    if (std::find(m_bars.begin(), m_bars.end(), bar) == m_bars.end())
        m_bars.push_back(bar);
}

void CFrameWnd::RemoveControlBar(CControlBar* bar)
{
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), bar), m_bars.end());
    if (m_statusBar == bar)
        m_statusBar = nullptr;
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const
{
    for (CControlBar* bar : m_bars)
        if (bar->m_hWnd && bar->BarId() == id)
            return bar;
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, bool show)
{
    if (!bar || !bar->m_hWnd)
        return;
    if (bar->m_inRebar)
    {
        // A bar in a rebar is shown and hidden with its band.
        HWND rebar = ::GetParent(bar->m_hWnd);
        int index = static_cast<int>(::SendMessageW(rebar, RB_IDTOINDEX, bar->BarId(), 0));
        if (index >= 0)
            ::SendMessageW(rebar, RB_SHOWBAND, static_cast<WPARAM>(index), show ? TRUE : FALSE);
    }
    ::ShowWindow(bar->m_hWnd, show ? SW_SHOWNOACTIVATE : SW_HIDE);
    RecalcLayout();
}

void CFrameWnd::OnBarCheck(UINT id)
{
    CControlBar* bar = GetControlBar(id);
    if (bar)
        ShowControlBar(bar, !bar->IsVisible());
}

void CFrameWnd::OnUpdateBarCheck(CCmdUI* ui)
{
    CControlBar* bar = GetControlBar(ui->m_nID);
    if (!bar)
    {
        ui->m_handled = false;
        ui->Enable(false);
        return;
    }
    ui->Enable(true);
    ui->SetCheck(bar->IsVisible() ? 1 : 0);
}

void CFrameWnd::SaveBarState(const wchar_t* section) const
{
    for (CControlBar* bar : m_bars)
        if (bar->m_hWnd)
            Settings().WriteProfileInt(section, zv::Format(L"Bar%u", bar->BarId()).c_str(), bar->IsVisible() ? 1 : 0);
}

void CFrameWnd::LoadBarState(const wchar_t* section)
{
    for (CControlBar* bar : m_bars)
    {
        if (!bar->m_hWnd)
            continue;
        UINT visible = Settings().GetProfileInt(section, zv::Format(L"Bar%u", bar->BarId()).c_str(), 2);
        if (visible == 0 || visible == 1)
            ShowControlBar(bar, visible == 1);
    }
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT client = GetClientRect();
    int top = client.top, bottom = client.bottom, width = client.right - client.left;
    for (CControlBar* bar : m_bars)
    {
        if (!bar->m_hWnd || bar->m_inRebar || !bar->IsVisible() || ::GetParent(bar->m_hWnd) != m_hWnd)
            continue;
        int height = bar->CalcHeight(width);
        if (bar->GetBarStyle() & CBRS_ALIGN_BOTTOM)
        {
            bottom -= height;
            ::MoveWindow(bar->m_hWnd, 0, bottom, width, height, TRUE);
        }
        else
        {
            ::MoveWindow(bar->m_hWnd, 0, top, width, height, TRUE);
            top += height;
        }
    }
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))
        ::MoveWindow(pane, 0, top, width, bottom > top ? bottom - top : 0, TRUE);
}

std::wstring CFrameWnd::GetMessageString(UINT id) const
{
    std::wstring text = zv::LoadResString(id);
    size_t newline = text.find(L'\n');
    return newline == std::wstring::npos ? text : text.substr(0, newline);
}

void CFrameWnd::SetMessageText(const std::wstring& text)
{
    if (m_statusBar && m_statusBar->m_hWnd)
        m_statusBar->SetPaneText(0, text);
}

void CFrameWnd::SetStatusText(const std::wstring& text)
{
    // Workers call this from their own threads; the message runs it on ours.
    if (m_hWnd)
        ::SendMessageW(m_hWnd, WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool CFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_accelerators)
        return ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg) != 0;
    return false;
}

bool CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    UINT code = HIWORD(wParam);
    if (lParam && code != BN_CLICKED)
        return false; // a control's notification nobody handled
    if (code == 1)
    {
        // An accelerator reaches its command only while that command is enabled.
        CCmdUI ui(id);
        if (!RouteCommand(id, &ui) || !ui.m_enabled)
            return true;
    }
    RouteCommand(id, nullptr);
    return true;
}

bool CFrameWnd::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_CREATE:
        result = OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lParam));
        return true;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            RecalcLayout();
        result = 0;
        return true;
    case WM_COMMAND:
        if (OnCommand(wParam, lParam))
        {
            result = 0;
            return true;
        }
        return false;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam))
            OnUpdateMenu(reinterpret_cast<HMENU>(wParam));
        result = 0;
        return true;
    case WM_MENUSELECT: {
        UINT flags = HIWORD(wParam);
        if (flags == 0xFFFF && !lParam)
        {
            m_inMenu = false;
            SetMessageText(zv::LoadResString(AFX_IDS_IDLEMESSAGE));
        }
        else if (!(flags & (MF_POPUP | MF_SEPARATOR)))
        {
            m_inMenu = true;
            SetMessageText(GetMessageString(LOWORD(wParam)));
        }
        result = 0;
        return true;
    }
    case WM_SETMESSAGESTRING:
        SetMessageText(lParam ? std::wstring(reinterpret_cast<const wchar_t*>(lParam))
                              : GetMessageString(static_cast<UINT>(wParam)));
        result = 0;
        return true;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code == TTN_GETDISPINFOW)
        {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            if (!(info->uFlags & TTF_IDISHWND))
            {
                std::wstring text = zv::LoadResString(static_cast<UINT>(header->idFrom));
                size_t newline = text.find(L'\n');
                static thread_local std::wstring tip;
                tip = newline == std::wstring::npos ? text : text.substr(newline + 1);
                info->lpszText = const_cast<wchar_t*>(tip.c_str());
                result = 0;
                return true;
            }
        }
        if (header->code == TBN_HOTITEMCHANGE)
        {
            auto* hot = reinterpret_cast<NMTBHOTITEM*>(lParam);
            SetMessageText((hot->dwFlags & HICF_LEAVING) ? zv::LoadResString(AFX_IDS_IDLEMESSAGE)
                                                         : GetMessageString(static_cast<UINT>(hot->idNew)));
            result = 0;
            return true;
        }
        return false;
    }
    case WM_SETFOCUS:
        if (m_activeView && m_activeView->m_hWnd)
            ::SetFocus(m_activeView->m_hWnd);
        result = 0;
        return true;
    case WM_DESTROY:
        if (CWinApp* app = AfxGetApp())
            if (app->m_pMainWnd == this)
                ::PostQuitMessage(0);
        return false;
    default:
        return false;
    }
}

void CFrameWnd::OnFinalMessage(HWND)
{
    if (CWinApp* app = AfxGetApp())
        if (app->m_pMainWnd == this)
            app->m_pMainWnd = nullptr;
    m_menu = nullptr; // destroyed with the window
    if (m_docTemplate)
        m_docTemplate->FrameGone(this);
    if (m_autoDelete)
        delete this;
}

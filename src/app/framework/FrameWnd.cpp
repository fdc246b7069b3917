// Frame window: creation, its views, activation and its messages.
#include "app/framework/FrameWnd.h"

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"

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
    bool ok = CreateEx(cs.dwExStyle, FrameworkClassName(L"Frame").c_str(), cs.lpszName, cs.style, cs.x, cs.y,
                       cs.cx, cs.cy, cs.hwndParent, reinterpret_cast<UINT_PTR>(cs.hMenu), icon,
                       reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
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

// --- Messages -----------------------------------------------------------------

LRESULT CFrameWnd::OnSizeMessage(UINT, WPARAM type, LPARAM, bool&)
{
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
    return 0;
}

LRESULT CFrameWnd::OnCommandMessage(UINT, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = OnCommand(wParam, lParam);
    return 0;
}

LRESULT CFrameWnd::OnInitMenuPopup(UINT, WPARAM menu, LPARAM lParam, bool&)
{
    if (!HIWORD(lParam)) // not the system menu
        OnUpdateMenu(reinterpret_cast<HMENU>(menu));
    return 0;
}

LRESULT CFrameWnd::OnMenuSelect(UINT, WPARAM wParam, LPARAM lParam, bool&)
{
    UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && !lParam)
    {
        // The menu closed.
        m_inMenu = false;
        SetMessageText(zv::LoadResString(AFX_IDS_IDLEMESSAGE));
    }
    else if (!(flags & (MF_POPUP | MF_SEPARATOR)))
    {
        m_inMenu = true;
        SetMessageText(GetMessageString(LOWORD(wParam)));
    }
    return 0;
}

LRESULT CFrameWnd::OnSetMessageString(UINT, WPARAM id, LPARAM text, bool&)
{
    SetMessageText(text ? std::wstring(reinterpret_cast<const wchar_t*>(text))
                        : GetMessageString(static_cast<UINT>(id)));
    return 0;
}

LRESULT CFrameWnd::OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TTN_GETDISPINFOW)
    {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (!(info->uFlags & TTF_IDISHWND))
        {
            // A toolbar button's tip: the part of its string after the newline.
            std::wstring text = zv::LoadResString(static_cast<UINT>(header->idFrom));
            size_t newline = text.find(L'\n');
            static thread_local std::wstring tip;
            tip = newline == std::wstring::npos ? text : text.substr(newline + 1);
            info->lpszText = const_cast<wchar_t*>(tip.c_str());
            return 0;
        }
    }
    if (header->code == TBN_HOTITEMCHANGE)
    {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(lParam);
        SetMessageText((hot->dwFlags & HICF_LEAVING) ? zv::LoadResString(AFX_IDS_IDLEMESSAGE)
                                                     : GetMessageString(static_cast<UINT>(hot->idNew)));
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CFrameWnd::OnSetFocusMessage(UINT, WPARAM, LPARAM, bool&)
{
    if (m_activeView && m_activeView->m_hWnd)
        ::SetFocus(m_activeView->m_hWnd);
    return 0;
}

LRESULT CFrameWnd::OnDestroyMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    if (CWinApp* app = AfxGetApp())
        if (app->m_pMainWnd == this)
            ::PostQuitMessage(0);
    handled = false;
    return 0;
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

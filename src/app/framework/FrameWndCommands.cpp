// Frame window: command routing, pulled update states for menus and
// toolbars, and accelerators of disabled commands.
#include "app/framework/FrameWnd.h"

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"

#include <algorithm>

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

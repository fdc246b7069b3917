// Frame window: control bars, their visibility, the layout and status texts.
#include "app/framework/FrameWnd.h"

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/View.h"
#include "app/framework/WinApp.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"

#include <algorithm>

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
            Settings().WriteProfileInt(section, zv::Format(L"Bar%u", bar->BarId()).c_str(),
                                       bar->IsVisible() ? 1 : 0);
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
        // This platform's status bar leaves its old size grip drawn where the
        // bar used to end: the whole bar draws itself again.
        ::InvalidateRect(bar->m_hWnd, nullptr, TRUE);
    }
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))
        ::SetWindowPos(pane, nullptr, 0, top, width, bottom > top ? bottom - top : 0,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
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

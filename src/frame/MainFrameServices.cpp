// Main frame: what it does for the panes and the document, the change
// monitors it owns and the background tasks it runs.
#include "frame/MainFrame.h"

#include "app/NavroDoc.h"
#include "app/framework/DpiImages.h"
#include "base/Shutdown.h"
#include "frame/AddressBar.h"
#include "registry/RootKeys.h"
#include "search/SearchPaneView.h"
#include "app/Hints.h"
#include "registry/ChangeMonitor.h"
#include "tree/LeftView.h"
#include "values/NavroView.h"

#include <algorithm>

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
            // The whole text, also when the address bar had the focus already:
            // what is typed next replaces it.
            if (HWND edit = m_addressBar->ComboBox()->EditControl())
                ::SendMessageW(edit, EM_SETSEL, 0, -1);
        }
        break;
    case Pane::None:
        break;
    }
}

void CMainFrame::PostCommand(UINT command)
{
    if (m_hWnd)
        PostMessage(WM_COMMAND, command, 0);
}

void CMainFrame::SetTitle(const std::wstring& title)
{
    if (m_hWnd)
        SetWindowText(title);
}

void CMainFrame::ShowLocation(const std::wstring& path)
{
    if (m_addressBar)
        m_addressBar->ShowLocation(path);
}

// --- Change monitors ------------------------------------------------------------

void CMainFrame::WatchRegistry()
{
    if (!m_monitors.empty())
        return;
    for (int i = 0; i < kRootCount; ++i)
    {
        // The cookie is the monitor's index: an event still queued when the
        // monitors are gone finds nothing.
        auto monitor = std::make_unique<CChngMntr>(m_hWnd, RootName(i), static_cast<LPARAM>(i + 1));
        monitor->Start();
        m_monitors.push_back(std::move(monitor));
    }
}

LRESULT CMainFrame::OnRegistryChange(UINT, WPARAM hint, LPARAM cookie, bool&)
{
    if (IsShuttingDown() || cookie < 1 || static_cast<size_t>(cookie) > m_monitors.size())
        return 0;
    const RegistryChangedHint changed(m_monitors[static_cast<size_t>(cookie - 1)]->RootName());
    if (CDocument* doc = GetActiveDocument() ? GetActiveDocument() : Document())
        doc->UpdateAllViews(nullptr, static_cast<LPARAM>(hint), &changed);
    return 0;
}

// --- Background tasks -------------------------------------------------------------

void CMainFrame::StartTask(Task task)
{
    m_tasks.erase(std::remove_if(m_tasks.begin(), m_tasks.end(),
                                 [](const zv::WorkerThread& thread) { return !thread.IsRunning(); }),
                  m_tasks.end());
    zv::WorkerThread thread =
        zv::StartWorkerThread([this, task = std::move(task)](const zv::StopToken& stop) {
            UiAction action = task(stop);
            if (action && !stop.StopRequested())
                m_taskInbox.Post(std::move(action));
            return 0u;
        });
    if (thread)
        m_tasks.push_back(std::move(thread));
}

void CMainFrame::PostToUi(UiAction action)
{
    m_taskInbox.Post(std::move(action));
}

bool CMainFrame::HasRunningTasks() const
{
    return m_taskInbox.Pending() > 0 || std::any_of(m_tasks.begin(), m_tasks.end(),
                                                    [](const zv::WorkerThread& t) { return t.IsRunning(); });
}

LRESULT CMainFrame::OnTaskInbox(UINT, WPARAM, LPARAM, bool&)
{
    m_taskInbox.Drain();
    return 0;
}

void CMainFrame::StopBackgroundWork()
{
    for (zv::WorkerThread& thread : m_tasks)
        thread.RequestStop();
    for (auto& monitor : m_monitors)
        monitor->Stop();
    for (zv::WorkerThread& thread : m_tasks)
        thread.Join();
    m_tasks.clear();
    m_taskInbox.Close();
    m_monitors.clear();
}

void CMainFrame::ShowProgress(int percent)
{
    if (!m_statusBar || !m_statusBar->m_hWnd)
        return;
    if (percent < 0)
    {
        if (m_progress)
            ::ShowWindow(m_progress, SW_HIDE);
        return;
    }
    if (!m_progress)
        m_progress = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0,
                                       m_statusBar->m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!m_progress)
        return;
    // The right part of the status bar, clear of the size grip.
    RECT bar = {};
    ::GetClientRect(m_statusBar->m_hWnd, &bar);
    int height = bar.bottom - bar.top;
    int width = std::min(ScaleToDpi(200, Dpi()), static_cast<int>(bar.right) / 3);
    ::SetWindowPos(m_progress, HWND_TOP, bar.right - width - height, 2, width, height - 4, SWP_SHOWWINDOW);
    ::SendMessageW(m_progress, PBM_SETPOS, static_cast<WPARAM>(std::min(percent, 100)), 0);
}

// Static splitter layout and bar dragging.
#include "app/framework/SplitterWnd.h"

#include "app/framework/DpiImages.h"

#include <algorithm>

#include "app/framework/FrameWnd.h"
#include "app/framework/View.h"

#include <windowsx.h>

bool CSplitterWnd::CreateStatic(HWND parent, int rows, int columns, DWORD style, UINT id)
{
    if (rows < 1 || columns < 1 || rows > 16 || columns > 16)
        return false;
    m_rows.assign(static_cast<size_t>(rows), Track{});
    m_columns.assign(static_cast<size_t>(columns), Track{});
    // Created empty: the parent's layout sizes it, and the size change lays out the panes.
    return CreateEx(0, FrameworkClassName(L"Splitter").c_str(), L"", style | WS_CLIPCHILDREN,
                    RECT{0, 0, 0, 0}, parent, id, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

CView* CSplitterWnd::CreateView(int row, int column, std::function<CView*()> factory, SIZE ideal,
                                CCreateContext* context, CFrameWnd* frame)
{
    if (row < 0 || row >= GetRowCount() || column < 0 || column >= GetColumnCount() || !frame)
        return nullptr;
    m_rows[static_cast<size_t>(row)].ideal = ideal.cy;
    m_columns[static_cast<size_t>(column)].ideal = ideal.cx;
    CView* view = frame->CreateView(context, m_hWnd, IdFromRowCol(row, column),
                                    RECT{0, 0, ideal.cx, ideal.cy}, std::move(factory));
    return view;
}

HWND CSplitterWnd::GetPaneWindow(int row, int column) const
{
    return ::GetDlgItem(m_hWnd, static_cast<int>(IdFromRowCol(row, column)));
}

void CSplitterWnd::SetRowInfo(int row, int ideal, int minimum)
{
    if (row >= 0 && row < GetRowCount())
        m_rows[static_cast<size_t>(row)] = {ideal, minimum, m_rows[static_cast<size_t>(row)].current};
}

void CSplitterWnd::SetColumnInfo(int column, int ideal, int minimum)
{
    if (column >= 0 && column < GetColumnCount())
        m_columns[static_cast<size_t>(column)] = {ideal, minimum,
                                                  m_columns[static_cast<size_t>(column)].current};
}

void CSplitterWnd::GetRowInfo(int row, int& current, int& minimum) const
{
    current = m_rows.at(static_cast<size_t>(row)).current;
    minimum = m_rows.at(static_cast<size_t>(row)).minimum;
}

void CSplitterWnd::GetColumnInfo(int column, int& current, int& minimum) const
{
    current = m_columns.at(static_cast<size_t>(column)).current;
    minimum = m_columns.at(static_cast<size_t>(column)).minimum;
}

int CSplitterWnd::BarSize() const
{
    return ScaleToDpi(kBarSize, m_dpi ? m_dpi : WindowDpi(m_hWnd));
}

void CSplitterWnd::Distribute(std::vector<Track>& tracks, int available, int barSize)
{
    int remaining = available - barSize * static_cast<int>(tracks.size() - 1);
    if (remaining < 0)
        remaining = 0;
    for (size_t i = 0; i + 1 < tracks.size(); ++i)
    {
        int later = 0;
        for (size_t k = i + 1; k < tracks.size(); ++k)
            later += tracks[k].minimum;
        int size = std::max(tracks[i].ideal, tracks[i].minimum);
        size = std::min(size, remaining - later);
        if (size < 0)
            size = 0;
        tracks[i].current = size;
        remaining -= size;
    }
    tracks.back().current = remaining;
}

void CSplitterWnd::Scale(std::vector<Track>& tracks, int from, int to)
{
    if (from <= 0 || to <= 0 || from == to)
        return;
    for (size_t i = 0; i + 1 < tracks.size(); ++i)
        tracks[i].ideal = static_cast<int>((static_cast<long long>(tracks[i].ideal) * to + from / 2) / from);
}

int CSplitterWnd::TrackStart(const std::vector<Track>& tracks, int index) const
{
    int start = 0;
    int bar = BarSize();
    for (int i = 0; i < index; ++i)
        start += tracks[static_cast<size_t>(i)].current + bar;
    return start;
}

void CSplitterWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT client = GetClientRect();
    SIZE now = {client.right - client.left, client.bottom - client.top};
    if (now.cx <= 0 || now.cy <= 0)
        return; // minimised, or not laid out yet: keep the sizes for later
    if (m_keepProportions)
    {
        Scale(m_rows, m_laidOut.cy, now.cy);
        Scale(m_columns, m_laidOut.cx, now.cx);
    }
    m_laidOut = now;
    int bar = BarSize();
    Distribute(m_rows, now.cy, bar);
    Distribute(m_columns, now.cx, bar);
    for (int r = 0; r < GetRowCount(); ++r)
        for (int c = 0; c < GetColumnCount(); ++c)
            if (HWND pane = GetPaneWindow(r, c))
                ::SetWindowPos(pane, nullptr, TrackStart(m_columns, c), TrackStart(m_rows, r),
                               m_columns[static_cast<size_t>(c)].current,
                               m_rows[static_cast<size_t>(r)].current,
                               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    // This platform copies the old pixels of moved panes (scroll bars,
    // headers) to their new places: every pane draws itself afresh.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

bool CSplitterWnd::HitBar(POINT point, bool& rowBar, int& index) const
{
    for (int i = 0; i + 1 < GetColumnCount(); ++i)
    {
        int start = TrackStart(m_columns, i) + m_columns[static_cast<size_t>(i)].current;
        if (point.x >= start && point.x < start + BarSize())
        {
            rowBar = false;
            index = i;
            return true;
        }
    }
    for (int i = 0; i + 1 < GetRowCount(); ++i)
    {
        int start = TrackStart(m_rows, i) + m_rows[static_cast<size_t>(i)].current;
        if (point.y >= start && point.y < start + BarSize())
        {
            rowBar = true;
            index = i;
            return true;
        }
    }
    return false;
}

bool CSplitterWnd::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_SIZE:
        RecalcLayout();
        result = 0;
        return true;
    case WM_SETCURSOR: {
        POINT point;
        ::GetCursorPos(&point);
        ::ScreenToClient(m_hWnd, &point);
        bool rowBar;
        int index;
        if (reinterpret_cast<HWND>(wParam) == m_hWnd && HitBar(point, rowBar, index))
        {
            ::SetCursor(::LoadCursorW(nullptr, rowBar ? IDC_SIZENS : IDC_SIZEWE));
            result = TRUE;
            return true;
        }
        return false;
    }
    case WM_LBUTTONDOWN: {
        POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (HitBar(point, m_dragRow, m_dragIndex))
        {
            m_dragging = true;
            ::SetCapture(m_hWnd);
        }
        result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
        if (m_dragging)
        {
            POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            std::vector<Track>& tracks = m_dragRow ? m_rows : m_columns;
            int size = (m_dragRow ? point.y : point.x) - TrackStart(tracks, m_dragIndex);
            tracks[static_cast<size_t>(m_dragIndex)].ideal = size < 0 ? 0 : size;
            RecalcLayout();
            // Every pane the drag moved draws itself again, headers included.
            ::RedrawWindow(m_hWnd, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
        result = 0;
        return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (m_dragging)
        {
            m_dragging = false;
            if (message == WM_LBUTTONUP)
                ::ReleaseCapture();
            ::RedrawWindow(m_hWnd, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME | RDW_UPDATENOW);
        }
        result = 0;
        return true;
    case WM_COMMAND:
    case WM_NOTIFY:
        // What the panes did not take themselves goes on to the frame.
        result = ::SendMessageW(::GetParent(m_hWnd), message, wParam, lParam);
        return true;
    default:
        return false;
    }
}

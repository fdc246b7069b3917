// CSplitterWnd: a static splitter of rows x columns panes (views or nested
// splitters) with draggable bars between them. Each row and column but the
// last has an ideal size; the last takes what remains.
#pragma once

#include "app/framework/FrameworkIds.h"
#include "app/framework/Window.h"

#include <functional>
#include <vector>

class CView;
class CFrameWnd;
struct CCreateContext;

class CSplitterWnd : public CWnd
{
  public:
    // The bar's width at 96 DPI; BarSize() gives it at the window's DPI.
    static constexpr int kBarSize = 6;
    int BarSize() const;
    // The DPI to lay out for after the window moved to a screen of another
    // DPI (0: the window's own).
    void SetDpi(UINT dpi) noexcept { m_dpi = dpi; }

    bool CreateStatic(HWND parent, int rows, int columns, DWORD style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST);
    // Creates the view for a pane with its ideal size.
    CView* CreateView(int row, int column, std::function<CView*()> factory, SIZE ideal,
                      CCreateContext* context, CFrameWnd* frame);
    UINT IdFromRowCol(int row, int column) const noexcept
    {
        return static_cast<UINT>(AFX_IDW_PANE_FIRST + row * 16 + column);
    }
    HWND GetPaneWindow(int row, int column) const;
    CWnd* GetPane(int row, int column) const { return CWnd::FromHandle(GetPaneWindow(row, column)); }
    int GetRowCount() const noexcept { return static_cast<int>(m_rows.size()); }
    int GetColumnCount() const noexcept { return static_cast<int>(m_columns.size()); }

    // With proportions kept, a size change of the splitter scales the ideal
    // sizes, so the panes keep their shares of the window.
    void KeepProportions(bool keep) noexcept { m_keepProportions = keep; }
    void SetRowInfo(int row, int ideal, int minimum);
    void SetColumnInfo(int column, int ideal, int minimum);
    void GetRowInfo(int row, int& current, int& minimum) const;
    void GetColumnInfo(int column, int& current, int& minimum) const;
    void RecalcLayout();

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

  private:
    struct Track
    {
        int ideal = 0;
        int minimum = 0;
        int current = 0;
    };
    // Gives every track but the last its ideal size within its minimum and the
    // room the later tracks' minimums leave; the last takes the rest.
    static void Distribute(std::vector<Track>& tracks, int available, int barSize);
    static void Scale(std::vector<Track>& tracks, int from, int to);
    // The bar under a client point: row bar (horizontal) or column bar, or none.
    bool HitBar(POINT point, bool& rowBar, int& index) const;
    int TrackStart(const std::vector<Track>& tracks, int index) const;

    std::vector<Track> m_rows, m_columns;
    UINT m_dpi = 0;
    bool m_keepProportions = false;
    SIZE m_laidOut = {0, 0}; // the client size of the last layout
    bool m_dragging = false;
    bool m_dragRow = false;
    int m_dragIndex = 0;
};

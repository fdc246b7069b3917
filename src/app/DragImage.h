// CDragImage: the image that follows the cursor while keys or values are
// dragged. One drag runs at a time in the process, so the state is shared by
// both panes: the point of the last left-button press in a pane, the image
// list being dragged, and whether it is shown. The image is drawn over the
// desktop window in screen coordinates.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CDragImage
{
  public:
    virtual ~CDragImage() = default;

    // Records a left-button press (client coordinates of the pane).
    static void SetClickPoint(POINT client) noexcept;
    static POINT ClickPoint() noexcept;
    // Takes ownership of images; its origin (x, y) is where the dragged item
    // lies in the pane's client area, so the cursor keeps its place on it.
    static bool BeginDrag(HIMAGELIST images, int x, int y);
    static void DragEnter(HWND window, POINT client);
    static void DragMove(HWND window, POINT client);
    static void DragLeave();
    // Hides the image while a window under it repaints, and shows it again.
    static void Show(bool show);
    static void EndDrag();

    // State for those who need to know (and for tests).
    static bool IsDragging() noexcept;
    static bool IsShown() noexcept;
    static POINT HotSpot() noexcept;
};

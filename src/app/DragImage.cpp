// The shared drag image.
#include "app/DragImage.h"

namespace
{
struct DragState
{
    POINT click = {};
    HIMAGELIST images = nullptr;
    POINT hotSpot = {};
    bool shown = false;
};

DragState& State()
{
    static DragState state;
    return state;
}

POINT ToScreen(HWND window, POINT client)
{
    if (window)
        ClientToScreen(window, &client);
    return client;
}
} // namespace

void CDragImage::SetClickPoint(POINT client) noexcept
{
    State().click = client;
}

POINT CDragImage::ClickPoint() noexcept
{
    return State().click;
}

bool CDragImage::BeginDrag(HIMAGELIST images, int x, int y)
{
    EndDrag();
    if (!images)
        return false;
    DragState& state = State();
    state.images = images;
    state.hotSpot = {state.click.x - x, state.click.y - y};
    if (!ImageList_BeginDrag(images, 0, state.hotSpot.x, state.hotSpot.y))
    {
        ImageList_Destroy(images);
        state.images = nullptr;
        return false;
    }
    return true;
}

void CDragImage::DragEnter(HWND window, POINT client)
{
    DragState& state = State();
    if (!state.images)
        return;
    POINT screen = ToScreen(window, client);
    state.shown = ImageList_DragEnter(GetDesktopWindow(), screen.x, screen.y) != FALSE;
}

void CDragImage::DragMove(HWND window, POINT client)
{
    if (!State().images)
        return;
    POINT screen = ToScreen(window, client);
    ImageList_DragMove(screen.x, screen.y);
}

void CDragImage::DragLeave()
{
    DragState& state = State();
    if (state.shown)
        ImageList_DragLeave(GetDesktopWindow());
    state.shown = false;
}

void CDragImage::Show(bool show)
{
    if (State().shown)
        ImageList_DragShowNolock(show);
}

void CDragImage::EndDrag()
{
    DragState& state = State();
    DragLeave();
    if (!state.images)
        return;
    ImageList_EndDrag();
    ImageList_Destroy(state.images);
    state.images = nullptr;
}

bool CDragImage::IsDragging() noexcept
{
    return State().images != nullptr;
}

bool CDragImage::IsShown() noexcept
{
    return State().shown;
}

POINT CDragImage::HotSpot() noexcept
{
    return State().hotSpot;
}

// Window-free rules of the main window's layout: stored pane ratios, the
// order of the rebar bands, and where Next Pane and Previous Pane go.
#pragma once

#include "app/FrameServices.h"

#include <windows.h>
#include <vector>

constexpr DWORD kAbsentSetting = 12345;
constexpr DWORD kDefaultWidthRatio = 0x50002;  // 2/5
constexpr DWORD kDefaultHeightRatio = 0x30002; // 2/3

// A ratio's share of total: low 16 bits numerator, high 16 bits denominator.
// An absent ratio, or one whose denominator is 0, gives the default's share.
int RatioShare(int total, DWORD ratio, DWORD defaultRatio) noexcept;
// The ratio that stores part of total.
DWORD EncodeRatio(int part, int total) noexcept;

struct BandPlace
{
    UINT id;
    int index;
    int cx;
};
// Orders bands by index, ascending; equal indexes keep their order.
void OrderBands(std::vector<BandPlace>& bands);

struct PaneState
{
    bool addressHasFocus = false;
    Pane active = Pane::None; // the frame's active view
    bool valuesFocusable = false;
    bool searchVisible = false;
    bool searchFocusable = false;
    bool addressVisible = true;
};

// A window size stored at storedDpi, for a window at dpi: scaled when both
// are known and differ (a stored DPI that is absent or no DPI at all leaves
// the size as stored).
SIZE PlacementSizeForDpi(SIZE stored, DWORD storedDpi, UINT dpi) noexcept;
// A stored window size made no smaller than the least window, and no larger
// than the screen's work area (which wins when the two disagree).
SIZE FitStoredSize(SIZE size, SIZE least, SIZE area) noexcept;
// F1 in the main window: the help context of the pane that has the focus
// (the window's own when the address bar has it or no pane is active).
DWORD_PTR PaneHelpContext(const PaneState& state) noexcept;
Pane NextPane(const PaneState& state) noexcept;
Pane PreviousPane(const PaneState& state) noexcept;

// Sizes and images for the DPI of a window. Every image strip comes in three
// drawings, for 100 %, 150 % and 200 %; a window takes the one for its DPI
// instead of stretching a smaller one.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The window's DPI (the system's where the platform has no per-window DPI);
// the system's DPI for no window.
UINT WindowDpi(HWND window);
// pixels at 96 DPI, at dpi.
int ScaleToDpi(int pixels, UINT dpi) noexcept;
// The drawing for a DPI: 100, 150 or 200 (the nearest not above what the DPI
// needs, but never below 100).
int ImagePercentForDpi(UINT dpi) noexcept;
// An image of base size (at 100 %) in the drawing for dpi.
SIZE ImageSizeForDpi(SIZE base, UINT dpi) noexcept;
// The bitmap resource of a strip's drawing: the 100 % id, plus 1000 for 150 %
// and 2000 for 200 %.
UINT ImageResourceForDpi(UINT baseBitmapId, UINT dpi) noexcept;
// The system's message font at dpi (the caller owns it); null when the
// system cannot say.
HFONT MessageFontForDpi(UINT dpi);
// A masked image list (magenta transparent) of the strip's drawing for dpi;
// null when the bitmap is missing.
HIMAGELIST LoadImageStrip(UINT baseBitmapId, SIZE base, UINT dpi, int grow);

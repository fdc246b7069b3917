// DPI-dependent sizes and image strips.
#include "app/framework/DpiImages.h"

namespace
{
using DpiForWindowFn = UINT(WINAPI*)(HWND);

DpiForWindowFn DpiForWindowEntry()
{
    // Present from Windows 10 (1607) on; older systems have one DPI for all.
    static DpiForWindowFn entry = reinterpret_cast<DpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return entry;
}
} // namespace

UINT WindowDpi(HWND window)
{
    if (window)
    {
        if (DpiForWindowFn dpiForWindow = DpiForWindowEntry())
            if (UINT dpi = dpiForWindow(window))
                return dpi;
    }
    else
    {
        // The system's DPI (a DC of the screen may answer 96 to a process
        // that is aware of each monitor's DPI).
        using DpiForSystemFn = UINT(WINAPI*)();
        static DpiForSystemFn dpiForSystem = reinterpret_cast<DpiForSystemFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")));
        if (dpiForSystem)
            if (UINT dpi = dpiForSystem())
                return dpi;
    }
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc)
        ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int ScaleToDpi(int pixels, UINT dpi) noexcept
{
    return MulDiv(pixels, static_cast<int>(dpi), 96);
}

int ImagePercentForDpi(UINT dpi) noexcept
{
    // 168 DPI (175 %) and up take the double drawing, 120 (125 %) and up the
    // one and a half: a drawing a little too large reads better than one
    // far too small.
    if (dpi >= 168)
        return 200;
    if (dpi >= 120)
        return 150;
    return 100;
}

SIZE ImageSizeForDpi(SIZE base, UINT dpi) noexcept
{
    int percent = ImagePercentForDpi(dpi);
    return SIZE{(base.cx * percent + 99) / 100, (base.cy * percent + 99) / 100};
}

UINT ImageResourceForDpi(UINT baseBitmapId, UINT dpi) noexcept
{
    switch (ImagePercentForDpi(dpi))
    {
    case 200:
        return baseBitmapId + 2000;
    case 150:
        return baseBitmapId + 1000;
    default:
        return baseBitmapId;
    }
}

HFONT MessageFontForDpi(UINT dpi)
{
    using MetricsForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static MetricsForDpiFn metricsForDpi = reinterpret_cast<MetricsForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (metricsForDpi)
    {
        if (!metricsForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
            return nullptr;
    }
    else
    {
        // One DPI for the whole system: its metrics, rescaled.
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            return nullptr;
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                                static_cast<int>(WindowDpi(nullptr)));
    }
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HIMAGELIST LoadImageStrip(UINT baseBitmapId, SIZE base, UINT dpi, int grow)
{
    auto* bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                   MAKEINTRESOURCEW(ImageResourceForDpi(baseBitmapId, dpi)),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return nullptr;
    SIZE size = ImageSizeForDpi(base, dpi);
    BITMAP info = {};
    GetObjectW(bitmap, sizeof(info), &info);
    int count = size.cx > 0 ? info.bmWidth / size.cx : 0;
    HIMAGELIST images = ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, count, grow);
    if (images)
        ImageList_AddMasked(images, bitmap, RGB(255, 0, 255));
    DeleteObject(bitmap);
    return images;
}

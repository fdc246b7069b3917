// Layout rules.
#include "frame/PaneLayout.h"

#include "helpids.h"

#include <algorithm>

int RatioShare(int total, DWORD ratio, DWORD defaultRatio) noexcept
{
    if (ratio == kAbsentSetting || HIWORD(ratio) == 0)
        ratio = defaultRatio;
    return static_cast<int>(static_cast<long long>(total) * LOWORD(ratio) / HIWORD(ratio));
}

DWORD EncodeRatio(int part, int total) noexcept
{
    return (static_cast<DWORD>(total) << 16) | (static_cast<DWORD>(part) & 0xFFFF);
}

void OrderBands(std::vector<BandPlace>& bands)
{
    std::stable_sort(bands.begin(), bands.end(),
                     [](const BandPlace& a, const BandPlace& b) { return a.index < b.index; });
}

namespace
{
Pane StepS(const PaneState& s) noexcept
{
    if (s.searchVisible && s.searchFocusable)
        return Pane::Search;
    if (s.addressVisible)
        return Pane::Address;
    return Pane::None;
}
} // namespace

Pane NextPane(const PaneState& s) noexcept
{
    if (s.addressHasFocus)
        return Pane::Tree;
    switch (s.active)
    {
    case Pane::Tree:
        return s.valuesFocusable ? Pane::Values : StepS(s);
    case Pane::Values:
        return StepS(s);
    default:
        return s.addressVisible ? Pane::Address : Pane::Tree;
    }
}

Pane PreviousPane(const PaneState& s) noexcept
{
    if (s.addressHasFocus)
    {
        if (s.searchVisible && s.searchFocusable)
            return Pane::Search;
        return s.valuesFocusable ? Pane::Values : Pane::Tree;
    }
    switch (s.active)
    {
    case Pane::Tree:
        if (s.addressVisible)
            return Pane::Address;
        if (s.searchVisible && s.searchFocusable)
            return Pane::Search;
        return s.valuesFocusable ? Pane::Values : Pane::None;
    case Pane::Values:
        return Pane::Tree;
    default:
        return s.valuesFocusable ? Pane::Values : Pane::Tree;
    }
}

DWORD_PTR PaneHelpContext(const PaneState& state) noexcept
{
    if (state.addressHasFocus)
        return HIDR_MAINFRAME;
    switch (state.active)
    {
    case Pane::Tree:
        return HIDR_TREE_PANE;
    case Pane::Values:
        return HIDR_VALUE_PANE;
    case Pane::Search:
        return HIDR_SEARCH_PANE;
    default:
        return HIDR_MAINFRAME;
    }
}

SIZE PlacementSizeForDpi(SIZE stored, DWORD storedDpi, UINT dpi) noexcept
{
    // 24 to 960 DPI covers 25 % to 1000 %; anything else was not written by us.
    if (storedDpi < 24 || storedDpi > 960 || dpi < 24 || dpi > 960 || storedDpi == dpi)
        return stored;
    return SIZE{MulDiv(stored.cx, static_cast<int>(dpi), static_cast<int>(storedDpi)),
                MulDiv(stored.cy, static_cast<int>(dpi), static_cast<int>(storedDpi))};
}

SIZE FitStoredSize(SIZE size, SIZE least, SIZE area) noexcept
{
    auto fit = [](LONG value, LONG low, LONG high) {
        value = std::max(value, low);
        return high > 0 ? std::min(value, high) : value;
    };
    return SIZE{fit(size.cx, least.cx, area.cx), fit(size.cy, least.cy, area.cy)};
}

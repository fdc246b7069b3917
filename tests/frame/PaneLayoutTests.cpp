// Layout rules that need no window: ratios, band order, the pane cycle.
#include "frame/PaneLayout.h"

#include <gtest/gtest.h>

TEST(PaneRatios, AbsentOrZeroDenominatorFallsBackToTheDefault)
{
    EXPECT_EQ(RatioShare(1000, kAbsentSetting, kDefaultWidthRatio), 400);
    EXPECT_EQ(RatioShare(900, kAbsentSetting, kDefaultHeightRatio), 600);
    EXPECT_EQ(RatioShare(1000, 0x00000005, kDefaultWidthRatio), 400) << "denominator 0";
    EXPECT_EQ(RatioShare(1000, 0, kDefaultWidthRatio), 400);
    EXPECT_EQ(RatioShare(1000, EncodeRatio(250, 1000), kDefaultWidthRatio), 250);
    EXPECT_EQ(EncodeRatio(300, 800), (800u << 16) | 300u);
    // Only the low 16 bits of each half are kept.
    EXPECT_EQ(EncodeRatio(0x12345, 2), (2u << 16) | 0x2345u);
}

TEST(PaneRatios, BandsFollowTheirStoredIndexAndKeepOrderOnTies)
{
    std::vector<BandPlace> bands = {{59392, 1, 10}, {165, 0, 20}};
    OrderBands(bands);
    EXPECT_EQ(bands[0].id, 165u);
    bands = {{59392, 0, 10}, {165, 0, 20}};
    OrderBands(bands);
    EXPECT_EQ(bands[0].id, 59392u);
}

TEST(PaneCycle, ForwardGoesTreeValuesSearchAddressSkippingWhatCannotTakeFocus)
{
    PaneState s;
    s.valuesFocusable = s.searchVisible = s.searchFocusable = s.addressVisible = true;
    s.active = Pane::Tree;
    EXPECT_EQ(NextPane(s), Pane::Values);
    s.active = Pane::Values;
    EXPECT_EQ(NextPane(s), Pane::Search);
    s.active = Pane::Search;
    EXPECT_EQ(NextPane(s), Pane::Address);
    s.addressHasFocus = true;
    EXPECT_EQ(NextPane(s), Pane::Tree);

    PaneState empty;
    empty.active = Pane::Tree;
    empty.searchVisible = true;
    EXPECT_EQ(NextPane(empty), Pane::Address) << "empty lists are skipped";
    empty.addressVisible = false;
    EXPECT_EQ(NextPane(empty), Pane::None) << "nothing else can take the focus";
}

TEST(PaneCycle, BackwardRunsTheOtherWay)
{
    PaneState s;
    s.valuesFocusable = s.searchVisible = s.searchFocusable = s.addressVisible = true;
    s.addressHasFocus = true;
    EXPECT_EQ(PreviousPane(s), Pane::Search);
    s.addressHasFocus = false;
    s.active = Pane::Tree;
    EXPECT_EQ(PreviousPane(s), Pane::Address);
    s.active = Pane::Values;
    EXPECT_EQ(PreviousPane(s), Pane::Tree);
    s.active = Pane::Search;
    EXPECT_EQ(PreviousPane(s), Pane::Values);
    s.addressVisible = false;
    s.searchVisible = false;
    s.valuesFocusable = false;
    s.active = Pane::Tree;
    EXPECT_EQ(PreviousPane(s), Pane::None);
}

#include "app/window_snap.h"

#include <gtest/gtest.h>

namespace {

using app::SnapToWorkArea;
using platform::TPoint;
using platform::TRect;

constexpr TRect WorkArea{0, 0, 1920, 1040};

TRect Frame(int left, int top) {
    return {left, top, left + 562, top + 433};
}

TEST(WindowSnap, EdgesCloserThanTenPixelsSnapOntoTheWorkArea) {
    EXPECT_EQ(SnapToWorkArea(Frame(9, 300), WorkArea), (TPoint{0, 300}));
    EXPECT_EQ(SnapToWorkArea(Frame(-9, 300), WorkArea), (TPoint{0, 300}));
    EXPECT_EQ(SnapToWorkArea(Frame(500, 9), WorkArea), (TPoint{500, 0}));
    // Right edge 9 pixels short of 1920, bottom edge 9 pixels beyond 1040.
    EXPECT_EQ(SnapToWorkArea(Frame(1920 - 562 - 9, 1040 - 433 + 9), WorkArea),
              (TPoint{1920 - 562, 1040 - 433}));
}

TEST(WindowSnap, TenPixelsAwayStaysWherePut) {
    EXPECT_EQ(SnapToWorkArea(Frame(10, 300), WorkArea), (TPoint{10, 300}));
    EXPECT_EQ(SnapToWorkArea(Frame(500, -10), WorkArea), (TPoint{500, -10}));
    EXPECT_EQ(SnapToWorkArea(Frame(1920 - 562 - 10, 200), WorkArea),
              (TPoint{1920 - 562 - 10, 200}));
    EXPECT_EQ(SnapToWorkArea(Frame(700, 400), WorkArea), (TPoint{700, 400}));
}

TEST(WindowSnap, WorkAreaOffsetFromTheScreenOrigin) {
    constexpr TRect belowPanel{0, 32, 1920, 1080};
    EXPECT_EQ(SnapToWorkArea(Frame(300, 40), belowPanel), (TPoint{300, 32}));
    EXPECT_EQ(SnapToWorkArea(Frame(300, 25), belowPanel), (TPoint{300, 32}));
}

} // namespace

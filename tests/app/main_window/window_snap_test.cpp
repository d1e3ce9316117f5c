// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window/window_snap.h"

#include <gtest/gtest.h>

namespace {

using app::CentreOnWorkArea;
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

TEST(WindowPlacement, FirstShowingCentresAndKeepsTheTopLeftCornerOnTheWorkArea) {
    struct TCase {
        const char* what;
        TRect workArea;
        TPoint expected;
    };
    // The frame is 556 x 404, as without decorations.
    constexpr TCase Cases[] = {
        {"fits", {0, 0, 1280, 1024}, {362, 310}},
        {"too wide", {0, 0, 400, 1024}, {0, 310}},
        {"too tall", {0, 0, 1280, 300}, {362, 0}},
        {"too wide and too tall", {0, 0, 400, 300}, {0, 0}},
        {"work area offset, fits", {100, 32, 1380, 1056}, {462, 342}},
        {"work area offset, too small", {100, 32, 500, 332}, {100, 32}},
        {"work area left of the origin, too wide", {-400, -300, 0, 0}, {-400, -300}},
    };
    for (const TCase& c : Cases) {
        // Wherever the frame lies before it is placed.
        for (const TRect frame : {TRect{0, 0, 556, 404}, TRect{-700, 900, -144, 1304}}) {
            EXPECT_EQ(CentreOnWorkArea(frame, c.workArea), c.expected) << c.what;
        }
    }
}

} // namespace

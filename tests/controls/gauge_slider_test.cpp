// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/gauge_look.h"
#include "controls/gauge_slider.h"
#include "platform/color.h"
#include "platform/scripted/scripted_platform.h"
#include "support/gauge_fixture.h"
#include "support/platform_printers.h"

#include <chrono>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using controls::TGaugeSlider;
using controls::TGaugeZone;
using controls::TRepeatMode;
using platform::MouseButton;
using platform::TPoint;
using platform::TRect;
using platform::scripted::TScriptedPlatform;
using support::TGaugeFixture;
using support::TGaugeRole;
using support::TRecordedChange;

using TPositions = std::vector<std::int32_t>;

constexpr TPoint PrevButton{8, 9};
constexpr TPoint NextButton{133, 9};
constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Int32Min = std::numeric_limits<std::int32_t>::min();

TEST(GaugeSlider, PositionIsClampedAndOnlyARealChangeNotifies) {
    TGaugeFixture level(TGaugeRole::grLevel);
    level.gauge.SetPosition(200);
    EXPECT_EQ(level.gauge.Position(), 160);
    level.gauge.SetPosition(160);
    EXPECT_TRUE(level.changes.empty());

    level.gauge.SetPosition(-5);
    level.gauge.SetPosition(Int32Min);
    level.gauge.SetPosition(Int32Max);
    EXPECT_EQ(level.ChangedPositions(), (TPositions{0, 160}));
    // A change by the program is no change by the user.
    EXPECT_TRUE(level.userChanges.empty());
}

TEST(GaugeSlider, RangeStaysNonEmptyPositionFollowsItAndStepsStayPositive) {
    TGaugeFixture level(TGaugeRole::grLevel);
    level.gauge.SetMax(100);
    EXPECT_EQ(level.gauge.Position(), 100);
    EXPECT_EQ(level.ChangedPositions(), (TPositions{100}));

    level.gauge.SetMax(-3); // not above Min: becomes Min + 1
    EXPECT_EQ(level.gauge.Max(), 1);
    EXPECT_EQ(level.gauge.Position(), 1);
    level.gauge.SetMin(5); // not below Max: becomes Max - 1, which it already is
    EXPECT_EQ(level.gauge.Min(), 0);
    EXPECT_EQ(level.ChangedPositions(), (TPositions{100, 1}));

    level.gauge.SetMin(Int32Min);
    level.gauge.SetMax(Int32Max);
    level.gauge.SetMin(Int32Max);
    EXPECT_EQ(level.gauge.Min(), Int32Max - 1);
    EXPECT_EQ(level.gauge.Max(), Int32Max);
    EXPECT_EQ(level.gauge.Position(), Int32Max - 1);
    level.gauge.SetMax(Int32Min);
    EXPECT_EQ(level.gauge.Max(), Int32Max);

    level.gauge.SetSmallChange(0);
    level.gauge.SetLargeChange(-7);
    level.gauge.SetHandleSize(-1);
    EXPECT_EQ(level.gauge.SmallChange(), 1);
    EXPECT_EQ(level.gauge.LargeChange(), 1);
    EXPECT_EQ(level.gauge.HandleExtent(), 18) << "a size below 0 counts as 0: the height";
}

TEST(GaugeSlider, RepaintsOnlyWhenSomethingVisibleChanges) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.platform.ProcessMessages();
    ASSERT_FALSE(f.host->NeedsPaint());

    f.gauge.SetColor(controls::PanelGaugeLook.color);
    f.gauge.SetHandleSize(24);
    f.gauge.SetPosition(1000);
    f.gauge.SetSmallChange(5);
    f.gauge.SetLargeChange(50);
    EXPECT_FALSE(f.host->NeedsPaint());

    f.gauge.SetHandleColor(platform::RGB(1, 2, 3));
    EXPECT_TRUE(f.host->NeedsPaint());
    f.platform.ProcessMessages();
    f.gauge.SetPosition(1001);
    EXPECT_TRUE(f.host->NeedsPaint());
}

TEST(GaugeSlider, GeometryOfTheWindowsSliders) {
    TGaugeFixture level(TGaugeRole::grLevel);
    const TGaugeSlider& g = level.gauge;
    EXPECT_EQ(g.ButtonExtent(), 17);
    EXPECT_EQ(g.TrackRect(), (TRect{17, 0, 125, 18}));
    EXPECT_EQ(g.HandleExtent(), 24);
    EXPECT_EQ(g.HandleRect(), (TRect{101, 0, 125, 18}));
    EXPECT_EQ(g.ZoneRect(TGaugeZone::gzPrevButton), (TRect{0, 0, 17, 18}));
    EXPECT_EQ(g.ZoneRect(TGaugeZone::gzNextButton), (TRect{125, 0, 142, 18}));
    EXPECT_EQ(g.ZoneRect(TGaugeZone::gzPrevTrack), (TRect{17, 0, 101, 18}));
    EXPECT_EQ(g.ZoneRect(TGaugeZone::gzHandle), (TRect{101, 0, 125, 18}));
    EXPECT_TRUE(g.ZoneRect(TGaugeZone::gzNextTrack).IsEmpty());
    EXPECT_TRUE(g.ZoneRect(TGaugeZone::gzNone).IsEmpty());
}

TEST(GaugeSlider, HandlePlacementRoundsHalfPixelsToEven) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    const struct {
        std::int32_t position;
        std::int32_t left;
    } cases[] = {{0, 17}, {1000, 27}, {3000, 49}, {5000, 69}, {7000, 91}, {8000, 101}};
    for (const auto& c : cases) {
        f.gauge.SetPosition(c.position);
        EXPECT_EQ(f.gauge.HandleRect(), (TRect{c.left, 0, c.left + 24, 18})) << c.position;
    }
}

TEST(GaugeSlider, ButtonExtentFollowsHeightButtonSizeAndWidth) {
    TScriptedPlatform platform;
    TGaugeSlider gauge(platform);
    const struct {
        std::int32_t width;
        std::int32_t height;
        std::int32_t buttonSize;
        std::int32_t extent;
    } cases[] = {
        {142, 18, 0, 17}, // the height, one less for the flat look
        {142, 40, 0, 31}, // at most 32 automatically
        {20, 18, 0, 9},   // at most half the width
        {4, 18, 0, 0},    // below 2: no buttons
        {142, 18, 5, 4},  // a set size
        {142, 18, 71, 70}, {142, 18, -8, 0},
    };
    for (const auto& c : cases) {
        gauge.SetClientSize(c.width, c.height);
        gauge.SetButtonSize(c.buttonSize);
        EXPECT_EQ(gauge.ButtonExtent(), c.extent) << c.width << " x " << c.height;
        EXPECT_EQ(gauge.TrackRect(), (TRect{c.extent, 0, c.width - c.extent, c.height}));
    }
    gauge.SetShowArrows(false);
    EXPECT_EQ(gauge.ButtonExtent(), 0);
}

TEST(GaugeSlider, HandleExtentLeavesTheHandleRoomToMove) {
    TScriptedPlatform platform;
    TGaugeSlider gauge(platform);
    gauge.SetClientSize(142, 18);
    EXPECT_EQ(gauge.HandleExtent(), 18) << "0 means as thick as the control";
    gauge.SetHandleSize(200);
    EXPECT_EQ(gauge.HandleExtent(), 107) << "one less than the track";
    gauge.SetClientSize(0, 18);
    EXPECT_EQ(gauge.HandleExtent(), 0);
    EXPECT_TRUE(gauge.HandleRect().IsEmpty());
}

TEST(GaugeSlider, ZoneAtFindsThePartUnderAPoint) {
    TGaugeFixture f(TGaugeRole::grFrequency); // handle at x 27 to 50
    const struct {
        TPoint point;
        TGaugeZone zone;
    } cases[] = {
        {{0, 0}, TGaugeZone::gzPrevButton},
        {{16, 17}, TGaugeZone::gzPrevButton},
        {{17, 9}, TGaugeZone::gzPrevTrack},
        {{26, 0}, TGaugeZone::gzPrevTrack},
        {{27, 9}, TGaugeZone::gzHandle},
        {{50, 17}, TGaugeZone::gzHandle},
        {{51, 9}, TGaugeZone::gzNextTrack},
        {{124, 9}, TGaugeZone::gzNextTrack},
        {{125, 9}, TGaugeZone::gzNextButton},
        {{141, 17}, TGaugeZone::gzNextButton},
        {{142, 9}, TGaugeZone::gzNone},
        {{-1, 9}, TGaugeZone::gzNone},
        {{5, 18}, TGaugeZone::gzNone},
        {{5, -1}, TGaugeZone::gzNone},
        {{Int32Min, Int32Max}, TGaugeZone::gzNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(f.gauge.ZoneAt(c.point), c.zone) << c.point.x << ", " << c.point.y;
    }
    // Without arrows the outermost columns belong to no zone.
    f.gauge.SetShowArrows(false);
    EXPECT_EQ(f.gauge.ZoneAt({0, 9}), TGaugeZone::gzNone);
    EXPECT_EQ(f.gauge.ZoneAt({1, 9}), TGaugeZone::gzPrevTrack);
    EXPECT_EQ(f.gauge.ZoneAt({140, 9}), TGaugeZone::gzNextTrack);
    EXPECT_EQ(f.gauge.ZoneAt({141, 9}), TGaugeZone::gzNone);
}

TEST(GaugeSlider, DisabledOrHandlelessTrackIsSplitAtItsMiddle) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetEnabled(false);
    EXPECT_EQ(f.gauge.ZoneRect(TGaugeZone::gzPrevTrack), (TRect{17, 0, 71, 18}));
    EXPECT_EQ(f.gauge.ZoneRect(TGaugeZone::gzNextTrack), (TRect{71, 0, 125, 18}));
    EXPECT_TRUE(f.gauge.ZoneRect(TGaugeZone::gzHandle).IsEmpty());

    f.gauge.SetEnabled(true);
    EXPECT_EQ(f.gauge.ZoneRect(TGaugeZone::gzHandle), (TRect{27, 0, 51, 18}));
    f.gauge.SetShowArrows(false);
    f.gauge.SetClientSize(1, 3); // a track of 1 pixel leaves no room for a handle
    EXPECT_EQ(f.gauge.ZoneRect(TGaugeZone::gzPrevTrack), (TRect{0, 0, 0, 3}));
    EXPECT_EQ(f.gauge.ZoneRect(TGaugeZone::gzNextTrack), (TRect{0, 0, 1, 3}));
}

TEST(GaugeSlider, HeldButtonStepsAtOnceThenAfter600msThenEvery100ms) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, PrevButton);
    EXPECT_TRUE(f.host->HasCapture());
    EXPECT_EQ(f.changes, (std::vector<TRecordedChange>{{0ms, 999}}));

    f.platform.RunFor(599ms);
    EXPECT_EQ(f.changes.size(), 1u);
    f.platform.RunFor(301ms);
    const std::vector<TRecordedChange> expected = {
        {0ms, 999}, {600ms, 998}, {700ms, 997}, {800ms, 996}, {900ms, 995}};
    EXPECT_EQ(f.changes, expected);
    EXPECT_EQ(f.userChanges, expected) << "every step is a change by the user";

    f.host->MouseUp(MouseButton::mbLeft, PrevButton);
    EXPECT_FALSE(f.host->HasCapture());
    f.platform.RunFor(2s);
    EXPECT_EQ(f.changes.size(), 5u);
}

TEST(GaugeSlider, HeldButtonRepeatsWhereverThePointerGoes) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, NextButton);
    f.host->MouseMove({-400, 900});
    f.host->MouseLeave();
    f.platform.RunFor(800ms);
    EXPECT_EQ(f.ChangedPositions(), (TPositions{1001, 1002, 1003, 1004}));
}

TEST(GaugeSlider, HeldButtonStopsAtTheEndOfTheRangeAndWatchesTheHover) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetPosition(2);
    f.changes.clear();
    f.host->MouseDown(MouseButton::mbLeft, PrevButton);
    f.platform.RunFor(600ms);
    EXPECT_EQ(f.ChangedPositions(), (TPositions{1, 0}));
    EXPECT_EQ(f.gauge.RepeatMode(), TRepeatMode::rpRepeating);
    f.platform.RunFor(100ms); // the step that finds nothing left to do
    EXPECT_EQ(f.gauge.RepeatMode(), TRepeatMode::rpHoverWatch);
    EXPECT_EQ(f.gauge.RepeatTimer().Interval(), 150ms);
    f.platform.RunFor(2s);
    EXPECT_EQ(f.ChangedPositions(), (TPositions{1, 0}));
}

TEST(GaugeSlider, PressAtTheEndOfTheRangeChangesNothing) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetPosition(0);
    f.changes.clear();
    f.host->MouseDown(MouseButton::mbLeft, PrevButton);
    f.platform.RunFor(3s);
    EXPECT_EQ(f.gauge.Position(), 0);
    EXPECT_TRUE(f.changes.empty());

    TGaugeFixture level(TGaugeRole::grLevel); // at its Max
    level.host->MouseDown(MouseButton::mbLeft, NextButton);
    level.platform.RunFor(3s);
    EXPECT_TRUE(level.changes.empty());
}

TEST(GaugeSlider, HeldTrackPagesTowardsThePointerUntilTheHandleCoversIt) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, {20, 9});
    EXPECT_EQ(f.changes, (std::vector<TRecordedChange>{{0ms, 990}}));
    f.platform.RunFor(700ms);
    EXPECT_EQ(f.changes, (std::vector<TRecordedChange>{{0ms, 990}, {600ms, 980}, {700ms, 970}}));

    // At 330 the handle starts at x 20 and covers the pointer: 67 pages in all, the last at
    // 600 + 65 * 100 ms.
    f.platform.RunFor(10s);
    ASSERT_EQ(f.changes.size(), 67u);
    EXPECT_EQ(f.changes.back(), (TRecordedChange{7100ms, 330}));
    EXPECT_EQ(f.gauge.HandleRect().left, 20);
    for (std::size_t i = 1; i < f.changes.size(); ++i) {
        EXPECT_EQ(f.changes[i].position, f.changes[i - 1].position - 10);
    }

    // The pointer moves on, even below the control: paging resumes until x 18 is covered.
    f.host->MouseMove({18, 300});
    f.platform.RunFor(5s);
    EXPECT_EQ(f.gauge.Position(), 140);
    EXPECT_EQ(f.gauge.HandleRect().left, 18);
    EXPECT_EQ(f.userChanges.size(), f.changes.size());
}

TEST(GaugeSlider, HeldTrackPausesWhileThePointerIsBeyondTheHandle) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, {100, 9});
    f.host->MouseMove({5, 9}); // over the other button: the next track part pages no more
    f.platform.RunFor(1s);
    EXPECT_EQ(f.ChangedPositions(), (TPositions{1010}));
    f.host->MouseMove({300, 9}); // beyond the end: clamped onto the next button, which pages
    f.platform.RunFor(100ms);
    EXPECT_EQ(f.ChangedPositions(), (TPositions{1010, 1020}));
}

TEST(GaugeSlider, DraggedHandleFollowsThePointerRelativeToThePress) {
    TGaugeFixture level(TGaugeRole::grLevel);
    level.host->MouseDown(MouseButton::mbLeft, {110, 9});
    EXPECT_EQ(level.gauge.RepeatMode(), TRepeatMode::rpHoverWatch) << "a handle does not repeat";
    EXPECT_TRUE(level.changes.empty());

    level.host->MouseMove({68, 2}); // 42 pixels left: 160 - 42 * 160 / 84
    EXPECT_EQ(level.ChangedPositions(), (TPositions{80}));
    EXPECT_EQ(level.userChanges.size(), 1u);
    EXPECT_EQ(level.gauge.HandleRect().left, 59);

    level.host->MouseMove({-1000, 9});
    EXPECT_EQ(level.gauge.Position(), 0);
    level.host->MouseMove({5000, -70});
    EXPECT_EQ(level.gauge.Position(), 160);
    level.host->MouseMove({109, 9}); // one pixel left of the press: 160 - 1.905
    EXPECT_EQ(level.gauge.Position(), 158);
    level.platform.RunFor(1s);
    EXPECT_EQ(level.ChangedPositions(), (TPositions{80, 0, 160, 158}));

    level.host->MouseUp(MouseButton::mbLeft, {109, 9});
    EXPECT_FALSE(level.host->HasCapture());
    level.host->MouseMove({20, 9});
    EXPECT_EQ(level.gauge.Position(), 158);
}

TEST(GaugeSlider, DragRoundsHalfPositionsToEven) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetMax(42); // half a position per pixel
    f.gauge.SetPosition(0);
    f.changes.clear();
    ASSERT_EQ(f.gauge.ZoneAt({20, 9}), TGaugeZone::gzHandle);
    f.host->MouseDown(MouseButton::mbLeft, {20, 9});
    f.host->MouseMove({21, 9}); // 0.5 -> 0
    f.host->MouseMove({23, 9}); // 1.5 -> 2
    f.host->MouseMove({25, 9}); // 2.5 -> 2
    f.host->MouseMove({27, 9}); // 3.5 -> 4
    EXPECT_EQ(f.ChangedPositions(), (TPositions{2, 4}));
}

TEST(GaugeSlider, FailingHandlerDuringADragReleasesTheMouseAndEndsTheDrag) {
    TGaugeFixture level(TGaugeRole::grLevel);
    level.gauge.SetOnChange([](TGaugeSlider&) { throw std::runtime_error("handler failed"); });
    level.host->MouseDown(MouseButton::mbLeft, {110, 9});
    ASSERT_TRUE(level.host->HasCapture());

    EXPECT_THROW(level.host->MouseMove({68, 9}), std::runtime_error);
    EXPECT_EQ(level.gauge.Position(), 80) << "the value is stored before the handler runs";
    EXPECT_FALSE(level.host->HasCapture());
    EXPECT_EQ(level.gauge.RepeatMode(), TRepeatMode::rpHoverWatch) << "released as by the mouse";

    level.host->MouseMove({20, 9});
    EXPECT_EQ(level.gauge.Position(), 80) << "the drag is over";
}

TEST(GaugeSlider, FailingHandlerDuringAStepLeavesNoUserChangeBehind) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetOnChange([](TGaugeSlider&) { throw std::runtime_error("handler failed"); });
    EXPECT_THROW(f.host->MouseDown(MouseButton::mbLeft, PrevButton), std::runtime_error);
    EXPECT_EQ(f.gauge.Position(), 999);
    f.host->MouseUp(MouseButton::mbLeft, PrevButton);

    f.gauge.SetOnChange({});
    f.gauge.SetPosition(500);
    EXPECT_TRUE(f.userChanges.empty());
}

TEST(GaugeSlider, WheelMovesBySmallChangePerNotch) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    EXPECT_TRUE(f.host->MouseWheel(-120, {70, 9})); // towards the user
    EXPECT_EQ(f.gauge.Position(), 999);
    EXPECT_TRUE(f.host->MouseWheel(240, {-50, 9}));
    EXPECT_EQ(f.gauge.Position(), 1001);
    EXPECT_TRUE(f.host->MouseWheel(119, {70, 9})); // less than a notch: nothing
    EXPECT_EQ(f.ChangedPositions(), (TPositions{999, 1001}));
    EXPECT_TRUE(f.userChanges.empty()) << "the wheel is no press or drag";

    f.gauge.SetSmallChange(10);
    f.host->MouseWheel(-60, {70, 9}); // 10 * -60 div 120, truncated toward zero
    f.host->MouseWheel(-11, {70, 9}); // -110 div 120 = 0
    EXPECT_EQ(f.gauge.Position(), 996);
    f.gauge.SetSmallChange(Int32Max);
    f.host->MouseWheel(Int32Max, {70, 9});
    EXPECT_EQ(f.gauge.Position(), 8000);
}

// The arrows step as the buttons do, the page keys as the track, Home and End go to the ends,
// each a change by the user; a disabled gauge takes no key.
TEST(GaugeSlider, KeysStepPageAndJumpToTheEndsAsChangesByTheUser) {
    using enum platform::NavigationKey;
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetLargeChange(25);
    for (const auto key : {nkRight, nkUp, nkLeft, nkPageUp, nkDown, nkPageDown, nkEnd, nkHome}) {
        EXPECT_TRUE(f.gauge.KeyDown(key));
    }
    EXPECT_EQ(f.ChangedPositions(), (TPositions{1001, 1002, 1001, 1026, 1025, 1000, 8000, 0}));
    EXPECT_EQ(f.userChanges.size(), 8u);
    f.gauge.SetEnabled(false);
    EXPECT_FALSE(f.gauge.KeyDown(nkEnd));
}

TEST(GaugeSlider, OtherButtonsThanTheLeftChangeNothingOnPress) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.platform.ProcessMessages();
    f.host->MouseDown(MouseButton::mbRight, PrevButton);
    f.host->MouseDown(MouseButton::mbMiddle, {20, 9});
    EXPECT_FALSE(f.host->HasCapture());
    EXPECT_FALSE(f.gauge.RepeatTimer().IsEnabled());
    EXPECT_FALSE(f.host->NeedsPaint());
    f.platform.RunFor(1s);
    EXPECT_TRUE(f.changes.empty());
}

TEST(GaugeSlider, HoverWatchEndsWhenThePointerIsOutsideAtATickOrLeaves) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, PrevButton);
    f.host->MouseUp(MouseButton::mbLeft, PrevButton);
    EXPECT_EQ(f.gauge.RepeatMode(), TRepeatMode::rpHoverWatch);
    EXPECT_EQ(f.gauge.RepeatTimer().Interval(), 150ms);
    f.platform.RunFor(1s); // the pointer stays over the control
    EXPECT_TRUE(f.gauge.RepeatTimer().IsEnabled());

    f.platform.SetPointer({0, 0}); // far from the window at (36, 361)
    f.platform.RunFor(150ms);
    EXPECT_FALSE(f.gauge.RepeatTimer().IsEnabled());

    f.host->MouseDown(MouseButton::mbLeft, PrevButton);
    f.host->MouseUp(MouseButton::mbLeft, PrevButton);
    ASSERT_TRUE(f.gauge.RepeatTimer().IsEnabled());
    f.host->MouseLeave();
    EXPECT_FALSE(f.gauge.RepeatTimer().IsEnabled());
    EXPECT_EQ(f.gauge.HoverZone(), TGaugeZone::gzNone);
}

TEST(GaugeSlider, CapturedPointerWithoutAPressTracksTheHoverZone) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetShowArrows(false);
    ASSERT_EQ(f.gauge.ZoneAt({0, 9}), TGaugeZone::gzNone);
    f.host->MouseDown(MouseButton::mbLeft, {0, 9}); // on no zone, but captured
    f.host->MouseMove({80, 9});
    EXPECT_EQ(f.gauge.HoverZone(), TGaugeZone::gzNextTrack);
    EXPECT_EQ(f.gauge.RepeatMode(), TRepeatMode::rpHoverWatch);
    f.host->MouseMove({30, 9});
    EXPECT_EQ(f.gauge.HoverZone(), TGaugeZone::gzHandle);
    EXPECT_TRUE(f.changes.empty());
}

TEST(GaugeSlider, DisabledGaugeIgnoresInputAndDisablingEndsAPress) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, PrevButton);
    f.gauge.SetEnabled(false);
    EXPECT_FALSE(f.host->HasCapture());
    f.platform.RunFor(2s);
    EXPECT_EQ(f.ChangedPositions(), (TPositions{999}));

    f.host->MouseDown(MouseButton::mbLeft, NextButton);
    EXPECT_FALSE(f.host->MouseWheel(120, {70, 9}));
    f.platform.RunFor(2s);
    EXPECT_EQ(f.gauge.Position(), 999);
    EXPECT_FALSE(f.host->HasCapture());
}

} // namespace

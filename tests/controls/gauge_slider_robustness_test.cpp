// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/gauge_slider.h"
#include "platform/geometry.h"
#include "raster/raster_surface.h"
#include "support/gauge_fixture.h"
#include "support/pixel_asserts.h"

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using controls::TGaugeSlider;
using platform::MouseButton;
using platform::TPoint;
using platform::TRect;
using support::GaugeHeight;
using support::GaugeWidth;
using support::TGaugeFixture;
using support::TGaugeRole;

constexpr int EventsPerRun = 4000;
constexpr std::uint32_t Seeds[] = {1, 20240601, 77};
constexpr std::uint32_t ColourBytes = 0x00FFFFFFu;

// Random input for a gauge: mostly over it, often near it, sometimes very far away.
class TInputSource {
public:
    explicit TInputSource(std::uint32_t seed) : rng_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    TPoint Point() {
        constexpr int Far = 1'000'000'000;
        constexpr int Near = 30;
        const int kind = Below(10);
        if (kind < 6) {
            return {Below(GaugeWidth), Below(GaugeHeight)};
        }
        if (kind < 8) {
            return {Between(-Near, GaugeWidth + Near), Between(-Near, GaugeHeight + Near)};
        }
        return {Between(-Far, Far), Between(-Far, Far)};
    }

    MouseButton Button() {
        const int kind = Below(20);
        return kind < 14   ? MouseButton::mbLeft
               : kind < 17 ? MouseButton::mbRight
                           : MouseButton::mbMiddle;
    }

    std::int32_t WheelDelta() {
        constexpr std::int32_t Typical[] = {120, -120, 240, -240, 119, -119, 1, -1};
        return Below(2) == 0 ? Typical[Below(8)] : Between(-5000, 5000);
    }

private:
    std::mt19937 rng_;
};

// Watches the notifications of one gauge: every change must be reported once, and only
// real changes; OnUserChange must follow the OnChange of the same change.
struct TNotificationWatch {
    std::int32_t lastNotified = 0;
    char lastEvent = ' ';
    int changes = 0;
    int userChanges = 0;
    std::vector<std::string> faults;

    void Attach(TGaugeSlider& gauge) {
        lastNotified = gauge.Position();
        gauge.SetOnChange([this](TGaugeSlider& sender) {
            if (sender.Position() == lastNotified) {
                faults.push_back("OnChange without a change at " +
                                 std::to_string(sender.Position()));
            }
            lastNotified = sender.Position();
            lastEvent = 'C';
            ++changes;
        });
        gauge.SetOnUserChange([this](TGaugeSlider& sender) {
            if (lastEvent != 'C' || sender.Position() != lastNotified) {
                faults.push_back("OnUserChange without its OnChange");
            }
            lastEvent = 'U';
            ++userChanges;
        });
    }
};

// Checks what must hold after every event; returns a failure naming the first broken rule.
::testing::AssertionResult Consistent(TGaugeFixture& f, const TNotificationWatch& watch) {
    const TGaugeSlider& g = f.gauge;
    if (g.Position() < g.Min() || g.Position() > g.Max()) {
        return ::testing::AssertionFailure() << "Position " << g.Position() << " out of range";
    }
    if (!watch.faults.empty()) {
        return ::testing::AssertionFailure() << watch.faults.front();
    }
    if (watch.lastNotified != g.Position()) {
        return ::testing::AssertionFailure()
               << "Position " << g.Position() << " but the last notification saw "
               << watch.lastNotified;
    }
    const TRect track = g.TrackRect();
    const TRect handle = g.HandleRect();
    if (handle.left < track.left || handle.right > track.right) {
        return ::testing::AssertionFailure() << "the handle leaves the track";
    }

    // Let the window paint: the control may copy only into its client area, and the
    // screen must then show exactly what the control paints now.
    f.platform.ProcessMessages();
    const TRect client = platform::SizeRect(GaugeWidth, GaugeHeight);
    for (const TRect& area : f.host->LastPaintCopies()) {
        if (platform::Intersection(area, client) != area) {
            return ::testing::AssertionFailure() << "a paint copies outside the client area";
        }
    }
    raster::TRasterSurface picture(GaugeWidth, GaugeHeight);
    g.PaintTo(picture);
    std::vector<std::uint32_t> colours;
    for (const raster::TPixel32 pixel : picture.Pixels()) {
        if (pixel >> 24 != 0xFFu) {
            return ::testing::AssertionFailure() << "a pixel is left unpainted";
        }
        colours.push_back(pixel & ColourBytes);
    }
    return support::SamePixels(f.host->Screen(), colours, GaugeWidth);
}

void RunRandomInput(TGaugeRole role, std::uint32_t seed) {
    TGaugeFixture f(role);
    TNotificationWatch watch;
    watch.Attach(f.gauge);
    TInputSource input(seed);
    int wheelMoves = 0;
    for (int event = 0; event < EventsPerRun; ++event) {
        std::string what;
        const int userChangesBefore = watch.userChanges;
        const int kind = input.Below(100);
        if (kind < 15) {
            const TPoint p = input.Point();
            f.host->MouseDown(input.Button(), p);
            what = "press at " + std::to_string(p.x) + ", " + std::to_string(p.y);
        } else if (kind < 50) {
            const TPoint p = input.Point();
            f.host->MouseMove(p);
            what = "move to " + std::to_string(p.x) + ", " + std::to_string(p.y);
        } else if (kind < 63) {
            const TPoint p = input.Point();
            f.host->MouseUp(input.Button(), p);
            what = "release at " + std::to_string(p.x) + ", " + std::to_string(p.y);
        } else if (kind < 67) {
            f.host->MouseLeave();
            what = "leave";
        } else if (kind < 77) {
            const std::int32_t delta = input.WheelDelta();
            const std::int32_t before = f.gauge.Position();
            ASSERT_TRUE(f.host->MouseWheel(delta, input.Point()));
            wheelMoves += f.gauge.Position() != before ? 1 : 0;
            ASSERT_EQ(watch.userChanges, userChangesBefore) << "the wheel is no user change";
            what = "wheel " + std::to_string(delta);
        } else {
            const auto duration = std::chrono::milliseconds(input.Between(0, 800));
            f.platform.RunFor(duration);
            what = "wait " + std::to_string(duration.count()) + " ms";
        }
        ASSERT_TRUE(Consistent(f, watch)) << "after event " << event << ": " << what;
    }
    // The run must have exercised the interesting paths, not just idled.
    EXPECT_GT(watch.userChanges, 50);
    EXPECT_GT(wheelMoves, 50);
    EXPECT_TRUE(f.platform.ErrorBoxes().empty());
}

TEST(GaugeSliderRobustness, GaugeLevelSurvivesRandomInput) {
    for (const std::uint32_t seed : Seeds) {
        SCOPED_TRACE(seed);
        RunRandomInput(TGaugeRole::grLevel, seed);
    }
}

TEST(GaugeSliderRobustness, GaugeFSurvivesRandomInput) {
    for (const std::uint32_t seed : Seeds) {
        SCOPED_TRACE(seed);
        RunRandomInput(TGaugeRole::grFrequency, seed);
    }
}

} // namespace

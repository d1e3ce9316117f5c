// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/gauge_look.h"
#include "controls/gauge_slider.h"
#include "platform/color.h"
#include "platform/scripted/scripted_control_host.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/raster_surface.h"
#include "support/gauge_fixture.h"
#include "support/pixel_asserts.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using controls::PanelGaugeLook;
using controls::TGaugeSlider;
using platform::MouseButton;
using platform::RGB;
using platform::TColor;
using platform::scripted::TScriptedPlatform;
using support::GaugeHeight;
using support::GaugeWidth;
using support::SamePixels;
using support::TGaugeFixture;
using support::TGaugeRole;

// The colours of the window's sliders and those derived from them.
constexpr TColor Border = RGB(16, 16, 16);
constexpr TColor Grey = RGB(128, 128, 128); // highlight and shadow
constexpr TColor Face = RGB(166, 189, 197); // buttons and handle
constexpr TColor Track = RGB(34, 46, 51);
constexpr TColor TrackLine = RGB(71, 76, 79);
constexpr TColor HandleHi = RGB(190, 213, 221);
constexpr TColor HandleLo = RGB(142, 165, 173);
constexpr TColor HandleBevel = RGB(109, 123, 128);
constexpr TColor White = RGB(255, 255, 255);

// What the screen holds for a colour: its colour bytes, 0x00RRGGBB.
constexpr std::uint32_t OnScreen(TColor c) {
    return (std::uint32_t{platform::RedOf(c)} << 16) | (std::uint32_t{platform::GreenOf(c)} << 8) |
           platform::BlueOf(c);
}

// The expected picture of a 142 x 18 gauge, put together from a description in rows,
// columns and areas with inclusive pixel ranges.
class TPicture {
public:
    static constexpr std::uint32_t Unset = 0xFFFFFFFFu;

    TPicture() : pixels_(static_cast<std::size_t>(GaugeWidth * GaugeHeight), Unset) {}

    void Area(int x0, int x1, int y0, int y1, TColor c) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                pixels_[static_cast<std::size_t>(y * GaugeWidth + x)] = OnScreen(c);
            }
        }
    }
    void Column(int x, int y0, int y1, TColor c) { Area(x, x, y0, y1, c); }
    void Row(int y, int x0, int x1, TColor c) { Area(x0, x1, y, y, c); }

    // The filled triangle with vertices (baseX, cy + s), (baseX - s, cy), (baseX, cy - s).
    void ArrowLeft(int baseX, int cy, int s, TColor c) {
        for (int dy = -s; dy <= s; ++dy) {
            Row(cy + dy, baseX - (s - std::abs(dy)), baseX, c);
        }
    }
    // The filled triangle with vertices (baseX, cy + s), (baseX + s, cy), (baseX, cy - s).
    void ArrowRight(int baseX, int cy, int s, TColor c) {
        for (int dy = -s; dy <= s; ++dy) {
            Row(cy + dy, baseX, baseX + (s - std::abs(dy)), c);
        }
    }

    // The checkerboard of the patterned background: `even` where x + y is even.
    void Checkerboard(int x0, int x1, int y0, int y1, TColor even, TColor odd) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                Area(x, x, y, y, (x + y) % 2 == 0 ? even : odd);
            }
        }
    }

    bool Complete() const {
        for (const std::uint32_t pixel : pixels_) {
            if (pixel == Unset) {
                return false;
            }
        }
        return true;
    }

    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

private:
    std::vector<std::uint32_t> pixels_;
};

// A window slider, enabled and not pressed, with its 24-pixel handle's left edge at
// `handleLeft` (19 to 101).
TPicture PanelGauge(int handleLeft) {
    const int hl = handleLeft;
    const int hr = hl + 24; // first column after the handle
    TPicture p;
    p.Row(0, 0, 141, Border);
    p.Row(17, 0, 141, Border);

    // Previous button, x 0 to 16.
    p.Column(0, 1, 16, Border);
    p.Column(1, 1, 16, Grey);
    p.Row(1, 1, 16, Grey);
    p.Column(16, 1, 16, Grey);
    p.Row(16, 1, 16, Grey);
    p.Area(2, 15, 2, 15, Face);
    p.ArrowLeft(9, 8, 3, Border);

    // Next button, x 125 to 141.
    p.Column(141, 1, 16, Border);
    p.Column(125, 1, 16, Grey);
    p.Row(1, 125, 140, Grey);
    p.Column(140, 1, 16, Grey);
    p.Row(16, 125, 140, Grey);
    p.Area(126, 139, 2, 15, Face);
    p.ArrowRight(131, 8, 3, Border);

    // Previous track, from 17 up to the handle.
    p.Column(17, 1, 16, Border);
    p.Column(18, 2, 16, TrackLine);
    p.Row(1, 18, hl - 1, TrackLine);
    p.Area(19, hl - 1, 2, 16, Track);

    // Handle.
    p.Column(hl, 1, 16, Border);
    p.Column(hr - 1, 1, 16, Border);
    p.Column(hl + 1, 2, 16, HandleHi);
    p.Row(1, hl + 1, hr - 3, HandleHi);
    p.Column(hr - 2, 1, 15, HandleBevel);
    p.Row(16, hl + 2, hr - 2, HandleBevel);
    p.Area(hl + 2, hr - 3, 2, 15, Face);
    for (const int bar : {hl + 7, hl + 10, hl + 13, hl + 16}) {
        p.Column(bar, 3, 14, HandleHi);
        p.Column(bar + 1, 3, 14, HandleLo);
    }

    // Next track, from the handle to 124.
    if (hr < 125) {
        p.Column(124, 1, 16, Border);
        p.Row(1, hr, 123, TrackLine);
        p.Area(hr, 123, 2, 16, Track);
    }
    return p;
}

::testing::AssertionResult Shows(TGaugeFixture& f, const TPicture& expected) {
    if (!expected.Complete()) {
        return ::testing::AssertionFailure() << "the expected picture leaves pixels out";
    }
    f.platform.ProcessMessages();
    return SamePixels(f.host->Screen(), expected.Pixels(), GaugeWidth);
}

TEST(GaugeSliderPaint, GaugeLevelAt160) {
    TGaugeFixture level(TGaugeRole::grLevel);
    EXPECT_TRUE(Shows(level, PanelGauge(101)));
}

TEST(GaugeSliderPaint, GaugeFAt1000) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    EXPECT_TRUE(Shows(f, PanelGauge(27)));
}

TEST(GaugeSliderPaint, HandleIsRedrawnWhereADragLeavesIt) {
    TGaugeFixture level(TGaugeRole::grLevel);
    level.platform.ProcessMessages();
    level.host->MouseDown(MouseButton::mbLeft, {110, 9});
    level.host->MouseMove({68, 9});
    level.host->MouseUp(MouseButton::mbLeft, {68, 9});
    EXPECT_TRUE(Shows(level, PanelGauge(59)));
}

TEST(GaugeSliderPaint, PressedPreviousButtonLosesItsBevelAndItsArrowMovesDownRight) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, {8, 9}); // 999: the handle stays at 27
    TPicture pressed = PanelGauge(27);
    pressed.Area(1, 16, 1, 16, Face);
    pressed.ArrowLeft(10, 9, 3, Border);
    EXPECT_TRUE(Shows(f, pressed));

    f.host->MouseUp(MouseButton::mbLeft, {8, 9});
    EXPECT_TRUE(Shows(f, PanelGauge(27)));
}

TEST(GaugeSliderPaint, PressedTrackPartIsFilledWithTheBorderColour) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.host->MouseDown(MouseButton::mbLeft, {20, 9}); // 990: the handle stays at 27
    ASSERT_EQ(f.gauge.Position(), 990);
    TPicture pressed = PanelGauge(27);
    pressed.Area(18, 26, 1, 16, Border);
    EXPECT_TRUE(Shows(f, pressed));
}

TEST(GaugeSliderPaint, PressedHandleHasItsBevelDarkAndItsGripMovedDownRight) {
    TGaugeFixture level(TGaugeRole::grLevel);
    level.host->MouseDown(MouseButton::mbLeft, {110, 9});
    TPicture pressed = PanelGauge(101);
    pressed.Column(102, 2, 16, HandleLo);
    pressed.Row(1, 102, 122, HandleLo);
    pressed.Column(123, 1, 15, Face);
    pressed.Row(16, 103, 123, Face);
    pressed.Area(103, 122, 2, 15, Face);
    for (const int bar : {109, 112, 115, 118}) {
        pressed.Column(bar, 4, 15, HandleHi);
        pressed.Column(bar + 1, 4, 15, HandleLo);
    }
    EXPECT_TRUE(Shows(level, pressed));
}

TEST(GaugeSliderPaint, FocusMarkDotsTheRingOfTheHandlesFace) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetFocusMark(true);
    TPicture marked = PanelGauge(27); // the face: x 29 to 48, y 2 to 15
    for (const auto& [x0, x1, y0, y1] : {std::array{29, 48, 2, 2}, std::array{29, 48, 15, 15},
                                         std::array{29, 29, 3, 14}, std::array{48, 48, 3, 14}}) {
        marked.Checkerboard(x0, x1, y0, y1, Border, Face);
    }
    EXPECT_TRUE(Shows(f, marked));
}

TEST(GaugeSliderPaint, DisabledGaugeIsGreyWithEngravedArrowsAndNoHandle) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetHighLightColor(White); // to tell the arrows' two layers apart
    // A press on the track, which the disabling ends: no part is drawn pressed.
    f.host->MouseDown(MouseButton::mbLeft, {20, 9});
    f.gauge.SetEnabled(false);
    TPicture p;
    p.Row(0, 0, 141, Grey);
    p.Row(17, 0, 141, Grey);
    for (const int x : {0, 17, 124, 141}) {
        p.Column(x, 1, 16, Grey);
    }
    p.Area(1, 16, 1, 16, Face);
    p.Area(18, 123, 1, 16, Face);
    p.Area(125, 140, 1, 16, Face);
    p.ArrowLeft(10, 9, 3, White);
    p.ArrowLeft(9, 8, 3, Grey);
    p.ArrowRight(132, 9, 3, White);
    p.ArrowRight(131, 8, 3, Grey);
    EXPECT_TRUE(Shows(f, p));
}

TEST(GaugeSliderPaint, PatternedBackgroundFillsTheTrackWithACheckerboard) {
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetBackgnd(controls::TGaugeBackground::bgPattern);
    TPicture p = PanelGauge(27);
    p.Checkerboard(19, 26, 2, 16, Grey, Track);
    p.Checkerboard(51, 123, 2, 16, Grey, Track);
    EXPECT_TRUE(Shows(f, p));
}

TEST(GaugeSliderPaint, GripDropsItsOuterBarsOnAFaceOfTenPixelsOrLess) {
    // One row of the handle's face from x 19, as text: h and l for the grip's light and
    // dark columns, - for the face.
    const auto gripRow = [](const TGaugeFixture& f, int y, int width) {
        std::string row;
        for (int x = 19; x < 19 + width; ++x) {
            const std::uint32_t pixel = f.host->ScreenPixel(x, y);
            row += pixel == OnScreen(HandleHi) ? 'h' : pixel == OnScreen(HandleLo) ? 'l' : '-';
        }
        return row;
    };
    TGaugeFixture f(TGaugeRole::grFrequency);
    f.gauge.SetPosition(0);
    f.gauge.SetHandleSize(14); // a face of 10 pixels
    f.platform.ProcessMessages();
    for (int y = 3; y <= 14; ++y) {
        EXPECT_EQ(gripRow(f, y, 10), "---hl-hl--") << y;
    }
    f.gauge.SetHandleSize(15); // 11 pixels
    f.platform.ProcessMessages();
    for (int y = 3; y <= 14; ++y) {
        EXPECT_EQ(gripRow(f, y, 11), "hl-hl-hl-hl") << y;
    }
    f.gauge.SetShowHandleGrip(false);
    f.platform.ProcessMessages();
    EXPECT_EQ(gripRow(f, 8, 11), "-----------");
}

TEST(GaugeSliderPaint, SystemColoursAreResolvedWhenPainting) {
    TScriptedPlatform platform;
    platform.SetSystemColor(platform::SystemColorIndex::siWindowFrame, RGB(1, 2, 3));
    platform.SetSystemColor(platform::SystemColorIndex::siButtonFace, RGB(4, 5, 6));
    platform.SetSystemColor(platform::SystemColorIndex::siButtonHighlight, RGB(7, 8, 9));
    platform.SetSystemColor(platform::SystemColorIndex::siButtonShadow, RGB(10, 11, 12));
    TGaugeSlider gauge(platform); // 100 x 16, all colours from the system
    raster::TRasterSurface picture(TGaugeSlider::DefaultWidth, TGaugeSlider::DefaultHeight);
    gauge.PaintTo(picture);
    const auto at = [&](int x, int y) { return picture.Pixels()[y * picture.Width() + x]; };
    EXPECT_EQ(at(0, 0), raster::ColorToPixel32(RGB(1, 2, 3)));      // border
    EXPECT_EQ(at(1, 1), raster::ColorToPixel32(RGB(7, 8, 9)));      // button highlight
    EXPECT_EQ(at(14, 14), raster::ColorToPixel32(RGB(10, 11, 12))); // button shadow
    EXPECT_EQ(at(2, 2), raster::ColorToPixel32(RGB(4, 5, 6)));      // button face
}

// Every pixel of the client area is written on every paint, whatever the size and state;
// the surface starts all zero, and painted pixels are opaque.
TEST(GaugeSliderPaint, EveryPixelIsPaintedInEverySizeAndState) {
    TScriptedPlatform platform;
    TGaugeSlider gauge(platform);
    ApplyGaugeLook(gauge, PanelGaugeLook);
    int paints = 0;
    for (const int width : {0, 1, 2, 3, 4, 5, 6, 7, 10, 20, 37, 142}) {
        for (const int height : {0, 1, 2, 3, 4, 5, 18, 40}) {
            gauge.SetClientSize(width, height);
            for (const bool arrows : {true, false}) {
                gauge.SetShowArrows(arrows);
                for (const int handleSize : {0, 1, 3, 24, 1000}) {
                    gauge.SetHandleSize(handleSize);
                    for (const int position : {0, 37, 100}) {
                        gauge.SetPosition(position);
                        for (const bool enabled : {true, false}) {
                            gauge.SetEnabled(enabled);
                            for (const int pressX : {-1, 0, width / 4, width / 2, width - 1}) {
                                if (pressX >= 0) {
                                    gauge.MouseDown(MouseButton::mbLeft, {pressX, height / 2});
                                }
                                raster::TRasterSurface picture(width, height);
                                gauge.PaintTo(picture);
                                ++paints;
                                for (const raster::TPixel32 pixel : picture.Pixels()) {
                                    ASSERT_EQ(pixel >> 24, 0xFFu)
                                        << width << " x " << height << ", arrows " << arrows
                                        << ", handle " << handleSize << ", position " << position
                                        << ", enabled " << enabled << ", press at " << pressX;
                                }
                                gauge.MouseUp(MouseButton::mbLeft, {pressX, height / 2});
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(paints, 12 * 8 * 2 * 5 * 3 * 2 * 5);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/surface_view.h"
#include "platform/color.h"
#include "platform/scripted/scripted_control_host.h"
#include "platform/scripted/scripted_platform.h"
#include "raster/raster_surface.h"
#include "support/pixel_asserts.h"
#include "support/platform_printers.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using controls::TRectList;
using controls::TSurfaceView;
using platform::RGB;
using platform::TRect;
using platform::scripted::TScriptedControlHost;
using platform::scripted::TScriptedPlatform;
using raster::TPixel32;
using raster::TRasterSurface;
using support::SamePixels;

constexpr std::int32_t Width = 512;
constexpr std::int32_t Height = 241;
constexpr TRect ClientArea{0, 0, Width, Height};
constexpr std::uint32_t ColourBytes = 0x00FFFFFF;

// Compositions take no time, so the optimizer never changes its level on its own.
controls::TMicrosecondClock FrozenClock() {
    return [] { return std::int64_t{0}; };
}

// A picture whose every pixel, alpha byte included, differs from its neighbours.
void FillWithDistinctPixels(TRasterSurface& surface, std::uint32_t seed) {
    std::uint32_t value = seed;
    for (TPixel32& pixel : surface.Pixels()) {
        value = value * 1664525u + 1013904223u;
        pixel = value;
    }
}

// What the screen shows of a picture: its colour bytes, cut off at the client area and
// with `background` where the picture does not reach.
std::vector<std::uint32_t> OnScreen(const TRasterSurface& picture, std::uint32_t background,
                                    std::int32_t width = Width, std::int32_t height = Height) {
    std::vector<std::uint32_t> screen(static_cast<std::size_t>(width * height),
                                      background & ColourBytes);
    for (std::int32_t y = 0; y < std::min(height, picture.Height()); ++y) {
        for (std::int32_t x = 0; x < std::min(width, picture.Width()); ++x) {
            screen[static_cast<std::size_t>(y * width + x)] =
                picture.Pixels()[static_cast<std::size_t>(y * picture.Width() + x)] & ColourBytes;
        }
    }
    return screen;
}

// The spectrum display as the main window lays it out, shown at (15, 9).
struct TDisplay {
    TScriptedPlatform platform;
    TSurfaceView view{platform, Width, Height, FrozenClock()};
    std::unique_ptr<TScriptedControlHost> host;

    explicit TDisplay(controls::TRepaintMode mode = controls::TRepaintMode::rmOptimizer) {
        view.SetRepaintMode(mode);
        host = std::make_unique<TScriptedControlHost>(platform, view,
                                                      TRect{15, 9, 15 + Width, 9 + Height});
    }
    ~TDisplay() { host.reset(); }
};

TEST(SurfaceView, BackBufferGrowsWithSlackAndShrinksOnlyBeyondIt) {
    TScriptedPlatform platform;
    TSurfaceView view(platform, Width, Height);
    EXPECT_EQ(view.Buffer().Width(), 552);
    EXPECT_EQ(view.Buffer().Height(), 281);
    EXPECT_EQ(view.RepaintOptimizer().Columns(), 18);

    view.SetClientSize(530, 281); // within the slack: kept
    EXPECT_EQ(view.Buffer().Width(), 552);
    EXPECT_EQ(view.Buffer().Height(), 281);
    view.SetClientSize(553, 241); // wider than the buffer: grows with slack
    EXPECT_EQ(view.Buffer().Width(), 593);
    EXPECT_EQ(view.Buffer().Height(), 281);
    view.SetClientSize(100, 0); // more than the slack too large: shrinks to fit, at least 1
    EXPECT_EQ(view.Buffer().Width(), 100);
    EXPECT_EQ(view.Buffer().Height(), 1);
}

TEST(SurfaceView, FirstPaintShowsOnlyTheBackground) {
    TDisplay display;
    display.view.SetColor(RGB(10, 20, 30));
    display.platform.ProcessMessages();
    EXPECT_EQ(display.host->LastPaintCopies(), (TRectList{ClientArea}));
    EXPECT_TRUE(SamePixels(display.host->Screen(),
                           std::vector<std::uint32_t>(Width * Height, 0x000A141E), Width));
}

TEST(SurfaceView, DefaultBackgroundIsBlackAndSystemColoursAreResolved) {
    TDisplay display;
    display.platform.ProcessMessages();
    EXPECT_TRUE(
        SamePixels(display.host->Screen(), std::vector<std::uint32_t>(Width * Height, 0), Width));

    display.platform.SetSystemColor(platform::SystemColorIndex::siButtonFace, RGB(1, 2, 3));
    display.view.SetColor(platform::scButtonFace);
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(),
                           std::vector<std::uint32_t>(Width * Height, 0x00010203), Width));
}

TEST(SurfaceView, HandOverShowsAnExactCopyOnceTheMessagesAreServed) {
    TDisplay display;
    display.platform.ProcessMessages();
    TRasterSurface source(Width, Height);
    FillWithDistinctPixels(source, 5);

    display.view.SetBitmap(source);
    EXPECT_TRUE(SamePixels(display.view.Bitmap().Pixels(), source.Pixels(), Width));
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(source, 0), Width));
    // The back buffer holds the picture with all four bytes.
    std::vector<TPixel32> composed;
    for (int y = 0; y < Height; ++y) {
        const auto row =
            display.view.Buffer().Pixels().subspan(static_cast<std::size_t>(y) * 552, Width);
        composed.insert(composed.end(), row.begin(), row.end());
    }
    EXPECT_TRUE(SamePixels(composed, source.Pixels(), Width));
}

TEST(SurfaceView, FocusMarkDotsTheOutermostRingOverThePicture) {
    TDisplay display;
    TRasterSurface source(Width, Height);
    FillWithDistinctPixels(source, 5);
    display.view.SetBitmap(source);
    display.view.SetFocusColor(RGB(1, 2, 3));
    display.view.SetFocusMark(true);
    display.platform.ProcessMessages();
    std::vector<std::uint32_t> marked = OnScreen(source, 0);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            if ((x % (Width - 1) == 0 || y % (Height - 1) == 0) && (x + y) % 2 == 0) {
                marked[static_cast<std::size_t>(y * Width + x)] = 0x00010203; // on the ring
            }
        }
    }
    EXPECT_TRUE(SamePixels(display.host->Screen(), marked, Width));
}

TEST(SurfaceView, DrawingOnTheSourceAfterAHandOverShowsNothingUntilTheNext) {
    TDisplay display;
    TRasterSurface source(Width, Height);
    FillWithDistinctPixels(source, 8);
    display.view.SetBitmap(source);
    display.platform.ProcessMessages();
    const std::vector<std::uint32_t> shown = OnScreen(source, 0);

    source.Canvas().SetBrushColor(RGB(255, 0, 0));
    source.Canvas().FillRect({0, 0, Width, Height});
    display.host->Invalidate();
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), shown, Width));

    display.view.SetBitmap(source);
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(source, 0), Width));
}

TEST(SurfaceView, SameSizeHandOverReallocatesNothingAndRepaintsTheWholeArea) {
    TDisplay display;
    TRasterSurface source(Width, Height);
    display.view.SetBitmap(source);
    display.platform.ProcessMessages();
    const TPixel32* bitmapBits = display.view.Bitmap().Bits();
    const TPixel32* bufferBits = display.view.Buffer().Bits();
    int resizes = 0;
    display.view.SetOnBitmapResize([&](TSurfaceView&) { ++resizes; });

    FillWithDistinctPixels(source, 9);
    display.view.SetBitmap(source);
    EXPECT_EQ(display.platform.PostedCount(), 1u) << "the control posts itself one paint request";
    EXPECT_FALSE(display.host->NeedsPaint());
    const int paints = display.host->PaintCount();
    display.platform.ProcessMessages();

    EXPECT_EQ(display.host->PaintCount(), paints + 1);
    EXPECT_EQ(display.host->LastPaintCopies(), (TRectList{ClientArea}));
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(source, 0), Width));
    EXPECT_EQ(display.view.Bitmap().Bits(), bitmapBits);
    EXPECT_EQ(display.view.Buffer().Bits(), bufferBits);
    EXPECT_EQ(resizes, 0);
}

TEST(SurfaceView, ResizedHandOverForcesAFullRepaint) {
    TDisplay display;
    display.platform.ProcessMessages();
    int resizes = 0;
    display.view.SetOnBitmapResize([&](TSurfaceView&) { ++resizes; });

    TRasterSurface source(Width, Height); // never drawn on: all zero
    display.view.SetBitmap(source);
    EXPECT_EQ(resizes, 1);
    EXPECT_TRUE(display.host->NeedsPaint()) << "the whole window, not a posted request";
    EXPECT_EQ(display.platform.PostedCount(), 0u);
    display.platform.ProcessMessages();
    EXPECT_EQ(display.host->LastPaintCopies(), (TRectList{ClientArea}));
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(source, 0), Width));
}

TEST(SurfaceView, SmallerBitmapLeavesBackgroundAndLargerIsCutOff) {
    TDisplay display;
    display.view.SetColor(RGB(0, 0, 255));
    constexpr std::uint32_t Blue = 0x000000FF;

    TRasterSurface small(100, 50);
    FillWithDistinctPixels(small, 1);
    display.view.SetBitmap(small);
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(small, Blue), Width));
    display.view.SetBitmap(small); // the same size again: through the optimizer
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(small, Blue), Width));

    TRasterSurface large(600, 300);
    FillWithDistinctPixels(large, 2);
    display.view.SetBitmap(large);
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(large, Blue), Width));

    display.view.SetBitmap(small); // shrinking uncovers background again
    display.platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(small, Blue), Width));
}

TEST(SurfaceView, PaintWithoutPendingChangesCopiesTheWholeClientArea) {
    TDisplay display;
    TRasterSurface source(Width, Height);
    FillWithDistinctPixels(source, 4);
    display.view.SetBitmap(source);
    display.platform.ProcessMessages();

    display.host->Invalidate(); // e.g. the window was uncovered
    display.platform.ProcessMessages();
    EXPECT_EQ(display.host->LastPaintCopies(), (TRectList{ClientArea}));
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(source, 0), Width));
}

TEST(SurfaceView, EveryFrameShowsThePictureOfTheTickBeforeAndIsOnScreenBeforeTheNextTick) {
    TDisplay display;
    TRasterSurface frame(Width, Height);
    auto timer = display.platform.CreateTimer();
    std::vector<std::uint32_t> seenAtTick;
    std::uint8_t ticks = 0;
    timer->SetOnTimer([&] {
        seenAtTick.push_back(display.host->ScreenPixel(100, 100));
        display.view.SetBitmap(frame); // the picture drawn on the previous tick
        ++ticks;
        frame.Canvas().SetBrushColor(RGB(ticks, 0, 0));
        frame.Canvas().FillRect({0, 0, Width, Height});
    });
    timer->SetInterval(64ms);
    timer->Enable();
    display.platform.RunFor(64ms * 4);

    // Tick 1 hands over the untouched, black surface; tick n > 1 the red of tick n - 1.
    // Each hand-over is on screen by the next tick.
    EXPECT_EQ(seenAtTick, (std::vector<std::uint32_t>{0x000000, 0x000000, 0x010000, 0x020000}));
    EXPECT_TRUE(SamePixels(display.host->Screen(),
                           std::vector<std::uint32_t>(Width * Height, 0x030000), Width));
}

TEST(SurfaceView, AtTheHighestLevelEveryPaintRecomposesTheWholeArea) {
    TScriptedPlatform platform;
    // Every reading moves the clock on by the cost, so a composition measures the cost.
    std::int64_t now = 0;
    std::int64_t compositionCost = 10;
    TSurfaceView view(platform, Width, Height, [&] { return now += compositionCost; });
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    TScriptedControlHost host(platform, view, {0, 0, Width, Height});
    TRasterSurface source(Width, Height);
    view.SetBitmap(source);
    platform.ProcessMessages(); // a full composition: the reference

    compositionCost = 100; // piecewise repaints measure slower from now on
    for (std::uint32_t seed = 1; view.RepaintOptimizer().PerformanceLevel() < 2; ++seed) {
        ASSERT_LT(seed, 10u) << "the level never reached 2";
        FillWithDistinctPixels(source, seed);
        view.SetBitmap(source);
        platform.ProcessMessages();
        ASSERT_TRUE(SamePixels(host.Screen(), OnScreen(source, 0), Width));
    }

    // The posted request finds no rectangles and invalidates the window, whose paint then
    // recomposes everything.
    FillWithDistinctPixels(source, 77);
    view.SetBitmap(source);
    const int paints = host.PaintCount();
    platform.ProcessMessages();
    EXPECT_EQ(host.PaintCount(), paints + 2);
    EXPECT_EQ(host.LastPaintCopies(), (TRectList{ClientArea}));
    EXPECT_TRUE(SamePixels(host.Screen(), OnScreen(source, 0), Width));
}

TEST(SurfaceView, FullRepaintModeRepaintsTheWholeWindowOnEveryChange) {
    TDisplay display(controls::TRepaintMode::rmFull);
    TRasterSurface source(Width, Height);
    display.view.SetBitmap(source);
    display.platform.ProcessMessages();

    FillWithDistinctPixels(source, 6);
    display.view.SetBitmap(source);
    EXPECT_TRUE(display.host->NeedsPaint());
    EXPECT_EQ(display.platform.PostedCount(), 0u);
    display.platform.ProcessMessages();
    EXPECT_EQ(display.host->LastPaintCopies(), (TRectList{ClientArea}));
    EXPECT_TRUE(SamePixels(display.host->Screen(), OnScreen(source, 0), Width));
}

TEST(SurfaceView, ChangesDuringAnUpdateNeitherRepaintNorNotify) {
    TDisplay display;
    display.platform.ProcessMessages();
    TRasterSurface source(Width, Height);
    display.view.SetBitmap(source);
    display.platform.ProcessMessages();
    int changes = 0;
    display.view.SetOnChange([&](TSurfaceView&) { ++changes; });

    display.view.BeginUpdate();
    display.view.SetBitmap(source);
    display.view.EndUpdate();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(display.platform.PostedCount(), 0u);
    EXPECT_FALSE(display.host->NeedsPaint());

    display.view.SetBitmap(source);
    EXPECT_EQ(changes, 1);
}

TEST(SurfaceView, LeftPressCapturesTheMouseUntilRelease) {
    TDisplay display;
    display.host->MouseDown(platform::MouseButton::mbRight, {5, 5});
    EXPECT_FALSE(display.host->HasCapture());
    display.host->MouseDown(platform::MouseButton::mbLeft, {5, 5});
    EXPECT_TRUE(display.host->HasCapture());
    display.host->MouseUp(platform::MouseButton::mbLeft, {600, 5});
    EXPECT_FALSE(display.host->HasCapture());
    EXPECT_FALSE(display.host->MouseWheel(120, {5, 5}));
}

TEST(SurfaceView, WithoutAWindowHandOversAreKeptForTheFirstPaint) {
    TScriptedPlatform platform;
    TSurfaceView view(platform, Width, Height, FrozenClock());
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    TRasterSurface source(Width, Height);
    FillWithDistinctPixels(source, 12);
    view.SetBitmap(source);
    view.SetBitmap(source);

    TScriptedControlHost host(platform, view, {0, 0, Width, Height});
    platform.ProcessMessages();
    EXPECT_TRUE(SamePixels(host.Screen(), OnScreen(source, 0), Width));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/color.h"
#include "raster/e_backend.h"
#include "raster/raster_surface.h"
#include "raster/transparent_blit.h"
#include "support/pixel_asserts.h"
#include "support/platform_printers.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::RGB;
using platform::TRect;
using raster::TPixel32;
using raster::TRasterSurface;
using support::SamePixels;

// Records every event of a surface, in order.
struct TEventLog {
    std::vector<std::string> events;
    std::vector<TRect> areas;

    explicit TEventLog(TRasterSurface& surface) {
        surface.SetOnChange([this](TRasterSurface&) { events.push_back("change"); });
        surface.SetOnAreaChanged([this](TRasterSurface&, const TRect& area, std::uint32_t kind) {
            EXPECT_EQ(kind, raster::AreaInfoRect);
            events.push_back("area");
            areas.push_back(area);
        });
        surface.SetOnResize([this](TRasterSurface&) { events.push_back("resize"); });
        surface.SetOnHandleChanged([this](TRasterSurface&) { events.push_back("handle"); });
    }
};

// Hands out heap memory until told to fail.
class TFailingAllocator : public raster::TPixelAllocator {
public:
    TPixel32* Allocate(std::size_t count) override {
        return fail ? nullptr : Default().Allocate(count);
    }
    void Release(TPixel32* pixels) noexcept override { Default().Release(pixels); }

    bool fail = false;
};

// A picture in which every pixel, alpha byte included, differs from its neighbours.
void FillWithDistinctPixels(TRasterSurface& surface, std::uint32_t seed) {
    std::uint32_t value = seed;
    for (TPixel32& pixel : surface.Pixels()) {
        value = value * 1664525u + 1013904223u;
        pixel = value;
    }
}

TEST(RasterSurface, StartsEmptyAndAllocatesZeroedMemoryOnlyWhenBothSidesArePositive) {
    TRasterSurface surface;
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Height(), 0);
    EXPECT_TRUE(surface.IsEmpty());

    surface.SetWidth(512);
    EXPECT_EQ(surface.Width(), 512);
    EXPECT_TRUE(surface.IsEmpty());
    EXPECT_EQ(surface.Bits(), nullptr);
    EXPECT_TRUE(surface.Pixels().empty());

    surface.SetHeight(241);
    EXPECT_FALSE(surface.IsEmpty());
    ASSERT_NE(surface.Bits(), nullptr);
    EXPECT_TRUE(SamePixels(surface.Pixels(), std::vector<TPixel32>(512 * 241, 0), 512));
    EXPECT_EQ(surface.ClipRect(), (TRect{0, 0, 512, 241}));
}

TEST(RasterSurface, ResizeNotifiesInOrderAndNegativeSizesCountAsZero) {
    TRasterSurface surface;
    TEventLog log(surface);
    EXPECT_TRUE(surface.ResizeTo(3, 2));
    EXPECT_EQ(log.events, (std::vector<std::string>{"handle", "area", "change", "resize"}));
    EXPECT_EQ(log.areas, (std::vector<TRect>{{0, 0, 3, 2}}));

    EXPECT_TRUE(surface.ResizeTo(-4, 7));
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Height(), 7);
    EXPECT_TRUE(surface.IsEmpty());
}

TEST(RasterSurface, SettingTheSameSizeChangesNothing) {
    TRasterSurface surface(6, 4);
    surface.Canvas().SetPenColor(RGB(1, 2, 3));
    surface.Bits()[5] = 0x12345678;
    const TPixel32* bits = surface.Bits();
    const raster::TSurfaceCanvas* canvas = &surface.Canvas();
    TEventLog log(surface);

    EXPECT_FALSE(surface.ResizeTo(6, 4));
    surface.SetWidth(6);
    surface.SetHeight(4);
    EXPECT_FALSE(surface.ResizeTo(6, 4));

    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(surface.Bits(), bits);
    EXPECT_EQ(surface.Bits()[5], 0x12345678u);
    EXPECT_EQ(&surface.Canvas(), canvas);
    EXPECT_EQ(surface.Canvas().PenColor(), RGB(1, 2, 3));
}

TEST(RasterSurface, ResizeGivesZeroedPixelsAndAFreshCanvas) {
    TRasterSurface surface(8, 8);
    surface.Canvas().SetPenColor(RGB(9, 9, 9));
    surface.Canvas().SetBrushColor(RGB(200, 0, 0));
    surface.Canvas().FillRect({0, 0, 8, 8});
    surface.SetClipRect({1, 1, 2, 2});

    surface.ResizeTo(9, 7);
    EXPECT_TRUE(SamePixels(surface.Pixels(), std::vector<TPixel32>(9 * 7, 0), 9));
    EXPECT_EQ(surface.ClipRect(), (TRect{0, 0, 9, 7}));
    EXPECT_EQ(surface.Canvas().PenColor(), RGB(0, 0, 0));
    surface.Canvas().FillRect({0, 0, 9, 7});
    EXPECT_TRUE(SamePixels(surface.Pixels(), std::vector<TPixel32>(9 * 7, 0xFFFFFFFF), 9))
        << "the brush is white again";
}

TEST(RasterSurface, CopyIsASnapshotOfSizeAndAllFourBytes) {
    TRasterSurface source(512, 241);
    FillWithDistinctPixels(source, 7);
    TRasterSurface copy;
    TEventLog log(copy);

    copy.CopySurfaceFrom(&source);
    EXPECT_EQ(copy.Width(), 512);
    EXPECT_EQ(copy.Height(), 241);
    EXPECT_TRUE(SamePixels(copy.Pixels(), source.Pixels(), 512));
    // The resize inside the copy notifies nobody of change; the copy notifies once at the end.
    EXPECT_EQ(log.events, (std::vector<std::string>{"handle", "resize", "area", "change"}));
    EXPECT_EQ(log.areas, (std::vector<TRect>{{0, 0, 512, 241}}));

    const std::vector<TPixel32> snapshot(copy.Pixels().begin(), copy.Pixels().end());
    source.Canvas().SetBrushColor(RGB(255, 0, 0));
    source.Canvas().FillRect({0, 0, 512, 241});
    EXPECT_TRUE(SamePixels(copy.Pixels(), snapshot, 512)) << "drawing on the source after a copy";
}

TEST(RasterSurface, CopyOfTheSameSizeReusesTheMemory) {
    TRasterSurface source(512, 241);
    TRasterSurface copy(512, 241);
    const TPixel32* bits = copy.Bits();
    TEventLog log(copy);
    FillWithDistinctPixels(source, 11);

    copy.CopySurfaceFrom(&source);
    EXPECT_EQ(copy.Bits(), bits);
    EXPECT_EQ(log.events, (std::vector<std::string>{"area", "change"}));
    EXPECT_TRUE(SamePixels(copy.Pixels(), source.Pixels(), 512));
}

TEST(RasterSurface, CopyFromNothingOrAnEmptySurfaceTakesItsSize) {
    TRasterSurface copy(4, 4);
    copy.CopySurfaceFrom(nullptr);
    EXPECT_EQ(copy.Width(), 0);
    EXPECT_EQ(copy.Height(), 0);

    TRasterSurface flat;
    flat.SetWidth(30);
    copy.CopySurfaceFrom(&flat);
    EXPECT_EQ(copy.Width(), 30);
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(RasterSurface, ChangesDuringAnUpdateAreNeitherNotifiedNorRemembered) {
    TRasterSurface surface(4, 4);
    TEventLog log(surface);
    surface.StartUpdate();
    surface.StartUpdate();
    surface.Canvas().FillRect({0, 0, 4, 4});
    surface.EndUpdate();
    surface.Canvas().LineTo(3, 3);
    surface.EndUpdate();
    EXPECT_TRUE(log.events.empty());
    surface.Canvas().MoveTo(1, 1);
    EXPECT_TRUE(log.events.empty()) << "move-to never notifies";
    surface.NotifyChange();
    EXPECT_EQ(log.events, (std::vector<std::string>{"area", "change"}));
}

TEST(RasterSurface, FailedAllocationThrowsAndLeavesTheSurfaceEmpty) {
    TFailingAllocator allocator;
    TRasterSurface surface(10, 10, allocator);
    allocator.fail = true;
    TEventLog log(surface);
    try {
        surface.ResizeTo(20, 20);
        FAIL() << "no error";
    } catch (const raster::EBackend& error) {
        EXPECT_STREQ(error.what(), "Can't allocate the DIB handle");
    }
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Height(), 0);
    EXPECT_EQ(surface.Bits(), nullptr);
    EXPECT_EQ(surface.ClipRect(), (TRect{0, 0, 0, 0}));
    EXPECT_EQ(log.events, (std::vector<std::string>{"handle"})) << "the old memory is gone";

    allocator.fail = false;
    EXPECT_TRUE(surface.ResizeTo(20, 20));
    EXPECT_FALSE(surface.IsEmpty());
}

TEST(RasterSurface, FailedCopyStillNotifiesOnceAndPassesTheErrorOn) {
    TRasterSurface source(16, 16);
    TFailingAllocator allocator;
    allocator.fail = true;
    TRasterSurface copy(allocator);
    TEventLog log(copy);
    EXPECT_THROW(copy.CopySurfaceFrom(&source), raster::EBackend);
    EXPECT_EQ(log.events, (std::vector<std::string>{"handle", "area", "change"}));
    EXPECT_TRUE(copy.IsEmpty());
    copy.NotifyChange();
    EXPECT_EQ(log.events.size(), 5u) << "the update the copy started is over";
}

TEST(RasterSurface, SizesBeyondAddressableMemoryFailCleanly) {
    TRasterSurface surface;
    constexpr std::int32_t Huge = std::numeric_limits<std::int32_t>::max();
    EXPECT_THROW(surface.ResizeTo(Huge, Huge), raster::EBackend);
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.Bits(), nullptr);
}

TEST(RasterSurface, LockIsReentrantAndCountsHolders) {
    TRasterSurface surface;
    {
        TRasterSurface::TLockGuard outer(surface);
        TRasterSurface::TLockGuard inner(surface);
        EXPECT_EQ(surface.LockCount(), 2);
    }
    EXPECT_EQ(surface.LockCount(), 0);
}

TEST(RasterSurface, ClippedFillAndOpaqueDrawKeepToTheClipRectangle) {
    TRasterSurface target(6, 5);
    TRasterSurface picture(4, 4);
    FillWithDistinctPixels(picture, 3);
    target.SetClipRect({1, 1, 5, 9}); // clamped to the surface: (1, 1, 5, 5)
    EXPECT_EQ(target.ClipRect(), (TRect{1, 1, 5, 5}));
    target.FillRectClipped({-3, -3, 20, 20}, 0xFF0000FF);
    target.DrawOpaque(picture, {3, 2});
    target.DotRectClipped({-3, -3, 20, 20}, 7); // every other pixel

    std::vector<TPixel32> expected(6 * 5, 0);
    for (int y = 1; y < 5; ++y) {
        for (int x = 1; x < 5; ++x) {
            const bool fromPicture = x >= 3 && y >= 2;
            expected[static_cast<std::size_t>(y * 6 + x)] =
                (x + y) % 2 == 0 ? 7
                : fromPicture    ? picture.Pixels()[static_cast<std::size_t>((y - 2) * 4 + (x - 3))]
                                 : 0xFF0000FF;
        }
    }
    EXPECT_TRUE(SamePixels(target.Pixels(), expected, 6));
}

// A picture placed at the ends of the coordinate range lies wholly outside the surface; its
// far edges pass the end of the range, which the sanitized build would report.
TEST(RasterSurface, BlitsAtTheEndsOfTheCoordinateRangeDrawNothing) {
    constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();
    TRasterSurface target(6, 5);
    TRasterSurface picture(4, 4);
    FillWithDistinctPixels(picture, 5);
    for (const platform::TPoint at : {platform::TPoint{Max - 1, 0}, platform::TPoint{0, Max - 2},
                                      platform::TPoint{Max, Max}, platform::TPoint{Min, Min}}) {
        target.DrawOpaque(picture, at);
        raster::DrawTransparent(target, picture, at);
        EXPECT_TRUE(SamePixels(target.Pixels(), std::vector<TPixel32>(6 * 5, 0), 6))
            << at.x << ", " << at.y;
    }
}

} // namespace

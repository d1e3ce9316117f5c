// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/surface_view.h"
#include "platform/geometry.h"
#include "platform/qt/qt_control_widget.h"
#include "platform/qt/qt_platform.h"
#include "raster/raster_surface.h"
#include "support/pixel_asserts.h"

#include <cstdint>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// Each case creates its own application, since Qt reads the scaling settings then.

namespace {

using platform::qt::TQtControlWidget;
using platform::qt::TQtPlatform;

constexpr std::int32_t Width = 64;
constexpr std::int32_t Height = 24;
constexpr std::int32_t Margin = 10; // around the control in its window
constexpr std::uint32_t ColourBytes = 0x00FFFFFF;

struct TScreenShot {
    qreal devicePixelRatio = 0;
    QImage window; // the window system's image of the window
    QImage widget; // the control's widget rendered in device pixels
};

// Shows `picture` in a hosted display and takes pictures of it.
TScreenShot ShowPictureAndGrabIt(const raster::TRasterSurface& picture) {
    int argc = 1;
    char name[] = "orvex-scaling-test";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    TQtPlatform qt;
    controls::TSurfaceView view(qt);
    QWidget window;
    window.setFixedSize(Width + 2 * Margin, Height + 2 * Margin);
    TQtControlWidget widget(qt, view, {Margin, Margin, Margin + Width, Margin + Height}, &window);
    view.SetBitmap(picture);
    window.show();
    TScreenShot shot;
    if (!QTest::qWaitForWindowExposed(&window)) {
        return shot;
    }
    shot.devicePixelRatio = widget.devicePixelRatioF();
    shot.window =
        widget.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    shot.widget = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    return shot;
}

// A picture whose every pixel, the fourth byte included, differs from its neighbours.
void FillWithDistinctPixels(raster::TRasterSurface& picture) {
    std::uint32_t value = 3;
    for (raster::TPixel32& pixel : picture.Pixels()) {
        value = value * 1664525u + 1013904223u;
        pixel = value;
    }
}

std::vector<std::uint32_t> ColourBytesOf(const QImage& image) {
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.push_back(image.pixel(x, y) & ColourBytes);
        }
    }
    return colours;
}

std::vector<std::uint32_t> ColourBytesOf(const raster::TRasterSurface& picture) {
    std::vector<std::uint32_t> colours(picture.Pixels().begin(), picture.Pixels().end());
    for (std::uint32_t& colour : colours) {
        colour &= ColourBytes;
    }
    return colours;
}

TEST(QtDisplayScaling, AUserScaleFactorWouldDoubleEveryPixelOfTheControl) {
    qputenv("QT_SCALE_FACTOR", "2");
    raster::TRasterSurface picture(Width, Height);
    FillWithDistinctPixels(picture);
    const TScreenShot shot = ShowPictureAndGrabIt(picture);
    EXPECT_EQ(shot.devicePixelRatio, 2.0);
    ASSERT_EQ(shot.widget.size(), QSize(2 * Width, 2 * Height));
    const std::vector<std::uint32_t> expected = ColourBytesOf(picture);
    // Each picture pixel covers a square of four screen pixels.
    std::vector<std::uint32_t> corners;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const QPoint topLeft(2 * x, 2 * y);
            const std::uint32_t pixel = shot.widget.pixel(topLeft) & ColourBytes;
            const std::uint32_t across = shot.widget.pixel(topLeft + QPoint(1, 1)) & ColourBytes;
            corners.push_back(pixel == across ? pixel : ~pixel);
        }
    }
    EXPECT_TRUE(support::SamePixels(corners, expected, Width));
}

TEST(QtDisplayScaling, WithScalingDisabledEveryClientPixelIsOneScreenPixel) {
    qputenv("QT_SCALE_FACTOR", "2");
    platform::qt::DisableDisplayScaling();
    raster::TRasterSurface picture(Width, Height);
    FillWithDistinctPixels(picture);
    const TScreenShot shot = ShowPictureAndGrabIt(picture);
    EXPECT_EQ(shot.devicePixelRatio, 1.0);
    ASSERT_EQ(shot.window.size(), QSize(Width + 2 * Margin, Height + 2 * Margin));
    EXPECT_TRUE(support::SamePixels(ColourBytesOf(shot.window.copy(Margin, Margin, Width, Height)),
                                    ColourBytesOf(picture), Width));
    EXPECT_TRUE(support::SamePixels(ColourBytesOf(shot.widget), ColourBytesOf(picture), Width));
}

} // namespace

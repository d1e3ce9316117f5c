// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a 2x desktop: a large font DPI changes nothing of its look, and a zoom
// replicates every pixel of ours while the mouse maps back to the same client pixels.

#include "analysis/frames/analyzer.h"
#include "app/main_window/spectrum_form.h"
#include "display/window_layout.h"
#include "platform/qt/qt_platform.h"
#include "raster/raster_surface.h"
#include "support/qt_mouse.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QRegion>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

// Each case creates its own applications, since Qt reads the scaling settings then.

namespace {

using app::TSpectrumForm;
namespace layout = display::layout;

constexpr int LargeFontDpi = 192;
constexpr auto PictureFileVariable = "ORVEX_PICTURE_AT_96_DPI";

// An application set up as the program sets it up, with a window whose frames are left
// to the test.
class TWindowUnderTest {
public:
    // Without a zoom, the desktop's, as the program takes it.
    explicit TWindowUnderTest(std::optional<int> zoom) {
        if (zoom) {
            platform::qt::SetDisplayZoom(*zoom);
        } else {
            capped_ = platform::qt::FollowDesktopZoom();
        }
        application_ = std::make_unique<QApplication>(argc_, argv_);
        platform_ = std::make_unique<platform::qt::TQtPlatform>();
        analysis::ResetAnalyzerToLoadState();
        form_ = std::make_unique<TSpectrumForm>(*platform_);
        form_->FrameTimer().Disable();
    }
    ~TWindowUnderTest() {
        form_.reset();
        platform_.reset();
        application_.reset();
    }
    TWindowUnderTest(const TWindowUnderTest&) = delete;
    TWindowUnderTest& operator=(const TWindowUnderTest&) = delete;

    TSpectrumForm& Form() { return *form_; }
    // The desktop's settings that were capped at the largest zoom.
    const std::string& Capped() const { return capped_; }
    // A fresh window in place of the one shown so far.
    TSpectrumForm& Renew() {
        form_.reset();
        form_ = std::make_unique<TSpectrumForm>(*platform_);
        form_->FrameTimer().Disable();
        return *form_;
    }

private:
    int argc_ = 1;
    char name_[24] = "orvex-scaling-test";
    char* argv_[2] = {name_, nullptr};
    std::string capped_;
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<platform::qt::TQtPlatform> platform_;
    std::unique_ptr<TSpectrumForm> form_;
};

// The window as the screen shows it, in screen pixels.
QImage ScreenPicture(QWidget& window) {
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The window drawn at one screen pixel per client pixel, whatever the screen's zoom.
QImage ClientPicture(QWidget& window) {
    QImage picture(window.size(), QImage::Format_RGB32);
    picture.setDevicePixelRatio(1);
    window.render(&picture);
    return picture;
}

// The client pixels that Qt draws itself: the read-outs' texts and the coding buttons.
QRegion DrawnByQt(TSpectrumForm& form) {
    QRegion region = form.LabelLevel().geometry();
    region += form.LabelF().geometry();
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        region += form.CodingModeButton(mode.Mode).geometry();
    }
    return region;
}

// Qt reads the font DPI once per process, so the picture at 96 DPI is taken by this case,
// run in a process of its own by the one below.
TEST(WindowScaling, DISABLED_SavesItsPictureAt96Dpi) {
    const char* const path = std::getenv(PictureFileVariable);
    ASSERT_NE(path, nullptr);
    TWindowUnderTest window(1);
    ASSERT_EQ(window.Form().logicalDpiX(), 96);
    ASSERT_TRUE(ScreenPicture(window.Form()).save(QString::fromLocal8Bit(path), "PNG"));
}

TEST(WindowScaling, AtALargeFontDpiTheWindowLooksAsAt96DpiWithCaptionsWhole) {
    const QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    const std::string path = directory.filePath(QStringLiteral("at96dpi.png")).toStdString();
    const std::string command = std::string("QT_FONT_DPI=96 ") + PictureFileVariable + "='" +
                                path + "' /proc/" + std::to_string(getpid()) +
                                "/exe --gtest_also_run_disabled_tests "
                                "--gtest_filter=WindowScaling.DISABLED_SavesItsPictureAt96Dpi "
                                ">/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const QImage at96Dpi =
        QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);

    // Read by Qt when the first screen is made, so set before the application exists.
    qputenv("QT_FONT_DPI", QByteArray::number(LargeFontDpi));
    TWindowUnderTest window(1);
    ASSERT_EQ(window.Form().logicalDpiX(), LargeFontDpi);
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        QRadioButton& button = window.Form().CodingModeButton(mode.Mode);
        QStyleOptionButton option;
        option.initFrom(&button);
        const QRect contents =
            button.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &button);
        EXPECT_GE(contents.width(), button.fontMetrics().horizontalAdvance(button.text()))
            << mode.Caption << " is cut off";
    }
    const QImage atLargeDpi = ScreenPicture(window.Form());
    ASSERT_EQ(atLargeDpi.size(), at96Dpi.size());
    // The texts are in pixels too, so not a pixel may differ.
    int differing = 0;
    for (int y = 0; y < at96Dpi.height(); ++y) {
        for (int x = 0; x < at96Dpi.width(); ++x) {
            differing += at96Dpi.pixel(x, y) != atLargeDpi.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

// Clicks at each column of a slider, at the given offset inside the column's screen pixels,
// and returns the read-out after each click.
std::vector<std::string> ReadOutsAfterClicksAcross(TSpectrumForm& form, qreal offset) {
    QWidget& gauge = form.GaugeLevelWidget();
    std::vector<std::string> readOuts;
    for (int x = 0; x < gauge.width(); ++x) {
        support::Click(gauge, QPointF(x + offset, gauge.height() / 2 + offset));
        readOuts.push_back(form.LabelLevel().text().toStdString());
    }
    return readOuts;
}

TEST(WindowScaling, AtZoom2OurPicturesAreReplicatedAndTheMouseActsOnTheSamePixels) {
    constexpr int Zoom = 2;
    TWindowUnderTest window(Zoom);
    TSpectrumForm& form = window.Form();
    const QImage client = ClientPicture(form);
    const QImage screen = ScreenPicture(form);
    ASSERT_EQ(client.size(), QSize(layout::ClientWidth, layout::ClientHeight));
    ASSERT_EQ(screen.size(), client.size() * Zoom);
    const QRegion drawnByQt = DrawnByQt(form);
    int compared = 0;
    int differing = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            if (drawnByQt.contains(QPoint(x / Zoom, y / Zoom))) {
                continue;
            }
            ++compared;
            differing += screen.pixel(x, y) != client.pixel(x / Zoom, y / Zoom) ? 1 : 0;
        }
    }
    EXPECT_GT(compared, screen.width() * screen.height() / 2);
    EXPECT_EQ(differing, 0);

    // The icon too, at the zoom's size.
    const raster::TRasterSurface& iconPicture = form.WindowIcon();
    const QImage icon = form.windowIcon()
                            .pixmap(QSize(iconPicture.Width(), iconPicture.Height()))
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(iconPicture.Width(), iconPicture.Height()) * Zoom);
    int differingInIcon = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const raster::TPixel32 expected =
                iconPicture.Pixels()[static_cast<std::size_t>((y / Zoom) * iconPicture.Width() +
                                                              x / Zoom)];
            differingInIcon += icon.pixel(x, y) != expected ? 1 : 0;
        }
    }
    EXPECT_EQ(differingInIcon, 0);

    // A position anywhere in a client pixel's square is that pixel: clicks on the left half
    // of each square act as clicks on its corner in a fresh window.
    form.show();
    const std::vector<std::string> atCorners = ReadOutsAfterClicksAcross(form, 0);
    TSpectrumForm& fresh = window.Renew();
    fresh.show();
    EXPECT_EQ(ReadOutsAfterClicksAcross(fresh, 0.5), atCorners);
}

TEST(WindowScaling, WithoutAZoomTheWindowTakesTheDesktopsFactorRoundedToAWholeOne) {
    struct TCase {
        const char* variable;
        const char* value;
        int zoom;
        bool capped = false;
    };
    const TCase cases[] = {
        {"QT_SCALE_FACTOR", "1.5", 2},
        {"QT_SCALE_FACTOR", "0.6", 1},
        {"QT_SCREEN_SCALE_FACTORS", "2.4", 2},
        {"QT_FONT_DPI", "192", 1}, // the font DPI alone changes nothing
        // Capped as the zoom option is, and said.
        {"QT_SCALE_FACTOR", "4.4", 4},
        {"QT_SCALE_FACTOR", "64", 4, true},
        {"QT_SCREEN_SCALE_FACTORS", "1000", 4, true},
    };
    for (const TCase& c : cases) {
        qputenv(c.variable, c.value);
        {
            TWindowUnderTest window(std::nullopt);
            EXPECT_EQ(window.Form().devicePixelRatioF(), c.zoom) << c.variable << "=" << c.value;
            EXPECT_EQ(window.Capped(), c.capped ? std::string(c.variable) + "=" + c.value : "");
            EXPECT_EQ(ScreenPicture(window.Form()).size(),
                      QSize(layout::ClientWidth, layout::ClientHeight) * c.zoom)
                << c.variable << "=" << c.value;
        }
        qunsetenv(c.variable);
    }
    EXPECT_EQ(platform::qt::WholeScaleFactors("HDMI-1=1.5;DP-1=2.6;x;DP-2=64"),
              "HDMI-1=2;DP-1=3;x;DP-2=4");
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/surface_view.h"
#include "platform/custom_control.h"
#include "platform/geometry.h"
#include "platform/qt/qt_control_widget.h"
#include "platform/qt/qt_platform.h"
#include "raster/raster_surface.h"
#include "support/pixel_asserts.h"
#include "support/platform_printers.h"
#include "support/qt_application.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using controls::TSurfaceView;
using platform::IControlHost;
using platform::ICustomControl;
using platform::IWindowCanvas;
using platform::MouseButton;
using platform::PaintReason;
using platform::TPixelBlock;
using platform::TPoint;
using platform::TRect;
using platform::qt::TQtControlWidget;
using platform::qt::TQtPlatform;
using platform::qt::TWheelHandling;
using raster::TRasterSurface;
using support::SamePixels;

constexpr int PatienceMs = 60000; // only a hang waits this out
constexpr std::uint32_t ColourBytes = 0x00FFFFFF;

// The spectrum display as the main window lays it out.
constexpr std::int32_t DisplayWidth = 512;
constexpr std::int32_t DisplayHeight = 241;
constexpr TRect DisplayBounds{15, 9, 15 + DisplayWidth, 9 + DisplayHeight};

std::string NameOf(MouseButton button) {
    switch (button) {
    case MouseButton::mbLeft:
        return "left";
    case MouseButton::mbRight:
        return "right";
    case MouseButton::mbMiddle:
        return "middle";
    }
    return "?";
}

std::string At(TPoint point) {
    return std::to_string(point.x) + "," + std::to_string(point.y);
}

// A control that logs what reaches it. It forwards everything to `inner` when given one;
// otherwise it paints with `paint`, if set.
class TRecordingControl : public ICustomControl {
public:
    explicit TRecordingControl(ICustomControl* inner = nullptr) : inner_(inner) {}

    void SetHost(IControlHost* host) override {
        host_ = host;
        if (inner_ != nullptr) {
            inner_->SetHost(host);
        }
    }
    void SetClientSize(std::int32_t width, std::int32_t height) override {
        clientSize_ = {width, height};
        if (inner_ != nullptr) {
            inner_->SetClientSize(width, height);
        }
    }
    void Paint(IWindowCanvas& window, PaintReason reason) override {
        paints_.push_back(reason);
        if (inner_ != nullptr) {
            inner_->Paint(window, reason);
        } else if (paint_) {
            paint_(window, reason);
        }
    }
    void MouseDown(MouseButton button, TPoint point) override {
        Log("down " + NameOf(button) + " " + At(point));
        if (inner_ != nullptr) {
            inner_->MouseDown(button, point);
        }
    }
    void MouseMove(TPoint point) override {
        Log("move " + At(point));
        if (inner_ != nullptr) {
            inner_->MouseMove(point);
        }
    }
    void MouseUp(MouseButton button, TPoint point) override {
        Log("up " + NameOf(button) + " " + At(point));
        if (inner_ != nullptr) {
            inner_->MouseUp(button, point);
        }
    }
    void MouseLeave() override { Log("leave"); }
    bool MouseWheel(std::int32_t delta, TPoint point) override {
        Log("wheel " + std::to_string(delta) + " " + At(point));
        return handlesWheel_;
    }
    bool KeyDown(platform::NavigationKey) override { return false; }
    void SetFocusMark(bool) override {}

    IControlHost* Host() const { return host_; }
    TPoint ClientSize() const { return clientSize_; }
    const std::vector<PaintReason>& Paints() const { return paints_; }
    const std::vector<std::string>& Input() const { return input_; }
    // The input without the pointer moves.
    std::vector<std::string> Clicks() const {
        std::vector<std::string> clicks;
        for (const std::string& event : input_) {
            if (event.rfind("move", 0) != 0) {
                clicks.push_back(event);
            }
        }
        return clicks;
    }
    void ClearLog() {
        paints_.clear();
        input_.clear();
    }

    void SetPaint(std::function<void(IWindowCanvas&, PaintReason)> paint) {
        paint_ = std::move(paint);
    }
    void SetHandlesWheel(bool handles) { handlesWheel_ = handles; }
    // The input handlers throw this message after logging; empty for none.
    void SetInputError(std::string message) { inputError_ = std::move(message); }

private:
    void Log(std::string event) {
        input_.push_back(std::move(event));
        if (!inputError_.empty()) {
            throw std::runtime_error(inputError_);
        }
    }

    ICustomControl* inner_;
    IControlHost* host_ = nullptr;
    TPoint clientSize_{-1, -1};
    std::vector<PaintReason> paints_;
    std::vector<std::string> input_;
    std::function<void(IWindowCanvas&, PaintReason)> paint_;
    bool handlesWheel_ = true;
    std::string inputError_;
};

// Compositions take no time, so the display's optimizer never changes its level.
controls::TMicrosecondClock FrozenClock() {
    return [] { return std::int64_t{0}; };
}

// A picture whose every pixel, the fourth byte included, differs from its neighbours.
void FillWithDistinctPixels(TRasterSurface& surface, std::uint32_t seed) {
    std::uint32_t value = seed;
    for (raster::TPixel32& pixel : surface.Pixels()) {
        value = value * 1664525u + 1013904223u;
        pixel = value;
    }
}

std::vector<std::uint32_t> ColourBytesOf(std::span<const std::uint32_t> pixels) {
    std::vector<std::uint32_t> colours(pixels.begin(), pixels.end());
    for (std::uint32_t& colour : colours) {
        colour &= ColourBytes;
    }
    return colours;
}

std::vector<std::uint32_t> ColourBytesOf(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::vector<std::uint32_t> colours;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            colours.push_back(rgb.pixel(x, y) & ColourBytes);
        }
    }
    return colours;
}

// What the window system shows of `widget`: the pixels of its top-level window's screen
// image (on the offscreen platform, the window's backing store), colour bytes only.
std::vector<std::uint32_t> ScreenPixels(const QWidget& widget) {
    const QPoint origin = widget.mapTo(widget.window(), QPoint(0, 0));
    const QPixmap shot = widget.screen()->grabWindow(widget.window()->winId(), origin.x(),
                                                     origin.y(), widget.width(), widget.height());
    return ColourBytesOf(shot.toImage());
}

class QtControlWidget : public ::testing::Test {
protected:
    QtControlWidget() {
        platform_.SetErrorBoxSink([this](std::string_view message) {
            errorBoxes_.emplace_back(message);
            boxesWhilePainting_ += platform_.IsPainting() ? 1 : 0;
        });
        window_.setFixedSize(556, 404);
    }

    std::unique_ptr<TQtControlWidget> Host(ICustomControl& control, const TRect& bounds,
                                           TWheelHandling wheel = TWheelHandling::whForward) {
        return std::make_unique<TQtControlWidget>(platform_, control, bounds, &window_, wheel);
    }

    bool ShowWindow() {
        window_.show();
        return QTest::qWaitForWindowExposed(&window_);
    }

    TQtPlatform platform_;
    std::vector<std::string> errorBoxes_;
    int boxesWhilePainting_ = 0;
    QWidget window_;
};

TEST_F(QtControlWidget, AttachesItselfWithItsClientSizeAndDetachesWhenDestroyed) {
    TRecordingControl control;
    auto widget = Host(control, DisplayBounds);
    EXPECT_EQ(control.Host(), widget.get());
    EXPECT_EQ(control.ClientSize(), (TPoint{DisplayWidth, DisplayHeight}));
    widget.reset();
    EXPECT_EQ(control.Host(), nullptr);
}

TEST_F(QtControlWidget, IsAFixedSizeChildThatNeverErasesTracksTheMouseAndTakesTheFocusByTab) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    EXPECT_EQ(widget->parentWidget(), &window_);
    EXPECT_EQ(widget->geometry(), QRect(15, 9, DisplayWidth, DisplayHeight));
    EXPECT_EQ(widget->minimumSize(), widget->maximumSize());
    EXPECT_TRUE(widget->testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_TRUE(widget->testAttribute(Qt::WA_NoSystemBackground));
    EXPECT_FALSE(widget->autoFillBackground());
    EXPECT_TRUE(widget->hasMouseTracking());
    EXPECT_EQ(widget->focusPolicy(), Qt::TabFocus);
}

TEST_F(QtControlWidget, ShowsTheSurfaceViewsPicturePixelForPixel) {
    TSurfaceView view(platform_, 0, 0, FrozenClock());
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    TRecordingControl control(&view);
    const auto widget = Host(control, DisplayBounds);
    TRasterSurface picture(DisplayWidth, DisplayHeight);
    FillWithDistinctPixels(picture, 7);
    view.SetBitmap(picture);

    ASSERT_TRUE(ShowWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.Paints().empty(); }, PatienceMs));
    const std::vector<std::uint32_t> expected = ColourBytesOf(picture.Pixels());
    EXPECT_TRUE(SamePixels(ScreenPixels(*widget), expected, DisplayWidth));
    EXPECT_TRUE(SamePixels(ColourBytesOf(widget->grab().toImage()), expected, DisplayWidth));
    EXPECT_TRUE(errorBoxes_.empty());
}

TEST_F(QtControlWidget, APostedPaintRequestReachesTheScreenAsSoonAsItsEventIsTaken) {
    TSurfaceView view(platform_, 0, 0, FrozenClock());
    view.SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    TRecordingControl control(&view);
    const auto widget = Host(control, DisplayBounds);
    TRasterSurface first(DisplayWidth, DisplayHeight);
    FillWithDistinctPixels(first, 1);
    view.SetBitmap(first);
    ASSERT_TRUE(ShowWindow());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return bool(
                SamePixels(ScreenPixels(*widget), ColourBytesOf(first.Pixels()), DisplayWidth));
        },
        PatienceMs));

    // A hand-over after a paint goes through the control's posted paint request.
    TRasterSurface second(DisplayWidth, DisplayHeight);
    FillWithDistinctPixels(second, 2);
    control.ClearLog();
    view.SetBitmap(second);
    QCoreApplication::sendPostedEvents(widget.get());
    EXPECT_EQ(control.Paints(), std::vector<PaintReason>{PaintReason::prRequested});
    EXPECT_TRUE(SamePixels(ScreenPixels(*widget), ColourBytesOf(second.Pixels()), DisplayWidth));
}

TEST_F(QtControlWidget, PendingWindowPaintsAreDoneBeforeARequestedPaint) {
    TRecordingControl control;
    const auto widget = Host(control, {0, 0, 8, 6});
    ASSERT_TRUE(ShowWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.Paints().empty(); }, PatienceMs));
    control.ClearLog();

    widget->Invalidate();
    widget->PostPaintRequest();
    platform_.ProcessMessages();
    EXPECT_EQ(control.Paints(),
              (std::vector<PaintReason>{PaintReason::prInvalidated, PaintReason::prRequested}));
}

// Collects the regions of the paint events a widget receives.
class TPaintRegions : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }
    std::vector<QRegion> regions;
};

TEST_F(QtControlWidget, APostedRequestRepaintsOnlyWhatItsPaintCopies) {
    // Each repaint is sent to the screen: a request that finds nothing to paint must not
    // cost one, and one that copies a part must not send the rest.
    const std::vector<std::uint32_t> pixels(8 * 6, 0x00405060);
    const struct {
        const char* what;
        std::vector<TRect> copies;
        std::vector<QRegion> expected;
    } cases[] = {
        {"nothing", {}, {}},
        {"one part", {{2, 1, 5, 3}}, {QRegion(2, 1, 3, 2)}},
        {"two parts, one reaching out",
         {{0, 0, 2, 2}, {6, 4, 20, 20}},
         {QRegion(0, 0, 2, 2) + QRegion(6, 4, 2, 2)}},
    };
    const std::vector<TRect>* copies = nullptr;
    TRecordingControl control;
    control.SetPaint([&](IWindowCanvas& window, PaintReason reason) {
        if (reason == PaintReason::prRequested) {
            for (const TRect& copy : *copies) {
                window.BlockCopy({pixels.data(), 8, 6}, copy);
            }
        }
    });
    const auto widget = Host(control, {0, 0, 8, 6});
    ASSERT_TRUE(ShowWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control.Paints().empty(); }, PatienceMs));
    platform_.ProcessMessages();
    for (const auto& c : cases) {
        copies = &c.copies;
        TPaintRegions paints;
        widget->installEventFilter(&paints);
        widget->PostPaintRequest();
        platform_.ProcessMessages();
        widget->removeEventFilter(&paints);
        EXPECT_EQ(paints.regions, c.expected) << c.what;
    }
}

TEST_F(QtControlWidget, BlockCopyCopiesTheColourBytesOfTheVisiblePartOfTheAreaOnly) {
    constexpr std::int32_t Width = 8;
    constexpr std::int32_t Height = 6;
    constexpr std::uint32_t Ground = 0x00102030;
    const std::vector<std::uint32_t> ground(Width * Height, Ground);
    // A 6 x 5 block whose fourth bytes vary; the copy reaches out of it and the client area.
    std::vector<std::uint32_t> block(6 * 5);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = (static_cast<std::uint32_t>(i * 37) << 24) | (0x00A00000u + i * 0x0105u);
    }
    TRecordingControl control;
    control.SetPaint([&](IWindowCanvas& window, PaintReason reason) {
        if (reason == PaintReason::prInvalidated) {
            window.BlockCopy({ground.data(), Width, Height}, {0, 0, Width, Height});
        } else {
            window.BlockCopy({block.data(), 6, 5}, {3, 1, 20, 20});
        }
    });
    const auto widget = Host(control, {40, 30, 40 + Width, 30 + Height});
    ASSERT_TRUE(ShowWindow());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return bool(SamePixels(ScreenPixels(*widget), ground, Width)); }, PatienceMs));

    widget->PostPaintRequest();
    platform_.ProcessMessages();
    std::vector<std::uint32_t> expected = ground;
    for (std::int32_t y = 1; y < 5; ++y) {
        for (std::int32_t x = 3; x < 6; ++x) {
            expected[static_cast<std::size_t>(y * Width + x)] =
                block[static_cast<std::size_t>(y * 6 + x)] & ColourBytes;
        }
    }
    EXPECT_TRUE(SamePixels(ScreenPixels(*widget), expected, Width));
}

TEST_F(QtControlWidget, MouseEventsReachTheControlWithTheirButtonsInClientPixels) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button,
                          Qt::MouseButtons held) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(widget.get(), &event);
    };
    send(QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {-4, 300}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {11, 21}, Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, {5, 6}, Qt::NoButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {1, 2}, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseButtonRelease, {1, 2}, Qt::RightButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {3, 4}, Qt::MiddleButton, Qt::MiddleButton);
    send(QEvent::MouseButtonRelease, {3, 4}, Qt::MiddleButton, Qt::NoButton);
    send(QEvent::MouseButtonPress, {3, 4}, Qt::BackButton, Qt::BackButton);
    EXPECT_EQ(control.Input(),
              (std::vector<std::string>{"down left 10,20", "move -4,300", "up left 11,21",
                                        "move 5,6", "down right 1,2", "up right 1,2",
                                        "down middle 3,4", "up middle 3,4"}));
}

TEST_F(QtControlWidget, ARealClickThroughTheWindowSystemReachesTheControl) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    ASSERT_TRUE(ShowWindow());
    QTest::mouseMove(widget.get(), QPoint(30, 40));
    QTest::mousePress(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    QTest::mouseRelease(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return control.Clicks().size() == std::size_t{2}; }, PatienceMs));
    EXPECT_EQ(control.Clicks(), (std::vector<std::string>{"down left 30,40", "up left 30,40"}));
}

TEST_F(QtControlWidget, TheDisplaysLeftPressCapturesTheMouseUntilItsRelease) {
    TSurfaceView view(platform_, 0, 0, FrozenClock());
    const auto widget = Host(view, DisplayBounds);
    ASSERT_TRUE(ShowWindow());
    EXPECT_FALSE(widget->HasCapture());
    QTest::mousePress(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(widget->HasCapture());
    EXPECT_EQ(QWidget::mouseGrabber(), widget.get());
    QTest::mouseRelease(widget.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(widget->HasCapture());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(QtControlWidget, DestroyingTheWidgetEndsItsCapture) {
    TRecordingControl control;
    auto widget = Host(control, DisplayBounds);
    ASSERT_TRUE(ShowWindow());
    widget->SetCapture();
    EXPECT_TRUE(widget->HasCapture());
    widget.reset();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(QtControlWidget, PointerPositionIsTheCursorInClientCoordinates) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    ASSERT_TRUE(ShowWindow());
    QCursor::setPos(widget->screen(), widget->mapToGlobal(QPoint(7, 5)));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return widget->PointerPosition() == (TPoint{7, 5});
        },
        PatienceMs));
    QCursor::setPos(widget->screen(), window_.mapToGlobal(QPoint(2, 3)));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return widget->PointerPosition() == (TPoint{2 - 15, 3 - 9});
        },
        PatienceMs));
}

TEST_F(QtControlWidget, LeavingTheWidgetReachesTheControl) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget.get(), &leave);
    EXPECT_EQ(control.Input(), std::vector<std::string>{"leave"});
}

QWheelEvent WheelAt(QWidget& widget, QPoint at, int delta) {
    return QWheelEvent(at, widget.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
}

TEST_F(QtControlWidget, WheelEventsReachTheControlWhichDecidesWhetherTheyAreHandled) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    QWheelEvent away = WheelAt(*widget, {12, 13}, 120);
    QCoreApplication::sendEvent(widget.get(), &away);
    EXPECT_TRUE(away.isAccepted());

    control.SetHandlesWheel(false);
    QWheelEvent toward = WheelAt(*widget, {1, 2}, -240);
    QCoreApplication::sendEvent(widget.get(), &toward);
    EXPECT_FALSE(toward.isAccepted());
    EXPECT_EQ(control.Input(), (std::vector<std::string>{"wheel 120 12,13", "wheel -240 1,2"}));
}

TEST_F(QtControlWidget, WheelEventsPassTheControlByWhenTheWidgetIgnoresTheWheel) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds, TWheelHandling::whIgnore);
    QWheelEvent wheel = WheelAt(*widget, {12, 13}, 120);
    QCoreApplication::sendEvent(widget.get(), &wheel);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_TRUE(control.Input().empty());
}

TEST_F(QtControlWidget, AnErrorEscapingAMouseHandlerGoesToTheErrorBox) {
    TRecordingControl control;
    const auto widget = Host(control, DisplayBounds);
    control.SetInputError("Floating point overflow");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.get(), &press);
    QWheelEvent wheel = WheelAt(*widget, {1, 1}, 120);
    QCoreApplication::sendEvent(widget.get(), &wheel);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_EQ(errorBoxes_,
              (std::vector<std::string>{"Floating point overflow", "Floating point overflow"}));
}

TEST_F(QtControlWidget, AnErrorEscapingAPaintIsShownOnceThePaintHasEnded) {
    TRecordingControl control;
    control.SetPaint([](IWindowCanvas&, PaintReason) {
        throw std::runtime_error("Invalid floating point operation");
    });
    const auto widget = Host(control, DisplayBounds);
    ASSERT_TRUE(ShowWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errorBoxes_.empty(); }, PatienceMs));
    EXPECT_EQ(errorBoxes_.front(), "Invalid floating point operation");
    EXPECT_EQ(boxesWhilePainting_, 0);
}

} // namespace

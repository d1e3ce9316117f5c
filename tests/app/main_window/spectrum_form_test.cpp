// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/level_gain.h"
#include "analysis/windows/window_figures.h"
#include "analysis/windows/window_table.h"
#include "app/common/translation.h"
#include "app/listening/listening_menu.h"
#include "app/measurement/measurement_menu.h"
#include "app/main_window/spectrum_form.h"
#include "app/sources/source_menu.h"
#include "display/figure_texts.h"
#include "display/level_readout.h"
#include "display/window_layout.h"
#include "platform/qt/qt_platform.h"
#include "raster/pixel32.h"
#include "support/analyzer_fixture.h"
#include "support/qt_mouse.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHelpEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace app {
// Hands the listening the news of its latest start, or of the loss of stream `start`.
struct TListeningTestAccess {
    static int Started(TListening& l) { return l.TakeStart(l.starts_, {}), l.starts_; }
    static void Lost(TListening& l, int start) { l.Lose(start, {}); }
    static void StartFailed(TListening& l) { l.TakeStart(l.starts_, QStringLiteral("refused")); }
    static bool Asking(const TListening& l) { return l.asking_; }
};
} // namespace app

namespace {

using analysis::AnalyzerState;
using analysis::CodingMode;
using analysis::WindowKind;
using app::TSpectrumForm;
using display::TPlace;
using raster::TPixel32;
namespace layout = display::layout;

using support::Click;
using testing_support::WindowTableIs;

QRect Rect(const TPlace& place) {
    return {place.Left, place.Top, place.Width, place.Height};
}

std::vector<TPixel32> PixelsOf(const raster::TRasterSurface& surface) {
    return {surface.Pixels().begin(), surface.Pixels().end()};
}

// Sends `widget` the tooltip request Qt sends when the pointer rests at `at`, with the
// pointer there, and returns the tooltip then shown.
std::string AskToolTip(QWidget& widget, QPoint at) {
    const QPoint global = widget.mapToGlobal(at);
    QCursor::setPos(global);
    QHelpEvent request(QEvent::ToolTip, at, global);
    QApplication::sendEvent(&widget, &request);
    return QToolTip::text().toStdString();
}

class SpectrumFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        analysis::ResetAnalyzerToLoadState();
        platform.SetErrorBoxSink(
            [this](std::string_view message) { errorBoxes.emplace_back(message); });
        form = std::make_unique<TSpectrumForm>(platform);
        // Frames are run by the test; the armed timer would add frames at its own pace.
        form->FrameTimer().Disable();
    }
    void TearDown() override { form.reset(); }

    platform::qt::TQtPlatform platform;
    std::vector<std::string> errorBoxes;
    std::unique_ptr<TSpectrumForm> form;
};

TEST_F(SpectrumFormTest, StartsWithItsLayoutAndStartValues) {
    EXPECT_EQ(form->windowTitle().toStdString(), "  Signal Analyzer");
    const QSize client(layout::ClientWidth, layout::ClientHeight);
    EXPECT_EQ(form->size(), client);
    EXPECT_EQ(form->minimumSize(), client);
    EXPECT_EQ(form->maximumSize(), client);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);

    EXPECT_EQ(form->ImageSpAmpWidget().geometry(), Rect(layout::SpectrumDisplay));
    EXPECT_EQ(form->GaugeLevelWidget().geometry(), Rect(layout::GaugeLevel));
    EXPECT_EQ(form->GaugeFWidget().geometry(), Rect(layout::GaugeF));
    EXPECT_EQ(form->LabelLevel().geometry(), Rect(layout::LabelLevel));
    EXPECT_EQ(form->LabelF().geometry(), Rect(layout::LabelF));
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        const QRadioButton& button = form->CodingModeButton(mode.Mode);
        const int index = static_cast<int>(mode.Mode);
        EXPECT_EQ(button.geometry(), Rect(layout::CodingModeButton(index))) << index;
        EXPECT_EQ(button.font().pixelSize(), 11);
        EXPECT_EQ(button.palette().color(QPalette::WindowText), QColor(192, 192, 192));
        EXPECT_EQ(button.isChecked(), mode.Mode == CodingMode::cmPCM);
    }
    EXPECT_EQ(form->LabelLevel().font().pixelSize(), 11);
    EXPECT_EQ(form->LabelLevel().alignment(), Qt::AlignCenter);
    EXPECT_EQ(form->LabelLevel().palette().color(QPalette::WindowText), QColor(192, 192, 192));

    EXPECT_EQ(form->LabelLevel().text().toStdString(), "- 0 dB");
    EXPECT_EQ(form->LabelF().text().toStdString(), "1000 Hz");
    EXPECT_EQ(AnalyzerState.Gain, 1.0);
    for (const auto& [gauge, range] : {std::pair{&form->GaugeLevel(), display::LevelGaugeRange},
                                       std::pair{&form->GaugeF(), display::FrequencyGaugeRange}}) {
        EXPECT_EQ(gauge->Min(), range.Min);
        EXPECT_EQ(gauge->Max(), range.Max);
        EXPECT_EQ(gauge->Position(), range.Start);
        EXPECT_EQ(gauge->SmallChange(), range.SmallStep);
        EXPECT_EQ(gauge->LargeChange(), range.LargeStep);
    }
    EXPECT_EQ(form->GaugeLevel().Position(), 160);
    EXPECT_EQ(form->GaugeF().Position(), 1000);

    EXPECT_TRUE(WindowTableIs(WindowKind::wkKaiser));
    for (int kind = 0; kind < analysis::WindowKindCount; ++kind) {
        const QAction& item = form->WindowMenuItem(static_cast<WindowKind>(kind));
        EXPECT_EQ(item.isChecked(), kind == static_cast<int>(WindowKind::wkKaiser)) << kind;
    }

    ASSERT_NE(form->SpectrumBitmap(), nullptr);
    EXPECT_EQ(form->SpectrumBitmap()->Width(), layout::SpectrumDisplay.Width);
    EXPECT_EQ(form->SpectrumBitmap()->Height(), layout::SpectrumDisplay.Height);
    EXPECT_EQ(form->FrameTimer().Interval(), std::chrono::milliseconds(64));
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(SpectrumFormTest, TimerIsArmedOnlyAfterTheWindowIsComplete) {
    form.reset();
    analysis::ResetAnalyzerToLoadState();
    // This runs while the Kaiser table is being built, inside window creation.
    bool ranDuringCreation = false;
    bool surfaceExisted = true;
    bool timerEnabled = true;
    QTimer::singleShot(0, [&] {
        ranDuringCreation = app::SpectrumForm != nullptr;
        if (ranDuringCreation) {
            surfaceExisted = app::SpectrumForm->SpectrumBitmap() != nullptr;
            timerEnabled = app::SpectrumForm->FrameTimer().IsEnabled();
        }
    });
    form = std::make_unique<TSpectrumForm>(platform);
    ASSERT_TRUE(ranDuringCreation);
    EXPECT_FALSE(surfaceExisted);
    EXPECT_FALSE(timerEnabled);
    EXPECT_TRUE(form->FrameTimer().IsEnabled());
    form->FrameTimer().Disable();
}

TEST_F(SpectrumFormTest, EachTickShowsThePicturePaintedOnThePreviousTick) {
    form->FrameTimerTimer();
    const auto& shown = form->ImageSpAmp().Bitmap();
    ASSERT_EQ(shown.Width(), 512);
    for (const TPixel32 pixel : shown.Pixels()) {
        ASSERT_EQ(pixel, 0u); // the first picture is the untouched surface
    }
    const std::vector<TPixel32> firstPicture = PixelsOf(*form->SpectrumBitmap());
    form->FrameTimerTimer();
    EXPECT_EQ(PixelsOf(form->ImageSpAmp().Bitmap()), firstPicture);
    // The 1000 Hz peak (bin 64) reaches row 4 at full scale.
    EXPECT_EQ(firstPicture[4 * 512 + 64], raster::ColorToPixel32(platform::RGB(0, 200, 160)));
}

TEST_F(SpectrumFormTest, ArrowClickUpdatesReadOutsAndGainAtOnceAndThePictureLater) {
    form->FrameTimerTimer();
    form->FrameTimerTimer();
    const std::vector<TPixel32> before = PixelsOf(*form->SpectrumBitmap());
    for (int i = 0; i < 10; ++i) {
        Click(form->GaugeLevelWidget(), QPoint(8, 9)); // the previous-button arrow
    }
    EXPECT_EQ(form->GaugeLevel().Position(), 150);
    EXPECT_EQ(form->LabelLevel().text().toStdString(), "- 10 dB");
    EXPECT_EQ(AnalyzerState.Gain, analysis::GainFromAttenuation(10));
    EXPECT_EQ(PixelsOf(*form->SpectrumBitmap()), before); // nothing drawn until the next frame

    Click(form->GaugeFWidget(), QPoint(133, 9)); // the next-button arrow
    EXPECT_EQ(form->LabelF().text().toStdString(), "1001 Hz");
    EXPECT_EQ(form->LabelLevel().text().toStdString(), "- 10 dB");

    form->FrameTimerTimer();
    const std::vector<TPixel32> after = PixelsOf(*form->SpectrumBitmap());
    // 10 dB lower is about 15 pixels lower: the topmost trace pixel moves from row 4 down.
    auto topRow = [](const std::vector<TPixel32>& pixels) {
        const TPixel32 trace = raster::ColorToPixel32(platform::RGB(0, 200, 160));
        for (int y = 0; y < 241; ++y) {
            for (int x = 0; x < 512; ++x) {
                if (pixels[y * 512 + x] == trace) {
                    return y;
                }
            }
        }
        return 241;
    };
    EXPECT_EQ(topRow(before), 4);
    EXPECT_NEAR(topRow(after) - topRow(before), 15, 1);
    EXPECT_EQ(PixelsOf(form->ImageSpAmp().Bitmap()), before); // still shown one tick late
}

// A focus mark shows only while the keyboard is in use: at start and after a mouse press the
// window is as ever; a key acted on brings the mark back. Each mark keeps to its control's
// outermost ring (the slider's to its handle's face).
TEST_F(SpectrumFormTest, FocusMarksShowOnlyWhileTheKeyboardIsInUse) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const QImage atStart = form->grab().toImage();
    const auto marksOnly = [&atStart](const QImage& marked, const QRect& ring) {
        QImage outside = marked;
        QPainter(&outside).drawImage(ring.topLeft(), atStart, ring);
        const QRect inside = ring.adjusted(1, 1, -1, -1);
        return outside == atStart && marked.copy(inside) == atStart.copy(inside) && marked != atStart;
    };
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab); // from the checked button
    const QImage levelMarked = form->grab().toImage();
    EXPECT_TRUE(marksOnly(levelMarked, QRect(36 + 103, 317 + 2, 20, 14)));
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {}, QPoint(300, 300)); // no control
    EXPECT_TRUE(form->grab().toImage() == atStart);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(form->grab().toImage() == levelMarked);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(marksOnly(form->grab().toImage(), Rect(layout::SpectrumDisplay)));
}

TEST_F(SpectrumFormTest, RadioButtonChangesTheCodingFromTheNextFrame) {
    auto thirdHarmonicTop = [this] {
        // The topmost trace pixel around bin 192 (3 kHz), where coding puts a distortion line.
        const TPixel32 trace = raster::ColorToPixel32(platform::RGB(0, 200, 160));
        for (int y = 0; y < 241; ++y) {
            for (int x = 184; x <= 200; ++x) {
                if (form->SpectrumBitmap()->Bits()[y * 512 + x] == trace) {
                    return y;
                }
            }
        }
        return 241;
    };
    form->FrameTimerTimer();
    EXPECT_EQ(thirdHarmonicTop(), 241);
    Click(form->CodingModeButton(CodingMode::cmIter1), QPoint(8, 8));
    ASSERT_TRUE(form->CodingModeButton(CodingMode::cmIter1).isChecked());
    EXPECT_FALSE(form->CodingModeButton(CodingMode::cmPCM).isChecked());
    form->FrameTimerTimer();
    // About 80 dB below the tone: roughly 120 pixels above the bottom.
    EXPECT_LT(thirdHarmonicTop(), 150);
}

// The buttons and menu items as the user sees them, top to bottom, with what each must
// select. Found by their captions, so a button or item wired to the wrong mode or window
// fails here even when the two draw similar pictures.
struct TExpectedButton {
    const char* caption;
    CodingMode mode;
};
constexpr TExpectedButton ExpectedButtons[] = {
    {"PCM 32 bit", CodingMode::cmPCM},       {"Orvex Sqrt", CodingMode::cmOrvexSqrt},
    {"1 st iteration", CodingMode::cmIter1}, {"2 nd iteration", CodingMode::cmIter2},
    {"3 rd iteration", CodingMode::cmIter3},
};

struct TExpectedItem {
    const char* caption;
    WindowKind kind;
};
constexpr TExpectedItem ExpectedItems[] = {
    {"Прямоугольное окно", WindowKind::wkRectangular},
    {"Треугольное окно (Барлетт)", WindowKind::wkTriangular},
    {"Синусоидальное окно", WindowKind::wkSine},
    {"Окно Гаусса", WindowKind::wkGaussian},
    {"Окно Ланцоша (sinc)", WindowKind::wkLanczos},
    {"Окно Хемминга", WindowKind::wkHamming},
    {"Окно Ханна", WindowKind::wkHann},
    {"Окно Блэкмана", WindowKind::wkBlackman},
    {"Окно Натталла", WindowKind::wkNuttall},
    {"Окно Кайзера (20)", WindowKind::wkKaiser},
    {"Окно с плоской вершиной", WindowKind::wkFlatTop},
};

TEST_F(SpectrumFormTest, EveryCodingModeButtonCodesTheFrameInItsMode) {
    QList<QRadioButton*> buttons = form->findChildren<QRadioButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](const QRadioButton* a, const QRadioButton* b) { return a->y() < b->y(); });
    ASSERT_EQ(buttons.size(), std::ssize(ExpectedButtons));
    for (std::size_t i = 0; i < std::size(ExpectedButtons); ++i) {
        const TExpectedButton& expected = ExpectedButtons[i];
        QRadioButton& button = *buttons[static_cast<qsizetype>(i)];
        EXPECT_EQ(button.text().toStdString(), expected.caption);
        Click(button, QPoint(8, 8));
        ASSERT_TRUE(button.isChecked()) << expected.caption;

        // The window's frame against the same frame computed directly in the expected mode.
        const std::int32_t clock = AnalyzerState.SampleCounter;
        form->FrameTimerTimer();
        const auto shown = analysis::MagnitudeBuffer;
        AnalyzerState.SampleCounter = clock;
        analysis::SynthesiseFrame(analysis::StartFrequencyHz, expected.mode);
        analysis::TransformFrame();
        EXPECT_EQ(std::memcmp(shown.data(), analysis::MagnitudeBuffer.data(), sizeof shown), 0)
            << expected.caption;
    }
}

TEST_F(SpectrumFormTest, EveryMenuItemRebuildsItsWindow) {
    // The window list comes first, then a separator before the measurement views.
    const QList<QAction*> items = form->PopupMenuWindow().actions();
    ASSERT_GT(items.size(), std::ssize(ExpectedItems));
    EXPECT_TRUE(items[std::ssize(ExpectedItems)]->isSeparator());
    for (std::size_t i = 0; i < std::size(ExpectedItems); ++i) {
        const TExpectedItem& expected = ExpectedItems[i];
        QAction& item = *items[static_cast<qsizetype>(i)];
        EXPECT_EQ(item.text().toStdString(), expected.caption);
        item.trigger();
        EXPECT_TRUE(WindowTableIs(expected.kind)) << expected.caption;
        EXPECT_EQ(AnalyzerState.CurrentWindowKind, expected.kind);
        // The views are off; of the sources, the tone is chosen.
        for (const QAction* other : items) {
            EXPECT_EQ(other->isChecked(),
                      other == &item || other == &form->SourceMenu().ToneItem());
        }
    }
}

TEST_F(SpectrumFormTest, ChoosingTheCheckedItemAgainKeepsItsMark) {
    form->WindowMenuItem(WindowKind::wkKaiser).trigger();
    EXPECT_TRUE(form->WindowMenuItem(WindowKind::wkKaiser).isChecked());
    EXPECT_TRUE(WindowTableIs(WindowKind::wkKaiser));
}

TEST_F(SpectrumFormTest, ChoiceDuringABuildIsBuiltAfterIt) {
    // The Hann choice arrives while the Blackman table is letting messages run.
    QTimer::singleShot(0, [this] { form->WindowMenuItem(WindowKind::wkHann).trigger(); });
    form->WindowMenuItem(WindowKind::wkBlackman).trigger();
    EXPECT_TRUE(WindowTableIs(WindowKind::wkHann));
    EXPECT_TRUE(form->WindowMenuItem(WindowKind::wkHann).isChecked());
    EXPECT_FALSE(form->WindowMenuItem(WindowKind::wkBlackman).isChecked());
}

TEST_F(SpectrumFormTest, WindowMenuOpensOnTheDisplayOnly) {
    for (QWidget* other : std::initializer_list<QWidget*>{
             form.get(), &form->GaugeLevelWidget(), &form->CodingModeButton(CodingMode::cmIter2),
             &form->LabelF()}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3),
                                other->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(other, &event);
        EXPECT_FALSE(form->PopupMenuWindow().isVisible());
    }
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100),
                            form->ImageSpAmpWidget().mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(&form->ImageSpAmpWidget(), &event);
    EXPECT_TRUE(form->PopupMenuWindow().isVisible());
    form->PopupMenuWindow().close();
}

TEST_F(SpectrumFormTest, WheelMovesNeitherGauge) {
    for (QWidget* gauge : {&form->GaugeLevelWidget(), &form->GaugeFWidget()}) {
        QWheelEvent wheel(QPointF(70, 9), gauge->mapToGlobal(QPointF(70, 9)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(gauge, &wheel);
    }
    EXPECT_EQ(form->GaugeLevel().Position(), 160);
    EXPECT_EQ(form->GaugeF().Position(), 1000);
}

TEST_F(SpectrumFormTest, ErrorsInHandlersAreShownAndTheProgramGoesOn) {
    // An overflowing frame (a gain no slider can set) raises the overflow flag.
    AnalyzerState.Gain = 1e306;
    form->FrameTimer().Enable();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !errorBoxes.empty(); }, 5000));
    form->FrameTimer().Disable();
    // The overflow comes first; the infinite samples then make the transform invalid too.
    EXPECT_EQ(errorBoxes.front(), "Floating point overflow.");

    // A slider handler that throws: the error is shown, the slider keeps its new place.
    errorBoxes.clear();
    form->GaugeF().SetOnChange(
        [](controls::TGaugeSlider&) { throw std::runtime_error("Out of range"); });
    Click(form->GaugeFWidget(), QPoint(133, 9));
    ASSERT_EQ(errorBoxes.size(), 1u);
    EXPECT_EQ(errorBoxes[0], "Out of range.");
    EXPECT_EQ(form->GaugeF().Position(), 1001);

    // And the next frame runs normally.
    AnalyzerState.Gain = 1.0;
    errorBoxes.clear();
    form->FrameTimerTimer();
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(SpectrumFormTest, WindowIsPaintedPixelForPixel) {
    EXPECT_EQ(form->devicePixelRatioF(), 1.0);
    form->FrameTimerTimer();
    form->FrameTimerTimer();
    const QImage picture = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), QSize(layout::ClientWidth, layout::ClientHeight));
    auto rgb = [&](int x, int y) { return picture.pixel(x, y) & 0xFFFFFFu; };
    EXPECT_EQ(rgb(0, 0), 0x131618u);            // the panel's corner, RGB(19, 22, 24)
    EXPECT_EQ(rgb(15, 250), 0xA8C5D0u);         // the ruler's 0 Hz tick
    EXPECT_EQ(rgb(15 + 64, 9 + 4), 0x00C8A0u);  // the trace's peak at 1000 Hz
    EXPECT_EQ(rgb(15 + 0, 9 + 135), 0x502828u); // the -90 dB grid line
    EXPECT_EQ(rgb(555, 100), 0u);               // beside the panel: the black background
    // The display shows exactly its bitmap.
    const auto& shown = form->ImageSpAmp().Bitmap();
    for (int y = 0; y < 241; ++y) {
        for (int x = 0; x < 512; ++x) {
            ASSERT_EQ(rgb(15 + x, 9 + y), shown.Bits()[y * 512 + x] & 0xFFFFFFu) << x << ", " << y;
        }
    }
}

TEST_F(SpectrumFormTest, RightToLeftLanguageNeitherMirrorsTheLayoutNorReordersCaptions) {
    auto pictures = [](TSpectrumForm& window) {
        QMenu& menu = window.PopupMenuWindow();
        menu.adjustSize();
        return std::pair{window.grab().toImage(), menu.grab().toImage()};
    };
    const auto leftToRight = pictures(*form);
    // Put back however the test ends: the other tests run left to right.
    struct TRestoreDirection {
        ~TRestoreDirection() { QGuiApplication::setLayoutDirection(Qt::LeftToRight); }
    } restore;
    // As `-reverse` or a right-to-left language sets it: after the window exists, and before.
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    QCoreApplication::processEvents();
    auto createdRightToLeft = std::make_unique<TSpectrumForm>(platform);
    createdRightToLeft->FrameTimer().Disable();
    for (TSpectrumForm* window : {form.get(), createdRightToLeft.get()}) {
        for (const QWidget* child : window->findChildren<QWidget*>()) {
            EXPECT_EQ(child->layoutDirection(), Qt::LeftToRight)
                << child->metaObject()->className();
        }
        EXPECT_EQ(window->PopupMenuWindow().layoutDirection(), Qt::LeftToRight);
        // Every button's circle left of its caption, every caption and item in reading order.
        const auto shown = pictures(*window);
        EXPECT_TRUE(shown.first == leftToRight.first) << "the window's picture differs";
        EXPECT_TRUE(shown.second == leftToRight.second) << "the menu's picture differs";
    }
    EXPECT_TRUE(errorBoxes.empty());
}

// Tooltips tell what the fixed window does not show.

TEST_F(SpectrumFormTest, DisplayTooltipReadsTheBinUnderThePointerAndFollowsTheFrames) {
    struct TCase {
        int levelPosition;
        int column;
        const char* expected;
    };
    constexpr TCase Cases[] = {
        {0, 400, "Bin 400: 6250.000 Hz, below the plot's floor (-162.56 dB)"},
        {120, 64, "Bin 64: 1000.000 Hz, -40.00 dB"},
        // The column, not the window's x: the peak is in column 64 at 1000 Hz.
        {160, 64, "Bin 64: 1000.000 Hz, 0.00 dB"},
    };
    QWidget& display = form->ImageSpAmpWidget();
    for (const TCase& c : Cases) {
        form->GaugeLevel().SetPosition(c.levelPosition);
        form->FrameTimerTimer();
        form->FrameTimerTimer();
        EXPECT_EQ(AskToolTip(display, QPoint(c.column, 120)), c.expected);
    }
    // With the pointer still resting on the peak, the next frames change the read-out.
    ASSERT_TRUE(QToolTip::isVisible());
    form->GaugeLevel().SetPosition(120);
    form->FrameTimerTimer();
    // It is shown once the frame's handler is over, outside the handler guard.
    QCoreApplication::sendPostedEvents(form.get());
    EXPECT_EQ(QToolTip::text().toStdString(), "Bin 64: 1000.000 Hz, -40.00 dB");
    // The menu still opens on a right click.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(64, 120),
                            display.mapToGlobal(QPoint(64, 120)));
    QApplication::sendEvent(&display, &click);
    EXPECT_TRUE(form->PopupMenuWindow().isVisible());
    form->PopupMenuWindow().close();
    QToolTip::hideText();
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(SpectrumFormTest, ButtonsAndMenuItemsGiveTheFiguresOfTheirModeAndWindow) {
    // Each button is asked at two tones: the start tone and a silent one.
    for (const int frequency : {1000, 0}) {
        form->GaugeF().SetPosition(frequency);
        form->GaugeLevel().SetPosition(140); // -20 dB
        for (const TExpectedButton& expected : ExpectedButtons) {
            QRadioButton& button = form->CodingModeButton(expected.mode);
            const std::string tip = AskToolTip(button, QPoint(8, 8));
            EXPECT_EQ(button.toolTip().toStdString(), tip);
            if (expected.mode == CodingMode::cmPCM) {
                EXPECT_EQ(tip, "Uncoded reference: the samples are not coded");
                continue;
            }
            const std::string tone = std::to_string(frequency) + " Hz at -20 dB\n";
            if (frequency == 0) {
                EXPECT_EQ(tip, tone + "Silent tone: nothing to measure") << expected.caption;
                continue;
            }
            // The figures of the button's own mode at the tone the sliders set.
            const analysis::TCoderFigures figures =
                analysis::MeasureCoderFigures(frequency, -20, expected.mode);
            EXPECT_EQ(tip, display::CoderFiguresText(analysis::Describe(expected.mode), frequency,
                                                     -20, figures))
                << expected.caption;
            EXPECT_EQ(tip.rfind(tone + "SNR: ", 0), 0u) << tip;
        }
    }

    QMenu& menu = form->PopupMenuWindow();
    EXPECT_TRUE(menu.toolTipsVisible());
    menu.popup(form->ImageSpAmpWidget().mapToGlobal(QPoint(100, 100)));
    std::vector<std::string> tips;
    for (const TExpectedItem& expected : ExpectedItems) {
        QAction& item = form->WindowMenuItem(expected.kind);
        ASSERT_EQ(item.text().toStdString(), expected.caption);
        const std::string tip = AskToolTip(menu, menu.actionGeometry(&item).center());
        EXPECT_EQ(item.toolTip().toStdString(), tip);
        EXPECT_EQ(tip, display::WindowFiguresText(analysis::WindowFiguresOf(expected.kind)))
            << expected.caption;
        EXPECT_NE(tip.find("zero-padded 64 times"), std::string::npos) << tip;
        tips.push_back(tip);
    }
    menu.close();
    QToolTip::hideText();
    // The rectangular window keeps a tone's full amplitude on one bin.
    EXPECT_EQ(tips.front().rfind("Coherent gain: 1.00\nENBW: 1.00 bins\n", 0), 0u) << tips.front();
    // Every item tells its own window's figures.
    std::sort(tips.begin(), tips.end());
    EXPECT_EQ(std::adjacent_find(tips.begin(), tips.end()), tips.end());
    // Asking changes nothing that the frames use.
    EXPECT_TRUE(WindowTableIs(WindowKind::wkKaiser));
    EXPECT_TRUE(errorBoxes.empty());
}

// Every measurement view answers its shortcut, shown in the menu, with or without the menu
// open; the markers follow the mouse and the arrows only while they are shown.
TEST_F(SpectrumFormTest, MeasurementViewsAnswerTheirShortcutsAndMarkersTheMouseAndArrows) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    display::TPlotViews& views = form->PlotViews();
    QWidget& display = form->ImageSpAmpWidget();
    form->FrameTimerTimer();

    support::Click(display, QPointF(100.5, 50));
    EXPECT_FALSE(views.MarkerBin(display::TMarker::mkFirst)) << "a click without markers";

    struct TStep {
        QKeySequence keys;
        std::function<bool()> done;
    };
    const TStep steps[] = {
        {QKeySequence(QStringLiteral("H")), [&] { return views.PeakHold(); }},
        {QKeySequence(QStringLiteral("Ctrl+2")), [&] { return views.Averaging() == 16; }},
        {QKeySequence(QStringLiteral("F")), [&] { return views.HasReference(); }},
        {QKeySequence(QStringLiteral("D")), [&] { return views.FiguresShown(); }},
        // Markers on: marker 1 on the highest bin, the 1000 Hz peak.
        {QKeySequence(QStringLiteral("M")),
         [&] { return views.MarkerBin(display::TMarker::mkFirst) == 64; }},
        {QKeySequence(QStringLiteral("Ctrl+0")), [&] { return views.Averaging() == 0; }},
        {QKeySequence(QStringLiteral("Shift+F")), [&] { return !views.HasReference(); }},
    };
    for (const TStep& step : steps) {
        QTest::keySequence(form.get(), step.keys);
        EXPECT_TRUE(step.done()) << step.keys.toString().toStdString();
        form->FrameTimerTimer();
    }
    // From M on, the arrows move the marker without a click on the display.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(views.MarkerBin(display::TMarker::mkFirst), 65);
    for (QAction* item : {&form->MeasurementMenu().PeakHoldItem(),
                          &form->MeasurementMenu().FiguresItem()}) {
        EXPECT_TRUE(form->PopupMenuWindow().actions().contains(item));
        EXPECT_FALSE(item->shortcut().isEmpty()) << item->text().toStdString();
    }

    // The mouse places the markers, the arrows move the active one, 1 and 2 choose it.
    support::Click(display, QPointF(100.5, 50));
    support::Click(display, QPointF(150, 50), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(views.MarkerBin(display::TMarker::mkFirst), 100);
    EXPECT_TRUE(display.hasFocus());
    QTest::keyClick(&display, Qt::Key_Right);
    EXPECT_EQ(views.MarkerBin(display::TMarker::mkSecond), 151);
    QTest::keyClick(&display, Qt::Key_1);
    QTest::keyClick(&display, Qt::Key_Left);
    EXPECT_EQ(views.MarkerBin(display::TMarker::mkFirst), 99);
    QTest::keySequence(form.get(), QKeySequence(QStringLiteral("Shift+M")));
    EXPECT_FALSE(views.MarkerBin(display::TMarker::mkFirst));

    // Shift+F10 opens the menu over the display.
    QTest::keySequence(form.get(), QKeySequence(QStringLiteral("Shift+F10")));
    EXPECT_TRUE(form->PopupMenuWindow().isVisible());
    form->PopupMenuWindow().close();
}

// A view switched on while every view is off reads the frame on screen, whatever views were
// on before: the marker goes to its peak, the reference is its trace.
TEST_F(SpectrumFormTest, ViewsSwitchedOnFromAllOffReadTheFrameOnScreen) {
    app::TMeasurementMenu& menu = form->MeasurementMenu();
    const auto frameAt = [this](int frequency) {
        form->GaugeF().SetPosition(frequency);
        form->FrameTimerTimer();
    };
    // Whether the reference, in its own colour, reaches row 4 at `bin`: a full-scale peak.
    const auto referencePeakAt = [this](int bin) {
        return form->SpectrumBitmap()->Bits()[4 * 512 + bin] ==
               raster::ColorToPixel32(platform::RGB(0, 90, 72));
    };
    form->FrameTimerTimer();
    menu.MarkersItem().trigger();
    EXPECT_EQ(form->PlotViews().MarkerBin(display::TMarker::mkFirst), 64);
    menu.MarkersItem().trigger();
    menu.FreezeReferenceItem().trigger(); // the first frame, at 1000 Hz
    frameAt(3000);
    EXPECT_TRUE(referencePeakAt(64));
    menu.ClearReferenceItem().trigger();
    // Hold on for a frame at 3000 Hz and off again, then a frame at 2000 Hz frozen.
    menu.PeakHoldItem().trigger();
    frameAt(3000);
    menu.PeakHoldItem().trigger();
    frameAt(2000);
    menu.FreezeReferenceItem().trigger();
    frameAt(1000);
    EXPECT_TRUE(referencePeakAt(128));
}

// With no sound server to reach, the listening items stand after the measurement views, off
// and disabled, saying why; asking to listen changes nothing and shows no box. What would be
// heard follows the sliders and the mode buttons at once.
TEST(SpectrumFormListening, WithoutASoundOutputTheItemsSayWhyAndTheStreamFollowsTheControls) {
    // Waits only catch a hang: nothing here is timed.
    constexpr int HangLimitMs = 60000;
    // A server that takes the connection and never answers: the window is made before the
    // first question about sound has its answer, and the items wait for it disabled.
    const std::string hung = "/tmp/orvex-hung-" + std::to_string(getpid()) + ".sock";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    hung.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    setenv("PULSE_SERVER", ("unix:" + hung).c_str(), 1);
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    std::vector<std::string> errorBoxes;
    platform.SetErrorBoxSink([&](std::string_view message) { errorBoxes.emplace_back(message); });
    TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    app::TListeningMenu& menu = form.ListeningMenu();
    EXPECT_FALSE(menu.ListenItem().isEnabled());
    EXPECT_TRUE(menu.ListenItem().toolTip().startsWith(QString::fromUtf8(app::NotAnsweredYet)))
        << menu.ListenItem().toolTip().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !menu.ListenItem().toolTip().startsWith(QString::fromUtf8(app::NotAnsweredYet)); },
                                HangLimitMs));
    close(listener);
    unlink(hung.c_str());
    setenv("PULSE_SERVER", "unix:/nonexistent/orvex-test.socket", 1);

    const QList<QAction*> actions = form.PopupMenuWindow().actions();
    const qsizetype listen = actions.indexOf(&menu.ListenItem());
    ASSERT_GT(listen, actions.indexOf(&form.MeasurementMenu().FiguresItem()));
    EXPECT_TRUE(actions[listen - 1]->isSeparator());
    EXPECT_EQ(actions.indexOf(&menu.ErrorItem()), listen + 1);
    EXPECT_EQ(actions.indexOf(&menu.OriginalItem()), listen + 2);
    const std::pair<QAction*, const char*> items[] = {
        {&menu.ListenItem(), "L"}, {&menu.ErrorItem(), "E"}, {&menu.OriginalItem(), "A"}};
    for (const auto& [item, shortcut] : items) {
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromLatin1(shortcut)));
        EXPECT_TRUE(item->isCheckable());
        EXPECT_FALSE(item->isChecked());
        EXPECT_FALSE(item->isEnabled());
        EXPECT_TRUE(item->toolTip().startsWith(QStringLiteral("No sound output")))
            << item->toolTip().toStdString();
    }
    // Checked at once, and unchecked again when the start is seen to fail.
    menu.SetListening(true);
    EXPECT_TRUE(menu.ListenItem().isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !menu.ListenItem().isChecked(); }, HangLimitMs));
    EXPECT_FALSE(menu.Listening().Playing());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return menu.ListenItem().toolTip().startsWith(QStringLiteral("No sound output")); }, HangLimitMs));
    // A failed start asks the server again at once, not at the next regular recheck.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app::TListeningTestAccess::Asking(menu.Listening()); }, HangLimitMs));
    menu.Listening().Start();
    app::TListeningTestAccess::StartFailed(menu.Listening());
    EXPECT_TRUE(app::TListeningTestAccess::Asking(menu.Listening()));

    form.GaugeF().SetPosition(1733);
    form.GaugeLevel().SetPosition(140);
    form.CodingModeButton(CodingMode::cmIter1).click();
    EXPECT_EQ(menu.Listening().Stream().Settings(),
              (analysis::TStreamSettings{1733, -20, CodingMode::cmIter1,
                                         analysis::TStreamContent::scCoded}));
    // The loss of an earlier stream, told late, never stops the one playing now.
    menu.Listening().Start();
    app::TListeningTestAccess::Lost(menu.Listening(),
                                    app::TListeningTestAccess::Started(menu.Listening()) - 1);
    EXPECT_TRUE(menu.Listening().Playing());
    EXPECT_TRUE(errorBoxes.empty());
}

// The window list speaks the desktop's language: English under an English locale, the
// original captions under C and a Russian one.
TEST(SpectrumFormLanguage, TheWindowListIsEnglishUnderAnEnglishLocaleAndOriginalUnderCAndRussian) {
    const std::pair<const char*, const char*> cases[] = {{"en_GB.UTF-8", "Rectangular window"},
                                                         {"C", "Прямоугольное окно"},
                                                         {"ru_RU.UTF-8", "Прямоугольное окно"}};
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    for (const auto& [locale, rectangular] : cases) {
        setenv("LC_ALL", locale, 1);
        const auto translation = app::InstallTranslation(app::LanguageOfEnvironment());
        TSpectrumForm form(platform);
        form.FrameTimer().Disable();
        EXPECT_EQ(form.WindowMenuItem(WindowKind::wkRectangular).text().toStdString(), rectangular);
        // In English no item keeps its source text: every name has its translation.
        for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
            const std::string shown = form.WindowMenuItem(window.Kind).text().toStdString();
            EXPECT_EQ(shown == window.Caption, translation == nullptr) << locale << ": " << shown;
        }
    }
    unsetenv("LC_ALL");
}

} // namespace

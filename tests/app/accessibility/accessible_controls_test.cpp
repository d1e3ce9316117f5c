// SPDX-License-Identifier: GPL-3.0-or-later
// What assistive technology reads from and sets through the window's own controls, asked
// in process the way Qt's accessibility bridge asks.

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/level_gain.h"
#include "app/main_window/spectrum_form.h"
#include "platform/qt/qt_platform.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using analysis::AnalyzerState;
using app::TSpectrumForm;

// The window as the program builds it, with frames left to the test.
struct TWindow {
    TWindow() {
        analysis::ResetAnalyzerToLoadState();
        platform.SetErrorBoxSink(
            [this](std::string_view message) { errorBoxes.emplace_back(message); });
        form = std::make_unique<TSpectrumForm>(platform);
        form->FrameTimer().Disable();
    }

    platform::qt::TQtPlatform platform;
    std::vector<std::string> errorBoxes;
    std::unique_ptr<TSpectrumForm> form;
};

QAccessibleInterface& Interface(QWidget& widget) {
    QAccessibleInterface* const made = QAccessible::queryAccessibleInterface(&widget);
    EXPECT_NE(made, nullptr);
    return *made;
}

enum class TGauge { gLevel, gFrequency };

struct TSetCase {
    TGauge Gauge;
    QVariant Requested;
    int Position;     // the gauge's position afterwards
    std::string Text; // its read-out afterwards, also its value text
    int Value;        // its value afterwards, in dB or Hz
};

TEST(AccessibleControls, ValueSetThroughTheInterfaceIsClampedRoundedAndMovesTheGauge) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<TSetCase> cases = {
        {TGauge::gLevel, -1, 159, "- 1 dB", -1},
        {TGauge::gLevel, -20.4, 140, "- 20 dB", -20},
        {TGauge::gLevel, -1000.0, 0, "- 160 dB", -160},
        {TGauge::gLevel, 7, 160, "- 0 dB", 0},
        {TGauge::gFrequency, 1e12, 8000, "8000 Hz", 8000},
        {TGauge::gFrequency, -5, 0, "0 Hz", 0},
        {TGauge::gFrequency, 2000.5, 2001, "2001 Hz", 2001},
        {TGauge::gFrequency, nan, 1000, "1000 Hz", 1000},
        {TGauge::gFrequency, QStringLiteral("loud"), 1000, "1000 Hz", 1000},
    };
    for (const TSetCase& test : cases) {
        TWindow window;
        TSpectrumForm* const form = window.form.get();
        const bool level = test.Gauge == TGauge::gLevel;
        SCOPED_TRACE(std::string(level ? "level " : "frequency ") +
                     test.Requested.toString().toStdString());
        // The other gauge away from its start, so that a mix-up of the two shows.
        (level ? form->GaugeF() : form->GaugeLevel()).SetPosition(level ? 3000 : 100);
        QWidget& widget = level ? form->GaugeLevelWidget() : form->GaugeFWidget();
        controls::TGaugeSlider& gauge = level ? form->GaugeLevel() : form->GaugeF();
        QLabel& label = level ? form->LabelLevel() : form->LabelF();
        QAccessibleInterface& slider = Interface(widget);
        ASSERT_EQ(slider.role(), QAccessible::Slider);
        EXPECT_EQ(slider.text(QAccessible::Name).toStdString(), level ? "Level" : "Frequency");
        QAccessibleValueInterface* const value = slider.valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->minimumValue().toInt(), level ? -160 : 0);
        EXPECT_EQ(value->maximumValue().toInt(), level ? 0 : 8000);
        EXPECT_EQ(value->minimumStepSize().toInt(), 1);

        value->setCurrentValue(test.Requested);

        EXPECT_EQ(gauge.Position(), test.Position);
        EXPECT_EQ(label.text().toStdString(), test.Text);
        EXPECT_EQ(slider.text(QAccessible::Value).toStdString(), test.Text);
        EXPECT_EQ(value->currentValue().toInt(), test.Value);
        // The change handler ran: the gain follows the level (-60 dB in the frequency cases).
        EXPECT_EQ(AnalyzerState.Gain, analysis::GainFromAttenuation(level ? -test.Value : 60));
        EXPECT_TRUE(window.errorBoxes.empty());
    }
}

TEST(AccessibleControls, DisplayDescribesWindowModeAndPeakOfTheLastFrame) {
    TWindow window;
    TSpectrumForm* const form = window.form.get();
    QAccessibleInterface& display = Interface(form->ImageSpAmpWidget());
    EXPECT_EQ(display.role(), QAccessible::Graphic);
    EXPECT_EQ(display.text(QAccessible::Name).toStdString(), "Spectrum");

    Interface(form->GaugeFWidget()).valueInterface()->setCurrentValue(2000);
    Interface(form->GaugeLevelWidget()).valueInterface()->setCurrentValue(-20);
    form->WindowMenuItem(analysis::WindowKind::wkHann).trigger();
    form->CodingModeButton(analysis::CodingMode::cmIter2).click();
    form->ProcessFrame();
    // 2000 Hz is bin 128 exactly; the plot puts the largest bin at the level of the largest
    // sample, whatever the window.
    EXPECT_EQ(display.text(QAccessible::Description).toStdString(),
              "Window: Окно Ханна; mode: 2 nd iteration; peak: Bin 128: 2000.000 Hz, -20.00 dB");
    // With a view on, its read-outs follow, as the plot shows them.
    form->PlotViews().SetFiguresShown(true);
    form->ProcessFrame();
    const std::string withFigures = display.text(QAccessible::Description).toStdString();
    EXPECT_NE(withFigures.find("; F0: 2000.00 Hz, -20.0"), std::string::npos) << withFigures;
    EXPECT_NE(withFigures.find("; Coder SNR (coded - exact): "), std::string::npos);

    // The read-outs keep their text as their name and say what they are.
    QAccessibleInterface& levelLabel = Interface(form->LabelLevel());
    EXPECT_EQ(levelLabel.text(QAccessible::Name).toStdString(), "- 20 dB");
    EXPECT_EQ(levelLabel.text(QAccessible::Description).toStdString(), "Level read-out");
    EXPECT_EQ(Interface(form->LabelF()).text(QAccessible::Name).toStdString(), "2000 Hz");
    EXPECT_TRUE(window.errorBoxes.empty());
}

} // namespace

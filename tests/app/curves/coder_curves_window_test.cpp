// SPDX-License-Identifier: GPL-3.0-or-later
// The coder curves' window: opened from the spectrum menu, filled off the user-interface
// thread, following the tone, and saving the very picture the headless tool draws.

#include "analysis/analyzer.h"
#include "analysis/coder_figures.h"
#include "app/curves/coder_curves_menu.h"
#include "app/curves/coder_curves_window.h"
#include "app/main_window/spectrum_form.h"
#include "platform/qt/qt_platform.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using analysis::CoderKind;

// Far longer than the curves take, sanitized, on a loaded machine.
constexpr int CurvesLimitMs = 60000;

TEST(CoderCurvesWindow, OpensFromTheMenuFollowsTheToneAndSavesWhatTheToolDraws) {
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    form.GaugeF().SetPosition(997);
    form.CoderCurvesMenu().OpenItem().trigger();
    app::TCoderCurvesWindow* const window = form.CoderCurvesMenu().Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    app::TCurveChartWidget& level = window->LevelChart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return level.Complete(); }, CurvesLimitMs));

    // The window's PNG is the tool's, pixel for pixel.
    const QTemporaryDir folder;
    const QString saved = folder.filePath(QStringLiteral("window.png"));
    const QString drawn = folder.filePath(QStringLiteral("tool.png"));
    window->SaveShownChart(app::TChartFormat::cfPng, saved);
    const std::string command = std::string(ORVEX_FRAMES) + " --curves level --freq 997 --png '" +
                                drawn.toStdString() + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const QImage fromWindow(saved);
    ASSERT_FALSE(fromWindow.isNull());
    EXPECT_TRUE(fromWindow == QImage(drawn));

    // A screen reader is told each coder's SNR at the tone, as the coder figures give it.
    const std::string description = level.accessibleDescription().toStdString();
    const double sqrt = analysis::MeasureCoderFigures(997, 0, analysis::CodingMode::cmOrvexSqrt).SnrDb;
    EXPECT_NE(description.find("Orvex Sqrt " + QString::number(sqrt, 'f', 2).toStdString() + " dB"),
              std::string::npos)
        << description;

    // Pointing into the plot reads out the shown curve nearest to the pointer there.
    const QRectF area = level.rect();
    QTest::mouseMove(&level, charts::TCoderCurveChart::PlotArea(area).center().toPoint());
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
        return label->text().contains(QStringLiteral(" dB: SNR ")) &&
               label->text().endsWith(QStringLiteral(" dB"));
    }));

    // A click on the legend hides a curve and another shows it again.
    QPointF legendRow;
    for (double y = area.top(); y < area.bottom() && legendRow.isNull(); y += 2) {
        const QPointF at(area.right() - 100, y);
        if (charts::TCoderCurveChart(level.Data()).LegendEntryAt(area, at) == CoderKind::ckMuLaw) {
            legendRow = at;
        }
    }
    ASSERT_FALSE(legendRow.isNull());
    QTest::mouseClick(&level, Qt::LeftButton, Qt::NoModifier, legendRow.toPoint());
    EXPECT_TRUE(level.Data().Hidden[static_cast<std::size_t>(CoderKind::ckMuLaw)]);

    // A new frequency restarts the level curves; a new level only moves their mark.
    form.GaugeLevel().SetPosition(140); // -20 dB
    EXPECT_EQ(level.Data().Marked, -20);
    EXPECT_TRUE(level.Complete());
    EXPECT_NE(level.accessibleDescription().indexOf(QStringLiteral("at -20 dB:")), -1)
        << level.accessibleDescription().toStdString();
    form.GaugeF().SetPosition(1000);
    EXPECT_EQ(level.Data().Request.FrequencyHz, 1000);
    EXPECT_EQ(window->FrequencyChart().Data().Marked, 1000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return level.Complete(); }, CurvesLimitMs));

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The coder curves' window: opened from the spectrum menu, filled off the user-interface
// thread, following the tone, and saving the very picture the headless tool draws.

#include "analysis/frames/analyzer.h"
#include "app/curves/coder_curves_menu.h"
#include "app/curves/coder_curves_window.h"
#include "app/main_window/spectrum_form.h"
#include "app/sources/source_menu.h"
#include "platform/qt/qt_platform.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <vector>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using analysis::CoderKind;

// Far longer than the curves take, sanitized, on a loaded machine.
constexpr int CurvesLimitMs = 60000;

// The process's resident memory in KiB, from /proc.
long ResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

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
    const QTemporaryDir folder;
    const QString saved = folder.filePath(QStringLiteral("window.png"));
    // Half a chart is not saved.
    EXPECT_THROW(window->SaveShownChart(app::TChartFormat::cfPng, saved), std::runtime_error);
    EXPECT_FALSE(QFile::exists(saved));
    ASSERT_TRUE(QTest::qWaitFor([&] { return level.Complete(); }, CurvesLimitMs));

    // The window's PNG is the tool's, pixel for pixel.
    const QString drawn = folder.filePath(QStringLiteral("tool.png"));
    window->SaveShownChart(app::TChartFormat::cfPng, saved);
    const std::string command = std::string(ORVEX_FRAMES) + " --curves level --freq 997 --png '" +
                                drawn.toStdString() + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const QImage fromWindow(saved);
    ASSERT_FALSE(fromWindow.isNull());
    EXPECT_TRUE(fromWindow == QImage(drawn));

    // A pipe is written in place while a program reads it and refused while none does; a
    // device is written in place. Either stays what it is.
    const QByteArray pipe = QFile::encodeName(folder.filePath(QStringLiteral("pipe")));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    try {
        window->SaveShownChart(app::TChartFormat::cfCsv, QFile::decodeName(pipe));
        ADD_FAILURE() << "saved into a pipe that no program reads";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "it is a pipe that no program reads");
    }
    const int reader = open(pipe.constData(), O_RDONLY | O_NONBLOCK);
    window->SaveShownChart(app::TChartFormat::cfCsv, QFile::decodeName(pipe));
    std::array<char, 9> csv{};
    EXPECT_EQ(read(reader, csv.data(), csv.size()), 9);
    EXPECT_EQ(std::string(csv.data(), csv.size()), "level_db,");
    close(reader);
    struct stat status {};
    EXPECT_TRUE(stat(pipe.constData(), &status) == 0 && S_ISFIFO(status.st_mode));
    // A null device of the test's own, where the system lets it make and write one.
    const QByteArray device = QFile::encodeName(folder.filePath(QStringLiteral("null")));
    if (mknod(device.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0 &&
        access(device.constData(), W_OK) == 0) {
        window->SaveShownChart(app::TChartFormat::cfPng, QFile::decodeName(device));
        EXPECT_TRUE(stat(device.constData(), &status) == 0 && S_ISCHR(status.st_mode));
    }

    // Pointing into the plot reads out the shown curve nearest to the pointer there: at full
    // scale (on the right), the best coder at the top of the plot and the worst at its bottom.
    const QRectF area = level.rect();
    const QRectF plot = charts::TCoderCurveChart::PlotArea(area);
    QList<QLabel*> labels = window->findChildren<QLabel*>();
    labels.removeIf([](const QLabel* label) { return !label->accessibleName().isEmpty(); });
    ASSERT_EQ(labels.size(), 1); // the read-out, beside the named telephone mask's line
    for (const auto& [y, text] : {std::pair{plot.top() + 1, "PCM 16 bit, 0 dB: SNR 98.03 dB"},
                                  std::pair{plot.bottom() - 1, "G.711 mu-law, 0 dB: SNR 39.45 dB"}}) {
        QTest::mouseMove(&level, QPointF(plot.right() - 1, y).toPoint());
        EXPECT_EQ(labels.front()->text().toStdString(), text);
    }

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
    // The telephone mask is judged under the chart at 1004 to 1025 Hz only.
    EXPECT_EQ(window->MaskLine(), QString());
    form.GaugeF().SetPosition(1020);
    ASSERT_TRUE(QTest::qWaitFor([&] { return level.Complete(); }, CurvesLimitMs));
    EXPECT_EQ(window->MaskLine().toStdString(), charts::TelephoneMaskSummary(level.Data()));
    EXPECT_NE(window->MaskLine().indexOf(QStringLiteral("PCM 16 bit meets the telephone mask")), -1);

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());

    // Closing a huge window gives its pixels back.
    window->resize(8000, 8000);
    window->show();
    window->repaint();
    QCoreApplication::processEvents();
    const long shown = ResidentKib();
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::qWait(50);
    malloc_trim(0);
    const long closed = ResidentKib();
    EXPECT_GT(shown - closed, 200 * 1024) << shown << " KiB shown, " << closed << " KiB closed";
}

// "This material" measures every coder on the file that plays against its gain: white noise
// through 16-bit PCM loses a decibel of SNR per decibel of gain, through mu-law hardly any,
// and the uncoded mode has no error; the tone leaves nothing to measure or save.
TEST(CoderCurvesWindow, MeasuresEveryCoderOnTheMaterialAgainstItsGain) {
    const QTemporaryDir folder;
    const QString noise = folder.filePath(QStringLiteral("noise.wav"));
    ASSERT_EQ(std::system(("sox -n -r 16000 -e floating-point -b 32 '" + noise.toStdString() +
                           "' synth 3 whitenoise vol 0.3")
                              .c_str()),
              0);
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    form.SourceMenu().OpenFile(noise); // before the window is first opened
    form.CoderCurvesMenu().OpenItem().trigger();
    app::TCoderCurvesWindow& window = *form.CoderCurvesMenu().Window();
    window.ShowOnLevelTab(app::TLevelSubject::lsMaterial);
    const app::TMaterialChartWidget& chart = window.MaterialChart();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chart.Complete(); }, CurvesLimitMs));
    EXPECT_EQ(chart.Data().Name, "noise.wav");
    EXPECT_EQ(chart.Data().Samples, 48000);
    const auto at = [&](int gainDb, CoderKind kind) {
        return chart.Data().Points[analysis::MaterialCurveBufferIndex(-gainDb, kind)];
    };
    EXPECT_NEAR(at(0, CoderKind::ckLinear16).SnrDb - at(-20, CoderKind::ckLinear16).SnrDb, 20.0, 0.5);
    EXPECT_NEAR(at(0, CoderKind::ckMuLaw).SnrDb - at(-20, CoderKind::ckMuLaw).SnrDb, 0.0, 3.0);
    EXPECT_NEAR(at(-20, CoderKind::ckMuLaw).SegmentalSnrDb, at(-20, CoderKind::ckMuLaw).SnrDb, 1.0);
    EXPECT_EQ(at(-60, CoderKind::ckPCM).SnrDb, std::numeric_limits<double>::infinity());

    const QString csv = folder.filePath(QStringLiteral("material.csv"));
    window.SaveShownChart(app::TChartFormat::cfCsv, csv);
    std::ifstream lines(csv.toStdString());
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), 62u);
    // The tool measures the same file alike.
    const QString drawn = folder.filePath(QStringLiteral("tool.csv"));
    const std::string command = std::string(ORVEX_FRAMES) + " --curves level --input '" + noise.toStdString() +
                                "' --format csv > '" + drawn.toStdString() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream saved(csv.toStdString());
    std::ifstream printed(drawn.toStdString());
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(saved), {}, std::istreambuf_iterator<char>(printed), {}));
    // Its JSON has a figure per gain for every coder, mu-law's the chart's at 0 dB.
    const std::string json = folder.filePath(QStringLiteral("tool.json")).toStdString();
    ASSERT_EQ(std::system((std::string(ORVEX_FRAMES) + " --curves level --input '" + noise.toStdString() +
                           "' --format json > '" + json + "'").c_str()),
              0);
    const nlohmann::json report = nlohmann::json::parse(std::ifstream(json));
    EXPECT_EQ(report["gain_db"].size(), 61u);
    EXPECT_EQ(report["coders"][6]["snr_db"].size(), 61u);
    EXPECT_NEAR(report["coders"][6]["segmental_snr_db"][0].get<double>(), at(0, CoderKind::ckMuLaw).SegmentalSnrDb, 1e-9);
    EXPECT_EQ(rows[0].rfind("gain_db,pcm_snr_db,pcm_segmental_snr_db,sqrt_snr_db,", 0), 0u) << rows[0];
    EXPECT_EQ(rows[21].rfind("-20,,35.0000,", 0), 0u) << rows[21];

    form.SourceMenu().ToneItem().trigger();
    EXPECT_TRUE(chart.Data().Name.empty());
    EXPECT_THROW(window.SaveShownChart(app::TChartFormat::cfPng, csv), std::runtime_error);
}

} // namespace

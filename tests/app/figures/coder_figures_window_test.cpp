// SPDX-License-Identifier: GPL-3.0-or-later
// The coder figures' window: opened from the spectrum menu, measuring the file that plays off
// the user-interface thread, copying what the headless tool prints, and playing a worst moment.

#include "analysis/frames/analyzer.h"
#include "app/figures/coder_figures_menu.h"
#include "app/figures/coder_figures_window.h"
#include "app/main_window/spectrum_form.h"
#include "app/sources/source_menu.h"
#include "app/sources/source_window.h"
#include "platform/qt/qt_platform.h"
#include "sound/source_player.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Far longer than a few seconds of sound take, sanitized, on a loaded machine.
constexpr int MeasureLimitMs = 60000;

std::string ToolOutput(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer{};
    while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        out.append(buffer.data(), read);
    }
    pclose(pipe);
    return out;
}

// With the tone the window says what it needs; with a file it fills the table, which copies
// as the tool's CSV row for row (sorted as shown), and starts afresh on another file; a worst
// moment chosen loops the half second around it.
TEST(CoderFiguresWindow, MeasuresTheFileThatPlaysCopiesTheToolsTableAndPlaysAWorstMoment) {
    const QTemporaryDir folder;
    QDir::setCurrent(folder.path()); // the tool names the file as the window does
    ASSERT_EQ(std::system("sox -n -r 16000 -b 16 a.wav synth 3 sine 300:3000 vol 0.5 && "
                          "sox -n -r 16000 -b 16 b.wav synth 2 sine 1000 vol 0.1"),
              0);
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    form.CoderFiguresMenu().OpenItem().trigger();
    app::TCoderFiguresWindow* const window = form.CoderFiguresMenu().Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Status().text().contains(QStringLiteral("open a sound file")));
    EXPECT_EQ(window->Table().rowCount(), 8);

    // A long name is elided in the middle, whole in the tooltip and for screen readers.
    const std::string longName = std::string(240, 'n') + ".wav";
    ASSERT_EQ(std::system(("cp b.wav " + longName).c_str()), 0);
    for (const std::string& file : {longName, std::string("b.wav"), std::string("a.wav")}) {
        SCOPED_TRACE(file);
        form.SourceMenu().OpenFile(QString::fromStdString(file));
        EXPECT_FALSE(window->Complete());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Complete(); }, MeasureLimitMs));
        if (file == longName) {
            EXPECT_LT(window->sizeHint().width(), window->screen()->availableSize().width());
            EXPECT_EQ(window->Status().accessibleDescription().toStdString(), longName);
        }
    }
    const std::string tool =
        ToolOutput(std::string(ORVEX_FRAMES) + " --input a.wav --measure --format csv");
    const QStringList printed = QString::fromStdString(tool).split(QLatin1Char('\n'));
    // Unsorted until the user sorts: the tool's order, row for row.
    EXPECT_EQ(window->Table().horizontalHeader()->sortIndicatorSection(), -1);
    EXPECT_EQ(window->Csv().toStdString(), tool);
    window->Table().sortByColumn(1, Qt::DescendingOrder); // by SNR, the exact coder first
    EXPECT_EQ(window->Table().item(0, 0)->text(), QStringLiteral("pcm"));
    EXPECT_EQ(window->Table().item(0, 1)->text(), QStringLiteral("inf"));
    window->CopyAsCsv();
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(copied.size(), printed.size());
    EXPECT_EQ(copied.front(), printed.front());
    for (const QString& row : copied) {
        EXPECT_TRUE(printed.contains(row)) << row.toStdString();
    }

    // mu-law's worst moment, looped with half a second on either side.
    const QList<QTableWidgetItem*> mulaw =
        window->Table().findItems(QStringLiteral("mulaw"), Qt::MatchExactly);
    ASSERT_EQ(mulaw.size(), 1);
    window->Table().setCurrentCell(mulaw.front()->row(), 0);
    ASSERT_EQ(window->WorstMoments().count(), static_cast<int>(app::ListedWorstMoments));
    const double seconds =
        window->WorstMoments().item(0)->text().section(QLatin1Char(' '), 0, 0).toDouble();
    window->ChooseWorstMoment(0);
    const sound::TFilePlayback& playback = form.SourceMenu().Player()->File();
    ASSERT_TRUE(playback.Loop().has_value());
    const auto first = static_cast<std::int64_t>(seconds * 16000 + 0.5);
    EXPECT_EQ(playback.Loop()->Begin, std::max<std::int64_t>(first - 8000, 0));
    EXPECT_EQ(playback.Loop()->End, first + 480 + 8000);
    EXPECT_EQ(playback.Position(), playback.Loop()->Begin);
    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_TRUE(window->Complete()) << "the window's own loop is no change of region";

    // A loop the user sets is measured alone, as the tool measures the file from its start.
    form.SourceMenu().Window()->PlayRegion(16000, 48000);
    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_FALSE(window->Complete());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Complete(); }, MeasureLimitMs));
    EXPECT_TRUE(window->Status().text().contains(QStringLiteral("from 1.000 s to 3.000 s")));
    QStringList region = window->Csv().split(QLatin1Char('\n'));
    QStringList fromOne =
        QString::fromStdString(ToolOutput(std::string(ORVEX_FRAMES) +
                                          " --input a.wav --start 1 --measure --format csv"))
            .split(QLatin1Char('\n'));
    region.sort();
    fromOne.sort();
    EXPECT_EQ(region, fromOne);

    // A figure that compares nothing (NaN) sorts below every number, whichever way.
    QTableWidget& table = window->Table();
    const int nothing = table.findItems(QStringLiteral("mulaw"), Qt::MatchExactly).front()->row();
    table.item(nothing, 1)->setData(Qt::UserRole, std::nan("")); // the figure a cell sorts by
    for (const auto& [order, row] : {std::pair{Qt::DescendingOrder, 7}, std::pair{Qt::AscendingOrder, 0}}) {
        table.sortByColumn(1, order);
        EXPECT_EQ(table.item(row, 0)->text(), QStringLiteral("mulaw")) << order;
    }

    form.SourceMenu().ChooseTone();
    EXPECT_FALSE(window->Complete());
    EXPECT_TRUE(window->Status().text().contains(QStringLiteral("open a sound file")));
}

} // namespace

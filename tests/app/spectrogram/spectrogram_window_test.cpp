// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrogram window: fed by the main window's frames only while open, without changing
// their pictures; read by its cursor; saving the very picture the headless tool draws.

#include "analysis/frames/analyzer.h"
#include "analysis/spectrogram/spectrogram_settings.h"
#include "app/main_window/spectrum_form.h"
#include "app/sources/source_menu.h"
#include "app/sources/source_window.h"
#include "app/spectrogram/spectrogram_menu.h"
#include "app/spectrogram/spectrogram_window.h"
#include "platform/qt/qt_platform.h"
#include "sound/source_player.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using analysis::SpectrogramLane;

// The main window's picture after `frames` frames of the tone from a fresh start, with the
// spectrogram open or not.
std::vector<std::uint32_t> MainWindowPixels(bool spectrogramOpen, int frames) {
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    if (spectrogramOpen) {
        form.SpectrogramMenu().OpenItem().trigger();
    }
    for (int frame = 0; frame < frames; ++frame) {
        form.ProcessFrame();
    }
    const auto pixels = form.SpectrumBitmap()->Pixels();
    return {pixels.begin(), pixels.end()};
}

TEST(SpectrogramWindow, TakesTheFramesOnlyWhileOpenAndLeavesTheMainWindowAsItWas) {
    EXPECT_EQ(MainWindowPixels(true, 6), MainWindowPixels(false, 6));

    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    form.GaugeF().SetPosition(1000); // on bin 64 of a 1024-point transform
    app::TSpectrogramMenu& menu = form.SpectrogramMenu();
    EXPECT_EQ(menu.Window(), nullptr);
    form.ProcessFrame();
    menu.OpenItem().trigger();
    app::TSpectrogramWindow& window = *menu.Window();
    ASSERT_TRUE(window.isVisible());
    // k frames of 1024 samples make 4k - 3 columns, one every 256 samples.
    for (int frame = 0; frame < 10; ++frame) {
        form.ProcessFrame();
    }
    EXPECT_EQ(window.History().Count(), 37);
    EXPECT_EQ(window.Picture().SlotsDrawn(), 37);
    window.close();
    form.ProcessFrame();
    EXPECT_EQ(window.History().Count(), 37);
    menu.OpenItem().trigger();

    // A click on the tone's row of the coded lane pauses and places the cursor on the newest
    // column; it reads the tone's frequency and the lanes' levels, screen readers hear it,
    // and the arrows move it by a column and a bin.
    const QRect coded = window.Picture().LaneArea(SpectrogramLane::slCoded);
    window.PlaceCursorAt(coded.right(), coded.top() + window.Picture().RowOf(1000.0));
    ASSERT_TRUE(window.Cursor().has_value());
    EXPECT_TRUE(window.Paused());
    EXPECT_EQ(window.Cursor()->Column, 36);
    EXPECT_NEAR(window.Cursor()->Bin, 64, 2); // a row of the lane covers about 3 bins
    EXPECT_EQ(window.Cursor()->Lane, SpectrogramLane::slCoded);
    form.ProcessFrame(); // paused: the history goes on (afresh after the gap), the view stays
    EXPECT_EQ(window.History().Count(), 38);
    EXPECT_EQ(window.Picture().SlotsDrawn(), 37);
    window.MoveCursor(-1, 64 - window.Cursor()->Bin);
    EXPECT_EQ(window.Cursor()->Column, 35);
    EXPECT_EQ(window.Cursor()->Bin, 64);
    const QString reading = window.CursorText();
    EXPECT_TRUE(reading.contains(QStringLiteral("0.592 s, 1000.0 Hz: Original 0.00 dB Coded 0.00 dB "
                                                "Error below -120 dB")))
        << reading.toStdString();
    EXPECT_EQ(window.View().accessibleDescription(), reading);
    // Each arrow moves the cursor its way: up a bin higher, right later (time running right).
    struct Arrow {
        Qt::Key Key;
        std::int64_t Column;
        int Bin;
    };
    for (const Arrow arrow :
         {Arrow{Qt::Key_Up, 35, 65}, Arrow{Qt::Key_Down, 35, 64}, Arrow{Qt::Key_Right, 36, 64},
          Arrow{Qt::Key_Left, 35, 64}, Arrow{Qt::Key_Right, 36, 64}}) {
        QKeyEvent press(QEvent::KeyPress, arrow.Key, Qt::NoModifier);
        QApplication::sendEvent(&window.View(), &press);
        EXPECT_EQ(window.Cursor()->Column, arrow.Column) << arrow.Key;
        EXPECT_EQ(window.Cursor()->Bin, arrow.Bin) << arrow.Key;
    }

    // The cursor's column becomes the main window's reference trace.
    EXPECT_FALSE(form.PlotViews().HasReference());
    window.SendCursorToReference();
    EXPECT_TRUE(form.PlotViews().HasReference());

    // Another transform length makes the columns again from the samples kept, the paused
    // moment under the cursor at the same time and frequency; back again, all is as it was.
    const QString reading1024 = window.CursorText();
    const std::int64_t columns1024 = window.History().Count();
    struct Length {
        int Points;
        std::int64_t Columns; // runs of 10 frames and of 1: 4 and 1 fewer at 2048
        int Bin;
        const char* Seconds; // the nearest at 2048 ends the run 32 ms sooner
    };
    for (const Length length :
         {Length{2048, columns1024 - 5, 128, "0.576"}, Length{1024, columns1024, 64, "0.608"}}) {
        charts::TSpectrogramLook look = window.Look();
        look.TransformLength = length.Points;
        window.SetLook(look);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.Recomputing(); }, 60000));
        EXPECT_EQ(window.Look().TransformLength, length.Points);
        EXPECT_EQ(window.History().Count(), length.Columns);
        ASSERT_TRUE(window.Cursor().has_value());
        EXPECT_EQ(window.Cursor()->Bin, length.Bin);
        EXPECT_TRUE(
            window.CursorText().startsWith(QStringLiteral("Cursor at %1 s, 1000.0 Hz: Original "
                                                          "0.00 dB Coded 0.00 dB")
                                               .arg(QLatin1String(length.Seconds))))
            << window.CursorText().toStdString();
    }
    EXPECT_EQ(window.CursorText(), reading1024);

    // However large the window is made, its picture is no larger than the largest screens.
    for (const QSize asked : {QSize(9000, 300), QSize(300, 5000)}) {
        window.View().resize(asked);
        EXPECT_EQ(window.Picture().Size(), asked.boundedTo(charts::LargestWindowSpectrogramSize));
    }
}

TEST(SpectrogramWindow, SavesThePictureAndTheNumbersTheToolWritesForAFile) {
    const QTemporaryDir folder;
    const std::string input = folder.filePath(QStringLiteral("sweep.wav")).toStdString();
    // 100 frames of samples: 397 columns, one for each slot of a picture 545 pixels wide.
    ASSERT_EQ(std::system(("sox -n -r 16000 -e floating-point -b 32 '" + input +
                           "' synth 6.4 sine 300:3000")
                              .c_str()),
              0);
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    form.SourceMenu().OpenFile(QString::fromStdString(input));
    form.SpectrogramMenu().OpenItem().trigger();
    app::TSpectrogramWindow& window = *form.SpectrogramMenu().Window();
    window.View().setFixedSize(545, 300);
    QApplication::processEvents();
    for (int frame = 0; frame < 100; ++frame) {
        form.ProcessFrame();
    }
    ASSERT_EQ(window.History().Count(), window.Picture().Slots());

    const std::string saved = folder.filePath(QStringLiteral("window.png")).toStdString();
    const std::string drawn = folder.filePath(QStringLiteral("tool.png")).toStdString();
    window.SavePicture(QString::fromStdString(saved));
    const std::string command = std::string(ORVEX_FRAMES) + " --input '" + input +
                                "' --spectrogram '" + drawn + "' --size 545x300 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const QImage fromWindow(QString::fromStdString(saved));
    ASSERT_FALSE(fromWindow.isNull());
    EXPECT_TRUE(fromWindow == QImage(QString::fromStdString(drawn)));

    // On screen, the lanes move by as many pixels as slots came and the rest is painted
    // over them: what shows is the picture, with time running either way (ten frames).
    for (const charts::TimeDirection direction :
         {charts::TimeDirection::tdRightToLeft, charts::TimeDirection::tdLeftToRight}) {
        charts::TSpectrogramLook look = window.Look();
        look.Direction = direction;
        window.SetLook(look);
        for (int frame = 0; frame < 5; ++frame) {
            form.ProcessFrame();
            QApplication::processEvents();
        }
        const QPoint at = window.View().mapTo(&window, QPoint(0, 0));
        const QImage shown = window.screen()
                                 ->grabWindow(window.winId(), at.x(), at.y(), 545, 300)
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(shown == window.Picture().Image()) << static_cast<int>(direction);
    }

    // Paused, the view scrolls back through the history, no further than its oldest columns.
    window.SetPaused(true);
    const QRect lane = window.Picture().LaneArea(SpectrogramLane::slOriginal);
    const auto newestShown = [&] { return window.PointText(lane.right(), lane.top()).left(7); };
    EXPECT_EQ(newestShown(), QStringLiteral("7.008 s")); // column 436
    window.Scroll(-20);
    EXPECT_EQ(newestShown(), QStringLiteral("6.688 s"));
    window.Scroll(-1000);
    EXPECT_EQ(newestShown(), QStringLiteral("6.368 s")); // column 396, the slots' worth

    // The cursor's column as CSV: the tool's header, then a row per lane at the column's time.
    window.PlaceCursorAt(window.Picture().LaneArea(SpectrogramLane::slOriginal).left(),
                         window.Picture().LaneArea(SpectrogramLane::slOriginal).top());
    const QString csv = folder.filePath(QStringLiteral("column.csv"));
    window.SaveCsv(csv);
    std::ifstream lines(csv.toStdString());
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        rows.push_back(line.substr(0, line.find(',', line.find(',') + 1)));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"time_s,lane", "0.032,original", "0.032,coded",
                                              "0.032,error"}));
    EXPECT_THROW(window.SaveCsv(folder.filePath(QStringLiteral("missing/column.csv"))),
                 std::runtime_error);

    // No samples, no columns: none while the file is paused, nor once it has played to its
    // end without a loop (Space plays on, paused at first; three frames reach the end).
    app::TSourceWindow& source = *form.SourceMenu().Window();
    source.SetLooping(false);
    source.SeekTo(form.SourceMenu().Player()->File().Info().Samples - 3000);
    for (const int framesBefore : {0, 4}) {
        source.TogglePlaying();
        for (int frame = 0; frame < framesBefore; ++frame) {
            form.ProcessFrame();
        }
        ASSERT_TRUE(form.SourceMenu().Player()->Paused());
        const std::int64_t columns = window.History().Count();
        for (int frame = 0; frame < 3; ++frame) {
            form.ProcessFrame();
        }
        EXPECT_EQ(window.History().Count(), columns) << framesBefore;
    }
}

} // namespace

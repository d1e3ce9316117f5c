// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "app/figures/coder_figures_menu.h"
#include "app/figures/coder_figures_window.h"
#include "app/listening/listening_menu.h"
#include "app/main_window/spectrum_form.h"
#include "app/sources/live_input.h"
#include "app/sources/source_menu.h"
#include "app/sources/source_window.h"
#include "platform/qt/qt_platform.h"
#include "sound/source_player.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QMenu>
#include <QSettings>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

int PeakBin() {
    return static_cast<int>(std::max_element(analysis::MagnitudeBuffer.begin(),
                                             analysis::MagnitudeBuffer.end()) -
                            analysis::MagnitudeBuffer.begin());
}

// Processes events until `done`; false if it never holds: the limit (ms) only catches a hang.
template <class TDone>
bool Await(const TDone& done) {
    return QTest::qWaitFor(done, 60000);
}

// A file opened in the window is what the frames take, at the level slider's gain, and moves
// on frame by frame and by the source window's seeks; the frequency slider is off and says
// why; closing the source window brings the tone back, and a file that cannot be read leaves
// the source as it was. The file is remembered among the recent ones.
TEST(SourceMenu, AFilePlaysInTheWindowUntilItsWindowCloses) {
    const fs::path folder = fs::temp_directory_path() / ("orvex-sources-" + std::to_string(getpid()));
    fs::create_directories(folder);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1); // recent files go into the test's own folder
    const std::string path = (folder / "tone2k.wav").string();
    ASSERT_EQ(std::system(("sox -n -D -r 48000 -b 16 '" + path + "' synth 3 sine 2000 vol 0.5").c_str()), 0);

    setenv("PULSE_SERVER", "unix:/nonexistent/orvex-test.socket", 1);
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    platform.SetErrorBoxSink([](std::string_view message) { ADD_FAILURE() << message; });
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    app::TSourceMenu& sources = form.SourceMenu();
    EXPECT_EQ(sources.FrameSource(), nullptr);

    // Listening hands a file opened meanwhile to the device's clock, its failed start back to
    // the frames'.
    form.ListeningMenu().SetListening(true);
    sources.OpenFile(QString::fromStdString(path));
    ASSERT_NE(sources.Player(), nullptr);
    EXPECT_EQ(sources.Player()->Clock(), sound::TSourceClock::scDevice);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.ListeningMenu().Listening().Playing(); }));
    EXPECT_EQ(sources.Player()->Clock(), sound::TSourceClock::scFrames);
    EXPECT_TRUE(sources.FileItem().isChecked());
    EXPECT_EQ(form.LabelLevel().text().toStdString(), "gain - 0 dB");
    EXPECT_EQ(form.LabelF().text().toStdString(), "no tone");
    EXPECT_FALSE(form.GaugeFWidget().isEnabled());
    EXPECT_FALSE(form.GaugeFWidget().toolTip().isEmpty());
    app::TSourceWindow* window = sources.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->LoopBox().isChecked()) << "a short file loops";
    EXPECT_TRUE(window->actions().contains(&form.ListeningMenu().OriginalItem()));

    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_EQ(PeakBin(), 128);
    // Within 0.1 dB: the resampler rings a little where the sine starts.
    EXPECT_NEAR(analysis::AnalyzerState.PeakInput, 0.5 * 32767, 0.012 * 0.5 * 32767);
    EXPECT_EQ(sources.Player()->File().Position(), 1024);
    window->SeekBy(2.0);
    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_EQ(sources.Player()->File().Position(), 1024 + 32000 + 1024);
    EXPECT_EQ(window->TimeLabel().text().toStdString(), "0:02.1 / 0:03.0");
    window->TogglePlaying();
    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_EQ(sources.Player()->File().Position(), 1024 + 32000 + 1024) << "paused";
    for (const auto& [seconds, text] : {std::pair{59.9, "0:59.9"}, std::pair{61.2, "1:01.2"},
                                        std::pair{3599.0, "59:59.0"}, std::pair{3661.2, "1:01:01.2"}}) {
        EXPECT_EQ(app::SourceTimeText(seconds), text) << seconds;
    }

    // A focused control answers its own keys, and Space plays or pauses elsewhere. A loop end
    // set before its start swaps the two, one at its start is refused; the window says so.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const struct {
        QWidget* focused;
        Qt::Key key;
        std::int64_t at; // the position, in samples
        bool paused;
        std::optional<sound::TSampleRegion> loop;
        const char* status;
    } keys[] = {
        {&window->LoopStartButton(), Qt::Key_Space, 34048, true, {{34048, 48000}}, "Loop 0:02.1 to 0:03.0"},
        {&window->LoopEndButton(), Qt::Key_Return, 16000, true, {{16000, 34048}},
         "The loop end came before its start, so the two are swapped. Loop 0:01.0 to 0:02.1"},
        {&window->LoopEndButton(), Qt::Key_Enter, 16000, true, {{16000, 34048}},
         "The loop end is at its start, and a loop needs a length: the loop is unchanged."},
        {&window->LoopBox(), Qt::Key_Space, 16000, true, std::nullopt, "Loop off"},
        {&window->PositionSlider(), Qt::Key_Space, 16000, false, std::nullopt, "Loop off"},
        {&window->PlayButton(), Qt::Key_Return, 16000, true, std::nullopt, "Loop off"},
    };
    for (const auto& c : keys) {
        SCOPED_TRACE(&c - keys);
        window->SeekTo(c.at);
        c.focused->setFocus();
        QTest::keyClick(c.focused, c.key);
        EXPECT_EQ(sources.Player()->Paused(), c.paused);
        EXPECT_EQ(sources.Player()->File().Loop(), c.loop);
        EXPECT_EQ(window->Status().text().toStdString(), c.status);
    }

    // The file shrinks to 2 s while it plays round a loop of its old 3 s: the loop goes on
    // within the new length, which the window shows.
    window->PlayRegion(0, 48000);
    fs::resize_file(path, fs::file_size(path) - 2 * 48000);
    window->TogglePlaying();
    window->SeekTo(30400);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        form.SendMessage(app::WM_SPECTRUM_FRAME);
        return sources.Player()->File().Position() < 30400;
    }));
    EXPECT_FALSE(sources.Player()->Paused());
    const std::int64_t length = sources.Player()->File().Loop().value_or(sound::TSampleRegion{}).End;
    EXPECT_NEAR(static_cast<double>(length), 32000.0, 16.0);
    EXPECT_TRUE(window->TimeLabel().text().endsWith(
        QString::fromStdString(" / " + app::SourceTimeText(static_cast<double>(length) / 16000))));
    EXPECT_TRUE(window->Status().text().startsWith(QStringLiteral("The file ends sooner than it said: ")));

    // Opened again, a file moves to the top of the recent files, once. A name that is not
    // UTF-8 opens as Qt shows it (a dialog's, a drop's) and from the recent files, by its
    // bytes. A long name is elided in the middle, whole in the tooltip and for screen readers.
    const std::string bad = (folder / "bad\xff\xfe.wav").string();
    const std::string longName = std::string(240, 'n') + ".wav";
    fs::copy_file(path, bad);
    fs::copy_file(path, folder / longName);
    sources.OpenFile(QFile::decodeName(bad.c_str()));
    sources.OpenFile(QString::fromStdString((folder / longName).string()));
    EXPECT_LT(sources.Window()->sizeHint().width(), sources.Window()->screen()->availableSize().width());
    EXPECT_EQ(sources.Window()->NameLabel().accessibleName().toStdString(), longName);
    EXPECT_TRUE(sources.Window()->NameLabel().toolTip().startsWith(QString::fromStdString(longName + "\n")));
    sources.OpenFile(QString::fromStdString(path));
    EXPECT_EQ(QSettings().value(QStringLiteral("sources/recent_files")).toStringList().join('|').toStdString(),
              path + '|' + (folder / longName).string() + '|' + QFile::decodeName(bad.c_str()).toStdString());
    emit sources.RecentMenu().aboutToShow();
    sources.RecentMenu().actions().at(2)->trigger();
    EXPECT_EQ(sources.FilePath(), bad);
    window = sources.Window();

    const std::string missing = (folder / "gone.wav").string();
    try {
        sources.OpenFile(QString::fromStdString(missing));
        ADD_FAILURE() << "opened a missing file";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot read \"gone.wav\": no such file");
    }
    EXPECT_EQ(sources.Window(), window);

    window->close();
    QApplication::processEvents();
    EXPECT_EQ(sources.Player(), nullptr);
    EXPECT_TRUE(sources.ToneItem().isChecked());
    EXPECT_EQ(form.LabelF().text().toStdString(), "1000 Hz");
    EXPECT_TRUE(form.GaugeFWidget().isEnabled());
    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_EQ(PeakBin(), 64);

    // Live input, with no sound server to record from: the frames take it until the failed
    // start comes back, then the tone returns and the submenu says why in one line.
    setenv("PULSE_SERVER", ("unix:" + (folder / "absent.sock").string()).c_str(), 1);
    ASSERT_FALSE(sources.LiveMenu().actions().isEmpty());
    EXPECT_EQ(sources.LiveMenu().actions().first()->text().toStdString(), "Default input");
    // What an earlier recording left, partly heard already, is neither shown nor heard once
    // live input starts again.
    auto& queue = static_cast<sound::TLiveQueue&>(sources.LiveInput().HeardSource());
    queue.Add(std::vector<float>(4000, 0.5f));
    std::vector<float> heard(480);
    queue.TakeForDevice(heard);
    sources.LiveMenu().actions().first()->trigger();
    EXPECT_NE(sources.FrameSource(), nullptr);
    EXPECT_TRUE(sources.LiveMenu().actions().first()->isChecked());
    EXPECT_TRUE(form.GaugeFWidget().toolTip().startsWith(QStringLiteral("Live input has no frequency")));
    form.SendMessage(app::WM_SPECTRUM_FRAME);
    EXPECT_EQ(analysis::AnalyzerState.PeakInput, 0.0) << "silence until the first samples come";
    queue.TakeForDevice(heard);
    EXPECT_EQ(std::ranges::count(heard, 0.0f), 480) << "nothing of the old recording is heard";
    std::vector<long double> shownHeard(1024);
    queue.SetClock(sound::TSourceClock::scDevice);
    queue.SetHeardDelay(0);
    queue.Take(shownHeard);
    queue.SetClock(sound::TSourceClock::scFrames);
    EXPECT_EQ(std::ranges::count(shownHeard, 0.0L), 1024) << "nor shown as heard";
    EXPECT_TRUE(Await([&] { return sources.FrameSource() == nullptr; }));
    EXPECT_TRUE(sources.ToneItem().isChecked());
    EXPECT_TRUE(form.GaugeFWidget().isEnabled());
    EXPECT_TRUE(sources.LiveMenu().menuAction()->toolTip().startsWith(
        QStringLiteral("Live input would not start: no sound server answers (")))
        << sources.LiveMenu().menuAction()->toolTip().toStdString();
    // A device named (on the command line, say) is named in the reason.
    sources.ChooseLive("no.such.input");
    for (int wait = 0; wait < 500 && sources.FrameSource() != nullptr; ++wait) {
        QApplication::processEvents();
        usleep(10000);
    }
    EXPECT_TRUE(sources.LiveMenu().menuAction()->toolTip().startsWith(
        QStringLiteral("Live input 'no.such.input' would not start: no sound server answers (")))
        << sources.LiveMenu().menuAction()->toolTip().toStdString();
    fs::remove_all(folder);
}

// Live input through the test's own sound server (ctest runs this beside one): the monitor of
// its one output is offered, a sine played into that output is what the frames show, and
// the output's going away brings the tone back with the reason in one line.
TEST(SourceMenu, LiveInputShowsWhatIsPlayedUntilTheDeviceGoes) {
    if (std::getenv("ORVEX_OWN_SOUND_SERVER") == nullptr) {
        GTEST_SKIP() << "runs beside a sound server of its own";
    }
    analysis::ResetAnalyzerToLoadState();
    platform::qt::TQtPlatform platform;
    app::TSpectrumForm form(platform);
    form.FrameTimer().Disable();
    app::TSourceMenu& sources = form.SourceMenu();
    ASSERT_TRUE(Await([&] { return sources.LiveMenu().actions().size() == 2; }));
    QAction* const monitor = sources.LiveMenu().actions().at(1);
    EXPECT_EQ(monitor->text().toStdString(), "Monitor of Null Output");
    monitor->trigger();
    EXPECT_TRUE(monitor->isChecked());
    ASSERT_EQ(std::system("sox -r 16000 -n -t raw -e floating-point -b 32 -c 1 - synth 3 sine 2000 "
                          "vol 0.5 | pacat --raw --device=orvex --format=float32le --rate=16000 "
                          "--channels=1 &"),
              0);
    EXPECT_TRUE(Await([&] {
        form.SendMessage(app::WM_SPECTRUM_FRAME);
        return PeakBin() == 128;
    }));
    EXPECT_EQ(form.LabelF().text().toStdString(), "no tone");

    // The coders' figures run over the latest of the input: the sine at -6 dB keeps far more
    // of its SNR through 16-bit PCM than through mu-law, and no worst moments are listed.
    form.CoderFiguresMenu().OpenItem().trigger();
    app::TCoderFiguresWindow& figures = *form.CoderFiguresMenu().Window();
    const auto snr = [&](const char* coder) {
        const QList<QTableWidgetItem*> found = figures.Table().findItems(
            QString::fromLatin1(coder), Qt::MatchExactly);
        return found.size() == 1 ? figures.Table().item(found[0]->row(), 1)->text().toDouble() : 0.0;
    };
    EXPECT_TRUE(Await([&] { return figures.Complete() && snr("pcm16") > snr("mulaw") + 40; }))
        << snr("pcm16") << " " << snr("mulaw");
    EXPECT_GT(snr("mulaw"), 30);
    EXPECT_TRUE(figures.Status().text().startsWith(QStringLiteral("Every coder on live input, its last ")));
    figures.Table().setCurrentCell(0, 0);
    EXPECT_EQ(figures.WorstMoments().count(), 0);

    // Listening plays the live input on the device's clock; here it would play into the very
    // output recorded, so the input stops and says why, and the tone is heard instead.
    form.ListeningMenu().SetListening(true);
    EXPECT_EQ(static_cast<sound::TLiveQueue&>(sources.LiveInput().HeardSource()).Clock(),
              sound::TSourceClock::scDevice);
    EXPECT_TRUE(Await([&] { return sources.FrameSource() == nullptr; }));
    EXPECT_EQ(sources.LiveMenu().menuAction()->toolTip().toStdString().rfind(
                  std::string("Live input stopped: recording stopped: ") +
                      sound::TPulseInput::FeedbackRefusal + ". ",
                  0),
              0u)
        << sources.LiveMenu().menuAction()->toolTip().toStdString();
    EXPECT_TRUE(form.ListeningMenu().Listening().Playing());
    EXPECT_TRUE(figures.Status().text().startsWith(QStringLiteral("The tone plays")));
    form.ListeningMenu().SetListening(false);
    monitor->trigger();
    QTest::qWait(500); // recording again before its input goes

    ASSERT_EQ(std::system("pactl unload-module module-null-sink"), 0);
    EXPECT_TRUE(Await([&] { return sources.FrameSource() == nullptr; }));
    EXPECT_TRUE(sources.ToneItem().isChecked());
    EXPECT_TRUE(sources.LiveMenu().menuAction()->toolTip().startsWith(
        QStringLiteral("Live input stopped: the input went away (")))
        << sources.LiveMenu().menuAction()->toolTip().toStdString();
}

} // namespace

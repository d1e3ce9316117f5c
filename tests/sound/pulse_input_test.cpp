// SPDX-License-Identifier: GPL-3.0-or-later
// Runs beside a sound server of its own (scripts/lib/sound_server_session.sh): one null sink,
// "orvex", in 32-bit float, 16000 Hz, one channel, whose monitor is the server's only input.
#include "analysis/frames/tone_stream.h"
#include "sound/live_queue.h"
#include "sound/pulse_input.h"
#include "sound/recent_samples.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr const char* Monitor = "orvex.monitor";
constexpr const char* Sink = "module-null-sink sink_name=orvex format=float32le rate=16000 channels=1";
const sound::TInputFormat Format{"orvex-test", 16000, 320};

// A recording of `device`: its samples as they came, how its start went and its loss.
class TRecording {
public:
    explicit TRecording(const std::string& device)
        : input_(Format, device,
                 [this](std::span<const float> samples) {
                     const std::lock_guard lock(mutex_);
                     samples_.insert(samples_.end(), samples.begin(), samples.end());
                 },
                 [this](const std::string& problem) { started_.set_value(problem); },
                 [this](const std::string& why) { lost_.set_value(why); }) {}

    std::string Started() { return Told(started_); }
    std::string Lost() { return Told(lost_); }
    std::vector<float> Samples() {
        const std::lock_guard lock(mutex_);
        return samples_;
    }

private:
    static std::string Told(std::promise<std::string>& promise) {
        auto told = promise.get_future();
        return told.wait_for(60s) == std::future_status::ready ? told.get() : "(nothing told)";
    }

    std::mutex mutex_;
    std::vector<float> samples_;
    std::promise<std::string> started_;
    std::promise<std::string> lost_;
    sound::TPulseInput input_; // last: stopped before what its callbacks use is gone
};

// What a shell command prints.
std::string Printed(const std::string& command) {
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    for (int c = 0; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) {
        text.push_back(static_cast<char>(c));
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return text;
}

// Nothing here is timed: each step waits for what must happen, and this limit only catches a
// hang, far beyond what the busiest machine takes.
constexpr auto HangLimit = 60s;

// Polls `done` until it holds; false if it never does within HangLimit.
template <class TDone>
bool WaitUntil(TDone done) {
    const auto deadline = std::chrono::steady_clock::now() + HangLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// The samples that are not silence, in order: a busy machine may starve a device for a moment
// (it then plays silence, and what comes later is heard later), and an idle sink's first
// burst may overfill a queue (what is dropped is silence).
std::vector<float> Sounding(std::span<const float> samples) {
    std::vector<float> kept;
    std::ranges::copy_if(samples, std::back_inserter(kept), [](float s) { return s != 0.0f; });
    return kept;
}

// The samples of a raw float32 file as far as it is written.
std::vector<float> RawSamples(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return {};
    }
    std::vector<float> samples(static_cast<std::size_t>(file.tellg()) / sizeof(float));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
    return samples;
}

// Recording streams the server has: ours and the tool's, once they run.
int RecordingStreams() {
    const std::string listed = Printed("pactl list short source-outputs");
    return static_cast<int>(std::ranges::count(listed, '\n'));
}

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

// Silence played ahead of the noise: the server drops the first block an output plays after
// it was idle from what its monitor records.
constexpr std::size_t Lead = 4000;
// The tool's float WAV: RIFF, "fmt " of 18 bytes, "fact" and the data chunk's header.
constexpr std::streamoff WavHeaderBytes = 58;

// The one input is listed as the monitor it is, and a noise made by sox and played into its
// output by pacat is recorded sample for sample (after the silence before it); the frames'
// ring holds the latest of it.
TEST(PulseInput, RecordsAMonitorSampleForSample) {
    const std::vector<sound::TInputDevice> inputs = sound::ListInputs("orvex-test");
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].Name, Monitor);
    EXPECT_TRUE(inputs[0].Monitor);
    EXPECT_NE(inputs[0].Description.find("Null"), std::string::npos) << inputs[0].Description;

    const std::string played =
        (std::filesystem::temp_directory_path() / ("orvex-live-" + std::to_string(getpid()) + ".raw"))
            .string();
    ASSERT_EQ(Shell(std::string(ORVEX_SOX) + " -r 16000 -c 1 -n -t raw -e floating-point -b 32 " +
                  played + " synth 1.5 whitenoise vol 0.5 pad " + std::to_string(Lead) + "s"),
              0);
    std::vector<float> expected(Lead + 24000);
    std::ifstream(played, std::ios::binary)
        .read(reinterpret_cast<char*>(expected.data()),
              static_cast<std::streamsize>(expected.size() * sizeof(float)));

    // The tool records the same, through the source its --input takes, and writes it back
    // uncoded: as long a recording as leaves a busy machine time to play the noise.
    const std::string wav = played + ".wav";
    constexpr int ToolSeconds = 8;
    auto tool = std::async(std::launch::async, [&wav] {
        return Shell(std::string(ORVEX_FRAMES_EXECUTABLE) + " --live " + Monitor + " --seconds " +
                     std::to_string(ToolSeconds) + " --wav " + wav + " --original >/dev/null");
    });
    // And measures every coder on what it records, as on a file.
    const std::string table = played + ".csv";
    auto measure = std::async(std::launch::async, [&table] {
        return Shell(std::string(ORVEX_FRAMES_EXECUTABLE) + " --live " + Monitor +
                     " --seconds 3 --measure --coders mulaw --format csv >" + table);
    });
    TRecording recording(Monitor);
    ASSERT_EQ(recording.Started(), "");
    // The noise is played once all three record.
    ASSERT_TRUE(WaitUntil([] { return RecordingStreams() >= 3; })) << RecordingStreams();
    ASSERT_EQ(Shell("pacat --playback --raw --device=orvex --format=float32le --rate=16000 "
                  "--channels=1 " + played),
              0);
    const std::vector<float> noise = Sounding(std::span(expected).subspan(Lead));
    EXPECT_TRUE(WaitUntil([&] { return Sounding(recording.Samples()).size() >= noise.size(); }));
    std::filesystem::remove(played);
    const std::vector<float> recorded = recording.Samples();
    ASSERT_EQ(tool.get(), 0);
    ASSERT_EQ(measure.get(), 0);
    std::ifstream rows(table);
    std::string header;
    std::string row;
    ASSERT_TRUE(std::getline(rows, header) && std::getline(rows, row));
    std::filesystem::remove(table);
    EXPECT_EQ(row.rfind("live input,mulaw,", 0), 0u) << row;
    std::vector<float> written(ToolSeconds * 16000);
    std::ifstream file(wav, std::ios::binary);
    file.seekg(WavHeaderBytes);
    file.read(reinterpret_cast<char*>(written.data()),
              static_cast<std::streamsize>(written.size() * sizeof(float)));
    ASSERT_TRUE(file);
    std::filesystem::remove(wav);
    for (const std::vector<float>* samples : {&recorded, &std::as_const(written)}) {
        const std::vector<float> got = Sounding(*samples);
        ASSERT_GE(got.size(), noise.size());
        const auto [wrong, _] = std::mismatch(noise.begin(), noise.end(), got.begin());
        EXPECT_EQ(wrong, noise.end()) << "from sound sample " << (wrong - noise.begin());
    }

    sound::TRecentSamples recent;
    recent.Add(recorded);
    std::vector<long double> latest(1024);
    recent.Take(latest);
    EXPECT_EQ(latest.back(), static_cast<long double>(recorded.back()));
    EXPECT_EQ(latest.front(), static_cast<long double>(recorded[recorded.size() - 1024]));
}

// Live input heard: a noise played into the sink "orvex" is recorded from its monitor into a
// live queue, played coded from it to a second sink by our own stream, and recorded there by
// parec: what is heard is the noise coded sample for sample, after the queue's delay; the
// frames then show what the device took.
TEST(PulseInput, LiveInputIsHeardCodedInOrder) {
    const std::string base =
        (std::filesystem::temp_directory_path() / ("orvex-heard-" + std::to_string(getpid()))).string();
    const std::string played = base + ".raw";
    const std::string heard = base + "-heard.raw";
    const std::string module = base + ".module";
    ASSERT_EQ(Shell(std::string(ORVEX_SOX) + " -r 16000 -c 1 -n -t raw -e floating-point -b 32 " +
                  played + " synth 1.5 whitenoise vol 0.5 pad " + std::to_string(Lead) + "s"),
              0);
    std::vector<float> coded(Lead + 24000);
    std::ifstream(played, std::ios::binary)
        .read(reinterpret_cast<char*>(coded.data()),
              static_cast<std::streamsize>(coded.size() * sizeof(float)));
    const analysis::TStreamSettings settings{.LevelDb = 0, .Mode = analysis::CodingMode::cmIter1};
    analysis::PlayRecorded(coded, settings);

    ASSERT_EQ(Shell("pactl load-module module-null-sink sink_name=heard format=float32le rate=16000 "
                    "channels=1 >" + module + " && pactl set-default-sink heard"),
              0);
    const std::string parecPid = base + ".pid";
    ASSERT_EQ(Shell("parec --raw --device=heard.monitor --format=float32le --rate=16000 --channels=1 >" + heard +
                    " & echo $! >" + parecPid),
              0);
    const std::vector<float> expected = Sounding(std::span(coded).subspan(Lead));
    sound::TLiveQueue queue(800, 1440);
    queue.SetClock(sound::TSourceClock::scDevice);
    queue.SetHeardDelay(1280);
    std::promise<std::string> playing;
    std::promise<std::string> recording;
    {
        sound::TPulseOutput output(
            {"orvex-test", 16000, 1280, 480},
            [&](std::span<float> out) {
                queue.TakeForDevice(out);
                analysis::PlayRecorded(out, settings);
            },
            [&](const std::string& problem) { playing.set_value(problem); }, [](const std::string&) {});
        sound::TPulseInput input(
            Format, Monitor, [&](std::span<const float> samples) { queue.Add(samples); },
            [&](const std::string& problem) { recording.set_value(problem); }, [](const std::string&) {});
        ASSERT_EQ(playing.get_future().get(), "");
        ASSERT_EQ(recording.get_future().get(), "");
        ASSERT_TRUE(WaitUntil([] { return RecordingStreams() >= 2; })) << RecordingStreams();
        ASSERT_EQ(Shell("pacat --playback --raw --device=orvex --format=float32le --rate=16000 "
                      "--channels=1 " + played),
                  0);
        EXPECT_TRUE(WaitUntil([&] { return Sounding(RawSamples(heard)).size() >= expected.size(); }))
            << Sounding(RawSamples(heard)).size() << " of " << expected.size() << " heard";
        // Once the noise's end is heard, what the frames show has gone on to the silence after it.
        std::vector<long double> shown(1024);
        EXPECT_TRUE(WaitUntil([&] {
            queue.Take(shown);
            return shown.back() == 0.0L;
        }));
    }
    EXPECT_EQ(Shell("kill $(cat " + parecPid + ")"), 0);
    std::ifstream module_index(module);
    std::string index;
    module_index >> index;
    EXPECT_EQ(Shell("pactl set-default-sink orvex && pactl unload-module " + index), 0);
    const std::vector<float> got = Sounding(RawSamples(heard));
    for (const std::string& name : {played, heard, module, parecPid}) {
        std::filesystem::remove(name);
    }
    // Without the silence, every sample comes once, in order.
    ASSERT_GE(got.size(), expected.size());
    const auto [wrong, _] = std::mismatch(expected.begin(), expected.end(), got.begin());
    EXPECT_EQ(wrong, expected.end()) << "from sound sample " << (wrong - expected.begin())
                                     << ", the device starved for " << queue.Padded() << " samples, "
                                     << queue.Dropped() << " dropped";
}

// The monitor of the output a stream of ours plays to is refused, whether named or the
// default input, and a recording of it ends when such a stream starts; an unknown input is
// refused by name; an input that goes away ends the recording, and is listed again once back.
TEST(PulseInput, RefusesOurOwnOutputsMonitorAndTellsAnInputThatGoesAway) {
    {
        TRecording before(Monitor);
        ASSERT_EQ(before.Started(), "");
        std::promise<std::string> playing;
        sound::TPulseOutput output(
            {"orvex-test", 16000, 1280, 480}, [](std::span<float> out) { std::ranges::fill(out, 0.0f); },
            [&](const std::string& problem) { playing.set_value(problem); }, [](const std::string&) {});
        ASSERT_EQ(playing.get_future().get(), "");
        EXPECT_EQ(before.Lost(), std::string("recording stopped: ") + sound::TPulseInput::FeedbackRefusal);

        for (const std::string device : {Monitor, ""}) {
            SCOPED_TRACE(device);
            EXPECT_EQ(TRecording(device).Started(), sound::TPulseInput::FeedbackRefusal);
        }
    }
    EXPECT_EQ(TRecording("nonesuch").Started(), "the sound server has no input named \"nonesuch\"");

    TRecording recording(Monitor);
    ASSERT_EQ(recording.Started(), "");
    ASSERT_EQ(Shell("pactl unload-module module-null-sink"), 0);
    EXPECT_EQ(recording.Lost().rfind("the input went away (", 0), 0u);
    EXPECT_TRUE(sound::ListInputs("orvex-test").empty());
    ASSERT_EQ(Shell(std::string("pactl load-module ") + Sink + " >/dev/null"), 0);
    EXPECT_EQ(sound::ListInputs("orvex-test").size(), 1u);

    // Three outputs of one description: each input reads apart, by its name.
    ASSERT_EQ(Shell("pactl load-module module-null-sink sink_name=second >/dev/null && "
                    "pactl load-module module-null-sink sink_name=third >/dev/null"),
              0);
    const std::vector<sound::TInputDevice> three = sound::ListInputs("orvex-test");
    ASSERT_EQ(Shell("pactl unload-module module-null-sink && pactl load-module " + std::string(Sink) + " >/dev/null"),
              0);
    EXPECT_EQ(three.size(), 3u);
    for (const sound::TInputDevice& input : three) {
        EXPECT_EQ(input.Description, "Monitor of Null Output (" + input.Name + ")");
    }
}

// A stream of ours, as listening makes it: the server sees it in 32-bit float, one channel,
// 16000 Hz; the output's monitor plays what it filled, in order, nothing lost or repeated; the
// output going away is told as a loss, and once it is back a new stream starts.
TEST(PulseOutput, PlaysWhatItFillsIsToldALossAndStartsAgain) {
    // A ramp of 1000 steps of 1/1024, none of them 0, so that silence never passes for it.
    std::uint32_t next = 0;
    const auto fill = [&next](std::span<float> out) {
        for (float& sample : out) {
            sample = static_cast<float>(next++ % 1000 + 1) / 1024.0f;
        }
    };
    std::promise<std::string> started;
    std::promise<std::string> lost;
    std::optional<sound::TPulseOutput> output(std::in_place, sound::TOutputFormat{"orvex-test", 16000, 1280, 480},
                                              fill, [&](const std::string& problem) { started.set_value(problem); },
                                              [&](const std::string& why) { lost.set_value(why); });
    ASSERT_EQ(started.get_future().get(), "");
    EXPECT_NE(Printed("pactl list sink-inputs").find("Sample Specification: float32le 1ch 16000Hz"),
              std::string::npos);

    const std::string base =
        (std::filesystem::temp_directory_path() / ("orvex-ramp-" + std::to_string(getpid()))).string();
    ASSERT_EQ(Shell("parec --device=orvex.monitor --raw --format=float32le --rate=16000 --channels=1 >" + base +
                    ".raw & echo $! >" + base + ".pid"),
              0);
    EXPECT_TRUE(WaitUntil([&] { return Sounding(RawSamples(base + ".raw")).size() > 8000; }));
    EXPECT_EQ(Shell("kill $(cat " + base + ".pid)"), 0);
    const std::vector<float> heard = RawSamples(base + ".raw");
    std::filesystem::remove(base + ".raw");
    std::filesystem::remove(base + ".pid");
    // In order, each step one, except after a silence where a busy machine starved the device
    // (what came too late is then dropped).
    int starved = 0;
    for (auto at = std::ranges::find_if(heard, [](float s) { return s != 0.0f; }) + 1; at < heard.end(); ++at) {
        if (*at == 0.0f) {
            at = std::find_if(at, heard.end(), [](float s) { return s != 0.0f; });
            ++starved;
            if (at == heard.end()) {
                break;
            }
            continue;
        }
        const auto step = std::lround(at[0] * 1024.0f) - std::lround(at[-1] * 1024.0f);
        ASSERT_TRUE(step == 1 || step == -999) << "at " << (at - heard.begin()) << ": " << at[-1] << ", " << at[0];
    }
    RecordProperty("starved", starved);

    ASSERT_EQ(Shell("pactl unload-module module-null-sink"), 0);
    auto told = lost.get_future();
    ASSERT_EQ(told.wait_for(HangLimit), std::future_status::ready);
    EXPECT_FALSE(told.get().empty());
    output.reset();
    ASSERT_EQ(Shell(std::string("pactl load-module ") + Sink + " >/dev/null"), 0);
    std::promise<std::string> again;
    const sound::TPulseOutput restarted({"orvex-test", 16000, 1280, 480}, fill,
                                        [&](const std::string& problem) { again.set_value(problem); },
                                        [](const std::string&) {});
    EXPECT_EQ(again.get_future().get(), "");
}

} // namespace

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
        return told.wait_for(10s) == std::future_status::ready ? told.get() : "(nothing told)";
    }

    std::mutex mutex_;
    std::vector<float> samples_;
    std::promise<std::string> started_;
    std::promise<std::string> lost_;
    sound::TPulseInput input_; // last: stopped before what its callbacks use is gone
};

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

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
    // uncoded.
    const std::string wav = played + ".wav";
    auto tool = std::async(std::launch::async, [&wav] {
        return Shell(std::string(ORVEX_FRAMES_EXECUTABLE) + " --live " + Monitor +
                     " --seconds 3 --wav " + wav + " --original >/dev/null");
    });
    // And measures every coder on what it records, as on a file.
    const std::string table = played + ".csv";
    auto measure = std::async(std::launch::async, [&table] {
        return Shell(std::string(ORVEX_FRAMES_EXECUTABLE) + " --live " + Monitor +
                     " --seconds 3 --measure --coders mulaw --format csv >" + table);
    });
    TRecording recording(Monitor);
    ASSERT_EQ(recording.Started(), "");
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(Shell("pacat --playback --raw --device=orvex --format=float32le --rate=16000 "
                  "--channels=1 " + played),
              0);
    std::this_thread::sleep_for(300ms);
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
    std::vector<float> written(3 * 16000);
    std::ifstream file(wav, std::ios::binary);
    file.seekg(WavHeaderBytes);
    file.read(reinterpret_cast<char*>(written.data()),
              static_cast<std::streamsize>(written.size() * sizeof(float)));
    ASSERT_TRUE(file);
    std::filesystem::remove(wav);
    for (const std::vector<float>* samples : {&recorded, &std::as_const(written)}) {
        const auto first = std::ranges::find_if(*samples, [](float s) { return s != 0.0f; });
        ASSERT_GE(samples->end() - first, static_cast<std::ptrdiff_t>(expected.size() - Lead));
        const auto [wrong, _] = std::mismatch(expected.begin() + Lead, expected.end(), first);
        EXPECT_EQ(wrong, expected.end()) << "from sample " << (wrong - expected.begin());
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
    auto parec = std::async(std::launch::async, [&heard] {
        return Shell("timeout 4 parec --raw --device=heard.monitor --format=float32le --rate=16000 "
                     "--channels=1 >" + heard + "; true");
    });
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
        std::this_thread::sleep_for(300ms);
        ASSERT_EQ(Shell("pacat --playback --raw --device=orvex --format=float32le --rate=16000 "
                      "--channels=1 " + played),
                  0);
        std::this_thread::sleep_for(500ms);
        std::vector<long double> shown(1024);
        queue.Take(shown);
        EXPECT_EQ(shown.back(), 0.0L) << "the noise's end has been heard by now";
    }
    parec.get();
    std::ifstream module_index(module);
    std::string index;
    module_index >> index;
    EXPECT_EQ(Shell("pactl set-default-sink orvex && pactl unload-module " + index), 0);
    std::ifstream file(heard, std::ios::binary | std::ios::ate);
    std::vector<float> samples(static_cast<std::size_t>(file.tellg()) / sizeof(float));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(float)));
    for (const std::string& name : {played, heard, module}) {
        std::filesystem::remove(name);
    }
    // A busy machine may starve the device for a moment (it then plays silence, and what
    // comes later is heard later), and the idle sink's first burst overfills the queue (what
    // is dropped is silence): without the silence, every sample comes once, in order.
    const auto sounding = [](auto begin, auto end) {
        std::vector<float> kept;
        std::copy_if(begin, end, std::back_inserter(kept), [](float s) { return s != 0.0f; });
        return kept;
    };
    const std::vector<float> expected = sounding(coded.begin() + Lead, coded.end());
    const std::vector<float> got = sounding(samples.begin(), samples.end());
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

    const std::vector<float> heard = [] {
        const std::string raw = Printed("timeout 3 parec --device=orvex.monitor --raw --format=float32le "
                                        "--rate=16000 --channels=1");
        std::vector<float> samples(raw.size() / sizeof(float));
        std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
        return samples;
    }();
    const auto first = std::ranges::find_if(heard, [](float s) { return s != 0.0f; });
    ASSERT_GT(heard.end() - first, 4000);
    for (auto at = first + 1; at != heard.end(); ++at) {
        const auto step = std::lround(at[0] * 1024.0f) - std::lround(at[-1] * 1024.0f);
        ASSERT_TRUE(step == 1 || step == -999) << "at " << (at - heard.begin()) << ": " << at[-1] << ", " << at[0];
    }

    ASSERT_EQ(Shell("pactl unload-module module-null-sink"), 0);
    auto told = lost.get_future();
    ASSERT_EQ(told.wait_for(10s), std::future_status::ready);
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

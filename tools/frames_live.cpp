// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_live.h"

#include "analysis/frames/analyzer_state.h"
#include "frames_report.h"
#include "frames_sound.h"
#include "sound/pulse_input.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include <sys/mman.h>
#include <unistd.h>

namespace tools {
namespace {

// Handed over by the server a tenth of a second at a time: the tool waits for all of it.
constexpr int FragmentSamples = 1600;
// An input that hands over nothing for this long, once started, is taken as stuck.
constexpr std::chrono::seconds SilenceLimit{5};

std::string DeviceName(const FramesOptions& options) {
    return options.LiveDevice->empty() ? std::string("the default input")
                                       : QuotedValue(*options.LiveDevice);
}

// What the input's thread hands the writing thread: the samples in order, and how the
// recording went.
struct TShared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<float> samples;
    bool started = false;
    std::string problem;
};

} // namespace

LiveRecording::LiveRecording(const FramesOptions& options) {
    descriptor_ = memfd_create("orvex-frames live input", MFD_CLOEXEC);
    if (descriptor_ < 0) {
        throw InputError(std::string("cannot hold the recording: ") + std::strerror(errno));
    }
    path_ = "/proc/self/fd/" + std::to_string(descriptor_);
    try {
        Record(options);
    } catch (...) {
        close(descriptor_);
        throw;
    }
}

void LiveRecording::Record(const FramesOptions& options) {
    std::FILE* const stream = fdopen(dup(descriptor_), "wb");
    if (stream == nullptr) {
        throw InputError(std::string("cannot hold the recording: ") + std::strerror(errno));
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closing(stream, &std::fclose);
    const std::string device = DeviceName(options);
    const auto failure = [&device](const std::string& why) {
        return OutputError("cannot keep the recording of " + device + ": " + why, why);
    };

    TShared shared;
    const auto tell = [&shared](const std::string& problem) {
        const std::lock_guard lock(shared.mutex);
        shared.started = true;
        if (shared.problem.empty()) {
            shared.problem = problem;
        }
        shared.changed.notify_all();
    };
    std::unique_ptr<sound::TPulseInput> input;
    try {
        input = std::make_unique<sound::TPulseInput>(
            sound::TInputFormat{"orvex-frames", analysis::SampleRate, FragmentSamples},
            *options.LiveDevice,
            [&shared](std::span<const float> samples) {
                const std::lock_guard lock(shared.mutex);
                shared.samples.insert(shared.samples.end(), samples.begin(), samples.end());
                shared.changed.notify_all();
            },
            tell, tell);
    } catch (const sound::TSoundError& error) {
        throw InputError("cannot record " + device + ": " + error.what());
    }
    {
        std::unique_lock lock(shared.mutex);
        shared.changed.wait(lock, [&shared] { return shared.started; });
        if (!shared.problem.empty()) {
            throw InputError("cannot record " + device + ": " + shared.problem);
        }
    }
    WriteSoundSamples(
        stream, failure, static_cast<long long>(options.WavSeconds) * analysis::SampleRate,
        [&](std::span<float> block) {
            std::unique_lock lock(shared.mutex);
            if (!shared.changed.wait_for(lock, SilenceLimit, [&] {
                    return shared.samples.size() >= block.size() || !shared.problem.empty();
                })) {
                throw InputError("cannot record " + device + ": it hands over no sound");
            }
            if (!shared.problem.empty()) {
                throw InputError("cannot record " + device + ": " + shared.problem);
            }
            std::copy_n(shared.samples.begin(), block.size(), block.begin());
            shared.samples.erase(shared.samples.begin(),
                                 shared.samples.begin() + static_cast<std::ptrdiff_t>(block.size()));
        },
        "recording");
    if (std::fflush(stream) != 0) {
        throw failure(std::strerror(errno));
    }
}

LiveRecording::~LiveRecording() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

} // namespace tools

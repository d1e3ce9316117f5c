// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_sound.h"

#include "analysis/analyzer_state.h"
#include "analysis/level_gain.h"
#include "analysis/tone_stream.h"
#include "frames_report.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <span>

#include <unistd.h>

#include <sndfile.h>

namespace tools {
namespace {

// Samples computed and written at a time.
constexpr int BlockSamples = 4096;

struct SoundCloser {
    void operator()(SNDFILE* sound) const { sf_close(sound); }
};

// Tells how far a long write has come, on standard error when it is a terminal: after the
// first second, at most four times a second, as one line that is rewritten and cleared at
// the end. Nothing at all when standard error is not a terminal.
class TProgress {
public:
    TProgress()
        : terminal_(isatty(STDERR_FILENO) == 1),
          start_(std::chrono::steady_clock::now()), told_(start_) {}
    ~TProgress() {
        if (shown_) {
            std::fputs("\r\033[K", stderr);
        }
    }
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    void Tell(long long done, long long total) {
        if (!terminal_ || total <= 0) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - told_ < std::chrono::milliseconds(250)) {
            return;
        }
        told_ = now;
        shown_ = true;
        std::fprintf(stderr, "\rorvex-frames: writing the sound: %lld %%", done * 100 / total);
    }

private:
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point told_;
};

} // namespace

void WriteSoundSamples(ReplacingFile& file, long long samples, const TSoundFill& fill) {
    SF_INFO info{};
    info.samplerate = analysis::SampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    // The library writes through the descriptor and seeks back to finish the header; the
    // stream itself holds nothing yet, and its owner closes the descriptor.
    std::unique_ptr<SNDFILE, SoundCloser> sound(
        sf_open_fd(fileno(file.Stream()), SFM_WRITE, &info, SF_FALSE));
    if (!sound) {
        throw OutputError(file.Failure(sf_strerror(nullptr)));
    }
    // The values are written as they are; no normalisation or clipping by the library.
    sf_command(sound.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    sf_command(sound.get(), SFC_SET_CLIPPING, nullptr, SF_FALSE);

    TProgress progress;
    std::array<float, BlockSamples> block{};
    long long left = samples;
    while (left > 0) {
        const auto count = static_cast<sf_count_t>(std::min<long long>(left, BlockSamples));
        fill(std::span(block).first(static_cast<std::size_t>(count)));
        if (sf_writef_float(sound.get(), block.data(), count) != count) {
            throw OutputError(file.Failure(sf_strerror(sound.get())));
        }
        left -= count;
        progress.Tell(samples - left, samples);
    }
    // Closing writes the header's final sizes, which can fail on a full disk too.
    if (const int error = sf_close(sound.release()); error != 0) {
        throw OutputError(file.Failure(sf_error_number(error)));
    }
}

void WriteToneSound(const FramesOptions& options, ReplacingFile& file) {
    analysis::TToneStream stream({options.FrequencyHz, options.LevelDb, options.Mode,
                                  options.WavError ? analysis::TStreamContent::scError
                                                   : analysis::TStreamContent::scCoded});
    WriteSoundSamples(file, static_cast<long long>(options.WavSeconds) * analysis::SampleRate,
                      [&stream](std::span<float> block) { stream.Fill(block); });
}

void WriteInputSound(const FramesOptions& options, ReplacingFile& file) {
    const std::unique_ptr<sound::TSoundFile> opened = OpenInput(options);
    sound::TSoundFile& input = *opened;
    const analysis::TStreamContent content =
        options.WavError      ? analysis::TStreamContent::scError
        : options.WavOriginal ? analysis::TStreamContent::scOriginal
                              : analysis::TStreamContent::scCoded;
    const double gain = analysis::GainFromAttenuation(-options.LevelDb);
    std::array<long double, BlockSamples> units{};
    WriteSoundSamples(file, input.Info().Samples - input.Position(), [&](std::span<float> block) {
        const auto taken = std::span(units).first(block.size());
        input.Take(taken);
        analysis::PlaySamples(taken, gain, options.Mode, content, block);
    });
}

} // namespace tools

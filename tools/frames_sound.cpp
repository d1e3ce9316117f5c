// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_sound.h"

#include "analysis/analyzer_state.h"
#include "analysis/tone_stream.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <span>

#include <sndfile.h>

namespace tools {
namespace {

// Samples computed and written at a time.
constexpr int BlockSamples = 4096;

struct SoundCloser {
    void operator()(SNDFILE* sound) const { sf_close(sound); }
};

} // namespace

void WriteToneSound(const FramesOptions& options, ReplacingFile& file) {
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

    analysis::TToneStream stream({options.FrequencyHz, options.LevelDb, options.Mode,
                                  options.WavError ? analysis::TStreamContent::scError
                                                   : analysis::TStreamContent::scCoded});
    std::array<float, BlockSamples> block{};
    long long left = static_cast<long long>(options.WavSeconds) * analysis::SampleRate;
    while (left > 0) {
        const auto count = static_cast<sf_count_t>(std::min<long long>(left, BlockSamples));
        stream.Fill(std::span(block).first(static_cast<std::size_t>(count)));
        if (sf_writef_float(sound.get(), block.data(), count) != count) {
            throw OutputError(file.Failure(sf_strerror(sound.get())));
        }
        left -= count;
    }
    // Closing writes the header's final sizes, which can fail on a full disk too.
    if (const int error = sf_close(sound.release()); error != 0) {
        throw OutputError(file.Failure(sf_error_number(error)));
    }
}

} // namespace tools

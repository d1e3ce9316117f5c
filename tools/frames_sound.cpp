// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_sound.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coder_kind.h"
#include "analysis/frames/level_gain.h"
#include "analysis/frames/sine_memory.h"
#include "analysis/frames/tone_sample.h"
#include "analysis/frames/tone_stream.h"
#include "frames_progress.h"
#include "frames_report.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <span>
#include <string_view>
#include <vector>

namespace tools {
namespace {

// Samples computed and written at a time.
constexpr int BlockSamples = 4096;

// The WAV layout: a RIFF file of the "fmt " chunk of an IEEE float format (with its cbSize
// field, as a format other than integer PCM must have it), the "fact" chunk with the number
// of sample frames that such a format needs, and the samples, 32-bit floats, little-endian.
constexpr std::uint16_t IeeeFloatFormat = 3;
constexpr std::uint16_t Channels = 1;
constexpr std::uint16_t BitsPerSample = 32;
constexpr std::uint16_t BlockAlign = Channels * BitsPerSample / 8;
constexpr std::uint32_t FormatChunkSize = 18; // the 16 bytes of every format and cbSize
constexpr std::uint32_t FactChunkSize = 4;
constexpr std::uint32_t ChunkHeaderSize = 8;
constexpr std::uint32_t HeaderSize =
    12 + ChunkHeaderSize + FormatChunkSize + ChunkHeaderSize + FactChunkSize + ChunkHeaderSize;

class LittleEndianBytes {
public:
    void Text(std::string_view fourCharacters) {
        bytes_.insert(bytes_.end(), fourCharacters.begin(), fourCharacters.end());
    }
    void Word(std::uint16_t value) {
        bytes_.push_back(static_cast<char>(value & 0xff));
        bytes_.push_back(static_cast<char>(value >> 8));
    }
    void Long(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value & 0xffff));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Float(float value) { Long(std::bit_cast<std::uint32_t>(value)); }
    const std::vector<char>& Bytes() const { return bytes_; }
    void Clear() { bytes_.clear(); }

private:
    std::vector<char> bytes_;
};

// The header of `frames` sample frames, with the final sizes: it is written first, so that
// the file needs no seeking back and goes down a pipe as well.
LittleEndianBytes WavHeader(std::uint32_t frames) {
    const std::uint32_t dataSize = frames * BlockAlign;
    LittleEndianBytes header;
    header.Text("RIFF");
    header.Long(HeaderSize - 8 + dataSize);
    header.Text("WAVE");
    header.Text("fmt ");
    header.Long(FormatChunkSize);
    header.Word(IeeeFloatFormat);
    header.Word(Channels);
    header.Long(analysis::SampleRate);
    header.Long(analysis::SampleRate * BlockAlign);
    header.Word(BlockAlign);
    header.Word(BitsPerSample);
    header.Word(0); // cbSize: no more format bytes
    header.Text("fact");
    header.Long(FactChunkSize);
    header.Long(frames);
    header.Text("data");
    header.Long(dataSize);
    return header;
}

void Write(const std::vector<char>& bytes, std::FILE* stream, const TWriteFailure& failure) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        throw failure(errno != 0 ? std::strerror(errno) : "write error");
    }
}

// The most sample frames a WAV's 32-bit sizes can count.
constexpr long long MostFrames = (0xFFFFFFFFLL - HeaderSize) / BlockAlign;

} // namespace

void WriteSoundSamples(ReplacingFile& file, long long samples, const TSoundFill& fill) {
    WriteSoundSamples(
        file.Stream(), [&file](const std::string& why) { return file.Failure(why); }, samples,
        fill, "writing the sound");
}

void WriteSoundSamples(std::FILE* stream, const TWriteFailure& failure, long long samples,
                       const TSoundFill& fill, const char* doing) {
    if (samples > MostFrames) {
        throw failure("the sound is longer than a WAV file can hold (" +
                      std::to_string(MostFrames / analysis::SampleRate) + " s)");
    }
    const auto frames = static_cast<std::uint32_t>(samples);
    Write(WavHeader(frames).Bytes(), stream, failure);

    FramesProgress progress(doing, frames);
    std::array<float, BlockSamples> block{};
    LittleEndianBytes bytes;
    for (std::uint32_t left = frames; left > 0;) {
        const std::uint32_t count = std::min<std::uint32_t>(left, BlockSamples);
        const std::span<float> values = std::span(block).first(count);
        fill(values);
        bytes.Clear();
        for (const float value : values) {
            bytes.Float(value);
        }
        Write(bytes.Bytes(), stream, failure);
        left -= count;
        progress.Advance(count);
    }
}

namespace {

analysis::TStreamContent ContentOf(const FramesOptions& options) {
    return options.WavError      ? analysis::TStreamContent::scError
           : options.WavOriginal ? analysis::TStreamContent::scOriginal
                                 : analysis::TStreamContent::scCoded;
}

// The tone through a reference coder, which the stream does not know: the same sines on the
// same clock (0 first, then 1 to 16000 over and over), played through the coder.
void WriteReferenceToneSound(const FramesOptions& options, analysis::CoderKind coder,
                             ReplacingFile& file) {
    const auto sines = std::make_unique<analysis::TSineMemory>();
    sines->Tune(options.FrequencyHz, analysis::ToneOmega(options.FrequencyHz));
    const double gain = analysis::GainFromAttenuation(-options.LevelDb);
    std::array<long double, BlockSamples> units{};
    std::int32_t clock = 0;
    WriteSoundSamples(
        file, static_cast<long long>(options.WavSeconds) * analysis::SampleRate,
        [&](std::span<float> block) {
            const auto taken = std::span(units).first(block.size());
            for (long double& unit : taken) {
                unit = sines->Sine(clock);
                clock = clock == analysis::SampleRate ? 1 : clock + 1;
            }
            analysis::PlaySamples(taken, gain, analysis::Describe(coder).Code, ContentOf(options),
                                  block);
        });
}

} // namespace

void WriteToneSound(const FramesOptions& options, ReplacingFile& file) {
    if (options.ReferenceCoder) {
        WriteReferenceToneSound(options, *options.ReferenceCoder, file);
        return;
    }
    analysis::TToneStream stream({options.FrequencyHz, options.LevelDb, options.Mode,
                                  options.WavError ? analysis::TStreamContent::scError
                                                   : analysis::TStreamContent::scCoded});
    WriteSoundSamples(file, static_cast<long long>(options.WavSeconds) * analysis::SampleRate,
                      [&stream](std::span<float> block) { stream.Fill(block); });
}

void WriteInputSound(const FramesOptions& options, ReplacingFile& file) {
    const std::unique_ptr<sound::TSoundFile> opened = OpenInput(options);
    sound::TSoundFile& input = *opened;
    const analysis::TStreamContent content = ContentOf(options);
    const analysis::SampleCodeFunction code =
        analysis::Describe(options.ReferenceCoder.value_or(analysis::CoderOf(options.Mode))).Code;
    const double gain = analysis::GainFromAttenuation(-options.LevelDb);
    std::array<long double, BlockSamples> units{};
    WriteSoundSamples(file, input.Info().Samples - input.Position(), [&](std::span<float> block) {
        const auto taken = std::span(units).first(block.size());
        input.Take(taken);
        analysis::PlaySamples(taken, gain, code, content, block);
    });
}

} // namespace tools

// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_sound.h"

#include "analysis/analyzer_state.h"
#include "analysis/tone_stream.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

void Write(const std::vector<char>& bytes, ReplacingFile& file) {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) != bytes.size()) {
        throw file.Failure(errno != 0 ? std::strerror(errno) : "write error");
    }
}

} // namespace

void WriteToneSound(const FramesOptions& options, ReplacingFile& file) {
    // At most an hour: 230 400 000 bytes of samples, well within the format's 4 GiB.
    const auto frames = static_cast<std::uint32_t>(options.WavSeconds) * analysis::SampleRate;
    Write(WavHeader(frames).Bytes(), file);

    analysis::TToneStream stream({options.FrequencyHz, options.LevelDb, options.Mode,
                                  options.WavError ? analysis::TStreamContent::scError
                                                   : analysis::TStreamContent::scCoded});
    std::array<float, BlockSamples> block{};
    LittleEndianBytes bytes;
    for (std::uint32_t left = frames; left > 0;) {
        const std::uint32_t count = std::min<std::uint32_t>(left, BlockSamples);
        const std::span<float> samples = std::span(block).first(count);
        stream.Fill(samples);
        bytes.Clear();
        for (const float sample : samples) {
            bytes.Float(sample);
        }
        Write(bytes.Bytes(), file);
        left -= count;
    }
}

} // namespace tools

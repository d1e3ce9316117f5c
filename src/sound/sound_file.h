// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/sample_source.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace sound {

// Why a sound file cannot be read: what() is a phrase without the file's name ("no such
// file", "the file holds no sound"), for the caller to put after the name it shows.
class TSoundFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The rate every source hands its samples out at.
inline constexpr int SourceRateHz = 16000;

// What a sound file holds, as libsndfile reads it.
struct TSoundFileInfo {
    std::string Format;      // libsndfile's name of the container, "WAV (Microsoft)"
    std::string Encoding;    // and of the samples' encoding, "32 bit float"
    int Channels = 0;        // mixed to their mean
    int SampleRateHz = 0;    // resampled to SourceRateHz unless it is that already
    std::int64_t Frames = 0; // in the file, at its own rate, one sample per channel each
    std::int64_t Samples = 0; // handed out, at SourceRateHz: Frames * 16000 / rate, rounded
};

// A sound file read as one signal: decoded by libsndfile (WAV, AIFF, FLAC, Ogg/Vorbis, Opus,
// MP3 and the rest it knows), its channels mixed to their mean, resampled to 16000 Hz by
// libsoxr at its high quality unless the file is at 16000 Hz already (then every sample is
// the file's own). Integer files give libsndfile's normalised values (full scale 1.0).
// It streams: whatever the file's length, it holds a few blocks of it at a time.
//
// For one thread at a time.
class TSoundFile final : public analysis::TSampleSource {
public:
    // Opens the file at `path` (the name's bytes as they are, whatever their encoding).
    // Throws TSoundFileError if it is missing, unreadable, not a sound file libsndfile
    // reads, or holds no sound.
    explicit TSoundFile(const std::string& path);
    ~TSoundFile() override;
    TSoundFile(const TSoundFile&) = delete;
    TSoundFile& operator=(const TSoundFile&) = delete;

    const TSoundFileInfo& Info() const;

    // The sample (at 16000 Hz, 0 to Info().Samples) handed out next.
    std::int64_t Position() const;
    // Moves to `sample`, clamped to 0 .. Info().Samples. A resampled file starts afresh from
    // the file's frame at or before that time. Throws TSoundFileError if the file cannot seek.
    void Seek(std::int64_t sample);

    // Writes the next samples as the file holds them (mono, 16000 Hz, unit scale, not
    // clipped) and returns how many: out.size(), fewer only at the end of the file. A file
    // that ends early (it shrank while open, or is truncated) ends there. Throws
    // TSoundFileError when the file cannot be read further.
    std::size_t Read(std::span<float> out);

    // The next samples as unit samples (analysis::UnitSample): clipped to full scale, and
    // silence after the end.
    void Take(std::span<long double> unitSamples) override;

private:
    class TDecoder;
    std::unique_ptr<TDecoder> decoder_;
};

// Up to `most` of `file`'s next samples, as Read gives them; fewer at the file's end.
std::vector<float> ReadAhead(TSoundFile& file, std::int64_t most);

} // namespace sound

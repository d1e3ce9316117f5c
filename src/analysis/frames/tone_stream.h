// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/coder_kind.h"
#include "analysis/coding/coding_mode.h"
#include "tone_range.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace analysis {

// What a stream plays: the signal as the mode codes it, the coding error alone, or the
// signal uncoded.
enum class TStreamContent : std::uint8_t {
    scCoded,    // the coded sample c_n, as a frame takes it before windowing
    scError,    // (c_n - a_n) times ErrorGain, a_n the uncoded sample
    scOriginal, // the uncoded sample a_n
};

// What a listener chooses. The level is in whole decibels, MinLevelDb to MaxLevelDb; the
// frequency whole hertz, MinFrequencyHz to MaxFrequencyHz.
struct TStreamSettings {
    std::int32_t FrequencyHz = StartFrequencyHz;
    int LevelDb = StartLevelDb;
    CodingMode Mode = StartCodingMode;
    TStreamContent Content = TStreamContent::scCoded;

    friend bool operator==(const TStreamSettings&, const TStreamSettings&) = default;
};

// The coding error is raised by 2^8 (+48.2 dB) before it is played: the exact root's error
// of at most about 2 sixteen-bit steps then plays near -36 dBFS, the one-step root's of
// about 115 steps near full scale. A power of two, so the raise itself rounds nothing.
inline constexpr double ErrorGain = 256.0;

// A played value is a sample in 16-bit steps divided by FullScale (32767) and rounded once
// to single precision: a full-scale sample plays as exactly +-1.0. The error is raised by
// ErrorGain first and clipped to -1.0 .. 1.0; the coded tone never exceeds full scale.
float PlayedSample(double coded);
float PlayedError(double coded, double uncoded);

// Plays a source's unit samples (sample_source.h) at `gain` through `mode`: out[k] is what
// `content` asks for of unit[k], scaled as a frame scales it (SourceSample) and coded unless
// the mode is cmPCM. `out` holds as many values as `units`.
void PlaySamples(std::span<const long double> units, double gain, CodingMode mode,
                 TStreamContent content, std::span<float> out);
// The same through any coder: `code` takes the place of the mode's coding.
void PlaySamples(std::span<const long double> units, double gain, SampleCodeFunction code,
                 TStreamContent content, std::span<float> out);

// Plays recorded samples (a sound file's, on the unit scale) in place as `settings` ask: each
// is taken as the frames take it (UnitSample), then played by PlaySamples at the level's gain,
// so what is heard is exactly what the frames code. The frequency is not used.
void PlayRecorded(std::span<float> samples, const TStreamSettings& settings);

// The tone as a sound stream: the same tone formula and the same coder as the frames, from a
// sample clock of its own that runs as a frame's does (0 first, then 1 to 16000 over and
// over, with no gap), so with the settings held its values are exactly the coded samples a
// fresh analyzer's frames take in order. It keeps no state outside itself and touches
// neither the analyzer's module-level state nor the frames' remembered sine values: it
// remembers its own (256 KB, taken when it is made, so that filling allocates nothing).
//
// Fill is for one thread at a time (the audio thread); Change may be called from any other
// thread at any time. A change takes effect at the start of the next Fill, never within a
// block.
class TSineMemory;

class TToneStream {
public:
    explicit TToneStream(TStreamSettings settings = {});
    ~TToneStream();

    // Takes `settings` for the next block. The caller passes values within their ranges.
    void Change(const TStreamSettings& settings);
    TStreamSettings Settings() const;

    // Writes the next out.size() played values (PlayedSample or PlayedError) and advances the
    // clock by as many samples.
    void Fill(std::span<float> out);

    // The clock value the next sample is taken at.
    std::int32_t Clock() const { return clock_; }

private:
    static std::uint32_t Pack(const TStreamSettings& settings);
    static TStreamSettings Unpack(std::uint32_t packed);

    // The settings packed into one word, so that a block sees all of one change or none.
    std::atomic<std::uint32_t> settings_;

    // The filling thread's own copies, recomputed only when the settings change.
    std::optional<std::uint32_t> tuned_; // none before the first block
    TStreamSettings current_{};
    std::unique_ptr<TSineMemory> sines_;
    double gain_ = 1.0;
    std::int32_t clock_ = 0;
};

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/coder_kind.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace analysis {

// How a coder is judged on real material. The signal is cut into segments of 30 ms (480
// samples at 16000 Hz) that start every 7.5 ms (120 samples, 75 % overlap); a segment is
// active when its power lies within ActiveRangeDb of the loudest segment's, so pauses do
// not count. Every figure compares the coder's output y with the original x it was given,
// both in 16-bit steps (full scale 32767); the error is e = y - x.
inline constexpr int SegmentSamples = 480;
inline constexpr int SegmentHopSamples = 120;
inline constexpr double ActiveRangeDb = 50.0;
// A segment's SNR counts within these bounds: a silent error does not outweigh the rest, nor
// a segment drowned in it.
inline constexpr double SegmentSnrFloorDb = -10.0;
inline constexpr double SegmentSnrCeilingDb = 35.0;
// The log-spectral distance compares Hann-windowed spectra of 30 ms frames (every fourth
// segment, so the frames do not overlap), zero-padded to 512 points, over 0 to 8 kHz (bins 0
// to 256); a bin's power counts from SpectrumFloorDb below a full-scale tone's on up.
inline constexpr int SpectrumPoints = 512;
inline constexpr double SpectrumFloorDb = 120.0;

struct TMaterialFigures {
    // 10 log10(sum x^2 / sum e^2) over everything: +inf when every sample is exact, NaN when
    // the original is silent.
    double SnrDb = 0.0;
    // The mean over the active segments of each one's SNR, limited to the bounds above;
    // NaN when no segment is active (the material is silent or shorter than a segment).
    double SegmentalSnrDb = 0.0;
    std::int64_t Segments = 0; // active segments the mean is over
    // The mean over the active frames of the RMS difference of the two dB spectra, in dB;
    // NaN without an active frame.
    double LogSpectralDistanceDb = 0.0;
    double LargestError = 0.0; // the largest |e|, in 16-bit steps
    // The material's level: the mean power of its active segments against that of a
    // full-scale square wave (32767^2), in dB; a full-scale sine reads -3.01 dB. NaN when
    // nothing is active.
    double ActiveLevelDb = 0.0;
};

// The coding functions of `coders`, in their order.
std::vector<SampleCodeFunction> CoderCodes(std::span<const CoderKind> coders);

// One of a coder's worst moments: an active segment and its SNR (limited as above).
struct TWorstMoment {
    std::int64_t FirstSample = 0; // at 16000 Hz, from the start of what was fed
    double SnrDb = 0.0;
};

// Measures several coders on the same material as it streams by: Feed codes every sample
// with each coder and keeps, per 120 samples, the sums the figures need (about 100 KB per
// coder for a minute of sound), so an hour of material takes tens of megabytes, not its
// samples. Not for two threads at once; meters of their own may run on several threads.
class TMaterialMeter {
public:
    // Measures each of `codes` (a coder's Code, or any function of the same contract).
    explicit TMaterialMeter(std::span<const SampleCodeFunction> codes);
    // Measures `coders` coders whose output comes coded already, through FeedCoded: a stream
    // coder's, lined up with the original.
    explicit TMaterialMeter(std::size_t coders);

    // The next original samples, in 16-bit steps, each within -32767 .. 32767.
    void Feed(std::span<const double> original);
    // The next original samples and, for each coder in order, what it made of them, all in
    // 16-bit steps and as long as `original`. For a meter of coded coders only.
    void FeedCoded(std::span<const double> original, std::span<const std::span<const double>> coded);

    std::int64_t SamplesFed() const { return fed_; }
    // The figures of the coder at `index` (in the order given) over everything fed so far.
    TMaterialFigures Figures(std::size_t index) const;
    // Its `count` active segments of the lowest SNR, worst first, none overlapping another.
    std::vector<TWorstMoment> WorstMoments(std::size_t index, std::size_t count) const;

private:
    struct TCoderTrack {
        SampleCodeFunction Code; // null when the samples come coded
        std::vector<double> BlockErrorEnergy; // sum e^2 of each block of 120 samples
        std::vector<float> FrameDistance;     // the log-spectral distance of each frame
        std::array<double, SegmentSamples> Coded{}; // the current frame's coded samples
        long double SumErrorEnergy = 0.0L; // in extended precision, as the coder figures sum
        double LargestError = 0.0;
    };

    // Feed's work, the coded sample given by code(track's Code, track, x, index in the part).
    template <typename Code>
    void FeedWith(std::span<const double> original, Code code);
    // Closes a frame of 480 samples: the spectra of the original and of each coded signal.
    void CloseFrame();
    // The power of every active segment, and which they are.
    std::vector<std::int64_t> ActiveSegments() const;
    double SegmentSignalEnergy(std::int64_t segment) const;

    std::vector<TCoderTrack> tracks_;
    std::vector<double> blockSignalEnergy_; // sum x^2 of each block of 120 samples
    std::array<double, SegmentSamples> frame_{}; // the current frame's original samples
    double blockSignal_ = 0.0;
    std::vector<double> blockError_;
    long double sumSignalEnergy_ = 0.0L;
    std::int64_t fed_ = 0;
};

} // namespace analysis

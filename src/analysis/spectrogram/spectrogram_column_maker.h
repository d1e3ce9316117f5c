// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/transform/complex.h"
#include "analysis/transform/double_fft.h"
#include "spectrogram_settings.h"
#include "analysis/windows/window_kind.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace analysis {

// One column of a spectrogram: the relative power of each bin (0 to TransformLength / 2) in
// each lane, 1.0 being a full-scale tone on that bin's centre (see the maker).
struct TSpectrogramColumn {
    std::int64_t Index = 0; // 0 for the first column a maker makes
    std::array<std::span<const double>, SpectrogramLaneCount> Power;

    std::span<const double> Lane(SpectrogramLane lane) const {
        return Power[static_cast<std::size_t>(lane)];
    }
};

// The time of column `index`, in seconds from the first sample fed: the centre of the
// samples it is computed over, index * SpectrogramHop + transformLength / 2.
double SpectrogramColumnSeconds(std::int64_t index, int transformLength);

// Makes spectrogram columns as the samples arrive: every SpectrogramHop samples, one column
// over the last `transformLength` (512, 1024 or 2048), weighted by the analysis window
// `window` at that length (FillWindow: the frame's own coefficients at 1024).
//
// Levels. Each bin's power is re^2 + im^2 of the unscaled forward transform. A tone of
// amplitude A on bin k's centre gives |X[k]| = A N CG / 2 (N the length, CG = sum w / N the
// window's coherent gain), so powers are divided by (FullScale N CG / 2)^2: a full-scale
// tone on a bin reads 1.0 (0 dB) in every lane and with every window, a tone at -60 dB reads
// -60 dB. This is the peak-bin reading of the distortion figures (their power of one bin
// over (N CG)^2, against a full-scale sine's mean square FullScale^2 / 2, with the bin's
// negative-frequency twin counted). The noise bandwidth enters as it does there: a
// component's power spreads over its lobe, whose bins' powers sum to ENBW times its peak
// bin's (ENBW = N sum w^2 / (sum w)^2, in bins), so the distortion figures divide a lobe's
// sum by ENBW (N CG)^2 to get a component's level. Here every bin reads as a tone would, so
// broadband noise reads 10 log10(ENBW) dB above its power in one bin's width (15.625 Hz at
// 1024 points); its density per hertz is the level less 10 log10(ENBW * bin width).
//
// The lanes. `original` are the source's samples on the analyzer's scale before coding,
// `coded` the same samples as the mode codes them (TakeFrame gives both). The error lane is
// the transform of coded minus original, each difference taken in extended precision and
// rounded once. The original and the error go through one complex transform (DoubleFFT, in
// double), as its real and imaginary parts, and are parted by the symmetry of real signals' transforms; the coded
// lane is their sum, bin by bin (the transform is linear). The error's bins carry the
// rounding of the original's transform, over 250 dB below a full-scale tone: an exact
// coder's error lies below the lowest level the history stores.
//
// A maker owns all it works on (no shared state, nothing allocated after construction), so
// it may run on a worker thread while other threads run frames or makers of their own.
class TSpectrogramColumnMaker {
public:
    // The caller passes one of SpectrogramTransformLengths.
    TSpectrogramColumnMaker(int transformLength, WindowKind window);

    int TransformLength() const { return length_; }
    int Bins() const { return SpectrogramBins(length_); }
    WindowKind Window() const { return window_; }
    // The window's coherent gain, sum w / N, at this length.
    double CoherentGain() const { return coherentGain_; }

    // Takes the next samples of both signals (as many of each) and calls sink(column), with
    // a const TSpectrogramColumn&, for each column they complete, in order. The column's
    // spans stay valid until the next call.
    template <typename Sink>
    void Feed(std::span<const double> original, std::span<const double> coded, Sink&& sink) {
        while (!original.empty()) {
            const std::size_t taken = Take(original, coded);
            original = original.subspan(taken);
            coded = coded.subspan(taken);
            if (filled_ == length_) {
                sink(MakeColumn());
            }
        }
    }

    // Feed for samples kept as the recording keeps them: the original and the error (coded
    // minus original) rounded to float.
    template <typename Sink>
    void FeedRecorded(std::span<const float> original, std::span<const float> error, Sink&& sink) {
        while (!original.empty()) {
            const std::size_t taken = TakeRecorded(original, error);
            original = original.subspan(taken);
            error = error.subspan(taken);
            if (filled_ == length_) {
                sink(MakeColumn());
            }
        }
    }

    // Columns made so far.
    std::int64_t Columns() const { return columns_; }

private:
    // Move samples in until the transform's span is full; return how many they took.
    std::size_t Take(std::span<const double> original, std::span<const double> coded);
    std::size_t TakeRecorded(std::span<const float> original, std::span<const float> error);
    // Transforms the full span, moves it on by one hop and returns the column.
    const TSpectrogramColumn& MakeColumn();

    int length_;
    WindowKind window_;
    std::vector<float> windowTable_;
    double coherentGain_ = 0.0;
    double powerScale_ = 0.0; // 1 / (FullScale N CG / 2)^2
    // The last samples: original and error; filled_ of them hold samples.
    std::vector<double> original_;
    std::vector<double> error_;
    int filled_ = 0;
    std::vector<Complex> transform_;
    TDoubleFftTables fftTables_;
    std::array<std::vector<double>, SpectrogramLaneCount> power_;
    TSpectrogramColumn column_;
    std::int64_t columns_ = 0;
};

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/windows/window_kind.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>

namespace analysis {

// A stretch of recorded samples analysed without a break, from FirstSample (the recording's
// count) to the next run's first sample: a new run starts where the columns start afresh (a
// new analysis window, the spectrogram opened again).
struct TSpectrogramRun {
    std::int64_t FirstSample = 0;
    WindowKind Window = WindowKind::wkRectangular;
};

// The samples a spectrogram's columns are made from, kept so that the columns can be made
// again at another transform length: the original and the error (coded minus original, taken
// in extended precision) of the last Capacity() samples, each rounded once to float, in a
// ring, with the runs they were analysed in. Float's rounding lies 144 dB below each sample,
// and at 1024 points about 175 dB below a full-scale tone on a bin: columns made from these
// samples read as the first ones did, within a level code, down to -160 dB (the error's own
// rounding scales with the error, and an exact coder's error stays exactly 0).
//
// Ten minutes take 2 x 4 x 9.6 million bytes, 77 MB; the memory is reserved at construction
// and the system maps its pages as the samples fill it.
//
// For one thread at a time.
class TSpectrogramRecording {
public:
    // Keeps the last `capacity` samples (at least 1).
    explicit TSpectrogramRecording(std::int64_t capacity);
    // Keeps as many as the history's columns were made from at any transform length:
    // SpectrogramHistorySeconds and the longest transform.
    static TSpectrogramRecording ForHistory();

    std::int64_t Capacity() const { return capacity_; }
    // Samples added so far, and the oldest still kept.
    std::int64_t End() const { return end_; }
    std::int64_t Oldest() const { return end_ > capacity_ ? end_ - capacity_ : 0; }

    // The samples added next start a run analysed with `window`.
    void StartRun(WindowKind window);
    // Keeps the next samples' original and coded values, as many of each, after a StartRun.
    void Add(std::span<const double> original, std::span<const double> coded);

    // The run that holds sample `sample` (Oldest() to End() - 1), and where the next run
    // starts (End() after the last).
    struct TRunSpan {
        TSpectrogramRun Run;
        std::int64_t End = 0;
    };
    TRunSpan RunAt(std::int64_t sample) const;
    // Copies the original and the error of the samples from `from` on, as many as the spans
    // hold, all of them kept.
    void Read(std::int64_t from, std::span<float> original, std::span<float> error) const;

private:
    std::int64_t capacity_;
    std::int64_t end_ = 0;
    std::unique_ptr<float[]> original_;
    std::unique_ptr<float[]> error_;
    std::deque<TSpectrogramRun> runs_; // oldest first; the first may start before Oldest()
};

} // namespace analysis

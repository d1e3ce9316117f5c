// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spectrogram_column_maker.h"
#include "spectrogram_history.h"
#include "spectrogram_recording.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace analysis {

// A spectrogram's columns at one transform length as they are made: their codes in a
// history, and where each run of samples (spectrogram_recording.h) starts among them, so
// that every column's time is that of the samples it was made from: column k of a run that
// starts at sample s and column c lies over samples s + (k - c) * SpectrogramHop on, its
// centre transformLength / 2 later. The samples come as they arrive (Feed), or from a
// recording (CatchUp) to make the columns of what was kept at a new length.
//
// For one thread at a time.
class TSpectrogramColumns {
public:
    // An empty history of SpectrogramHistorySeconds at `transformLength`.
    explicit TSpectrogramColumns(int transformLength);

    int TransformLength() const { return length_; }
    const TSpectrogramHistory& History() const { return history_; }
    // The window of the run fed now; none before the first.
    std::optional<WindowKind> Window() const;
    // The recording's sample after the last one fed.
    std::int64_t End() const { return end_; }

    // The samples fed next, from the recording's sample `firstSample`, are a run analysed
    // afresh with `window`.
    void StartRun(std::int64_t firstSample, WindowKind window);
    // Feeds the next samples of the run (as TSpectrogramColumnMaker::Feed) and calls
    // sink(column) with the number of each column they complete, kept in the history.
    template <typename Sink>
    void Feed(std::span<const double> original, std::span<const double> coded, Sink&& sink) {
        maker_->Feed(original, coded,
                     [&](const TSpectrogramColumn& column) { sink(Append(column)); });
        end_ += static_cast<std::int64_t>(original.size());
    }

    // Feeds the recording's samples from End() on, at most `most` of them, in its runs; where
    // End() is no longer kept, afresh from the oldest kept that keeps its run's columns at
    // their times. Returns whether they reach the recording's end.
    bool CatchUp(const TSpectrogramRecording& recording, std::int64_t most);

    // The sample at the centre of column `column`, as the oldest run kept has it for a column
    // no longer kept.
    std::int64_t CentreSample(std::int64_t column) const;
    double ColumnSeconds(std::int64_t column) const;
    // The kept column whose centre lies nearest `sample` (the earlier of two as near); none
    // while there is none.
    std::optional<std::int64_t> ColumnNearest(std::int64_t sample) const;

private:
    struct TRunColumns {
        std::int64_t FirstColumn = 0;
        std::int64_t FirstSample = 0;
    };

    std::int64_t Append(const TSpectrogramColumn& column);

    int length_;
    TSpectrogramHistory history_;
    std::unique_ptr<TSpectrogramColumnMaker> maker_;
    std::deque<TRunColumns> runs_; // oldest first, the first that still has kept columns
    std::int64_t end_ = 0;
    std::vector<float> original_; // a block of the recording's samples, for CatchUp
    std::vector<float> error_;
};

} // namespace analysis

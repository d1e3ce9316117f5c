// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_columns.h"

#include "analysis/common/numeric_constants.h"

#include <algorithm>
#include <cassert>

namespace analysis {
namespace {

// Samples taken from a recording at a time.
constexpr std::size_t CatchUpBlock = 4096;

} // namespace

TSpectrogramColumns::TSpectrogramColumns(int transformLength)
    : length_(transformLength), history_(TSpectrogramHistory::ForTransform(transformLength)),
      original_(CatchUpBlock), error_(CatchUpBlock) {}

std::optional<WindowKind> TSpectrogramColumns::Window() const {
    return maker_ ? std::optional(maker_->Window()) : std::nullopt;
}

void TSpectrogramColumns::StartRun(std::int64_t firstSample, WindowKind window) {
    maker_ = std::make_unique<TSpectrogramColumnMaker>(length_, window);
    if (!runs_.empty() && runs_.back().FirstColumn == history_.Count()) {
        runs_.pop_back(); // a run that made no column
    }
    runs_.push_back({history_.Count(), firstSample});
    end_ = firstSample;
}

std::int64_t TSpectrogramColumns::Append(const TSpectrogramColumn& column) {
    history_.Append(column);
    while (runs_.size() > 1 && runs_[1].FirstColumn <= history_.Oldest()) {
        runs_.pop_front();
    }
    return history_.Count() - 1;
}

bool TSpectrogramColumns::CatchUp(const TSpectrogramRecording& recording, std::int64_t most) {
    if (end_ < recording.Oldest()) {
        // What lies between is no longer kept: afresh from the first sample kept that keeps
        // the run's columns where they were, a whole number of hops from its start.
        maker_.reset();
        const TSpectrogramRecording::TRunSpan run = recording.RunAt(recording.Oldest());
        const std::int64_t hops =
            (recording.Oldest() - run.Run.FirstSample + SpectrogramHop - 1) / SpectrogramHop;
        end_ = std::min(run.Run.FirstSample + hops * SpectrogramHop, run.End);
    }
    const auto append = [this](const TSpectrogramColumn& column) { Append(column); };
    while (end_ < recording.End() && most > 0) {
        const TSpectrogramRecording::TRunSpan run = recording.RunAt(end_);
        if (!maker_ || end_ == run.Run.FirstSample || maker_->Window() != run.Run.Window) {
            StartRun(end_, run.Run.Window);
        }
        const auto count = static_cast<std::size_t>(
            std::min({run.End - end_, most, static_cast<std::int64_t>(CatchUpBlock)}));
        const std::span original = std::span(original_).first(count);
        const std::span error = std::span(error_).first(count);
        recording.Read(end_, original, error);
        maker_->FeedRecorded(original, error, append);
        end_ += static_cast<std::int64_t>(count);
        most -= static_cast<std::int64_t>(count);
    }
    return end_ == recording.End();
}

std::int64_t TSpectrogramColumns::CentreSample(std::int64_t column) const {
    if (runs_.empty()) {
        return column * SpectrogramHop + length_ / 2;
    }
    // A column no longer kept is taken as one of the oldest run kept.
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), column,
                         [](std::int64_t at, const TRunColumns& r) { return at < r.FirstColumn; });
    const TRunColumns& run = after == runs_.begin() ? runs_.front() : *std::prev(after);
    return run.FirstSample + (column - run.FirstColumn) * SpectrogramHop + length_ / 2;
}

double TSpectrogramColumns::ColumnSeconds(std::int64_t column) const {
    return static_cast<double>(CentreSample(column)) / SampleRate;
}

std::optional<std::int64_t> TSpectrogramColumns::ColumnNearest(std::int64_t sample) const {
    std::int64_t first = history_.Oldest();
    std::int64_t last = history_.Count();
    if (first == last) {
        return std::nullopt;
    }
    // The first column centred at or after `sample`, by bisection: the centres rise.
    while (first < last) {
        const std::int64_t middle = first + (last - first) / 2;
        if (CentreSample(middle) < sample) {
            first = middle + 1;
        } else {
            last = middle;
        }
    }
    if (first == history_.Count() ||
        (first > history_.Oldest() &&
         sample - CentreSample(first - 1) <= CentreSample(first) - sample)) {
        return first - 1;
    }
    return first;
}

} // namespace analysis

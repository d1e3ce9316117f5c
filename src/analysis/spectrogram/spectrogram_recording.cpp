// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_recording.h"

#include "analysis/common/numeric_constants.h"
#include "spectrogram_settings.h"

#include <algorithm>
#include <cassert>

namespace analysis {

TSpectrogramRecording::TSpectrogramRecording(std::int64_t capacity)
    : capacity_(capacity),
      // Not initialised: no page is touched before a sample is written into it.
      original_(std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(capacity))),
      error_(std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(capacity))) {
    assert(capacity >= 1);
}

TSpectrogramRecording TSpectrogramRecording::ForHistory() {
    const int longest =
        *std::max_element(SpectrogramTransformLengths.begin(), SpectrogramTransformLengths.end());
    return TSpectrogramRecording(static_cast<std::int64_t>(SpectrogramHistorySeconds) * SampleRate +
                                 longest);
}

void TSpectrogramRecording::StartRun(WindowKind window) {
    if (!runs_.empty() && runs_.back().FirstSample == end_) {
        runs_.pop_back(); // a run without samples
    }
    runs_.push_back({end_, window});
}

void TSpectrogramRecording::Add(std::span<const double> original, std::span<const double> coded) {
    assert(!runs_.empty() && coded.size() == original.size());
    for (std::size_t k = 0; k < original.size(); ++k) {
        const auto at = static_cast<std::size_t>(end_ % capacity_);
        original_[at] = static_cast<float>(original[k]);
        error_[at] = static_cast<float>(static_cast<long double>(coded[k]) - original[k]);
        ++end_;
    }
    while (runs_.size() > 1 && runs_[1].FirstSample <= Oldest()) {
        runs_.pop_front();
    }
}

TSpectrogramRecording::TRunSpan TSpectrogramRecording::RunAt(std::int64_t sample) const {
    assert(sample >= Oldest() && sample < end_);
    const auto next = std::upper_bound(
        runs_.begin(), runs_.end(), sample,
        [](std::int64_t at, const TSpectrogramRun& run) { return at < run.FirstSample; });
    assert(next != runs_.begin());
    return {*std::prev(next), next == runs_.end() ? end_ : next->FirstSample};
}

void TSpectrogramRecording::Read(std::int64_t from, std::span<float> original,
                                 std::span<float> error) const {
    assert(error.size() == original.size() && from >= Oldest() &&
           from + static_cast<std::int64_t>(original.size()) <= end_);
    // In at most two pieces: up to the ring's end, then from its start.
    const auto at = static_cast<std::size_t>(from % capacity_);
    const std::size_t first = std::min(original.size(), static_cast<std::size_t>(capacity_) - at);
    std::copy_n(original_.get() + at, first, original.begin());
    std::copy_n(error_.get() + at, first, error.begin());
    std::copy_n(original_.get(), original.size() - first, original.begin() + first);
    std::copy_n(error_.get(), original.size() - first, error.begin() + first);
}

} // namespace analysis

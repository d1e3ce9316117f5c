// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_history.h"

#include "spectrogram_levels.h"

#include <algorithm>
#include <cassert>

namespace analysis {

TSpectrogramHistory::TSpectrogramHistory(int bins, std::int64_t capacity)
    : bins_(bins), capacity_(capacity),
      // Not initialised: no page is touched before a column is written into it.
      codes_(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(capacity) *
                                                             ColumnBytes())) {
    assert(bins >= 1 && capacity >= 1);
}

TSpectrogramHistory TSpectrogramHistory::ForTransform(int transformLength) {
    const auto columns =
        static_cast<std::int64_t>(SpectrogramHistorySeconds * SpectrogramColumnsPerSecond);
    return TSpectrogramHistory(SpectrogramBins(transformLength), columns);
}

std::uint8_t* TSpectrogramHistory::Slot(std::int64_t column) const {
    return codes_.get() + static_cast<std::size_t>(column % capacity_) * ColumnBytes();
}

void TSpectrogramHistory::Append(const TSpectrogramColumn& column) {
    std::uint8_t* slot = Slot(count_);
    for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
        assert(column.Power[lane].size() == static_cast<std::size_t>(bins_));
        QuantiseLevels(column.Power[lane],
                       std::span(slot + lane * static_cast<std::size_t>(bins_),
                                 static_cast<std::size_t>(bins_)));
    }
    ++count_;
}

void TSpectrogramHistory::Append(const TLaneCodes& codes) {
    std::uint8_t* slot = Slot(count_);
    for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
        assert(codes[lane].size() == static_cast<std::size_t>(bins_));
        std::copy(codes[lane].begin(), codes[lane].end(),
                  slot + lane * static_cast<std::size_t>(bins_));
    }
    ++count_;
}

TLaneCodes TSpectrogramHistory::Codes(std::int64_t column) const {
    assert(column >= Oldest() && column < count_);
    const std::uint8_t* slot = Slot(column);
    TLaneCodes codes;
    for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
        codes[lane] = std::span(slot + lane * static_cast<std::size_t>(bins_),
                                static_cast<std::size_t>(bins_));
    }
    return codes;
}

} // namespace analysis

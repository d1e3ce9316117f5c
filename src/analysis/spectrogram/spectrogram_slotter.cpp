// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_slotter.h"

#include <algorithm>
#include <cassert>

namespace analysis {

TSpectrogramSlotter::TSpectrogramSlotter(std::int64_t columns, std::int64_t slotCount, int bins)
    : columns_(columns), slots_(slotCount), bins_(bins),
      loudest_(static_cast<std::size_t>(bins) * SpectrogramLaneCount) {
    assert(columns >= 1 && slotCount >= 1 && bins >= 1);
}

std::int64_t TSpectrogramSlotter::SlotEnd(std::int64_t s) const {
    const std::int64_t start = s * columns_ / slots_;
    return std::max((s + 1) * columns_ / slots_, start + 1);
}

int TSpectrogramSlotter::AddColumn(const TLaneCodes& codes) {
    const auto bins = static_cast<std::size_t>(bins_);
    for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
        assert(codes[lane].size() == bins);
        std::uint8_t* loudest = loudest_.data() + lane * bins;
        if (empty_) {
            std::copy(codes[lane].begin(), codes[lane].end(), loudest);
        } else {
            std::transform(codes[lane].begin(), codes[lane].end(), loudest, loudest,
                           [](std::uint8_t a, std::uint8_t b) { return std::max(a, b); });
        }
    }
    empty_ = false;
    // Every slot that ends with this column is complete; the next slot starts after it.
    const std::int64_t column = column_++;
    int completed = 0;
    while (SlotEnd(slot_ + completed) == column + 1) {
        ++completed;
    }
    slot_ += completed;
    empty_ = completed > 0;
    return completed;
}

TLaneCodes TSpectrogramSlotter::Slot() const {
    TLaneCodes codes;
    const auto bins = static_cast<std::size_t>(bins_);
    for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
        codes[lane] = std::span(loudest_.data() + lane * bins, bins);
    }
    return codes;
}

} // namespace analysis

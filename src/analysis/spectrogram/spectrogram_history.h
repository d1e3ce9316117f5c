// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spectrogram_column_maker.h"
#include "spectrogram_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace analysis {

// The codes of one column's lanes (spectrogram_levels.h), one span of bins per lane.
using TLaneCodes = std::array<std::span<const std::uint8_t>, SpectrogramLaneCount>;

// The last columns of a spectrogram as level codes, one byte per bin and lane, in a ring:
// once full, each new column takes the place of the oldest. Column numbers run on from 0
// for the first column appended; the ring holds the last Capacity() of them.
//
// At the default transform length (513 bins) ten minutes take 37,500 x 3 x 513 bytes,
// 57.7 MB; the memory is reserved at construction and the system maps its pages as the
// columns fill it, so a short history costs little.
//
// For one thread at a time.
class TSpectrogramHistory {
public:
    // A ring of `capacity` columns (at least 1) of `bins` bins each.
    TSpectrogramHistory(int bins, std::int64_t capacity);

    // The ring that holds SpectrogramHistorySeconds of columns at any transform length: its
    // bytes grow with the bins, 29 MB at 512, 58 MB at 1024 and 115 MB at 2048, each page
    // taken only once a column is written into it.
    static TSpectrogramHistory ForTransform(int transformLength);

    int Bins() const { return bins_; }
    std::int64_t Capacity() const { return capacity_; }
    // Columns appended so far; the newest is Count() - 1.
    std::int64_t Count() const { return count_; }
    // The oldest column still held (0 until the ring is full).
    std::int64_t Oldest() const { return count_ > capacity_ ? count_ - capacity_ : 0; }
    // The bytes of the ring.
    std::size_t Bytes() const { return static_cast<std::size_t>(capacity_) * ColumnBytes(); }

    // Appends a column as codes: its powers quantised (QuantiseLevels), or codes as they are.
    // A column's lanes hold Bins() entries each.
    void Append(const TSpectrogramColumn& column);
    void Append(const TLaneCodes& codes);

    // The codes of column `column`, which the caller keeps within Oldest() .. Count() - 1;
    // valid until the next Append.
    TLaneCodes Codes(std::int64_t column) const;

    // Forgets every column (the numbers start again from 0).
    void Clear() { count_ = 0; }

private:
    std::size_t ColumnBytes() const {
        return static_cast<std::size_t>(bins_) * SpectrogramLaneCount;
    }
    std::uint8_t* Slot(std::int64_t column) const;

    int bins_;
    std::int64_t capacity_;
    std::int64_t count_ = 0;
    std::unique_ptr<std::uint8_t[]> codes_;
};

} // namespace analysis

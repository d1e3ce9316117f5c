// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spectrogram_history.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace analysis {

// Fits a run of spectrogram columns into the slots of a picture (its pixel columns), `columns`
// columns to every `slotCount` slots: slot s shows, bin by bin, the loudest code of columns
// floor(s C / W) to floor((s + 1) C / W) - 1, so that no short sound is lost however many
// columns a slot stands for; with fewer columns than slots it shows column floor(s C / W),
// which then fills several slots. The ratio holds for a run of any length: a whole file is
// C columns into the picture's W slots, a live view zoomed out k times is k columns into 1.
//
// For one thread at a time.
class TSpectrogramSlotter {
public:
    TSpectrogramSlotter(std::int64_t columns, std::int64_t slotCount, int bins);

    // Adds the next column's codes and calls sink(codes), with a const TLaneCodes&, for each
    // slot it completes (none, one or several), in order.
    template <typename Sink>
    void Add(const TLaneCodes& codes, Sink&& sink) {
        for (int completed = AddColumn(codes); completed > 0; --completed) {
            sink(Slot());
        }
    }

    // Slots completed so far.
    std::int64_t Slots() const { return slot_; }
    // The columns slot `slot` shows: the first, and one past the last.
    std::pair<std::int64_t, std::int64_t> ColumnsOf(std::int64_t slot) const {
        return {slot * columns_ / slots_, SlotEnd(slot)};
    }

private:
    int AddColumn(const TLaneCodes& codes);
    TLaneCodes Slot() const;
    // One past the last column slot s shows.
    std::int64_t SlotEnd(std::int64_t s) const;

    std::int64_t columns_;
    std::int64_t slots_;
    int bins_;
    std::int64_t column_ = 0; // the next column's number
    std::int64_t slot_ = 0;   // the slot being filled
    bool empty_ = true;       // whether the slot being filled has no column yet
    std::vector<std::uint8_t> loudest_;
};

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace sound {

// The samples a device took lately, newest last, so that a frame can show the ones heard now:
// those that end the device's queue length before the newest. Add is for one thread, Show for
// another; each holds the lock only to copy. Silence before the first.
class TSampleHistory {
public:
    // Enough for a frame behind the longest queue a device keeps.
    static constexpr std::size_t Capacity = 8192;

    void Add(std::span<const float> samples);
    // Writes the unitSamples.size() samples that end `delay` samples before the newest, oldest
    // first; the caller ensures that both together stay within Capacity. Returns how many
    // samples were added before the first one after them (since the last Clear).
    std::int64_t Show(std::span<long double> unitSamples, std::size_t delay);
    void Clear();

private:
    std::mutex mutex_;
    std::array<float, Capacity> ring_{};
    std::size_t end_ = 0; // where the next sample goes
    std::int64_t added_ = 0;
};

} // namespace sound

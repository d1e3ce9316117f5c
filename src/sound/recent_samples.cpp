// SPDX-License-Identifier: GPL-3.0-or-later
#include "recent_samples.h"

#include <algorithm>
#include <cassert>

namespace sound {

void TRecentSamples::Add(std::span<const float> samples) {
    const std::size_t kept = std::min(samples.size(), Capacity);
    std::lock_guard lock(mutex_);
    // What would be overwritten within this call is passed over.
    added_ += static_cast<std::int64_t>(samples.size() - kept);
    for (const float sample : samples.last(kept)) {
        ring_[static_cast<std::size_t>(added_ % static_cast<std::int64_t>(Capacity))] = sample;
        ++added_;
    }
}

std::int64_t TRecentSamples::Added() const {
    std::lock_guard lock(mutex_);
    return added_;
}

void TRecentSamples::Take(std::span<long double> unitSamples) {
    assert(unitSamples.size() <= Capacity);
    std::lock_guard lock(mutex_);
    auto at = added_ - static_cast<std::int64_t>(unitSamples.size());
    for (long double& sample : unitSamples) {
        sample = at < 0 ? 0.0L
                        : analysis::UnitSample(
                              ring_[static_cast<std::size_t>(at % static_cast<std::int64_t>(Capacity))]);
        ++at;
    }
}

} // namespace sound

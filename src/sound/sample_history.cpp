// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_history.h"

#include "analysis/frames/sample_source.h"

#include <algorithm>
#include <cassert>

namespace sound {

void TSampleHistory::Add(std::span<const float> samples) {
    std::lock_guard lock(mutex_);
    added_ += static_cast<std::int64_t>(samples.size());
    for (const float sample : samples.last(std::min(samples.size(), Capacity))) {
        ring_[end_] = sample;
        end_ = (end_ + 1) % Capacity;
    }
}

std::int64_t TSampleHistory::Show(std::span<long double> unitSamples, std::size_t delay) {
    assert(unitSamples.size() + delay <= Capacity);
    std::lock_guard lock(mutex_);
    std::size_t at = (end_ + Capacity - delay - unitSamples.size()) % Capacity;
    for (long double& sample : unitSamples) {
        sample = analysis::UnitSample(ring_[at]);
        at = (at + 1) % Capacity;
    }
    return added_ - static_cast<std::int64_t>(delay);
}

void TSampleHistory::Clear() {
    std::lock_guard lock(mutex_);
    ring_.fill(0.0f);
    end_ = 0;
    added_ = 0;
}

} // namespace sound

// SPDX-License-Identifier: GPL-3.0-or-later
#include "recent_samples.h"

#include <algorithm>
#include <cassert>

namespace sound {

TRecentSamples::TRecentSamples(std::size_t capacity) : ring_(capacity) {
    assert(capacity > 0);
}

void TRecentSamples::Add(std::span<const float> samples) {
    const std::size_t kept = std::min(samples.size(), ring_.size());
    const auto capacity = static_cast<std::int64_t>(ring_.size());
    std::lock_guard lock(mutex_);
    // What would be overwritten within this call is passed over.
    added_ += static_cast<std::int64_t>(samples.size() - kept);
    for (const float sample : samples.last(kept)) {
        ring_[static_cast<std::size_t>(added_ % capacity)] = sample;
        ++added_;
    }
}

void TRecentSamples::Clear() {
    std::lock_guard lock(mutex_);
    std::ranges::fill(ring_, 0.0f);
    added_ = 0;
}

std::int64_t TRecentSamples::Added() const {
    std::lock_guard lock(mutex_);
    return added_;
}

void TRecentSamples::Take(std::span<long double> unitSamples) {
    assert(unitSamples.size() <= ring_.size());
    const auto capacity = static_cast<std::int64_t>(ring_.size());
    std::lock_guard lock(mutex_);
    fresh_.Shown(added_, unitSamples.size());
    auto at = added_ - static_cast<std::int64_t>(unitSamples.size());
    for (long double& sample : unitSamples) {
        sample =
            at < 0 ? 0.0L : analysis::UnitSample(ring_[static_cast<std::size_t>(at % capacity)]);
        ++at;
    }
}

std::size_t TRecentSamples::Latest(std::span<float> out) const {
    const auto capacity = static_cast<std::int64_t>(ring_.size());
    std::lock_guard lock(mutex_);
    const std::int64_t count = std::min({added_, capacity, static_cast<std::int64_t>(out.size())});
    for (std::int64_t k = 0; k < count; ++k) {
        out[static_cast<std::size_t>(k)] =
            ring_[static_cast<std::size_t>((added_ - count + k) % capacity)];
    }
    return static_cast<std::size_t>(count);
}

} // namespace sound

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/sample_source.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace sound {

// The latest samples of a signal that arrives on its own clock (live input): one thread adds
// them as they come, and the frames take the latest ones. Taking never waits for samples:
// a frame shows the newest it finds, the same again if none came since, and silence before
// the first.
//
// Add is for one thread, Take and Latest for others; each holds the lock only to copy.
class TRecentSamples final : public analysis::TSampleSource {
public:
    // How many samples are kept unless asked otherwise: a second at 16000 Hz, far more than
    // a frame takes.
    static constexpr std::size_t DefaultCapacity = 16384;

    explicit TRecentSamples(std::size_t capacity = DefaultCapacity);
    std::size_t Capacity() const { return ring_.size(); }

    // Keeps `samples` (unit scale, 16000 Hz) as the newest.
    void Add(std::span<const float> samples);
    // Forgets every sample: silence again, as when new.
    void Clear();
    // How many samples were ever added.
    std::int64_t Added() const;

    // Writes the latest unitSamples.size() samples (at most Capacity()), oldest first.
    void Take(std::span<long double> unitSamples) override;
    // Those added since the Take before; for the thread that takes.
    std::size_t Fresh(std::size_t written) const override { return fresh_.Fresh(written); }
    // Copies the latest of the samples added, at most out.size() (and Capacity()), oldest
    // first, to the start of `out`, and returns how many.
    std::size_t Latest(std::span<float> out) const;

private:
    mutable std::mutex mutex_;
    std::vector<float> ring_; // allocated once
    std::int64_t added_ = 0;  // the next one goes to added_ % Capacity()
    analysis::TFreshSamples fresh_;
};

} // namespace sound

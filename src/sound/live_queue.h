// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/sample_source.h"
#include "heard_source.h"
#include "recent_samples.h"
#include "sample_history.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace sound {

// How much of live input is kept for its figures, in samples at 16000 Hz: 10 seconds.
inline constexpr std::size_t LiveFiguresSamples = 160000;

// Live input as the frames show it and as listening plays it. The input's thread adds every
// recorded sample; with the frames' clock the frames show the latest 1024 (as TRecentSamples
// does), and with the device's clock the device takes the recorded samples in order from a
// queue and the frames show what it took, its queue length behind (as TSourcePlayer does).
//
// The input and the device run on clocks of their own, so the queue is kept short: the device
// waits (plays silence) until `primeSamples` are queued, at the start and again whenever it
// finds the queue empty, and when more than `mostSamples` are queued (the device fell behind)
// the oldest are dropped down to `primeSamples`. What is heard is then at most `mostSamples`
// plus the device's own queue behind what was recorded.
//
// Add is for the input's thread, TakeForDevice for the device's, Take (the frames) for a third;
// each holds a lock only to copy, and Clear may come from any.
class TLiveQueue final : public analysis::TSampleSource, public THeardSource {
public:
    // The caller ensures 0 < primeSamples < mostSamples.
    TLiveQueue(std::size_t primeSamples, std::size_t mostSamples);

    // Keeps the next recorded samples (unit scale, 16000 Hz), in order.
    void Add(std::span<const float> samples);
    // Back to the state of a new queue: nothing recorded, nothing heard.
    void Clear();

    void SetClock(TSourceClock clock) override { clock_.store(clock, std::memory_order_release); }
    TSourceClock Clock() const { return clock_.load(std::memory_order_acquire); }
    void SetHeardDelay(std::int64_t samples) override {
        heardDelay_.store(samples, std::memory_order_relaxed);
    }
    // The next queued samples, silence where the queue has none (see above).
    void TakeForDevice(std::span<float> out) override;
    // The next frame's samples: the latest recorded, or with the device's clock the 1024
    // that end the heard delay before the latest the device took.
    void Take(std::span<long double> unitSamples) override;
    // Those recorded, or with the device's clock taken by the device, since the Take before.
    std::size_t Fresh(std::size_t written) const override;

    // How many recorded samples were dropped, and how many silent samples the device took
    // in their stead, since the queue was made or cleared.
    std::int64_t Dropped() const;
    std::int64_t Padded() const;

    // The latest LiveFiguresSamples recorded (fewer at first), for any thread.
    const TRecentSamples& Recent() const { return recent_; }

private:
    const std::size_t prime_;
    TRecentSamples recent_{LiveFiguresSamples};
    TSampleHistory heard_;
    std::atomic<TSourceClock> clock_{TSourceClock::scFrames};
    std::atomic<std::int64_t> heardDelay_{0};
    // The frames': whether the latest showed what the device took, and what it took anew.
    bool showedHeard_ = false;
    analysis::TFreshSamples heardFresh_;

    mutable std::mutex mutex_;
    std::vector<float> ring_; // mostSamples long, allocated once
    std::size_t head_ = 0;    // the oldest queued
    std::size_t size_ = 0;
    bool playing_ = false; // primed: the device takes what is queued
    std::int64_t dropped_ = 0;
    std::int64_t padded_ = 0;
};

} // namespace sound

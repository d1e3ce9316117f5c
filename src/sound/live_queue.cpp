// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_queue.h"

#include <algorithm>
#include <cassert>

namespace sound {

TLiveQueue::TLiveQueue(std::size_t primeSamples, std::size_t mostSamples)
    : prime_(primeSamples), ring_(mostSamples) {
    assert(0 < primeSamples && primeSamples < mostSamples);
}

void TLiveQueue::Add(std::span<const float> samples) {
    recent_.Add(samples);
    const std::lock_guard lock(mutex_);
    const std::size_t most = ring_.size();
    for (const float sample : samples) {
        if (size_ == most) {
            // The device fell behind: what it would hear late is dropped, down to the start's
            // length again.
            const std::size_t drop = most - prime_;
            head_ = (head_ + drop) % most;
            size_ -= drop;
            dropped_ += static_cast<std::int64_t>(drop);
        }
        ring_[(head_ + size_) % most] = sample;
        ++size_;
    }
}

void TLiveQueue::Clear() {
    recent_.Clear();
    heard_.Clear();
    const std::lock_guard lock(mutex_);
    head_ = 0;
    size_ = 0;
    playing_ = false;
    dropped_ = 0;
    padded_ = 0;
}

void TLiveQueue::TakeForDevice(std::span<float> out) {
    {
        const std::lock_guard lock(mutex_);
        playing_ = playing_ || size_ >= prime_;
        const std::size_t taken = playing_ ? std::min(size_, out.size()) : 0;
        for (std::size_t i = 0; i < taken; ++i) {
            out[i] = ring_[(head_ + i) % ring_.size()];
        }
        head_ = (head_ + taken) % ring_.size();
        size_ -= taken;
        if (taken < out.size()) {
            // The device ran ahead: silence, and the queue fills up again before it plays on.
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(taken), out.end(), 0.0f);
            padded_ += static_cast<std::int64_t>(out.size() - taken);
            playing_ = false;
        }
    }
    heard_.Add(out);
}

void TLiveQueue::Take(std::span<long double> unitSamples) {
    showedHeard_ = Clock() == TSourceClock::scDevice;
    if (!showedHeard_) {
        recent_.Take(unitSamples);
        return;
    }
    const auto delay = static_cast<std::size_t>(std::clamp<std::int64_t>(
        heardDelay_.load(std::memory_order_relaxed), 0,
        static_cast<std::int64_t>(TSampleHistory::Capacity - unitSamples.size())));
    heardFresh_.Shown(heard_.Show(unitSamples, delay), unitSamples.size());
}

std::size_t TLiveQueue::Fresh(std::size_t written) const {
    return showedHeard_ ? heardFresh_.Fresh(written) : recent_.Fresh(written);
}

std::int64_t TLiveQueue::Dropped() const {
    const std::lock_guard lock(mutex_);
    return dropped_;
}

std::int64_t TLiveQueue::Padded() const {
    const std::lock_guard lock(mutex_);
    return padded_;
}

} // namespace sound

// SPDX-License-Identifier: GPL-3.0-or-later
#include "source_player.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace sound {

TSourcePlayer::TSourcePlayer(std::unique_ptr<TFilePlayback> file) : file_(std::move(file)) {
    assert(file_ != nullptr);
}

void TSourcePlayer::Advance(std::span<float> out) {
    file_->Take(out);
    history_.Add(out);
}

void TSourcePlayer::TakeForDevice(std::span<float> out) {
    if (Paused()) {
        std::fill(out.begin(), out.end(), 0.0f);
        return;
    }
    Advance(out);
}

std::int64_t TSourcePlayer::ShownPosition() const {
    const std::int64_t position = file_->Position();
    if (Clock() != TSourceClock::scDevice) {
        return position;
    }
    const std::int64_t shown = position - heardDelay_.load(std::memory_order_relaxed);
    const std::optional<TSampleRegion> loop = file_->Loop();
    if (loop && position >= loop->Begin && shown < loop->Begin) {
        return std::max(loop->End - (loop->Begin - shown), loop->Begin);
    }
    return std::max<std::int64_t>(shown, 0);
}

void TSourcePlayer::TFrames::Take(std::span<long double> unitSamples) {
    TSourcePlayer& player = player_;
    constexpr std::size_t HistorySamples = TSampleHistory::Capacity;
    assert(unitSamples.size() <= HistorySamples / 2);
    std::size_t delay = 0;
    if (player.Clock() == TSourceClock::scFrames && !player.Paused()) {
        std::array<float, HistorySamples / 2> taken;
        player.Advance(std::span(taken).first(unitSamples.size()));
    } else if (player.Clock() == TSourceClock::scDevice) {
        delay = static_cast<std::size_t>(std::clamp<std::int64_t>(
            player.heardDelay_.load(std::memory_order_relaxed), 0,
            static_cast<std::int64_t>(HistorySamples - unitSamples.size())));
    }
    fresh_.Shown(player.history_.Show(unitSamples, delay), unitSamples.size());
}

} // namespace sound

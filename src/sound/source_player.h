// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/sample_source.h"
#include "file_playback.h"
#include "heard_source.h"
#include "sample_history.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

namespace sound {

// A sound file as the window plays it: the frames and the sound device take from the same
// play position, so the picture shows what is heard; a pause holds the position (the frames
// then show the same samples again, and the device plays silence).
//
// FrameSource is for the window's thread; TakeForDevice for the device's thread, and only while
// the clock is the device's. Everything else is for the window's thread.
class TSourcePlayer final : public THeardSource {
public:
    explicit TSourcePlayer(std::unique_ptr<TFilePlayback> file);
    TSourcePlayer(const TSourcePlayer&) = delete;
    TSourcePlayer& operator=(const TSourcePlayer&) = delete;

    TFilePlayback& File() { return *file_; }
    const TFilePlayback& File() const { return *file_; }

    void SetClock(TSourceClock clock) override { clock_.store(clock, std::memory_order_release); }
    TSourceClock Clock() const { return clock_.load(std::memory_order_acquire); }
    void SetPaused(bool paused) { paused_.store(paused, std::memory_order_release); }
    bool Paused() const { return paused_.load(std::memory_order_acquire); }

    // The next frame's samples: with the frames' clock and playing, the next 1024 of the file;
    // otherwise the 1024 that end `heardDelay` samples before the latest the device took (what
    // is heard now, the device's queue being that long), or while paused the last ones again.
    analysis::TSampleSource& FrameSource() { return frames_; }
    // How far behind the latest taken sample the frames show, with the device's clock: the
    // length of the device's queue, in samples.
    void SetHeardDelay(std::int64_t samples) override {
        heardDelay_.store(samples, std::memory_order_relaxed);
    }

    // Fills `out` with the next samples for the device (unit scale, as the file holds them),
    // silence while paused.
    void TakeForDevice(std::span<float> out) override;

    // The file position just after the last sample a frame shows now: the play position, or
    // with the device's clock that much less the heard delay (back round the loop, if the play
    // position has just come round it). For the window's thread.
    std::int64_t ShownPosition() const;

private:
    class TFrames final : public analysis::TSampleSource {
    public:
        explicit TFrames(TSourcePlayer& player) : player_(player) {}
        void Take(std::span<long double> unitSamples) override;
        // None while paused, or with the device's clock while the device takes none.
        std::size_t Fresh(std::size_t written) const override { return fresh_.Fresh(written); }

    private:
        TSourcePlayer& player_;
        analysis::TFreshSamples fresh_;
    };

    // Takes the next samples from the file into `out` and keeps them in the history.
    void Advance(std::span<float> out);

    std::unique_ptr<TFilePlayback> file_;
    TFrames frames_{*this};
    std::atomic<TSourceClock> clock_{TSourceClock::scFrames};
    std::atomic<bool> paused_{false};
    std::atomic<std::int64_t> heardDelay_{0};
    // Samples taken, for the frames to show.
    TSampleHistory history_;
};

} // namespace sound

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/numeric_constants.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

namespace analysis {

// Where a frame's samples come from: the tone, a sound file, live input. A source hands out
// mono samples at 16000 per second on the unit scale (full scale is 1.0) in extended
// precision; the frame applies the level's gain and the analyzer's full scale (32767) to each
// and rounds once to double (SourceSample), so every source meets the same level, coder,
// window and transform.
//
// One thread at a time takes from a source.
class TSampleSource {
public:
    virtual ~TSampleSource() = default;

    // Writes the next unitSamples.size() samples, each within -1.0 .. 1.0, and moves on by as
    // many. A source that has run out writes silence (0.0).
    virtual void Take(std::span<long double> unitSamples) = 0;

    // How many of the `written` samples the latest Take wrote are new, the last ones: the
    // others repeat what the Take before showed. A source that shows what has come lately (a
    // paused file its last samples, live input with nothing recorded since the same ones)
    // says fewer, down to none, so that whoever follows the signal rather than the frames
    // takes each sample once; one that moves on by all it writes says all of them.
    virtual std::size_t Fresh(std::size_t written) const { return written; }
};

// Counts the new samples of the frames of a source that shows what has come lately, from the
// position (in the source's own count of its samples) just after the last sample each frame
// shows. A position that goes back means the source started again: all of that frame is new.
class TFreshSamples {
public:
    // A frame of `written` samples shows samples up to `end`.
    void Shown(std::int64_t end, std::size_t written) {
        const std::int64_t from = end < end_ ? 0 : end_;
        fresh_ = static_cast<std::size_t>(
            std::clamp<std::int64_t>(end - from, 0, static_cast<std::int64_t>(written)));
        end_ = end;
    }
    std::size_t Fresh(std::size_t written) const { return std::min(fresh_, written); }

private:
    std::int64_t end_ = 0;
    std::size_t fresh_ = 0;
};

// A source's sample on the analyzer's scale: unit * gain * 32767 (in 16-bit steps) in
// extended precision, rounded once to double. `gain` is the linear amplitude factor of the
// level (Gain). Inline, since a frame takes it for every sample.
inline double SourceSample(long double unit, double gain) {
    return static_cast<double>(unit * gain * FullScale);
}

// A sample of a recorded signal (a sound file, live input) on the unit scale: its own value
// within -1.0 .. 1.0, clipped to full scale beyond it (a float file may hold louder samples,
// and resampling may overshoot near full scale), and silence where it is not a number.
inline long double UnitSample(float recorded) {
    if (std::isnan(recorded)) {
        return 0.0L;
    }
    return recorded > 1.0f ? 1.0L : (recorded < -1.0f ? -1.0L : static_cast<long double>(recorded));
}

} // namespace analysis

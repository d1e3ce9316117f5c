// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace sound {

// What moves a recorded source on: the frame timer (each frame takes the next 1024 samples,
// or the latest ones of live input), or the sound device while the source is heard (the
// device's thread takes them as it plays, and each frame shows the latest it took).
enum class TSourceClock : std::uint8_t {
    scFrames,
    scDevice,
};

// A recorded source as listening plays it (a sound file, live input): the sound device's
// thread takes its samples, and the frames show what is heard.
//
// TakeForDevice is for the device's thread, and only while the clock is the device's; the
// rest is for the thread that owns the listening.
class THeardSource {
public:
    virtual ~THeardSource() = default;

    virtual void SetClock(TSourceClock clock) = 0;
    // How far behind the latest sample the device took the frames show, with the device's
    // clock: the length of the device's queue, in samples.
    virtual void SetHeardDelay(std::int64_t samples) = 0;
    // Fills `out` with the next samples for the device (unit scale, 16000 Hz).
    virtual void TakeForDevice(std::span<float> out) = 0;
};

} // namespace sound

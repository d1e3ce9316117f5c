// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace analysis {

// The tone's sine values, remembered per sample-clock value. A sample's sine,
// sin(2 pi f t) with t = clock / 16000 s, depends only on the frequency and the clock, and in
// steady state the clock runs through 0 to 16000, so at a steady frequency every value
// repeats once per second of signal. Each is computed once, in extended precision exactly as
// a fresh computation would give it, and then read back. A change of frequency starts
// afresh; the level is applied by the caller afterwards, so it keeps what is remembered.
// The frames' memory lives in static storage; a TSineMemory of one's own serves another
// thread (a sound stream), since the static one is the frames' alone.

// The clock values a sample can take: 0 at load, then 1 to 16000 over and over.
inline constexpr std::int32_t SineMemoryClockValues = 16001;

// One memory of the tone's sine values, as described above. Not for two threads at once.
class TSineMemory {
public:
    // Makes the memory serve `frequencyHz` (whole hertz); a different frequency than last
    // time forgets every remembered value. `omega` is 2 pi f as ToneOmega gives it.
    void Tune(std::int32_t frequencyHz, double omega);
    // ToneSine(omega, clock) for the tuned frequency. Clock values outside 0 to 16000 are
    // computed afresh.
    long double Sine(std::int32_t clock);

private:
    // An entry holds a value of the tuned frequency when its stamp equals the current
    // generation; tuning another frequency moves to a new generation instead of clearing.
    std::int32_t FrequencyHz = -1; // none tuned yet
    double Omega = 0.0;
    std::uint32_t Generation = 1;
    std::array<std::uint32_t, SineMemoryClockValues> Stamps{};
    std::array<long double, SineMemoryClockValues> Sines{};
};

// The frames' own memory, in static storage:
// Makes the memory serve `frequencyHz` (whole hertz); a different frequency than last time
// forgets every remembered value. `omega` is 2 pi f as ToneOmega gives it (tone_sample.h).
void TuneSineMemory(std::int32_t frequencyHz, double omega);

// ToneSine(omega, clock) for the tuned frequency. Clock values outside 0 to 16000 are
// computed afresh.
long double RememberedSine(std::int32_t clock);

// The static storage the remembered values take, in bytes.
std::size_t SineMemoryBytes();

} // namespace analysis

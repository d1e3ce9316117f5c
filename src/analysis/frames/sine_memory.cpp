// SPDX-License-Identifier: GPL-3.0-or-later
#include "sine_memory.h"

#include "analyzer_state.h"
#include "tone_sample.h"

#include <array>

namespace analysis {
namespace {

static_assert(SineMemoryClockValues == SampleRate + 1);

// The frames' memory.
TSineMemory Memory;

} // namespace

void TSineMemory::Tune(std::int32_t frequencyHz, double omega) {
    if (frequencyHz == FrequencyHz) {
        return;
    }
    FrequencyHz = frequencyHz;
    Omega = omega;
    if (++Generation == 0) {
        // After 2^32 changes of frequency the stamps would repeat; start them over.
        Stamps.fill(0);
        Generation = 1;
    }
}

long double TSineMemory::Sine(std::int32_t clock) {
    if (clock < 0 || clock >= SineMemoryClockValues) {
        return ToneSine(Omega, clock);
    }
    const auto index = static_cast<std::size_t>(clock);
    if (Stamps[index] != Generation) {
        Sines[index] = ToneSine(Omega, clock);
        Stamps[index] = Generation;
    }
    return Sines[index];
}

void TuneSineMemory(std::int32_t frequencyHz, double omega) {
    Memory.Tune(frequencyHz, omega);
}

long double RememberedSine(std::int32_t clock) {
    return Memory.Sine(clock);
}

std::size_t SineMemoryBytes() {
    return sizeof(Memory);
}

} // namespace analysis

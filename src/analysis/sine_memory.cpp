// SPDX-License-Identifier: GPL-3.0-or-later
#include "sine_memory.h"

#include "analyzer_state.h"
#include "tone_sample.h"

#include <array>

namespace analysis {
namespace {

using Extended = long double;

// The clock values a sample can take: 0 at load, then 1 to 16000 over and over.
constexpr std::int32_t ClockValues = SampleRate + 1;

// An entry holds a value of the tuned frequency when its stamp equals the current
// generation; tuning another frequency moves to a new generation instead of clearing.
struct TSineMemory {
    std::int32_t FrequencyHz = -1; // none tuned yet
    double Omega = 0.0;
    std::uint32_t Generation = 1;
    std::array<std::uint32_t, ClockValues> Stamps{};
    std::array<Extended, ClockValues> Sines{};
};

TSineMemory Memory;

Extended FreshSine(std::int32_t clock) {
    return ToneSine(Memory.Omega, clock);
}

} // namespace

void TuneSineMemory(std::int32_t frequencyHz, double omega) {
    if (frequencyHz == Memory.FrequencyHz) {
        return;
    }
    Memory.FrequencyHz = frequencyHz;
    Memory.Omega = omega;
    if (++Memory.Generation == 0) {
        // After 2^32 changes of frequency the stamps would repeat; start them over.
        Memory.Stamps.fill(0);
        Memory.Generation = 1;
    }
}

long double RememberedSine(std::int32_t clock) {
    if (clock < 0 || clock >= ClockValues) {
        return FreshSine(clock);
    }
    const auto index = static_cast<std::size_t>(clock);
    if (Memory.Stamps[index] != Memory.Generation) {
        Memory.Sines[index] = FreshSine(clock);
        Memory.Stamps[index] = Memory.Generation;
    }
    return Memory.Sines[index];
}

std::size_t SineMemoryBytes() {
    return sizeof(Memory);
}

} // namespace analysis

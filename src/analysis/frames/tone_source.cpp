// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone_source.h"

#include "analyzer_state.h"
#include "sine_memory.h"
#include "tone_sample.h"

namespace analysis {

void TToneSource::Take(std::span<long double> unitSamples) {
    TAnalyzerState& state = AnalyzerState;
    TuneSineMemory(frequencyHz_, ToneOmega(frequencyHz_));
    for (long double& sample : unitSamples) {
        const std::int32_t clock = state.SampleCounter;
        // The clock wraps after one second (t = 1.0 exactly); f is whole, so the tone has no
        // jump there. The sample itself still uses t = 1.0.
        if (clock == SampleRate) {
            state.SampleCounter = 0;
        }
        sample = RememberedSine(clock);
        ++state.SampleCounter;
    }
}

} // namespace analysis

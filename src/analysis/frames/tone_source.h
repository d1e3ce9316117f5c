// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sample_source.h"

#include <cstdint>
#include <span>

namespace analysis {

// The tone at `frequencyHz` (whole hertz, 0 to 8000), read from the analyzer's running sample
// clock (AnalyzerState.SampleCounter, which it advances, 0 first and then 1 to 16000 over and
// over) through the frames' remembered sine values: exactly the tone frames have always
// synthesised. Like the frames, for the thread that runs them only.
class TToneSource final : public TSampleSource {
public:
    explicit TToneSource(std::int32_t frequencyHz) : frequencyHz_(frequencyHz) {}
    void Take(std::span<long double> unitSamples) override;

private:
    std::int32_t frequencyHz_;
};

} // namespace analysis

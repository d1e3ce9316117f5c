// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coder_kind.h"
#include "stream_coder.h"

#include <memory>

namespace analysis {

// One of the program's own sample coders as a stream coder: each sample is coded on its own,
// at 16000 Hz, with no delay and no state to keep.
class TSampleStreamCoder final : public TStreamCoder {
public:
    explicit TSampleStreamCoder(CoderKind kind);

    void Code(std::span<const double> in, std::span<double> out) override;
    void Reset() override {}

private:
    SampleCodeFunction code_;
    bool uncoded_;
};

// Bits per sample of each family's code.
constexpr int CodeBits(TCoderFamily family) {
    switch (family) {
    case TCoderFamily::cfUncoded:
        return 32; // a float sample
    case TCoderFamily::cfSquareRoot:
    case TCoderFamily::cfUniform:
        return 16;
    case TCoderFamily::cfG711:
        return 8;
    }
    return 0;
}

// What each of the program's own coders states: 16000 Hz, its code's bits per sample, the
// whole band up to 8000 Hz, no delay.
constexpr TStreamCoderTraits OwnCoderTraits(CoderKind kind) {
    return {
        StreamRateHz, CodeBits(Describe(kind).Family) * StreamRateHz, {0.0, StreamRateHz / 2.0}, 0};
}

} // namespace analysis

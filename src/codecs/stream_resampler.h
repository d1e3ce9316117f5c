// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <span>
#include <vector>

namespace codecs {

// A resampler that streams through libsoxr at its high quality, with linear phase and its own
// delay taken out: output sample k renders the input at time k / output rate. It keeps its
// state from one call to the next; a stream fed in blocks of one size gives the same samples
// however it is cut into such blocks.
class TStreamResampler {
public:
    // Throws std::runtime_error if libsoxr cannot make the resampler.
    TStreamResampler(int inputRateHz, int outputRateHz);
    ~TStreamResampler();
    TStreamResampler(const TStreamResampler&) = delete;
    TStreamResampler& operator=(const TStreamResampler&) = delete;

    // Takes all of `in` and appends to `out` what the resampler gives out so far.
    void Process(std::span<const double> in, std::vector<double>& out);
    // Starts afresh, as a new resampler.
    void Clear();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace codecs

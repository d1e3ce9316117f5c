// SPDX-License-Identifier: GPL-3.0-or-later
#include "sample_stream_coder.h"

#include "analysis/common/numeric_constants.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace analysis {

TSampleStreamCoder::TSampleStreamCoder(CoderKind kind)
    : TStreamCoder(OwnCoderTraits(kind)), code_(Describe(kind).Code),
      uncoded_(Describe(kind).Family == TCoderFamily::cfUncoded) {}

void TSampleStreamCoder::Code(std::span<const double> in, std::span<double> out) {
    assert(in.size() == out.size());
    // The coders work in 16-bit steps; the uncoded one passes every sample exactly, which
    // scaling there and back would not.
    constexpr double Scale = FullScale;
    for (std::size_t k = 0; k < in.size(); ++k) {
        out[k] = uncoded_ ? in[k] : code_(std::clamp(in[k], -1.0, 1.0) * Scale) / Scale;
    }
}

} // namespace analysis

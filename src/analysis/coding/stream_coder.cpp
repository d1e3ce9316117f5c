// SPDX-License-Identifier: GPL-3.0-or-later
#include "stream_coder.h"

#include <algorithm>
#include <cassert>
#include <cstddef>

namespace analysis {

std::vector<double> CodeAligned(TStreamCoder& coder, std::span<const double> original) {
    coder.Reset();
    const auto delay = static_cast<std::size_t>(coder.DelaySamples());
    std::vector<double> fed(original.size() + delay, 0.0);
    std::copy(original.begin(), original.end(), fed.begin());
    std::vector<double> coded(fed.size());
    coder.Code(fed, coded);
    coded.erase(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(delay));
    assert(coded.size() == original.size());
    return coded;
}

} // namespace analysis

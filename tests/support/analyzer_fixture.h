// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer.h"
#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/windows/window_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace testing_support {

using Ordinates = std::array<std::int32_t, analysis::PlottedBins>;

// Whether WindowTable holds exactly the coefficients of `kind`.
inline bool WindowTableIs(analysis::WindowKind kind) {
    std::array<float, analysis::FrameLength> expected{};
    analysis::FillWindowTable(kind, expected);
    return std::memcmp(expected.data(), analysis::WindowTable.data(), sizeof expected) == 0;
}

inline Ordinates RunFrame(std::int32_t frequencyHz, analysis::CodingMode mode) {
    Ordinates ordinates{};
    analysis::ComputeFrame(frequencyHz, mode, ordinates);
    return ordinates;
}

inline std::int32_t Highest(const Ordinates& ordinates) {
    return *std::max_element(ordinates.begin(), ordinates.end());
}

inline int NonZeroCount(const Ordinates& ordinates) {
    return static_cast<int>(std::count_if(ordinates.begin(), ordinates.end(),
                                          [](std::int32_t ordinate) { return ordinate != 0; }));
}

} // namespace testing_support

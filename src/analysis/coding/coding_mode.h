// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/enum_table.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace analysis {

// How every synthesised sample is stored before windowing.
enum class CodingMode : std::uint8_t {
    cmPCM,       // the sample passes unchanged
    cmOrvexSqrt, // 16-bit square-root companding with the exact root
    cmIter1,     // ... with the fast inverse-square-root estimate and 1 Newton step
    cmIter2,     // ... 2 Newton steps
    cmIter3,     // ... 3 Newton steps
};

// Which square root a companding mode takes.
enum class TCompandRoot : std::uint8_t {
    crNone,  // not coded at all
    crExact, // the exact root in extended precision
    crFast,  // the fast estimate with the mode's Newton steps
};

// Everything the program says about a coding mode. The window's radio buttons, the headless
// tool's --mode names and usage, the tests and the benchmarks are all built from this table.
struct TCodingModeInfo {
    CodingMode Mode;
    std::string_view Caption;    // the radio button's text
    std::string_view ButtonName; // the radio button's object name, for tests and tools
    std::string_view ToolName;   // orvex-frames --mode value
    TCompandRoot Root;
    int NewtonSteps; // for crFast
};

// In the order of the radio buttons from top to bottom, which is also the enum's order.
inline constexpr std::array<TCodingModeInfo, 5> CodingModes = {{
    {CodingMode::cmPCM, "PCM 32 bit", "rbPCM", "pcm", TCompandRoot::crNone, 0},
    {CodingMode::cmOrvexSqrt, "Orvex Sqrt", "rbOrvex", "sqrt", TCompandRoot::crExact, 0},
    {CodingMode::cmIter1, "1 st iteration", "rb1", "iter1", TCompandRoot::crFast, 1},
    {CodingMode::cmIter2, "2 nd iteration", "rb2", "iter2", TCompandRoot::crFast, 2},
    {CodingMode::cmIter3, "3 rd iteration", "rb3", "iter3", TCompandRoot::crFast, 3},
}};

inline constexpr int CodingModeCount = static_cast<int>(CodingModes.size());

// The mode the program starts in.
inline constexpr CodingMode StartCodingMode = CodingMode::cmPCM;

constexpr const TCodingModeInfo& Describe(CodingMode mode) {
    return CodingModes[static_cast<std::size_t>(mode)];
}

// The table's rows stand in the enum's order, so a mode indexes its own row.
static_assert(RowsInEnumOrder(CodingModes, [](const TCodingModeInfo& row) { return row.Mode; }));

} // namespace analysis

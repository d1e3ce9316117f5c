// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coding_mode.h"
#include "analysis/common/enum_table.h"
#include "reference_coder.h"
#include "sample_coder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace analysis {

// Every coder the coder curves compare: the five coding modes first, in their own order,
// then the reference coders. The window's buttons and the frames keep to the coding modes;
// only the curves take this wider table.
enum class CoderKind : std::uint8_t {
    ckPCM, // the coding modes, CodingMode's enumerators in order
    ckOrvexSqrt,
    ckIter1,
    ckIter2,
    ckIter3,
    ckLinear16, // linear 16-bit PCM
    ckMuLaw,    // G.711 mu-law
    ckALaw,     // G.711 A-law
};

// What kind of quantiser a coder is, for the theory line that belongs to it.
enum class TCoderFamily : std::uint8_t {
    cfUncoded,    // no quantiser: every sample exact
    cfSquareRoot, // the square-root companding coder, 16-bit codes
    cfUniform,    // uniform 16-bit steps
    cfG711,       // 8-bit segmented companding
};

// A coder's coding function: the uncoded sample `a` (16-bit steps, |a| <= 32767) in, the
// decoded sample out. Pure and safe to call from any thread.
using SampleCodeFunction = double (*)(double a);

// The coding modes' functions, as the frames code samples: the uncoded mode passes the sample
// unchanged.
inline double PassUncoded(double a) {
    return a;
}
template <CodingMode Mode>
double CodeInMode(double a) {
    return CodeSample(a, Mode);
}

struct TCoderInfo {
    CoderKind Kind;
    std::string_view Caption;  // the chart's legend
    std::string_view ToolName; // the headless tool's name for it
    TCoderFamily Family;
    SampleCodeFunction Code;
};

// A coding mode's row: its caption and tool name are the mode's own.
template <CodingMode Mode>
constexpr TCoderInfo ModeCoder(TCoderFamily family, SampleCodeFunction code = &CodeInMode<Mode>) {
    return {static_cast<CoderKind>(Mode), Describe(Mode).Caption, Describe(Mode).ToolName, family,
            code};
}

inline constexpr std::array<TCoderInfo, 8> Coders = {{
    ModeCoder<CodingMode::cmPCM>(TCoderFamily::cfUncoded, &PassUncoded),
    ModeCoder<CodingMode::cmOrvexSqrt>(TCoderFamily::cfSquareRoot),
    ModeCoder<CodingMode::cmIter1>(TCoderFamily::cfSquareRoot),
    ModeCoder<CodingMode::cmIter2>(TCoderFamily::cfSquareRoot),
    ModeCoder<CodingMode::cmIter3>(TCoderFamily::cfSquareRoot),
    {CoderKind::ckLinear16, "PCM 16 bit", "pcm16", TCoderFamily::cfUniform, &CodeLinear16},
    {CoderKind::ckMuLaw, "G.711 mu-law", "mulaw", TCoderFamily::cfG711, &CodeMuLaw},
    {CoderKind::ckALaw, "G.711 A-law", "alaw", TCoderFamily::cfG711, &CodeALaw},
}};

inline constexpr int CoderCount = static_cast<int>(Coders.size());

constexpr const TCoderInfo& Describe(CoderKind kind) {
    return Coders[static_cast<std::size_t>(kind)];
}

// The coder row of a coding mode.
constexpr CoderKind CoderOf(CodingMode mode) {
    return static_cast<CoderKind>(mode);
}

// The coding mode a coder is, if it is one.
constexpr std::optional<CodingMode> ModeOf(CoderKind kind) {
    if (static_cast<int>(kind) < CodingModeCount) {
        return static_cast<CodingMode>(kind);
    }
    return std::nullopt;
}

static_assert(RowsInEnumOrder(Coders, [](const TCoderInfo& row) { return row.Kind; }));
// The coding modes' rows come first and in their order, so that a mode is its own row.
static_assert([] {
    for (const TCodingModeInfo& mode : CodingModes) {
        if (Describe(CoderOf(mode.Mode)).ToolName != mode.ToolName) {
            return false;
        }
    }
    return true;
}());

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_levels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cmath>
#include <limits>

namespace analysis {
namespace {

using Extended = long double;

// A double's biased exponent and the top bits of its mantissa pick a sub-octave of 1/16 of
// an octave (at most 0.27 dB wide, under one step), so each sub-octave holds at most one
// boundary between codes: its lowest code plus one comparison gives the code exactly.
constexpr int MantissaBits = 52;
constexpr int SubOctaveBits = 4;
constexpr int ExponentBias = 1023;
// The stored levels span powers from 10^(-184.875 / 10) = 2^-61.4 to 10^(5.625 / 10) = 2^1.9.
constexpr int LowestExponent = -64;
constexpr int HighestExponent = 2; // powers of 2^2 and more get the highest code
constexpr int SubOctaves = (HighestExponent - LowestExponent) << SubOctaveBits;

struct TCodeTables {
    // Boundary[c]: the least power that gets code c (1 to 255); Boundary[0] is 0.
    std::array<double, HighestLevelCode + 1> Boundary{};
    // The code of the lowest power of each sub-octave.
    std::array<std::uint8_t, SubOctaves> Lowest{};
};

// Built once, on first use (thread-safe), and read-only after.
const TCodeTables& CodeTables() {
    static const TCodeTables tables = [] {
        TCodeTables made;
        for (int code = 1; code <= HighestLevelCode; ++code) {
            const Extended boundaryDb = CodeLevelDb(code) - LevelStepDb / 2.0L;
            made.Boundary[static_cast<std::size_t>(code)] =
                static_cast<double>(std::pow(10.0L, boundaryDb / 10.0L));
        }
        for (int index = 0; index < SubOctaves; ++index) {
            const int exponent = LowestExponent + (index >> SubOctaveBits);
            const int sixteenths = index & ((1 << SubOctaveBits) - 1);
            const double lowest =
                std::ldexp(1.0 + sixteenths / static_cast<double>(1 << SubOctaveBits), exponent);
            const auto above =
                std::upper_bound(made.Boundary.begin() + 1, made.Boundary.end(), lowest);
            made.Lowest[static_cast<std::size_t>(index)] =
                static_cast<std::uint8_t>(above - made.Boundary.begin() - 1);
        }
        return made;
    }();
    return tables;
}

std::uint8_t CodeOf(const TCodeTables& tables, double relativePower) {
    if (!(relativePower >= tables.Boundary[1])) {
        return 0;
    }
    const auto bits = std::bit_cast<std::uint64_t>(relativePower);
    const int exponent = static_cast<int>(bits >> MantissaBits) - ExponentBias;
    if (exponent >= HighestExponent) {
        return HighestLevelCode;
    }
    const auto index = static_cast<std::size_t>(
        ((exponent - LowestExponent) << SubOctaveBits) |
        static_cast<int>((bits >> (MantissaBits - SubOctaveBits)) & ((1 << SubOctaveBits) - 1)));
    const std::uint8_t lowest = tables.Lowest[index];
    const bool next = lowest < HighestLevelCode &&
                      relativePower >= tables.Boundary[static_cast<std::size_t>(lowest) + 1];
    return static_cast<std::uint8_t>(lowest + (next ? 1 : 0));
}

} // namespace

double PowerDecibels(double relativePower) {
    assert(relativePower >= 0.0);
    if (relativePower == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    return static_cast<double>(10.0L * std::log10(static_cast<Extended>(relativePower)));
}

std::uint8_t LevelCodeOfPower(double relativePower) {
    return CodeOf(CodeTables(), relativePower);
}

void QuantiseLevels(std::span<const double> powers, std::span<std::uint8_t> codes) {
    assert(codes.size() == powers.size());
    const TCodeTables& tables = CodeTables();
    for (std::size_t bin = 0; bin < powers.size(); ++bin) {
        codes[bin] = CodeOf(tables, powers[bin]);
    }
}

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#include "g711_companding.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>

namespace analysis {
namespace {

constexpr int Segments = 8;
constexpr int StepsPerSegment = 16;
constexpr int StepBits = 4;
constexpr std::uint8_t PolarityBit = 0x80;
constexpr std::uint8_t MagnitudeMask = 0x7F;
constexpr std::uint8_t StepMask = 0x0F;

// mu-law adds a bias of 33 to the magnitude, so that its segment edges fall on powers of
// two: segment s holds biased magnitudes 32 * 2^s to 64 * 2^s, in steps of 2^(s+1).
constexpr int MuLawBias = 33;

// A-law: segment 0 holds 0 to 32 in steps of 2, segment s >= 1 holds 16 * 2^s to
// 32 * 2^s in steps of 2^s, so segments 0 and 1 share the step 2.
constexpr int ALawSegmentOneStart = 32;

// mu-law sets the polarity bit for negative values and then inverts all 8 bits; A-law sets
// it for positive values and inverts the even bits. Either way the sent character's top
// bit is 1 for positive values.
constexpr std::uint8_t MuLawInversion = 0xFF;
constexpr std::uint8_t ALawInversion = 0x55;

// The character before the line inversion, with the polarity bit as the law sets it.
std::uint8_t Character(bool polarityBit, int segment, int step) {
    assert(segment >= 0 && segment < Segments && step >= 0 && step < StepsPerSegment);
    return static_cast<std::uint8_t>((polarityBit ? PolarityBit : 0) | (segment << StepBits) |
                                     step);
}

// A character as it is sent, after the law's inversion (which undoes itself).
std::uint8_t Sent(std::uint8_t character, std::uint8_t inversion) {
    return static_cast<std::uint8_t>(character ^ inversion);
}

// A decoder output with its polarity; mu-law's negative zero step gives -0.0.
double Signed(bool positive, int magnitude) {
    const auto value = static_cast<double>(magnitude);
    return positive ? value : -value;
}

// Every decision value of both laws is a whole number, so a magnitude's step is that of
// its whole part: truncating first is exact, and the rest is integer arithmetic.
int WholePart(double magnitude) {
    return static_cast<int>(magnitude);
}

} // namespace

std::uint8_t EncodeMuLaw(double linear) {
    assert(std::isfinite(linear));
    const bool positive = !std::signbit(linear);
    const double magnitude = std::fabs(linear);
    if (!(magnitude < MuLawOverload)) {
        return Sent(Character(!positive, Segments - 1, StepsPerSegment - 1), MuLawInversion);
    }
    // Biased, 32 to 8191: segment s holds 2^(s+5) to 2^(s+6), which has s + 6 bits.
    const int biased = WholePart(magnitude) + MuLawBias;
    const int segment = std::bit_width(static_cast<unsigned>(biased)) - 6;
    const int step = (biased >> (segment + 1)) & StepMask;
    return Sent(Character(!positive, segment, step), MuLawInversion);
}

double DecodeMuLaw(std::uint8_t character) {
    const std::uint8_t plain = Sent(character, MuLawInversion);
    const int segment = (plain & MagnitudeMask) >> StepBits;
    const int step = plain & StepMask;
    // The middle of the step in the biased scale, (2 step + 33) 2^s, less the bias.
    const int magnitude = ((2 * step + MuLawBias) << segment) - MuLawBias;
    return Signed((plain & PolarityBit) == 0, magnitude);
}

std::uint8_t EncodeALaw(double linear) {
    assert(std::isfinite(linear));
    const bool positive = !std::signbit(linear);
    const double magnitude = std::fabs(linear);
    if (!(magnitude < ALawOverload)) {
        return Sent(Character(positive, Segments - 1, StepsPerSegment - 1), ALawInversion);
    }
    // 0 to 4095: segment s >= 1 holds 2^(s+4) to 2^(s+5), which has s + 5 bits; below 32 is
    // segment 0, with segment 1's step 2.
    const int whole = WholePart(magnitude);
    const int segment =
        whole < ALawSegmentOneStart ? 0 : std::bit_width(static_cast<unsigned>(whole)) - 5;
    const int step = (whole >> std::max(segment, 1)) & StepMask;
    return Sent(Character(positive, segment, step), ALawInversion);
}

double DecodeALaw(std::uint8_t character) {
    const std::uint8_t plain = Sent(character, ALawInversion);
    const int segment = (plain & MagnitudeMask) >> StepBits;
    const int step = plain & StepMask;
    // The middle of the step: 2 step + 1 in segment 0, (2 step + 33) 2^(s-1) above.
    const int magnitude = segment == 0 ? 2 * step + 1 : (2 * step + 33) << (segment - 1);
    return Signed((plain & PolarityBit) != 0, magnitude);
}

} // namespace analysis

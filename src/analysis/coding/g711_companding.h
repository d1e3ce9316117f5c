// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace analysis {

// The two 8-bit companding laws of ITU-T G.711, built from their segment and step rules.
//
// Each law works on its own linear scale: mu-law on 14-bit values (overload point 8159),
// A-law on 13-bit values (overload point 4096). A magnitude falls into one of 8 segments
// of 16 equal steps; the step doubles from one segment to the next. The encoder takes any
// finite value on that scale (not only whole numbers) and compares it with the law's
// decision values: a value equal to a decision value belongs to the step above it, and a
// magnitude at or past the overload point gives the top step. The decoder gives the middle
// of the step as the law tabulates it.
//
// The 8-bit character is the polarity bit, the segment (3 bits) and the step (4 bits).
// mu-law sets the polarity bit for negative values and inverts all 8 bits for the line
// (XOR 0xFF); A-law sets it for positive values and inverts the even bits (XOR 0x55). So a
// sent character's top bit is 1 for positive values in both laws; +0.0 is positive and
// -0.0 negative, so that mu-law's negative zero step decodes and codes back to itself. The
// functions take and give the characters as they are sent.

// The largest magnitude each law codes without overload, on its own linear scale.
inline constexpr int MuLawOverload = 8159;
inline constexpr int ALawOverload = 4096;

// The largest decoder output of each law (the middle of its top step).
inline constexpr int MuLawLargestOutput = 8031;
inline constexpr int ALawLargestOutput = 4032;

// mu-law: `linear` on the 14-bit scale, any finite value; returns the sent character.
// Magnitudes below 1 give the zero step (0xFF positive, 0x7F negative).
std::uint8_t EncodeMuLaw(double linear);

// The decoder output of a sent mu-law character, a whole number from -8031 to 8031 (the
// zero steps give +0.0 and -0.0).
double DecodeMuLaw(std::uint8_t character);

// A-law: `linear` on the 13-bit scale, any finite value; returns the sent character.
// Magnitudes below 2 give the first step (0xD5 for 0 and up, 0x55 below 0).
std::uint8_t EncodeALaw(double linear);

// The decoder output of a sent A-law character, a whole number from -4032 to 4032; never
// 0 (the first steps decode to +1 and -1).
double DecodeALaw(std::uint8_t character);

} // namespace analysis

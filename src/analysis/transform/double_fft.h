// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "complex.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace analysis {

// What a forward transform of one length needs besides its data, computed once per length:
// the twiddle factors stage by stage and the bit-reversal permutation.
struct TDoubleFftTables {
    int Length = 0;
    // Stage with half-span h (1, 2, 4 .. Length / 2) uses entries h - 1 .. 2h - 2:
    // e^(-i pi j / h) for j = 0 .. h - 1, each rounded once from extended precision.
    std::vector<Complex> Twiddles;
    // The pairs (i, j), i < j, that the permutation swaps.
    std::vector<std::pair<std::int32_t, std::int32_t>> Swaps;
};

// The tables of a transform of `length` points; the caller passes a power of two, at least 4
// (anything else throws std::invalid_argument).
TDoubleFftTables MakeDoubleFftTables(int length);

// Transforms `data` in place: X[k] = sum_j x[j] e^(-2 pi i j k / n), unscaled, natural order
// in and out, with a radix-2 decimation in time evaluated in double throughout. Its results
// agree with ComplexFFT's to within a few units in the last place of the largest output, not
// bit for bit; it is some four times faster, for the spectrogram's columns. The caller passes
// as many points as `tables` were made for. Reads nothing but its arguments.
void DoubleFFT(std::span<Complex> data, const TDoubleFftTables& tables);

} // namespace analysis

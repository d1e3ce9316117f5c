// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "complex.h"

#include <span>

namespace analysis {

enum class FftDirection : bool { Forward = false, Inverse = true };

// Transforms `data` in place with an iterative radix-2 decimation-in-time FFT.
// Forward: X[k] = sum_j x[j] e^(-2 pi i j k / n), unscaled.
// Inverse: X[k] = (1/n) sum_j x[j] e^(+2 pi i j k / n).
// Input and output are in natural order. The twiddle factors come from a half-angle
// recurrence between stages and a rotation recurrence within a stage (no sine or cosine
// is evaluated); every expression is evaluated in extended precision and rounded to
// double where it is stored, so the rounding of each output is fixed by this procedure.
// The twiddles of transforms of up to 1024 points are computed once, on the first call in
// each direction, and kept in static tables; larger transforms compute them as they go.
// The caller passes a size that is a power of two, at least 1; any other size throws
// std::invalid_argument before anything is touched.
void ComplexFFT(std::span<Complex> data, FftDirection direction);

} // namespace analysis

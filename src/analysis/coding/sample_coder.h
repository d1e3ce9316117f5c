// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coding_mode.h"

#include <cstdint>

namespace analysis {

// Fast square root: the classic inverse-square-root bit estimate (magic 0x5F3759DF)
// refined by Newton steps in single precision, then multiplied back by x.
// `steps` of 1 or less give one Newton step, above 3 give three. The caller passes x > 0.
float FastSqrt(std::int32_t steps, float x);

// Codes and decodes one sample with 16-bit square-root companding: the sample (in units of
// a full-scale 32767) is scaled to -1..1, compressed by the mode's square root, truncated
// to a signed code |q| <= 32767 and expanded back by squaring. Returns the expanded sample.
// The caller ensures |a| <= 32767 and mode != cmPCM (PCM samples are not coded at all).
double CodeSample(double a, CodingMode mode);

} // namespace analysis

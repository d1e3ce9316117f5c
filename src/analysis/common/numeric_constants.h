// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace analysis {

// Constants shared by the numeric code, in the precision they enter the arithmetic.

// 2 pi as the extended value nearest to it (the compiler rounds this long literal once).
inline constexpr long double TwoPi = 6.28318530717958647692528676655900577L;

// A full-scale 16-bit sample; exact in single precision.
inline constexpr float FullScale = 32767.0f;

} // namespace analysis

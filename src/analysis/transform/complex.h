// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace analysis {

// One complex number as the transform stores it: real part first, then imaginary part,
// two doubles with no padding (16 bytes).
struct Complex {
    double re;
    double im;
};

static_assert(sizeof(Complex) == 2 * sizeof(double));

} // namespace analysis

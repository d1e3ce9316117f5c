// SPDX-License-Identifier: GPL-3.0-or-later
#include "double_fft.h"

#include "analysis/common/numeric_constants.h"

#include <cassert>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace analysis {
namespace {

// Code built for AVX (Qt's drawing and image conversions, for one) may return with the upper
// halves of the vector registers in use; on many processors every SSE instruction that
// follows then pays for merging them, and this transform runs four times slower (the frames'
// x87 transform does not notice). vzeroupper clears them and leaves the SSE registers'
// values alone; it exists only where AVX does.
void ClearUpperVectorHalves() {
    if (__builtin_cpu_supports("avx")) {
        __asm__ volatile("vzeroupper");
    }
}

} // namespace

TDoubleFftTables MakeDoubleFftTables(int length) {
    if (length < 4 || length > (1 << 30) || (length & (length - 1)) != 0) {
        throw std::invalid_argument("MakeDoubleFftTables: the point count must be a power of two, at least 4");
    }
    TDoubleFftTables tables;
    tables.Length = length;
    tables.Twiddles.reserve(static_cast<std::size_t>(length - 1));
    for (int half = 1; half < length; half *= 2) {
        for (int j = 0; j < half; ++j) {
            const long double angle = -TwoPi * static_cast<long double>(j) / (2 * half);
            tables.Twiddles.push_back({static_cast<double>(std::cos(angle)),
                                       static_cast<double>(std::sin(angle))});
        }
    }
    int bits = 0;
    while ((1 << bits) < length) {
        ++bits;
    }
    for (std::int32_t i = 0; i < length; ++i) {
        std::int32_t reversed = 0;
        for (int bit = 0; bit < bits; ++bit) {
            reversed |= ((i >> bit) & 1) << (bits - 1 - bit);
        }
        if (i < reversed) {
            tables.Swaps.emplace_back(i, reversed);
        }
    }
    return tables;
}

void DoubleFFT(std::span<Complex> data, const TDoubleFftTables& tables) {
    assert(data.size() == static_cast<std::size_t>(tables.Length));
    ClearUpperVectorHalves();
    Complex* const x = data.data();
    const int n = tables.Length;
    for (const auto& [i, j] : tables.Swaps) {
        std::swap(x[i], x[j]);
    }
    // The first two stages together, as radix 4: their twiddles are 1 and -i.
    for (int b = 0; b < n; b += 4) {
        const double ar = x[b].re + x[b + 1].re, ai = x[b].im + x[b + 1].im;
        const double br = x[b].re - x[b + 1].re, bi = x[b].im - x[b + 1].im;
        const double cr = x[b + 2].re + x[b + 3].re, ci = x[b + 2].im + x[b + 3].im;
        // (x2 - x3) turned by -i
        const double dr = x[b + 2].im - x[b + 3].im, di = x[b + 3].re - x[b + 2].re;
        x[b] = {ar + cr, ai + ci};
        x[b + 2] = {ar - cr, ai - ci};
        x[b + 1] = {br + dr, bi + di};
        x[b + 3] = {br - dr, bi - di};
    }
    for (int half = 4; half < n; half *= 2) {
        const Complex* const w = tables.Twiddles.data() + (half - 1);
        for (int b = 0; b < n; b += 2 * half) {
            Complex* const top = x + b;
            Complex* const bottom = x + b + half;
            for (int j = 0; j < half; ++j) {
                const double tr = w[j].re * bottom[j].re - w[j].im * bottom[j].im;
                const double ti = w[j].re * bottom[j].im + w[j].im * bottom[j].re;
                bottom[j] = {top[j].re - tr, top[j].im - ti};
                top[j] = {top[j].re + tr, top[j].im + ti};
            }
        }
    }
}

} // namespace analysis

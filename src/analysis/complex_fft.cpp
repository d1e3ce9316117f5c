#include "complex_fft.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

namespace analysis {
namespace {

using Extended = long double;

// Gold-Rader bit-reversal permutation: afterwards element i holds what was at the bit
// reversal of i.
void BitReversePermute(Complex* data, std::int32_t n) {
    const std::int32_t half = n >> 1;
    std::int32_t j = 0;
    for (std::int32_t i = 0; i < n - 1; ++i) {
        if (i < j) {
            std::swap(data[i], data[j]);
        }
        std::int32_t k = half;
        while (k <= j) {
            j -= k;
            k >>= 1;
        }
        j += k;
    }
}

} // namespace

void ComplexFFT(std::span<Complex> data, FftDirection direction) {
    const std::size_t size = data.size();
    if (size == 0 || size > (std::size_t{1} << 30) || (size & (size - 1)) != 0) {
        throw std::invalid_argument("ComplexFFT: the point count must be a power of two");
    }
    const auto n = static_cast<std::int32_t>(size);
    Complex* const x = data.data();

    // Stage count from the logarithm in extended precision, truncated.
    const auto stages = static_cast<std::int32_t>(std::log2(static_cast<Extended>(n)));

    BitReversePermute(x, n);

    const bool inverse = direction == FftDirection::Inverse;
    double wr = -1.0; // stage twiddle: e^(-+ i pi / le2)
    double wi = 0.0;
    std::int32_t le = 1;
    for (std::int32_t stage = 0; stage < stages; ++stage) {
        const std::int32_t le2 = le;
        le *= 2;
        double ur = 1.0; // running twiddle of butterfly column j
        double ui = 0.0;
        for (std::int32_t j = 0; j < le2; ++j) {
            const Extended eur = ur;
            const Extended eui = ui;
            for (std::int32_t i = j; i < n; i += le) {
                const Extended topRe = x[i].re;
                const Extended topIm = x[i].im;
                const Extended bottomRe = x[i + le2].re;
                const Extended bottomIm = x[i + le2].im;
                const double tr = static_cast<double>(eur * bottomRe - eui * bottomIm);
                const double ti = static_cast<double>(eur * bottomIm + eui * bottomRe);
                // Sums of two doubles go through extended precision too: rounding twice can
                // differ from rounding once, and the transform's output is defined this way.
                x[i + le2].re = static_cast<double>(topRe - tr);
                x[i + le2].im = static_cast<double>(topIm - ti);
                x[i].re = static_cast<double>(topRe + tr);
                x[i].im = static_cast<double>(topIm + ti);
            }
            const double nextUr = static_cast<double>(static_cast<Extended>(ur) * wr -
                                                      static_cast<Extended>(ui) * wi);
            const double nextUi = static_cast<double>(static_cast<Extended>(ur) * wi +
                                                      static_cast<Extended>(ui) * wr);
            ur = nextUr;
            ui = nextUi;
        }
        // Halve the angle; both components come from the current wr.
        const double halfSine = static_cast<double>(std::sqrt((1.0L - wr) / 2.0L));
        wi = inverse ? halfSine : -halfSine;
        wr = static_cast<double>(std::sqrt((1.0L + wr) / 2.0L));
    }

    if (inverse) {
        const Extended count = n;
        for (Complex& value : data) {
            value.re = static_cast<double>(value.re / count);
            value.im = static_cast<double>(value.im / count);
        }
    }
}

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#include "complex_fft.h"

#include <array>
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

// The running twiddle of every butterfly column, from the recurrences: the stage twiddle
// e^(-+ i pi / le2) starts at -1 and has its angle halved after each stage, and within a
// stage the running twiddle starts at 1 and turns by it column by column. Calls
// visit(le2, j, u) for column j of the stage with half-span le2, stage by stage.
template <typename Visit>
void ForEachTwiddle(std::int32_t stages, FftDirection direction, Visit visit) {
    const bool inverse = direction == FftDirection::Inverse;
    double wr = -1.0;
    double wi = 0.0;
    for (std::int32_t stage = 0; stage < stages; ++stage) {
        const std::int32_t le2 = std::int32_t{1} << stage;
        double ur = 1.0;
        double ui = 0.0;
        for (std::int32_t j = 0; j < le2; ++j) {
            visit(le2, j, Complex{ur, ui});
            const double nextUr = static_cast<double>(static_cast<Extended>(ur) * wr -
                                                      static_cast<Extended>(ui) * wi);
            const double nextUi = static_cast<double>(static_cast<Extended>(ur) * wi +
                                                      static_cast<Extended>(ui) * wr);
            ur = nextUr;
            ui = nextUi;
        }
        // Both components of the halved angle come from the current wr.
        const double halfSine = static_cast<double>(std::sqrt((1.0L - wr) / 2.0L));
        wi = inverse ? halfSine : -halfSine;
        wr = static_cast<double>(std::sqrt((1.0L + wr) / 2.0L));
    }
}

// The running twiddles do not depend on the point count, only on the stage, so one table
// serves every transform of up to 1024 points (a frame): the stage with half-span le2 uses
// entries le2 - 1 to 2 le2 - 2, in column order.
class TTwiddleTable {
public:
    static constexpr std::int32_t MaxStages = 10;

    explicit TTwiddleTable(FftDirection direction) {
        ForEachTwiddle(MaxStages, direction, [this](std::int32_t le2, std::int32_t j, Complex u) {
            factors_[static_cast<std::size_t>(le2 - 1 + j)] = u;
        });
    }

    Complex At(std::int32_t le2, std::int32_t j) const {
        return factors_[static_cast<std::size_t>(le2 - 1 + j)];
    }

private:
    std::array<Complex, (1 << MaxStages) - 1> factors_{};
};

// Built once, by the first transform of each direction.
const TTwiddleTable& TwiddleTable(FftDirection direction) {
    static const TTwiddleTable forward(FftDirection::Forward);
    static const TTwiddleTable inverse(FftDirection::Inverse);
    return direction == FftDirection::Inverse ? inverse : forward;
}

// The butterflies of column j of the stage with half-span le2, all with running twiddle u.
void ButterflyColumn(Complex* x, std::int32_t n, std::int32_t le2, std::int32_t j, Complex u) {
    const Extended eur = u.re;
    const Extended eui = u.im;
    for (std::int32_t i = j; i < n; i += 2 * le2) {
        const Extended topRe = x[i].re;
        const Extended topIm = x[i].im;
        const Extended bottomRe = x[i + le2].re;
        const Extended bottomIm = x[i + le2].im;
        const double tr = static_cast<double>(eur * bottomRe - eui * bottomIm);
        const double ti = static_cast<double>(eur * bottomIm + eui * bottomRe);
        // Sums of two doubles go through extended precision too: rounding twice can differ
        // from rounding once, and the transform's output is defined this way.
        x[i + le2].re = static_cast<double>(topRe - tr);
        x[i + le2].im = static_cast<double>(topIm - ti);
        x[i].re = static_cast<double>(topRe + tr);
        x[i].im = static_cast<double>(topIm + ti);
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

    if (stages <= TTwiddleTable::MaxStages) {
        const TTwiddleTable& table = TwiddleTable(direction);
        for (std::int32_t stage = 0; stage < stages; ++stage) {
            const std::int32_t le2 = std::int32_t{1} << stage;
            for (std::int32_t j = 0; j < le2; ++j) {
                ButterflyColumn(x, n, le2, j, table.At(le2, j));
            }
        }
    } else {
        ForEachTwiddle(stages, direction, [x, n](std::int32_t le2, std::int32_t j, Complex u) {
            ButterflyColumn(x, n, le2, j, u);
        });
    }

    if (direction == FftDirection::Inverse) {
        const Extended count = n;
        for (Complex& value : data) {
            value.re = static_cast<double>(value.re / count);
            value.im = static_cast<double>(value.im / count);
        }
    }
}

} // namespace analysis

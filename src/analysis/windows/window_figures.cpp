// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_figures.h"

#include "analysis/transform/complex.h"
#include "analysis/transform/complex_fft.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/common/own_arithmetic.h"
#include "window_table.h"

#include <array>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

namespace analysis {
namespace {

using Extended = long double;
using Table = std::span<const float, FrameLength>;

// The padded response is needed from the centre to half the sample rate only: the table is
// real, so |W(-f)| = |W(f)|. Entry i lies i / WindowFiguresPadding bins from the centre.
constexpr int HalfPaddedLength = FrameLength * WindowFiguresPadding / 2;
static_assert(WindowFiguresPadding % 2 == 0, "half a bin must fall on a padded entry");
constexpr int HalfBinEntry = WindowFiguresPadding / 2;

// Halving a padded interval this often resolves a crossing to 1/64 / 2^10 of a bin.
constexpr int CrossingBisections = 10;

// The widths are taken where the response has fallen to half the peak's power
// (10 log10 2 = 3.01 dB down) and to half its amplitude (6.02 dB down).
constexpr Extended HalfPowerRatio = 0.707106781186547524400844362104849039L; // 1 / sqrt 2
constexpr Extended HalfAmplitudeRatio = 0.5L;
// Half the centre response: past it the main lobe is falling, whatever ripple its top has.
constexpr Extended MainLobeFallingRatio = 0.5L;

// 20 log10(ratio) for a ratio of responses; a response of exactly 0 gives -infinity.
double Decibels(Extended ratio) {
    assert(ratio >= 0.0L);
    if (ratio == 0.0L) {
        return -std::numeric_limits<double>::infinity();
    }
    return static_cast<double>(20.0L * std::log10(ratio));
}

// |W(f)| of the table at `bins` bins from the centre, summed directly in extended precision,
// the phase advancing sample by sample by a rotation (its drift over 1024 steps stays near
// the extended rounding, far below what the widths need).
Extended ResponseAt(Table table, Extended bins) {
    const Extended angle = TwoPi * bins / FrameLength;
    const Extended stepRe = std::cos(angle);
    const Extended stepIm = std::sin(angle);
    Extended re = 0.0L;
    Extended im = 0.0L;
    Extended ur = 1.0L;
    Extended ui = 0.0L;
    for (const float w : table) {
        re += w * ur;
        im += w * ui;
        const Extended nextUr = ur * stepRe - ui * stepIm;
        ui = ur * stepIm + ui * stepRe;
        ur = nextUr;
    }
    return std::sqrt(re * re + im * im);
}

// |W| at entries 0 to HalfPaddedLength of the table's transform zero-padded to
// WindowFiguresPadding times its length. Entry 64 k + r is bin k of the 1024-point transform
// of the table turned by r / 64 of a bin, so the padded transform is 64 frame-sized ones:
// they reuse the remembered twiddles of a frame and one frame-sized buffer, several times
// faster than a single 65536-point transform and in a quarter of its memory.
std::vector<double> PaddedResponse(Table table) {
    std::vector<double> response(HalfPaddedLength + 1);
    std::array<Complex, FrameLength> turned{};
    for (int offset = 0; offset < WindowFiguresPadding; ++offset) {
        const Extended angle =
            -TwoPi * offset / (static_cast<Extended>(FrameLength) * WindowFiguresPadding);
        const Extended stepRe = std::cos(angle);
        const Extended stepIm = std::sin(angle);
        Extended ur = 1.0L;
        Extended ui = 0.0L;
        for (int n = 0; n < FrameLength; ++n) {
            turned[static_cast<std::size_t>(n)] = {static_cast<double>(table[n] * ur),
                                                   static_cast<double>(table[n] * ui)};
            const Extended nextUr = ur * stepRe - ui * stepIm;
            ui = ur * stepIm + ui * stepRe;
            ur = nextUr;
        }
        ComplexFFT(turned, FftDirection::Forward);
        for (int bin = 0; bin * WindowFiguresPadding + offset <= HalfPaddedLength; ++bin) {
            const Complex value = turned[static_cast<std::size_t>(bin)];
            response[static_cast<std::size_t>(bin * WindowFiguresPadding + offset)] =
                static_cast<double>(std::hypot(static_cast<Extended>(value.re), value.im));
        }
    }
    return response;
}

// How far from the centre, in bins, the response first falls below `level`: the first
// padded entry below it is found, and the crossing between it and the entry before is
// bisected on the direct response. The main lobe is symmetric, so its width is twice this.
double CrossingBins(Table table, const std::vector<double>& response, Extended level) {
    int below = 1;
    while (below <= HalfPaddedLength && response[static_cast<std::size_t>(below)] >= level) {
        ++below;
    }
    assert(below <= HalfPaddedLength && "the main lobe ends within half the sample rate");
    Extended inside = below - 1;
    Extended outside = below;
    for (int step = 0; step < CrossingBisections; ++step) {
        const Extended middle = (inside + outside) / 2.0L;
        if (ResponseAt(table, middle / WindowFiguresPadding) >= level) {
            inside = middle;
        } else {
            outside = middle;
        }
    }
    return static_cast<double>((inside + outside) / 2.0L / WindowFiguresPadding);
}

} // namespace

TWindowFigures MeasureWindowFigures(std::span<const float, FrameLength> table) {
    const TOwnArithmetic own;
    Extended sum = 0.0L;
    Extended sumOfSquares = 0.0L;
    for (const float w : table) {
        sum += w;
        sumOfSquares += static_cast<Extended>(w) * w;
    }
    assert(sum > 0.0L && "a window passes a tone on a bin");

    TWindowFigures figures{};
    figures.CoherentGain = static_cast<double>(sum / FrameLength);
    figures.EnbwBins = static_cast<double>(FrameLength * sumOfSquares / (sum * sum));

    const std::vector<double> response = PaddedResponse(table);
    const double centre = response[0];
    figures.ScallopingLossDb = -Decibels(static_cast<Extended>(response[HalfBinEntry]) / centre);

    // The main lobe runs from the centre to the first trough after the response has
    // fallen to half; everything beyond, up to half the sample rate, is side lobes.
    int lobeEnd = 1;
    while (lobeEnd < HalfPaddedLength &&
           response[static_cast<std::size_t>(lobeEnd)] >= MainLobeFallingRatio * centre) {
        ++lobeEnd;
    }
    while (lobeEnd < HalfPaddedLength && response[static_cast<std::size_t>(lobeEnd + 1)] <
                                             response[static_cast<std::size_t>(lobeEnd)]) {
        ++lobeEnd;
    }
    double peak = 0.0;
    for (int entry = 0; entry <= lobeEnd; ++entry) {
        peak = std::fmax(peak, response[static_cast<std::size_t>(entry)]);
    }
    double highestSideLobe = 0.0;
    for (int entry = lobeEnd + 1; entry <= HalfPaddedLength; ++entry) {
        highestSideLobe = std::fmax(highestSideLobe, response[static_cast<std::size_t>(entry)]);
    }

    figures.Width3DbBins = 2.0 * CrossingBins(table, response, HalfPowerRatio * peak);
    figures.Width6DbBins = 2.0 * CrossingBins(table, response, HalfAmplitudeRatio * peak);
    // A side lobe is sampled every 1/64 bin; its top is flat enough there that the sampled
    // maximum is within a few thousandths of a decibel of the true one.
    figures.HighestSideLobeDb = Decibels(static_cast<Extended>(highestSideLobe) / peak);
    figures.MainLobeHalfWidthBins = static_cast<double>(lobeEnd) / WindowFiguresPadding;
    return figures;
}

const TWindowFigures& WindowFiguresOf(WindowKind kind) {
    const TOwnArithmetic own;
    struct TMeasured {
        bool Done = false;
        TWindowFigures Figures{};
    };
    static std::array<TMeasured, WindowKindCount> measured{};
    TMeasured& entry = measured[static_cast<std::size_t>(kind)];
    if (!entry.Done) {
        std::array<float, FrameLength> table{};
        FillWindowTable(kind, table);
        entry.Figures = MeasureWindowFigures(table);
        entry.Done = true;
    }
    return entry.Figures;
}

} // namespace analysis

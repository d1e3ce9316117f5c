// SPDX-License-Identifier: GPL-3.0-or-later
#include "telephone_mask.h"

#include "coder_curves.h"
#include "analysis/transform/double_fft.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/common/own_arithmetic.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace analysis {
namespace {

constexpr double LoudestDbm0 = TelephoneMask.front().LevelDbm0;
constexpr double QuietestDbm0 = TelephoneMask.back().LevelDbm0;

// The level curve's point index at a level in dB below full scale: point 0 is 0 dB and each
// next one LevelCurveStepDb quieter.
double PointPosition(double levelDbfs) {
    return (CurveAbscissa(CurveAxis::caLevel, 0) - levelDbfs) / LevelCurveStepDb;
}

// The transform the telephone band's power is read through: the second, zero-padded.
constexpr int BandTransformPoints = 16384;
static_assert(BandTransformPoints >= static_cast<int>(SecondSamples));

// The curve's telephone-band SNR at a level, straight between its points; none where either
// neighbour has no error in the band (above any mask).
std::optional<double> CurveSnrAt(std::span<const TCoderFigures> points, CoderKind kind,
                                 double levelDbm0) {
    const double position = PointPosition(Dbm0ToDbfs(levelDbm0));
    const int below = static_cast<int>(std::floor(position));
    const int above = std::min(below + 1, CurvePointCount(CurveAxis::caLevel) - 1);
    assert(below >= 0);
    const std::optional<double> a = points[CurveBufferIndex(below, kind)].TelephoneBandSnrDb;
    const std::optional<double> b = points[CurveBufferIndex(above, kind)].TelephoneBandSnrDb;
    if (!a || !b) {
        return std::nullopt;
    }
    const double fraction = position - below;
    return *a + (*b - *a) * fraction;
}

} // namespace

std::optional<double> TelephoneBandSnrDb(std::span<const double, SecondSamples> samples,
                                         std::span<const double, SecondSamples> coded) {
    const TOwnArithmetic own;
    static const TDoubleFftTables tables = MakeDoubleFftTables(BandTransformPoints);
    // The Hann window over the second and its energy, the same for every call.
    static const auto [window, windowEnergy] = [] {
        std::vector<double> weights(SecondSamples);
        double energy = 0.0;
        for (std::size_t n = 0; n < SecondSamples; ++n) {
            weights[n] = 0.5 - 0.5 * std::cos(TwoPi * static_cast<double>(n) / (SecondSamples - 1));
            energy += weights[n] * weights[n];
        }
        return std::pair{std::move(weights), energy};
    }();
    std::vector<Complex> spectrum(BandTransformPoints, Complex{0.0, 0.0});
    double signalEnergy = 0.0;
    for (std::size_t n = 0; n < SecondSamples; ++n) {
        spectrum[n].re = window[n] * (coded[n] - samples[n]);
        signalEnergy += samples[n] * samples[n];
    }
    if (signalEnergy == 0.0) {
        return std::nullopt;
    }
    DoubleFFT(spectrum, tables);
    // By Parseval, the windowed error's energy is the sum of |E_k|^2 / N over every bin; a
    // band's share of it counts its bins at positive and at negative frequencies alike.
    const double binHz = static_cast<double>(SecondSamples) / BandTransformPoints;
    const auto first = static_cast<std::size_t>(std::ceil(TelephoneBandLowestHz / binHz));
    const auto last = static_cast<std::size_t>(std::floor(TelephoneBandHighestHz / binHz));
    double bandEnergy = 0.0;
    for (std::size_t k = first; k <= last; ++k) {
        bandEnergy += spectrum[k].re * spectrum[k].re + spectrum[k].im * spectrum[k].im;
    }
    const double bandPower = 2.0 * bandEnergy / BandTransformPoints / windowEnergy;
    if (bandPower == 0.0) {
        return std::nullopt;
    }
    return 10.0 * std::log10(signalEnergy / static_cast<double>(SecondSamples) / bandPower);
}

bool TelephoneMaskApplies(std::int32_t frequencyHz) {
    return frequencyHz >= TelephoneMaskLowestHz && frequencyHz <= TelephoneMaskHighestHz;
}

std::optional<double> TelephoneMaskSnrDb(double levelDbm0) {
    const TOwnArithmetic own;
    if (levelDbm0 > LoudestDbm0 || levelDbm0 < QuietestDbm0) {
        return std::nullopt;
    }
    for (std::size_t corner = 1; corner < TelephoneMask.size(); ++corner) {
        const TMaskCorner& high = TelephoneMask[corner - 1];
        const TMaskCorner& low = TelephoneMask[corner];
        if (levelDbm0 >= low.LevelDbm0) {
            return low.SnrDb + (high.SnrDb - low.SnrDb) * (levelDbm0 - low.LevelDbm0) /
                                   (high.LevelDbm0 - low.LevelDbm0);
        }
    }
    return TelephoneMask.back().SnrDb;
}

TPointSpan TelephoneMaskPoints() {
    return {static_cast<int>(std::floor(PointPosition(Dbm0ToDbfs(LoudestDbm0)))),
            static_cast<int>(std::ceil(PointPosition(Dbm0ToDbfs(QuietestDbm0))))};
}

TMaskVerdict CheckTelephoneMask(std::span<const TCoderFigures> points, CoderKind kind) {
    const TOwnArithmetic own;
    assert(points.size() == CurveBufferSize(CurveAxis::caLevel));
    // Every corner of the mask and of the curve within the mask's levels, loudest first.
    std::vector<double> levels;
    for (const TMaskCorner& corner : TelephoneMask) {
        levels.push_back(corner.LevelDbm0);
    }
    const TPointSpan span = TelephoneMaskPoints();
    for (int index = span.First; index <= span.Last; ++index) {
        const double level = DbfsToDbm0(CurveAbscissa(CurveAxis::caLevel, index));
        if (level < LoudestDbm0 && level > QuietestDbm0) {
            levels.push_back(level);
        }
    }
    std::sort(levels.begin(), levels.end(), std::greater<>());

    // The curve's height over the mask at the previous level, in dB, while it is known there.
    bool known = false;
    double lastMargin = 0.0;
    double lastLevel = LoudestDbm0;
    for (const double level : levels) {
        const std::optional<double> snr = CurveSnrAt(points, kind, level);
        if (!snr) {
            known = false;
            continue;
        }
        const double margin = *snr - *TelephoneMaskSnrDb(level);
        if (margin < 0) {
            // The crossing lies between the previous level and this one, on a straight piece.
            return {MaskOutcome::moFallsBelow,
                    known ? lastLevel - (lastLevel - level) * lastMargin / (lastMargin - margin)
                          : level};
        }
        known = true;
        lastMargin = margin;
        lastLevel = level;
    }
    return {MaskOutcome::moMeets, 0.0};
}

} // namespace analysis

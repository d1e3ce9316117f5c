// SPDX-License-Identifier: GPL-3.0-or-later
#include "distortion_figures.h"

#include "analysis/frames/frame_pipeline.h"
#include "analysis/common/numeric_constants.h"
#include "analysis/common/own_arithmetic.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>

namespace analysis {
namespace {

using Extended = long double;

// What each bin of the one-sided spectrum belongs to.
enum class BinOwner : std::uint8_t { boNoise, boDc, boFundamental, boHarmonic };

constexpr int NyquistBin = OneSidedBins - 1;

// One-sided power: bins 1 to 511 stand for their negative-frequency twins as well.
Extended Power(std::span<const Complex, OneSidedBins> bins, int bin) {
    const Complex& c = bins[static_cast<std::size_t>(bin)];
    const Extended power = static_cast<Extended>(c.re) * c.re + static_cast<Extended>(c.im) * c.im;
    return bin == 0 || bin == NyquistBin ? power : 2.0L * power;
}

// A power ratio in dB; -infinity for none at all, without the logarithm of zero, which would
// raise the division-by-zero flag that a frame's guard reports as an error.
double Decibels(Extended ratio) {
    return ratio > 0.0L ? static_cast<double>(10.0L * std::log10(ratio))
                        : -std::numeric_limits<double>::infinity();
}

// The bin a frequency `bins` (in bins, any multiple of the fundamental's) folds onto.
int FoldedBin(Extended bins) {
    Extended folded = std::fmod(bins, static_cast<Extended>(FrameLength));
    if (folded > NyquistBin) {
        folded = FrameLength - folded;
    }
    return static_cast<int>(std::lround(folded));
}

} // namespace

int MainLobeBins(const TWindowFigures& window) {
    return std::max(1, static_cast<int>(std::ceil(window.MainLobeHalfWidthBins)));
}

TDistortionFigures MeasureDistortion(std::span<const Complex, OneSidedBins> bins,
                                     const TWindowFigures& window) {
    const TOwnArithmetic own;
    const int lobe = MainLobeBins(window);
    std::array<Extended, OneSidedBins> power{};
    for (int bin = 0; bin < OneSidedBins; ++bin) {
        power[static_cast<std::size_t>(bin)] = Power(bins, bin);
    }
    TDistortionFigures figures;
    const auto highest = std::max_element(power.begin() + 1, power.end());
    if (*highest <= 0.0L) {
        return figures;
    }

    std::array<BinOwner, OneSidedBins> owner{};
    // Claims the lobe around `centre` for `claimant` where no one has it yet; its power.
    const auto claim = [&](int centre, BinOwner claimant) {
        Extended sum = 0.0L;
        for (int bin = std::max(0, centre - lobe); bin <= std::min(NyquistBin, centre + lobe);
             ++bin) {
            if (owner[static_cast<std::size_t>(bin)] == BinOwner::boNoise) {
                owner[static_cast<std::size_t>(bin)] = claimant;
                sum += power[static_cast<std::size_t>(bin)];
            }
        }
        return sum;
    };

    const int fundamental = static_cast<int>(highest - power.begin());
    const Extended fundamentalPower = claim(fundamental, BinOwner::boFundamental);
    Extended weightedBins = 0.0L;
    for (int bin = 0; bin < OneSidedBins; ++bin) {
        if (owner[static_cast<std::size_t>(bin)] == BinOwner::boFundamental) {
            weightedBins += bin * power[static_cast<std::size_t>(bin)];
        }
    }
    const Extended fundamentalBins = weightedBins / fundamentalPower;
    // Mean square of the fundamental: its lobe's power over N sum w^2; a full-scale sine's
    // is FullScale^2 / 2.
    const Extended normalisedGain = static_cast<Extended>(window.EnbwBins) *
                                    std::pow(static_cast<Extended>(FrameLength) *
                                                 static_cast<Extended>(window.CoherentGain),
                                             2.0L);
    const Extended fullScalePower = static_cast<Extended>(FullScale) * FullScale / 2.0L;
    const double fundamentalDbfs = Decibels(fundamentalPower / normalisedGain / fullScalePower);
    if (fundamentalDbfs < ToneFloorDbfs) {
        return figures;
    }
    figures.Silent = false;
    claim(0, BinOwner::boDc);

    Extended harmonicPower = 0.0L;
    for (int harmonic = FirstHarmonic; harmonic <= LastHarmonic; ++harmonic) {
        const int at = FoldedBin(harmonic * fundamentalBins);
        if (owner[static_cast<std::size_t>(at)] == BinOwner::boFundamental) {
            ++figures.HarmonicsOnFundamental;
            continue;
        }
        if (owner[static_cast<std::size_t>(at)] == BinOwner::boNoise) {
            harmonicPower += claim(at, BinOwner::boHarmonic);
            ++figures.HarmonicsMeasured;
        }
    }

    // The noise of the bins that others cover is taken as the mean of the noise bins.
    Extended noiseSum = 0.0L;
    int noiseBins = 0;
    int countedBins = 0;
    Extended spur = 0.0L;
    int spurBin = 0;
    for (int bin = 0; bin < OneSidedBins; ++bin) {
        const BinOwner who = owner[static_cast<std::size_t>(bin)];
        const Extended p = power[static_cast<std::size_t>(bin)];
        countedBins += who == BinOwner::boDc ? 0 : 1;
        if (who == BinOwner::boNoise) {
            noiseSum += p;
            ++noiseBins;
        }
        if ((who == BinOwner::boNoise || who == BinOwner::boHarmonic) && p > spur) {
            spur = p;
            spurBin = bin;
        }
    }
    const Extended noisePower = noiseBins == 0 ? 0.0L : noiseSum / noiseBins * countedBins;

    figures.FundamentalHz = static_cast<double>(fundamentalBins * BinSpacingHz);
    figures.FundamentalDbfs = fundamentalDbfs;
    figures.ThdDb = Decibels(harmonicPower / fundamentalPower);
    figures.SnrDb = -Decibels(noisePower / fundamentalPower);
    figures.SinadDb = -Decibels((noisePower + harmonicPower) / fundamentalPower);
    figures.SfdrDb = -Decibels(spur / power[static_cast<std::size_t>(fundamental)]);
    figures.SpurHz = spurBin * BinSpacingHz;
    figures.EffectiveBits = (figures.SinadDb - 1.76) / 6.02;
    return figures;
}

} // namespace analysis

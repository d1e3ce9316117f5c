// SPDX-License-Identifier: GPL-3.0-or-later
#include "figure_texts.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/common/numeric_constants.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>

namespace display {
namespace {

// The value of the peak bin of a full-scale tone, multiplied in double: the product has
// more digits than single precision holds.
constexpr double FullScaleBinValue =
    static_cast<double>(analysis::FullScale) * static_cast<double>(analysis::NormalisationTarget);
// 15.625 Hz apart, so three decimals give every centre frequency exactly.
constexpr int FrequencyDecimals = 3;
constexpr int FigureDecimals = 2;

std::string Figure(double value) {
    return FixedText(value, FigureDecimals);
}

std::string Whole(int value) {
    std::array<char, 16> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    assert(error == std::errc());
    return std::string(buffer.data(), end);
}

} // namespace

std::string FixedText(double value, int decimals) {
    // Room for the integer digits of any finite double.
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    assert(error == std::errc());
    std::string text(buffer.data(), end);
    // A small negative figure rounds to "-0.00", which would read as a signed zero.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

double BinLevelDb(double binValue) {
    return 20.0 * std::log10(binValue / FullScaleBinValue);
}

std::string BinReadoutText(int bin, double binValue) {
    std::string text = "Bin " + Whole(bin) + ": " +
                       FixedText(bin * analysis::BinSpacingHz, FrequencyDecimals) + " Hz, ";
    if (binValue < analysis::PlotFloorBinValue) {
        return text + "below the plot's floor (" + Figure(BinLevelDb(analysis::PlotFloorBinValue)) +
               " dB)";
    }
    return text + Figure(BinLevelDb(binValue)) + " dB";
}

std::string CoderFiguresText(const analysis::TCodingModeInfo& mode, int frequencyHz, int levelDb,
                             const analysis::TCoderFigures& figures) {
    if (mode.Root == analysis::TCompandRoot::crNone) {
        return "Uncoded reference: the samples are not coded";
    }
    const std::string tone = Whole(frequencyHz) + " Hz at " + Whole(levelDb) + " dB\n";
    if (figures.Silent) {
        return tone + "Silent tone: nothing to measure";
    }
    if (figures.Exact) {
        return tone + "Exact: every coded sample equals the uncoded one";
    }
    return tone + "SNR: " + Figure(figures.SnrDb) + " dB\n" +
           "Effective bits: " + Figure(figures.EffectiveBits) + "\n" +
           "Largest error: " + Figure(figures.MaxError) + " 16-bit steps";
}

std::string WindowFiguresText(const analysis::TWindowFigures& figures) {
    return "Coherent gain: " + Figure(figures.CoherentGain) + "\n" +
           "ENBW: " + Figure(figures.EnbwBins) + " bins\n" +
           "Scalloping loss: " + Figure(figures.ScallopingLossDb) + " dB\n" +
           "3 dB width: " + Figure(figures.Width3DbBins) + " bins\n" +
           "6 dB width: " + Figure(figures.Width6DbBins) + " bins\n" +
           "Highest side lobe: " + Figure(figures.HighestSideLobeDb) + " dB\n" +
           "Lobes measured on a transform zero-padded " + Whole(analysis::WindowFiguresPadding) +
           " times";
}

namespace {

// A level, or where it lies below the plot's floor, a note saying so.
std::string LevelText(double binValue) {
    if (binValue < analysis::PlotFloorBinValue) {
        return "below floor";
    }
    return Figure(BinLevelDb(binValue)) + " dB";
}

// A figure in dB, or "none" where the quantity it compares is nothing at all.
std::string DecibelText(double value) {
    return std::isfinite(value) ? Figure(value) + " dB" : std::string("none");
}

std::string SignedText(double value, int decimals) {
    const std::string text = FixedText(value, decimals);
    return text.front() == '-' ? text : "+" + text;
}

} // namespace

std::string MarkerText(const TBinReading& reading) {
    return "bin " + Whole(reading.Bin) + ", " +
           FixedText(reading.Bin * analysis::BinSpacingHz, FrequencyDecimals) + " Hz, " +
           LevelText(reading.Value);
}

std::string MarkerDifferenceText(const TBinReading& first, const TBinReading& second) {
    std::string text =
        "M2-M1: " + SignedText((second.Bin - first.Bin) * analysis::BinSpacingHz, FrequencyDecimals) +
        " Hz";
    if (first.Value >= analysis::PlotFloorBinValue && second.Value >= analysis::PlotFloorBinValue) {
        text += ", " + SignedText(BinLevelDb(second.Value) - BinLevelDb(first.Value), FigureDecimals) +
                " dB";
    }
    return text;
}

std::vector<std::string> DistortionFiguresLines(const analysis::TDistortionFigures& figures) {
    if (figures.Silent) {
        return {"No tone to measure"};
    }
    std::string thd = "THD: " + DecibelText(figures.ThdDb);
    if (figures.HarmonicsOnFundamental > 0) {
        thd += " (" + Whole(figures.HarmonicsOnFundamental) + " on F0, left out)";
    }
    return {
        "F0: " + FixedText(figures.FundamentalHz, FigureDecimals) + " Hz, " +
            Figure(figures.FundamentalDbfs) + " dBFS",
        thd,
        "SINAD: " + DecibelText(figures.SinadDb),
        "SNR: " + DecibelText(figures.SnrDb),
        "SFDR: " + (std::isfinite(figures.SfdrDb)
                        ? DecibelText(figures.SfdrDb) + " at " + FixedText(figures.SpurHz, 1) + " Hz"
                        : DecibelText(figures.SfdrDb)),
        "ENOB: " + (std::isfinite(figures.EffectiveBits)
                        ? FixedText(figures.EffectiveBits, FigureDecimals) + " bits"
                        : std::string("none")),
    };
}

std::string CoderSnrText(const analysis::TCodingModeInfo& mode,
                         const analysis::TCoderFigures& figures) {
    if (mode.Root == analysis::TCompandRoot::crNone) {
        return "Coder SNR: uncoded";
    }
    if (figures.Silent || figures.Exact) {
        return figures.Silent ? "Coder SNR: silent tone" : "Coder SNR: exact";
    }
    return "Coder SNR (coded - exact): " + Figure(figures.SnrDb) + " dB";
}

} // namespace display

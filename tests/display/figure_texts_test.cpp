// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/figure_texts.h"

#include <clocale>
#include <functional>
#include <limits>
#include <locale>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::CodingMode;
using analysis::Describe;

// The value of the peak bin of a full-scale tone.
constexpr double FullScale = 32767.0 * 4100.0;

// A locale whose numbers use a comma and group thousands with a full stop.
struct CommaPunctuation : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Runs `body` with a decimal comma in the C++ locale and, where one is installed, in the C
// locale, so that a text built with the locale's separator fails.
void WithCommaLocale(const std::function<void()>& body) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunctuation));
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "ru_RU.UTF-8");
    }
    body();
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
}

struct TReadoutCase {
    int bin;
    double value;
    const char* expected;
};

TEST(FigureTexts, PointerReadoutGivesBinFrequencyAndLevelOrSaysBelowTheFloor) {
    constexpr TReadoutCase Cases[] = {
        {64, FullScale, "Bin 64: 1000.000 Hz, 0.00 dB"},
        {64, FullScale / 100.0, "Bin 64: 1000.000 Hz, -40.00 dB"},
        {64, FullScale * 0.999, "Bin 64: 1000.000 Hz, -0.01 dB"},
        // -0.0009 dB: a zero without a sign.
        {64, FullScale * 0.9999, "Bin 64: 1000.000 Hz, 0.00 dB"},
        {1, 1.0, "Bin 1: 15.625 Hz, -162.56 dB"},
        {511, 0.999, "Bin 511: 7984.375 Hz, below the plot's floor (-162.56 dB)"},
        {0, 0.0, "Bin 0: 0.000 Hz, below the plot's floor (-162.56 dB)"},
    };
    WithCommaLocale([&] {
        for (const TReadoutCase& c : Cases) {
            EXPECT_EQ(display::BinReadoutText(c.bin, c.value), c.expected);
        }
    });
    EXPECT_NEAR(display::BinLevelDb(FullScale / 1e8), -160.0, 1e-9);
}

struct TCoderCase {
    CodingMode mode;
    int frequencyHz;
    int levelDb;
    analysis::TCoderFigures figures;
    const char* expected;
};

TEST(FigureTexts, CoderAndWindowFiguresUseTwoDecimalsAndSayWhenThereAreNone) {
    // A silent tone codes without error too; it has no figures rather than being exact.
    const analysis::TCoderFigures Silent{true, true, 0.0, 0.0, 0.0, {}};
    const analysis::TCoderFigures Exact{false, true, 0.0, 0.0, 0.0, {}};
    const analysis::TCoderFigures Coded{false, false, 97.9349, 15.976, 0.5, {}};
    constexpr TCoderCase Cases[] = {
        // The uncoded mode is the reference, even for a silent tone.
        {CodingMode::cmPCM, 1000, 0, Exact, "Uncoded reference: the samples are not coded"},
        {CodingMode::cmPCM, 0, 0, Silent, "Uncoded reference: the samples are not coded"},
        {CodingMode::cmOrvexSqrt, 0, -20, Silent,
         "0 Hz at -20 dB\nSilent tone: nothing to measure"},
        {CodingMode::cmIter1, 4000, -160, Exact,
         "4000 Hz at -160 dB\nExact: every coded sample equals the uncoded one"},
        {CodingMode::cmIter3, 1000, 0, Coded,
         "1000 Hz at 0 dB\nSNR: 97.93 dB\nEffective bits: 15.98\nLargest error: 0.50 16-bit steps"},
    };
    constexpr analysis::TWindowFigures Hann{0.5, 1.5, 1.4236, 1.4414, 2.0, -31.4688, 2.0};
    WithCommaLocale([&] {
        for (const TCoderCase& c : Cases) {
            EXPECT_EQ(
                display::CoderFiguresText(Describe(c.mode), c.frequencyHz, c.levelDb, c.figures),
                c.expected)
                << Describe(c.mode).Caption;
        }
        EXPECT_EQ(display::WindowFiguresText(Hann),
                  "Coherent gain: 0.50\nENBW: 1.50 bins\nScalloping loss: 1.42 dB\n"
                  "3 dB width: 1.44 bins\n6 dB width: 2.00 bins\nHighest side lobe: -31.47 dB\n"
                  "Lobes measured on a transform zero-padded 64 times");
    });
    // A distortion figure that compares with nothing reads "none", SFDR then without a spur.
    constexpr double Infinity = std::numeric_limits<double>::infinity();
    using Lines = std::vector<std::string>;
    const analysis::TDistortionFigures pure{false,    4000.0,   -0.0297, -Infinity, 1, 4,
                                            Infinity, Infinity, Infinity, 0.0,      Infinity};
    EXPECT_EQ(display::DistortionFiguresLines(pure),
              (Lines{"F0: 4000.00 Hz, -0.03 dBFS", "THD: none (4 on F0, left out)", "SINAD: none",
                     "SNR: none", "SFDR: none", "ENOB: none"}));
    const analysis::TDistortionFigures coded{false, 997.0, -0.01, -95.07, 9,    0,
                                             95.06, 95.1,  98.51, 2990.6, 15.5};
    EXPECT_EQ(display::DistortionFiguresLines(coded)[4], "SFDR: 98.51 dB at 2990.6 Hz");
    EXPECT_EQ(display::DistortionFiguresLines(coded)[5], "ENOB: 15.50 bits");
    EXPECT_EQ(display::DistortionFiguresLines({}), Lines{"No tone to measure"});
}

} // namespace

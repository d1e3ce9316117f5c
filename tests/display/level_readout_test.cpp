// SPDX-License-Identifier: GPL-3.0-or-later
#include "display/level_readout.h"

#include <clocale>
#include <locale>

#include <gtest/gtest.h>

namespace {

using display::ReadLevelControls;

TEST(LevelReadout, FullScaleAtStart) {
    const auto readout = ReadLevelControls(160, 1000);
    EXPECT_EQ(readout.LevelText, "- 0 dB");
    EXPECT_EQ(readout.FrequencyText, "1000 Hz");
    EXPECT_EQ(readout.LevelDb, 0);
}

TEST(LevelReadout, LevelPositionsMapToDecibelsBelowFullScale) {
    EXPECT_EQ(ReadLevelControls(0, 1000).LevelText, "- 160 dB");
    EXPECT_EQ(ReadLevelControls(0, 1000).LevelDb, -160);
    EXPECT_EQ(ReadLevelControls(140, 1000).LevelText, "- 20 dB");
    EXPECT_EQ(ReadLevelControls(140, 1000).LevelDb, -20);
    EXPECT_EQ(ReadLevelControls(150, 1000).LevelText, "- 10 dB");
    EXPECT_EQ(ReadLevelControls(159, 1000).LevelText, "- 1 dB");
}

TEST(LevelReadout, FrequencyTexts) {
    EXPECT_EQ(ReadLevelControls(160, 0).FrequencyText, "0 Hz");
    EXPECT_EQ(ReadLevelControls(160, 8000).FrequencyText, "8000 Hz");
    EXPECT_EQ(ReadLevelControls(160, 15).FrequencyText, "15 Hz");
}

// A locale whose numbers use a comma and group thousands with a full stop.
struct CommaPunctuation : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(LevelReadout, TextsIgnoreTheUsersLocale) {
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaPunctuation));
    // Also the C locale, where one with a decimal comma is installed.
    const bool haveCommaLocale = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ||
                                 std::setlocale(LC_ALL, "ru_RU.UTF-8") != nullptr;
    const auto readout = ReadLevelControls(7, 8000);
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(readout.LevelText, "- 153 dB");
    EXPECT_EQ(readout.FrequencyText, "8000 Hz");
    if (!haveCommaLocale) {
        GTEST_LOG_(INFO) << "no comma locale installed; checked the C++ locale only";
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/level_gain.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

using analysis::GainFromAttenuation;

TEST(GainFromAttenuation, FullScaleIsExactlyOne) {
    EXPECT_EQ(GainFromAttenuation(0), 1.0);
}

TEST(GainFromAttenuation, MultiplesOfTwentyDecibelsGiveTheNearestDoubleToThePowerOfTen) {
    EXPECT_EQ(GainFromAttenuation(20), 0.1);
    EXPECT_EQ(GainFromAttenuation(40), 0.01);
    EXPECT_EQ(GainFromAttenuation(60), 0.001);
    EXPECT_EQ(GainFromAttenuation(80), 1e-4);
    EXPECT_EQ(GainFromAttenuation(100), 1e-5);
    EXPECT_EQ(GainFromAttenuation(120), 1e-6);
    EXPECT_EQ(GainFromAttenuation(140), 1e-7);
    EXPECT_EQ(GainFromAttenuation(160), 1e-8);
}

TEST(GainFromAttenuation, OtherLevelsFollowTheDecibelScale) {
    EXPECT_NEAR(GainFromAttenuation(10), 0.31622776601683794, 1e-16);
    for (int a = 0; a <= analysis::MaxAttenuationDb; ++a) {
        const double expected = std::pow(10.0L, -a / 20.0L);
        EXPECT_NEAR(GainFromAttenuation(a) / expected, 1.0, 4e-16) << a;
        if (a > 0) {
            // One decibel down is a factor 10^(-1/20), about 0.891.
            EXPECT_NEAR(GainFromAttenuation(a) / GainFromAttenuation(a - 1), 0.8912509381337456,
                        1e-14)
                << a;
        }
    }
}

} // namespace

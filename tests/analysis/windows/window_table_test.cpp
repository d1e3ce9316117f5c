// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/windows/window_table.h"

#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::FillWindowTable;
using analysis::FrameLength;
using analysis::Sinc;
using analysis::WindowKind;

using Table = std::array<float, FrameLength>;

Table Build(WindowKind kind) {
    Table table{};
    FillWindowTable(kind, table);
    return table;
}

double Sum(const Table& table) {
    long double sum = 0.0L;
    for (const float w : table) {
        sum += w;
    }
    return static_cast<double>(sum);
}

TEST(WindowTable, RectangularIsAllOnes) {
    for (const float w : Build(WindowKind::wkRectangular)) {
        EXPECT_EQ(w, 1.0f);
    }
}

TEST(WindowTable, TriangularPointsAndExactSum) {
    const Table w = Build(WindowKind::wkTriangular);
    EXPECT_EQ(w[0], 0.0f);
    EXPECT_EQ(w[256], 0.5f);
    EXPECT_EQ(w[512], 1.0f);
    EXPECT_EQ(w[1023], 0.001953125f);
    EXPECT_EQ(Sum(w), 512.0);
}

TEST(WindowTable, SineAndHannPoints) {
    const Table sine = Build(WindowKind::wkSine);
    EXPECT_EQ(sine[0], 0.0f);
    EXPECT_EQ(sine[512], 1.0f);
    EXPECT_EQ(sine[256], static_cast<float>(std::sqrt(0.5L)));

    const Table hann = Build(WindowKind::wkHann);
    EXPECT_EQ(hann[0], 0.0f);
    EXPECT_EQ(hann[256], 0.5f);
    EXPECT_EQ(hann[512], 1.0f);
    EXPECT_NEAR(Sum(hann), 512.0, 1e-5);
}

TEST(WindowTable, GaussianHasWidth256AroundTheCentre) {
    const Table w = Build(WindowKind::wkGaussian);
    EXPECT_EQ(w[0], 0.13533528f); // exp(-2)
    EXPECT_EQ(w[256], static_cast<float>(std::exp(-0.5L)));
    EXPECT_EQ(w[512], 1.0f);
}

TEST(WindowTable, LanczosIsTheSincOfTheCentredPosition) {
    const Table w = Build(WindowKind::wkLanczos);
    EXPECT_EQ(w[512], 1.0f);
    EXPECT_EQ(w[256], 0.63661975f); // 2 / pi
    EXPECT_LT(std::fabs(w[0]), 1e-16f);
    EXPECT_EQ(Sinc(0.0f), 1.0f);
    EXPECT_EQ(Sinc(0.5f), 0.63661975f);
    EXPECT_EQ(Sinc(-0.5f), Sinc(0.5f));
}

TEST(WindowTable, CosineSumWindowsEndPointsPeaksAndSums) {
    struct Expectation {
        WindowKind kind;
        float first;
        float peak;
        double sum; // 1024 times the constant term
    };
    const Expectation expectations[] = {
        {WindowKind::wkHamming, 0.08f, 1.0f, 552.96},
        {WindowKind::wkBlackman, 0.0f, 1.0f, 430.08},
        {WindowKind::wkNuttall, 0.0f, 1.0f, 364.306432},
        {WindowKind::wkFlatTop, 0.0f, 4.636f, 1024.0},
    };
    for (const Expectation& e : expectations) {
        const Table w = Build(e.kind);
        SCOPED_TRACE(static_cast<int>(e.kind));
        if (e.first == 0.0f) {
            EXPECT_LT(std::fabs(w[0]), 1e-16f);
        } else {
            EXPECT_EQ(w[0], e.first);
        }
        EXPECT_EQ(w[512], e.peak);
        EXPECT_NEAR(Sum(w), e.sum, 1e-4);
    }
}

TEST(WindowTable, FlatTopGoesNegative) {
    const Table w = Build(WindowKind::wkFlatTop);
    EXPECT_NEAR(w[256], -0.262, 0.0005);
}

TEST(WindowTable, PeriodicWindowsAreSymmetricAboutTheCentre) {
    for (int kind = 0; kind < analysis::WindowKindCount; ++kind) {
        if (static_cast<WindowKind>(kind) == WindowKind::wkKaiser) {
            continue;
        }
        const Table w = Build(static_cast<WindowKind>(kind));
        for (int d = 1; d <= 511; ++d) {
            // The two halves are evaluated from different angles, so allow one unit in the
            // last place of the coefficient.
            EXPECT_NEAR(w[512 - d], w[512 + d], std::fabs(w[512 + d]) * 1.2e-7f + 1e-30f)
                << "kind " << kind << " d " << d;
        }
    }
}

TEST(WindowTable, KaiserIsSymmetricWithTwoEqualPeaks) {
    const Table w = Build(WindowKind::wkKaiser);
    EXPECT_EQ(w[0], 2.2957746e-8f);
    EXPECT_EQ(w[1023], w[0]);
    EXPECT_EQ(w[511], 0.9999907f);
    EXPECT_EQ(w[512], w[511]);
    for (int c = 0; c < FrameLength; ++c) {
        EXPECT_EQ(w[c], w[1023 - c]) << c;
        EXPECT_LT(w[c], 1.0f);
    }
    for (int c = 1; c <= 511; ++c) {
        EXPECT_GT(w[c], w[c - 1]) << c;
    }
}

TEST(WindowTable, BuildingTheSameWindowAgainGivesAnIdenticalTable) {
    for (int kind = 0; kind < analysis::WindowKindCount; ++kind) {
        const Table first = Build(static_cast<WindowKind>(kind));
        const Table second = Build(static_cast<WindowKind>(kind));
        EXPECT_EQ(std::memcmp(first.data(), second.data(), sizeof first), 0) << kind;
    }
}

TEST(WindowTable, OtherLengthsStretchTheSameFormulas) {
    // A periodic window of 512 or 2048 points is the frame's sampled at half or twice the
    // rate: every coefficient of the shorter equals every other one of the longer, bit for
    // bit; Kaiser stays symmetric over its own length.
    for (const analysis::TWindowKindInfo& info : analysis::WindowKinds) {
        std::vector<float> half(512), frame(1024), twice(2048);
        analysis::FillWindow(info.Kind, half);
        analysis::FillWindow(info.Kind, frame);
        analysis::FillWindow(info.Kind, twice);
        for (std::size_t c = 0; c < half.size(); ++c) {
            if (info.Kind == WindowKind::wkKaiser) {
                EXPECT_EQ(half[c], half[511 - c]) << c;
                EXPECT_EQ(twice[c], twice[2047 - c]) << c;
            } else {
                EXPECT_EQ(half[c], frame[2 * c]) << info.ToolName << " " << c;
                EXPECT_EQ(frame[c], twice[2 * c]) << info.ToolName << " " << c;
            }
        }
    }
}

} // namespace

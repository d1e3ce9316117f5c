// SPDX-License-Identifier: GPL-3.0-or-later
// Sweeps the whole range the sliders allow, on a coarse grid, with the floating-point traps
// on: any invalid operation, division by zero or overflow in a frame kills the test.

#include "analysis/frames/tone_range.h"
#include "support/analyzer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace analysis;
using testing_support::Highest;
using testing_support::Ordinates;
using testing_support::RunFrame;

void ExpectPlottable(const Ordinates& ordinates) {
    for (const std::int32_t ordinate : ordinates) {
        ASSERT_GE(ordinate, 0);
        ASSERT_LE(ordinate, 237);
    }
}

TEST(FrameSweep, EveryFrequencyAtFullMiddleAndLowestLevel) {
    for (const int level : {MaxLevelDb, -80, MinLevelDb}) {
        StartAnalyzer(WindowKind::wkKaiser, level);
        for (int frequency = MinFrequencyHz; frequency <= MaxFrequencyHz; ++frequency) {
            const Ordinates ordinates = RunFrame(frequency, CodingMode::cmPCM);
            ExpectPlottable(ordinates);
            // 8000 Hz is sampled exactly at its zero crossings and shows nothing. At -160 dB a
            // frame of a tone within 8 Hz of 0 or 8000 Hz (whose samples follow a slow
            // envelope) can lie near a zero of it, where even its largest sample is too small
            // to plot.
            const int margin = level == MinLevelDb ? 8 : 1;
            if (frequency >= margin && frequency <= MaxFrequencyHz - margin) {
                ASSERT_GT(Highest(ordinates), 0) << frequency << " Hz at " << level << " dB";
            }
        }
    }
}

TEST(FrameSweep, EveryLevelAtEdgeAndTypicalFrequencies) {
    for (const int frequency : {0, 1, 7, 8, 1000, 4321, 7999, 8000}) {
        StartAnalyzer(WindowKind::wkKaiser, MaxLevelDb);
        int previousPeak = 1000;
        for (int level = MaxLevelDb; level >= MinLevelDb; --level) {
            SetLevel(level);
            const Ordinates ordinates = RunFrame(frequency, CodingMode::cmPCM);
            ExpectPlottable(ordinates);
            if (frequency == 1000) {
                // 1.46 pixels per dB: the peak never rises as the level falls.
                ASSERT_LE(Highest(ordinates), previousPeak) << level;
                previousPeak = Highest(ordinates);
            }
        }
    }
}

TEST(FrameSweep, EveryModeWithEveryWindow) {
    for (const TWindowKindInfo& window : WindowKinds) {
        for (const TCodingModeInfo& mode : CodingModes) {
            StartAnalyzer(window.Kind, MaxLevelDb);
            for (const int level : {MaxLevelDb, -1, -90, MinLevelDb + 1, MinLevelDb}) {
                SetLevel(level);
                for (int frequency = MinFrequencyHz; frequency <= MaxFrequencyHz;
                     frequency += 250) {
                    ExpectPlottable(RunFrame(frequency + (frequency > 0 ? -1 : 0), mode.Mode));
                    ExpectPlottable(RunFrame(frequency, mode.Mode));
                }
            }
        }
    }
}

TEST(FrameSweep, EveryModeAcrossAllFrequencies) {
    for (const TCodingModeInfo& mode : CodingModes) {
        StartAnalyzer(WindowKind::wkKaiser, -40);
        for (int frequency = MinFrequencyHz; frequency <= MaxFrequencyHz; frequency += 7) {
            ExpectPlottable(RunFrame(frequency, mode.Mode));
        }
    }
}

} // namespace

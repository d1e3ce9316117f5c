// Sweeps the whole range the sliders allow, on a coarse grid, with the floating-point traps
// on: any invalid operation, division by zero or overflow in a frame kills the test.

#include "support/analyzer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace analysis;
using testing_support::Highest;
using testing_support::Ordinates;
using testing_support::RunFrame;
using testing_support::StartAnalyzer;

constexpr CodingMode AllModes[] = {CodingMode::cmPCM, CodingMode::cmOrvexSqrt, CodingMode::cmIter1,
                                   CodingMode::cmIter2, CodingMode::cmIter3};

void ExpectPlottable(const Ordinates& ordinates) {
    for (const std::int32_t ordinate : ordinates) {
        ASSERT_GE(ordinate, 0);
        ASSERT_LE(ordinate, 237);
    }
}

TEST(FrameSweep, EveryFrequencyAtFullMiddleAndLowestLevel) {
    for (const int level : {0, -80, -160}) {
        StartAnalyzer(WindowKind::wkKaiser, level);
        for (int frequency = 0; frequency <= 8000; ++frequency) {
            const Ordinates ordinates = RunFrame(frequency, CodingMode::cmPCM);
            ExpectPlottable(ordinates);
            // 8000 Hz is sampled exactly at its zero crossings and shows nothing. At -160 dB a
            // frame of a tone within 8 Hz of 0 or 8000 Hz (whose samples follow a slow
            // envelope) can lie near a zero of it, where even its largest sample is too small
            // to plot.
            const int margin = level == -160 ? 8 : 1;
            if (frequency >= margin && frequency <= 8000 - margin) {
                ASSERT_GT(Highest(ordinates), 0) << frequency << " Hz at " << level << " dB";
            }
        }
    }
}

TEST(FrameSweep, EveryLevelAtEdgeAndTypicalFrequencies) {
    for (const int frequency : {0, 1, 7, 8, 1000, 4321, 7999, 8000}) {
        StartAnalyzer(WindowKind::wkKaiser);
        int previousPeak = 1000;
        for (int level = 0; level >= -160; --level) {
            AnalyzerState.Gain = GainFromAttenuation(-level);
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
    for (int window = 0; window < WindowKindCount; ++window) {
        for (const CodingMode mode : AllModes) {
            StartAnalyzer(static_cast<WindowKind>(window));
            for (const int level : {0, -1, -90, -159, -160}) {
                AnalyzerState.Gain = GainFromAttenuation(-level);
                for (int frequency = 0; frequency <= 8000; frequency += 250) {
                    ExpectPlottable(RunFrame(frequency + (frequency > 0 ? -1 : 0), mode));
                    ExpectPlottable(RunFrame(frequency, mode));
                }
            }
        }
    }
}

TEST(FrameSweep, EveryModeAcrossAllFrequencies) {
    for (const CodingMode mode : AllModes) {
        StartAnalyzer(WindowKind::wkKaiser, -40);
        for (int frequency = 0; frequency <= 8000; frequency += 7) {
            ExpectPlottable(RunFrame(frequency, mode));
        }
    }
}

} // namespace

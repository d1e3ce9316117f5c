// SPDX-License-Identifier: GPL-3.0-or-later
// Spectrogram columns read against a tone's known level and against the distortion figures,
// the level codes against their decibels, and the history ring and slots around their seams.

#include "analysis/frames/analyzer.h"
#include "analysis/figures/distortion_figures.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/coding/sample_coder.h"
#include "analysis/spectrogram/spectrogram_column_maker.h"
#include "analysis/spectrogram/spectrogram_columns.h"
#include "analysis/spectrogram/spectrogram_history.h"
#include "analysis/spectrogram/spectrogram_levels.h"
#include "analysis/spectrogram/spectrogram_recording.h"
#include "analysis/spectrogram/spectrogram_slotter.h"
#include "analysis/frames/tone_source.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;

constexpr int ToneHz = 1000; // on a bin's centre at every transform length
constexpr double FloorPower = 1e-12; // -120 dB

// Feeds `frames` frames of the tone, in `mode` at `levelDb`, to `maker` in blocks of uneven
// length; returns its columns' powers.
std::vector<std::array<std::vector<double>, SpectrogramLaneCount>>
ToneColumns(TSpectrogramColumnMaker& maker, CodingMode mode, int levelDb, int frames) {
    StartAnalyzer(maker.Window(), levelDb);
    TToneSource tone(ToneHz);
    std::vector<std::array<std::vector<double>, SpectrogramLaneCount>> columns;
    std::vector<double> coded(FrameLength), original(FrameLength);
    for (int frame = 0; frame < frames; ++frame) {
        TakeFrame(tone, mode, coded, original);
        constexpr std::array<std::size_t, 4> Cuts = {0, 300, 601, FrameLength};
        for (std::size_t block = 0; block + 1 < Cuts.size(); ++block) {
            const std::size_t cut = Cuts[block];
            const std::size_t length = Cuts[block + 1] - cut;
            maker.Feed(std::span(original).subspan(cut, length),
                       std::span(coded).subspan(cut, length), [&](const TSpectrogramColumn& c) {
                           EXPECT_EQ(c.Index, static_cast<std::int64_t>(columns.size()));
                           columns.push_back({});
                           for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
                               columns.back()[lane].assign(c.Power[lane].begin(), c.Power[lane].end());
                           }
                       });
        }
    }
    return columns;
}

TEST(Spectrogram, ToneOnABinReadsItsLevelInTheOriginalAndCodedLanesAndPcmHasNoError) {
    struct Row {
        WindowKind Window;
        int Length;
    };
    for (const Row row : {Row{WindowKind::wkKaiser, 1024}, Row{WindowKind::wkHann, 512},
                          Row{WindowKind::wkFlatTop, 2048}}) {
        for (const int levelDb : {0, -60}) {
            SCOPED_TRACE(std::string(Describe(row.Window).ToolName) + " " +
                         std::to_string(row.Length) + " at " + std::to_string(levelDb) + " dB");
            TSpectrogramColumnMaker maker(row.Length, row.Window);
            const auto columns = ToneColumns(maker, CodingMode::cmPCM, levelDb, 4);
            ASSERT_EQ(columns.size(), static_cast<std::size_t>((4 * FrameLength - row.Length) /
                                                               SpectrogramHop + 1));
            const auto bin = static_cast<std::size_t>(ToneHz * row.Length / SampleRate);
            for (const auto& lanes : columns) {
                for (const SpectrogramLane lane : {SpectrogramLane::slOriginal, SpectrogramLane::slCoded}) {
                    EXPECT_NEAR(PowerDecibels(lanes[static_cast<std::size_t>(lane)][bin]), levelDb, 0.1);
                }
                for (const double power : lanes[static_cast<std::size_t>(SpectrogramLane::slError)]) {
                    EXPECT_EQ(LevelCodeOfPower(power), 0); // below every floor the picture takes
                }
            }
        }
    }
}

TEST(Spectrogram, ErrorLaneOfTheFirstIterationHoldsTheHarmonicsTheDistortionFiguresReport) {
    TSpectrogramColumnMaker maker(FrameLength, WindowKind::wkKaiser);
    const auto columns = ToneColumns(maker, CodingMode::cmIter1, 0, 1);
    ASSERT_EQ(columns.size(), 1u);
    // The same frame, as the frames measure it.
    TransformFrame();
    const TDistortionFigures figures = MeasureDistortion(
        std::span<const Complex, OneSidedBins>(SpectrumBuffer.data(), OneSidedBins),
        WindowFiguresOf(WindowKind::wkKaiser));
    ASSERT_GT(figures.HarmonicsMeasured, 0);

    const int fundamental = ToneHz * FrameLength / SampleRate;
    std::set<int> harmonicBins; // folded into 0 .. 512, each counted once
    for (int harmonic = FirstHarmonic; harmonic <= LastHarmonic; ++harmonic) {
        const int bin = harmonic * fundamental % FrameLength;
        harmonicBins.insert(bin > FrameLength / 2 ? FrameLength - bin : bin);
    }
    const auto& error = columns[0][static_cast<std::size_t>(SpectrogramLane::slError)];
    double harmonics = 0.0;
    for (const int bin : harmonicBins) {
        harmonics += error[static_cast<std::size_t>(bin)];
    }
    EXPECT_NEAR(PowerDecibels(harmonics), figures.FundamentalDbfs + figures.ThdDb, 0.5);
    EXPECT_NEAR(PowerDecibels(columns[0][static_cast<std::size_t>(SpectrogramLane::slCoded)]
                                        [static_cast<std::size_t>(fundamental)]),
                figures.FundamentalDbfs, 0.1);
}

TEST(Spectrogram, CodedLaneIsTheCodedSamplesOwnTransformWhereTheErrorIsAsLargeAsTheSignal) {
    // An error as loud as the signal on its bin, a quarter turn and more out of phase with it:
    // the coded lane must read what a maker given the coded samples as its original reads.
    std::vector<double> original(4 * FrameLength), coded(original.size());
    for (std::size_t n = 0; n < original.size(); ++n) {
        const double phase = 2 * std::numbers::pi * ToneHz * static_cast<double>(n) / SampleRate;
        original[n] = 8000 * std::sin(phase);
        coded[n] = original[n] + 8000 * std::cos(phase + 1.0);
    }
    TSpectrogramColumnMaker maker(FrameLength, WindowKind::wkHann);
    TSpectrogramColumnMaker reference(FrameLength, WindowKind::wkHann);
    std::vector<std::vector<double>> codedLane;
    maker.Feed(original, coded, [&](const TSpectrogramColumn& c) {
        const auto lane = c.Lane(SpectrogramLane::slCoded);
        codedLane.emplace_back(lane.begin(), lane.end());
    });
    std::size_t column = 0;
    reference.Feed(coded, coded, [&](const TSpectrogramColumn& c) {
        const auto own = c.Lane(SpectrogramLane::slOriginal);
        for (std::size_t bin = 0; bin < own.size(); ++bin) {
            if (own[bin] > FloorPower) {
                ASSERT_NEAR(PowerDecibels(codedLane[column][bin]), PowerDecibels(own[bin]), 0.01)
                    << "column " << column << " bin " << bin;
            }
        }
        ++column;
    });
    EXPECT_EQ(column, codedLane.size());
}

TEST(Spectrogram, ColumnsMadeAgainFromTheRecordingAreThoseMadeAsTheSamplesCame) {
    // Runs of 9000 samples (Hann), 1000 (Kaiser: too few for a column) and 12000 (Hann),
    // recorded in a ring of 20000: the first run is made again from sample 2048 on, the first
    // kept a whole number of hops from its start.
    TSpectrogramRecording recording(20000);
    TSpectrogramColumns live(FrameLength);
    struct Run {
        WindowKind Window;
        int Samples;
    };
    int n = 0;
    for (const Run run : {Run{WindowKind::wkHann, 9000}, Run{WindowKind::wkKaiser, 1000},
                          Run{WindowKind::wkHann, 12000}}) {
        recording.StartRun(run.Window);
        live.StartRun(recording.End(), run.Window);
        for (int block = 0; block < run.Samples; block += 500, n += 500) {
            std::vector<double> original(500), coded(500);
            for (std::size_t k = 0; k < original.size(); ++k) {
                original[k] = 9000 * std::sin(0.05 * (n + static_cast<int>(k))) + (n + k) % 7;
                coded[k] = CodeSample(original[k], CodingMode::cmIter1);
            }
            recording.Add(original, coded);
            live.Feed(original, coded, [](std::int64_t) {});
        }
    }
    TSpectrogramColumns again(FrameLength);
    while (!again.CatchUp(recording, 3000)) {
    }
    EXPECT_EQ(again.History().Count(), 24 + 43);
    EXPECT_EQ(live.History().Count(), 32 + 43);
    for (std::int64_t column = 0; column < again.History().Count(); ++column) {
        const std::int64_t same = live.ColumnNearest(again.CentreSample(column)).value();
        ASSERT_EQ(live.CentreSample(same), again.CentreSample(column)) << column;
        const TLaneCodes made = again.History().Codes(column);
        const TLaneCodes came = live.History().Codes(same);
        for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
            for (std::size_t bin = 0; bin < made[lane].size(); ++bin) {
                // The samples kept as float: a level on a code's boundary may round the other
                // way, and their rounding shows 175 dB below a full-scale tone.
                if (came[lane][bin] >= LevelCodeOfPower(1e-16)) { // -160 dB
                    ASSERT_LE(std::abs(made[lane][bin] - came[lane][bin]), 1)
                        << column << " " << bin;
                }
            }
        }
    }
}

TEST(Spectrogram, LevelCodesRoundToTheNearestStepExactlyAtTheBoundaries) {
    struct Row {
        double Db;
        int Code;
    };
    for (const Row row : {Row{0, 247}, Row{-60, 167}, Row{-120, 87}, Row{6, 255}, Row{40, 255},
                          Row{-184.5, 1}, Row{-184.874, 1}, Row{-184.876, 0}, Row{-300, 0},
                          Row{-0.374, 247}, Row{-0.376, 246}, Row{0.376, 248}}) {
        EXPECT_EQ(LevelCodeOfPower(std::pow(10.0, row.Db / 10)), row.Code) << row.Db << " dB";
    }
    EXPECT_EQ(LevelCodeOfPower(0.0), 0);
    for (double db = -184.0; db < 6.0; db += 0.0137) {
        const int nearest = ZeroDbCode + static_cast<int>(std::lround(db / LevelStepDb));
        if (std::fabs(CodeLevelDb(nearest) - db) < 0.37) { // off the boundaries' rounding
            ASSERT_EQ(LevelCodeOfPower(std::pow(10.0, db / 10)), nearest) << db << " dB";
        }
    }
}

// Codes that tell column, lane and bin apart.
std::vector<std::uint8_t> Pattern(std::int64_t column, int bins) {
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(bins) * SpectrogramLaneCount);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        codes[i] = static_cast<std::uint8_t>(column * 37 + static_cast<std::int64_t>(i) * 11 + 1);
    }
    return codes;
}

TLaneCodes Lanes(const std::vector<std::uint8_t>& codes, int bins) {
    TLaneCodes lanes;
    for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
        lanes[lane] = std::span(codes).subspan(lane * static_cast<std::size_t>(bins),
                                               static_cast<std::size_t>(bins));
    }
    return lanes;
}

TEST(Spectrogram, HistoryRingWrapsWithoutASeamAndHoldsTenMinutesInUnder64MB) {
    constexpr int Bins = 7;
    TSpectrogramHistory history(Bins, 4);
    for (std::int64_t column = 0; column < 11; ++column) {
        history.Append(Lanes(Pattern(column, Bins), Bins));
    }
    EXPECT_EQ(history.Oldest(), 7);
    for (std::int64_t column = history.Oldest(); column < history.Count(); ++column) {
        const std::vector<std::uint8_t> expected = Pattern(column, Bins);
        const TLaneCodes codes = history.Codes(column);
        for (std::size_t lane = 0; lane < SpectrogramLaneCount; ++lane) {
            EXPECT_TRUE(std::equal(codes[lane].begin(), codes[lane].end(),
                                   expected.begin() + static_cast<std::ptrdiff_t>(lane * Bins)))
                << "column " << column << " lane " << lane;
        }
    }
    for (const int length : SpectrogramTransformLengths) {
        const TSpectrogramHistory tenMinutes = TSpectrogramHistory::ForTransform(length);
        EXPECT_GE(tenMinutes.Capacity(), 600 * 62.5) << length;
        EXPECT_LT(tenMinutes.Bytes(), length <= FrameLength ? 64u << 20 : 128u << 20) << length;
    }
}

TEST(Spectrogram, SlotsShowTheLoudestOfTheirColumnsOrSpreadAColumnOverSeveral) {
    struct Row {
        std::int64_t Columns;
        std::int64_t Slots;
        std::vector<std::pair<int, int>> ColumnsOfSlot; // first, end
    };
    constexpr std::array<std::uint8_t, 10> Loudness = {3, 9, 2, 7, 5, 1, 8, 4, 6, 0};
    for (const Row& row : {Row{10, 4, {{0, 2}, {2, 5}, {5, 7}, {7, 10}}},
                           Row{3, 7, {{0, 1}, {0, 1}, {0, 1}, {1, 2}, {1, 2}, {2, 3}, {2, 3}}}}) {
        TSpectrogramSlotter slotter(row.Columns, row.Slots, 1);
        std::vector<std::uint8_t> shown;
        for (std::size_t column = 0; column < static_cast<std::size_t>(row.Columns); ++column) {
            const std::vector<std::uint8_t> codes(SpectrogramLaneCount, Loudness[column]);
            slotter.Add(Lanes(codes, 1), [&](const TLaneCodes& slot) { shown.push_back(slot[2][0]); });
        }
        ASSERT_EQ(shown.size(), row.ColumnsOfSlot.size());
        for (std::size_t slot = 0; slot < shown.size(); ++slot) {
            const auto [first, end] = row.ColumnsOfSlot[slot];
            EXPECT_EQ(shown[slot], *std::max_element(Loudness.begin() + first, Loudness.begin() + end))
                << "slot " << slot;
        }
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The spectrogram picture: a sweep drawn where it is on both frequency axes, and the ring
// image painted without a seam whichever way time runs.

#include "analysis/frames/sample_source.h"
#include "analysis/spectrogram/spectrogram_column_maker.h"
#include "analysis/spectrogram/spectrogram_levels.h"
#include "analysis/spectrogram/spectrogram_slotter.h"
#include "charts/coder_curve_chart.h"
#include "charts/spectrogram_picture.h"
#include "sound/sound_file.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace analysis;
using charts::TSpectrogramLook;
using charts::TSpectrogramPicture;

constexpr int Bins = SpectrogramBins(FrameLength);

// Lanes of `codes`, which holds every lane's bins one after the other.
TLaneCodes Lanes(const std::vector<std::uint8_t>& codes, int bins) {
    TLaneCodes lanes;
    for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
        lanes[lane] = std::span(codes).subspan(lane * static_cast<std::size_t>(bins),
                                               static_cast<std::size_t>(bins));
    }
    return lanes;
}

TEST(SpectrogramPicture, ASweepDrawsItsLineWhereTheSweepIsOnTheLinearAndTheLogAxis) {
    const charts::TOffscreenPainting painting;
    const std::string path = testing::TempDir() + "orvex_spectrogram_sweep.wav";
    ASSERT_EQ(std::system((std::string(ORVEX_SOX) + " -n -r 16000 -e floating-point -b 32 '" +
                           path + "' synth 4 sine 100:7900")
                              .c_str()),
              0);
    sound::TSoundFile file(path);
    std::vector<long double> units(static_cast<std::size_t>(file.Info().Samples));
    file.Take(units);
    std::vector<double> samples(units.size());
    for (std::size_t k = 0; k < units.size(); ++k) {
        samples[k] = SourceSample(units[k], 1.0);
    }
    const auto columns = static_cast<std::int64_t>((samples.size() - FrameLength) / SpectrogramHop + 1);

    for (const charts::TFrequencyAxisInfo& axis : charts::FrequencyAxes) {
        SCOPED_TRACE(std::string(axis.ToolName));
        TSpectrogramLook look;
        look.Lanes = {true, false, false};
        look.Axis = axis.Axis;
        look.Colours = charts::ColourMap::clGrey;
        TSpectrogramPicture picture(look, QSize(600, 300));
        TSpectrogramSlotter slotter(columns, picture.Slots(), Bins);
        std::vector<std::uint8_t> codes(Bins * SpectrogramLaneCount);
        TSpectrogramColumnMaker maker(FrameLength, WindowKind::wkKaiser);
        maker.Feed(samples, samples, [&](const TSpectrogramColumn& column) {
            QuantiseLevels(column.Lane(SpectrogramLane::slOriginal), std::span(codes).first(Bins));
            slotter.Add(Lanes(codes, Bins), [&](const TLaneCodes& slot) { picture.AppendSlot(slot, 0.0); });
        });
        ASSERT_EQ(picture.SlotsDrawn(), picture.Slots());

        const QImage image = picture.Image();
        const QRect lane = picture.LaneArea(SpectrogramLane::slOriginal);
        // The row of a frequency, from the axis's own definition.
        const auto rowOf = [&](double hz) {
            const double height = axis.Axis == charts::FrequencyAxis::faLinear
                                      ? hz / 8000.0
                                      : std::log(hz / 50.0) / std::log(8000.0 / 50.0);
            return (1.0 - height) * lane.height();
        };
        // Below the lane's title, every 25th slot.
        for (int slot = 5; slot < picture.Slots(); slot += 25) {
            const double seconds = SpectrogramColumnSeconds(slotter.ColumnsOf(slot).first, FrameLength);
            const double sweepHz = 100.0 + 7800.0 * seconds / 4.0;
            int brightest = 0;
            for (int row = 0; row < lane.height(); ++row) {
                if (qRed(image.pixel(lane.left() + slot, lane.top() + row)) >
                    qRed(image.pixel(lane.left() + slot, lane.top() + brightest))) {
                    brightest = row;
                }
            }
            // Within a bin and a half of the sweep (and the row on either side).
            const double binHz = 15.625;
            EXPECT_GE(brightest, std::floor(rowOf(sweepHz + 1.5 * binHz)) - 1) << "slot " << slot;
            EXPECT_LE(brightest, std::ceil(rowOf(std::max(50.0, sweepHz - 1.5 * binHz))) + 1)
                << "slot " << slot << " at " << sweepHz << " Hz";
            // Drawn at its level: a sweep's power spreads over a few bins, 10 dB at most.
            EXPECT_GT(qRed(image.pixel(lane.left() + slot, lane.top() + brightest)), 255 * 11 / 12);
        }
    }
}

TEST(SpectrogramPicture, TheRingIsPaintedWithoutASeamWhicheverWayTimeRuns) {
    const charts::TOffscreenPainting painting;
    constexpr int ShortBins = SpectrogramBins(512);
    const auto pattern = [](std::int64_t slot) {
        std::vector<std::uint8_t> codes(ShortBins * SpectrogramLaneCount);
        for (std::size_t i = 0; i < codes.size(); ++i) {
            codes[i] = static_cast<std::uint8_t>((slot * 29 + static_cast<std::int64_t>(i) * 7) % 256);
        }
        return codes;
    };
    std::vector<QImage> plots;
    for (const charts::TimeDirection direction :
         {charts::TimeDirection::tdLeftToRight, charts::TimeDirection::tdRightToLeft}) {
        TSpectrogramLook look;
        look.TransformLength = 512;
        look.Direction = direction;
        // Past the wrap, and once exactly round the ring: the same last slots.
        TSpectrogramPicture wrapped(look, QSize(300, 200));
        TSpectrogramPicture once(look, QSize(300, 200));
        const std::int64_t total = wrapped.Slots() * 3 / 2 + 7;
        for (std::int64_t slot = 0; slot < total; ++slot) {
            const std::vector<std::uint8_t> codes = pattern(slot);
            wrapped.AppendSlot(Lanes(codes, ShortBins), slot * 0.016);
            if (slot >= total - once.Slots()) {
                once.AppendSlot(Lanes(codes, ShortBins), slot * 0.016);
            }
        }
        const QImage image = wrapped.Image();
        EXPECT_TRUE(image == once.Image());
        // The error lane below its title: what one direction shows, the other mirrors.
        plots.push_back(image.copy(wrapped.LaneArea(SpectrogramLane::slError).adjusted(0, 20, 0, 0)));
    }
    EXPECT_TRUE(plots[0].mirrored(true, false) == plots[1]);
}

} // namespace

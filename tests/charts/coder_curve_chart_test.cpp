// SPDX-License-Identifier: GPL-3.0-or-later
// The coder-curve chart on its own: what a screen reader is told, and where the pointer and
// the legend land on a chart of any size.

#include "charts/coder_curve_chart.h"
#include "charts/material_curve_chart.h"

#include <sstream>
#include <string>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using analysis::CoderKind;
using analysis::CurveAxis;

// The level curves at 997 Hz with the points at 0 dB and at -20 dB done, every coder's SNR
// there its place in the table plus 90 dB or 70 dB; the uncoded tone has no error.
charts::TCurveChartData TwoLevelPoints() {
    charts::TCurveChartData data = charts::EmptyChartData({CurveAxis::caLevel, 997, 0});
    for (const int index : {0, 20}) {
        for (const analysis::TCoderInfo& coder : analysis::Coders) {
            analysis::TCoderFigures& point = data.Points[analysis::CurveBufferIndex(index, coder.Kind)];
            point.Silent = false;
            point.Exact = coder.Kind == CoderKind::ckPCM;
            point.SnrDb = (index == 0 ? 90.0 : 70.0) + static_cast<int>(coder.Kind) + 0.25;
        }
        data.Done[static_cast<std::size_t>(index)] = true;
    }
    return data;
}

TEST(CoderCurveChart, AScreenReaderIsToldEachCodersSnrAtTheMarkedTone) {
    charts::TCurveChartData data = TwoLevelPoints();
    data.Marked = -20;
    const std::string description = charts::ChartDescription(data);
    EXPECT_EQ(description.rfind("SNR against level at 997 Hz; at -20 dB: ", 0), 0u) << description;
    EXPECT_NE(description.find(" no error; "), std::string::npos) << description;
    EXPECT_NE(description.find("; G.711 mu-law 76.25 dB;"), std::string::npos) << description;
    data.Marked = -1;
    EXPECT_NE(charts::ChartDescription(data).find(" PCM 16 bit not computed yet;"),
              std::string::npos);
}

// The material curves' CSV has a row for every gain, with figures only where the point is
// computed: one still on its way is empty, whatever its slots hold meanwhile.
TEST(MaterialCurveChart, CsvHoldsOnlyThePointsComputed) {
    charts::TMaterialChartData data;
    data.Name = "speech.wav";
    data.Points.assign(data.Points.size(), analysis::TMaterialPoint{20.5, 18.25});
    data.Done[0] = true;
    std::ostringstream csv;
    charts::WriteCurveCsv(data, csv);
    const std::string rows = csv.str().substr(csv.str().find('\n') + 1);
    EXPECT_EQ(rows.rfind("0,20.5000,18.2500,20.5000,", 0), 0u) << rows;
    EXPECT_NE(rows.find("\n-1" + std::string(2 * analysis::Coders.size(), ',') + "\n"), std::string::npos);
}

// Off the plot's centre, where a scale turned round would read otherwise.
TEST(CoderCurveChart, PointerAndLegendLandWhereTheyAreDrawn) {
    const charts::TCurveChartData data = TwoLevelPoints();
    const charts::TCoderCurveChart chart(data);
    const QRectF area(10, 20, 1900, 700);
    const QRectF plot = charts::TCoderCurveChart::PlotArea(area);
    // SNR rises upwards, the level to the right (point 0 is 0 dB).
    EXPECT_GT(charts::TCoderCurveChart::SnrAt(area, plot.top()), 150.0);
    EXPECT_LT(charts::TCoderCurveChart::SnrAt(area, plot.bottom()), 0.0);
    EXPECT_EQ(chart.PointAt(area, plot.right()), 0);
    EXPECT_EQ(chart.PointAt(area, plot.left()), analysis::CurvePointCount(CurveAxis::caLevel) - 1);
    EXPECT_EQ(chart.PointAt(area, plot.left() - 1), std::nullopt);
    // The legend, right of the plot, lists the coders top to bottom in the table's order.
    double y = area.top();
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        while (y < area.bottom() && chart.LegendEntryAt(area, {plot.right() + 50, y}) != coder.Kind) {
            ++y;
        }
        EXPECT_LT(y, area.bottom()) << coder.Caption;
    }
    EXPECT_EQ(chart.LegendEntryAt(area, plot.center()), std::nullopt);
}

// The chart judges each coder against the telephone mask as the analysis does, once the
// points it needs are in, and draws the mask only at the tones it is defined for.
TEST(CoderCurveChart, TheTelephoneMaskIsDrawnAndJudgedOnlyAt1004To1025Hz) {
    const charts::TOffscreenPainting painting;
    charts::TCurveChartData data = charts::EmptyChartData({CurveAxis::caLevel, 1020, 0});
    EXPECT_FALSE(charts::TelephoneMaskVerdicts(data));
    data.Points = analysis::ComputeCoderCurves(data.Request, {}, 2);
    data.Done.assign(data.Done.size(), true);
    const auto verdicts = charts::TelephoneMaskVerdicts(data);
    ASSERT_TRUE(verdicts);
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        const analysis::TMaskVerdict expected = analysis::CheckTelephoneMask(data.Points, coder.Kind);
        EXPECT_EQ((*verdicts)[static_cast<std::size_t>(coder.Kind)].Outcome, expected.Outcome);
    }
    const std::string summary = charts::TelephoneMaskSummary(data);
    EXPECT_EQ(summary.rfind("Telephone mask (0 dBm0 = -3.03 dB; distortion within 300 to 3400 Hz): "
                            "PCM 32 bit meets the telephone mask;", 0), 0u)
        << summary;
    EXPECT_NE(summary.find("; G.711 mu-law meets the telephone mask; G.711 A-law meets the telephone mask"),
              std::string::npos)
        << summary;
    EXPECT_NE(charts::ChartDescription(data).find(". " + summary), std::string::npos);

    // A reddish pixel on the mask's 36 dB plateau, with every curve hidden, at 1020 Hz and not
    // at 1000 Hz.
    data.Hidden.fill(true);
    const auto maskDrawn = [](const charts::TCurveChartData& chartData) {
        QImage image(charts::SavedChartSize, QImage::Format_RGB32);
        QPainter painter(&image);
        const QRectF area(QPointF(0, 0), charts::SavedChartSize);
        charts::TCoderCurveChart(chartData).Paint(painter, area);
        int y = 0;
        while (charts::TCoderCurveChart::SnrAt(area, y + 1) > 36.0) {
            ++y;
        }
        const QRectF plot = charts::TCoderCurveChart::PlotArea(area);
        for (int x = 0; x < 80; ++x) {
            const QColor pixel = image.pixelColor(static_cast<int>(plot.right()) - 60 - x / 2, y + x % 2);
            if (pixel.red() > 150 && pixel.green() < 120) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(maskDrawn(data));
    data.Request.FrequencyHz = 1000;
    EXPECT_FALSE(charts::ShowsTelephoneMask(data));
    EXPECT_FALSE(maskDrawn(data));
    EXPECT_EQ(charts::TelephoneMaskSummary(data), "");
}

} // namespace

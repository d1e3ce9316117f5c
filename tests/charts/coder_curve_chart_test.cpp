// SPDX-License-Identifier: GPL-3.0-or-later
// The coder-curve chart on its own: what a screen reader is told, and where the pointer and
// the legend land on a chart of any size.

#include "charts/coder_curve_chart.h"

#include <string>

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

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/coding/coder_kind.h"
#include "analysis/figures/material_curves.h"

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <QPointF>
#include <QRectF>

class QPainter;

namespace charts {

// Every coder's curves on real material as far as they are computed, and how they are shown.
struct TMaterialChartData {
    std::string Name;         // the material as the title names it; empty while none is given
    std::string Note;         // said in place of the curves while there are none; empty: the tone
    std::int64_t Samples = 0; // how much of it is measured, at 16000 Hz
    std::vector<analysis::TMaterialPoint> Points =
        std::vector<analysis::TMaterialPoint>(analysis::MaterialCurveBufferSize);
    std::vector<bool> Done = std::vector<bool>(analysis::MaterialCurvePoints, false);
    std::array<bool, analysis::Coders.size()> Hidden{};
    // The gain the window plays the material at (the level slider), in dB, marked when it
    // lies on the chart.
    std::optional<int> Marked;
};

// The material chart: SNR (solid) and segmental SNR (dashed) of each coder shown against the
// material's gain, 0 to -60 dB, with the marked gain, a legend and the progress while the
// points fill; without material, a line that says how to give it. Drawn as the tone's coder
// chart is, in the window and in saved files.
class TMaterialCurveChart {
public:
    explicit TMaterialCurveChart(const TMaterialChartData& data) : data_(data) {}
    void Paint(QPainter& painter, const QRectF& area) const;
    // The legend entry under `at` in a chart painted into `area`, or none.
    static std::optional<analysis::CoderKind> LegendEntryAt(const QRectF& area, QPointF at);

private:
    const TMaterialChartData& data_;
};

// The chart as PNG bytes or SVG text at SavedChartSize (needs a QGuiApplication).
std::string ChartPng(const TMaterialChartData& data);
std::string ChartSvg(const TMaterialChartData& data);
// The complete curves as CSV: a header "gain_db", then "<coder>_snr_db" and
// "<coder>_segmental_snr_db" per coder of the table; one row per gain, a figure left empty
// where there is none (an exact coder's SNR, a segmental SNR with no active segment).
void WriteCurveCsv(const TMaterialChartData& data, std::ostream& out);
// What a screen reader is told: the title, then each coder's figures at the marked gain.
std::string MaterialChartDescription(const TMaterialChartData& data);

} // namespace charts

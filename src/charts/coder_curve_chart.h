// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/coder_curves.h"
#include "analysis/coding/coder_kind.h"
#include "analysis/figures/telephone_mask.h"

#include <array>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include <QColor>
#include <QRectF>
#include <QSize>

class QPainter;

namespace charts {

// The curves of one request as far as they are computed, and how the chart shows them.
struct TCurveChartData {
    analysis::TCurveRequest Request{analysis::CurveAxis::caLevel, 1000, 0};
    // CurveBufferSize of the axis; a point counts once `Done` says so.
    std::vector<analysis::TCoderFigures> Points;
    std::vector<bool> Done; // per point
    std::array<bool, analysis::Coders.size()> Hidden{};
    // The abscissa of the tone the window plays (a level in dB or a frequency in Hz), marked
    // on the chart.
    std::optional<int> Marked;
};

// Makes empty data for `request`: no point done, every curve shown.
TCurveChartData EmptyChartData(const analysis::TCurveRequest& request);

// The chart's size in the tool's pictures and the window's saved ones, in pixels.
inline constexpr QSize SavedChartSize{880, 560};

// The colour of each coder's curve, in the coder table's order.
QColor CurveColor(analysis::CoderKind kind);

// The SNR coder chart: SNR in dB against the level or the frequency, one antialiased curve
// per coder shown, the theory lines dashed (on the level axis), the marked tone, a legend and
// the progress while the curves fill. Fonts are in pixels, so the picture does not depend on
// the screen's DPI. Drawn with Qt's painting only, in the window and in the headless tool.
class TCoderCurveChart {
public:
    explicit TCoderCurveChart(const TCurveChartData& data) : data_(data) {}

    // Paints the whole chart into `area` of `painter`'s device.
    void Paint(QPainter& painter, const QRectF& area) const;

    // Where the plot lies within `area`, and the point of an abscissa and an SNR in it.
    static QRectF PlotArea(const QRectF& area);
    // The SNR in dB at height `y` of a chart painted into `area`.
    static double SnrAt(const QRectF& area, double y);
    // The curve point nearest to `x` in a chart painted into `area`, or none outside the plot.
    std::optional<int> PointAt(const QRectF& area, double x) const;
    // The legend entry under `at` in a chart painted into `area`, or none.
    std::optional<analysis::CoderKind> LegendEntryAt(const QRectF& area, QPointF at) const;

private:
    const TCurveChartData& data_;
};

// The chart as an image of SavedChartSize (PNG bytes), or as SVG text. Needs a
// QGuiApplication (the tool makes one on the offscreen platform: see TOffscreenPainting).
std::string ChartPng(const TCurveChartData& data);
std::string ChartSvg(const TCurveChartData& data);

// Writes the complete curves as CSV: a header "level_db" or "frequency_hz", then one
// "<coder>_snr_db" column per coder of the table in its order; one row per point, a coder's
// SNR left empty where it has none (a silent tone, an exact coder).
void WriteCurveCsv(const TCurveChartData& data, std::ostream& out);

// Whether the chart draws the telephone mask: on the level axis at a tone of 1004 to 1025 Hz.
bool ShowsTelephoneMask(const TCurveChartData& data);

// Each coder's verdict against the telephone mask, in the coder table's order; none where the
// chart draws no mask or the points the verdict needs are not all computed yet.
std::optional<std::array<analysis::TMaskVerdict, analysis::Coders.size()>>
TelephoneMaskVerdicts(const TCurveChartData& data);

// Where the mask's distortion is counted, in words: "distortion within 300 to 3400 Hz".
std::string TelephoneBandText();

// One coder's verdict in words: "meets the telephone mask" or "falls below the telephone
// mask at -41.3 dBm0".
std::string MaskVerdictText(const analysis::TMaskVerdict& verdict);

// The line said under the chart: per coder, its verdict; empty where there is none.
std::string TelephoneMaskSummary(const TCurveChartData& data);

// The text a screen reader is told: per coder, the SNR at the marked tone, then the
// telephone mask's summary where there is one.
std::string ChartDescription(const TCurveChartData& data);

// A QGuiApplication on Qt's offscreen platform while it lives, for painting without a
// display; does nothing where an application object already exists.
class TOffscreenPainting {
public:
    TOffscreenPainting();
    ~TOffscreenPainting();
    TOffscreenPainting(const TOffscreenPainting&) = delete;
    TOffscreenPainting& operator=(const TOffscreenPainting&) = delete;

private:
    struct TApplication;
    TApplication* application_ = nullptr;
};

} // namespace charts

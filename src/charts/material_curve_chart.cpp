// SPDX-License-Identifier: GPL-3.0-or-later
#include "material_curve_chart.h"

#include "chart_files.h"
#include "chart_style.h"
#include "coder_curve_chart.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace charts {
namespace {

using namespace style;
using analysis::MaterialCurveBufferIndex;

// The SNR scale: 16-bit PCM on loud material tops it, a segmental SNR is within -10..35 dB.
constexpr double LowestSnrDb = -20;
constexpr double HighestSnrDb = 100;
constexpr double SnrTickDb = 20;
constexpr double GainTickDb = 10;
constexpr double LowestGainDb = analysis::MaterialCurveLowestGainDb;

constexpr const char* SegmentalCaption = "dashed: segmental";
constexpr const char* ToneNote =
    "The tone plays: open a sound file or live input from the spectrum menu to measure the coders on it.";

QRectF PlotArea(const QRectF& area) {
    return area.adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

QRectF LegendArea(const QRectF& area) {
    return {area.right() - RightMargin + 14, area.top() + TopMargin, RightMargin - 20,
            LegendRowHeight * static_cast<double>(analysis::Coders.size() + 1)};
}

double XOf(const QRectF& plot, double gainDb) {
    return plot.left() + (gainDb - LowestGainDb) / -LowestGainDb * plot.width();
}

double YOf(const QRectF& plot, double snrDb) {
    return plot.bottom() - (snrDb - LowestSnrDb) / (HighestSnrDb - LowestSnrDb) * plot.height();
}

QString Title(const TMaterialChartData& data) {
    return QStringLiteral("SNR against gain on %1 (%2 s)")
        .arg(QString::fromStdString(data.Name), Number(static_cast<double>(data.Samples) / analysis::SampleRate, 1));
}

// A figure worth drawing or writing: finite (an exact coder's +inf and an unmeasurable NaN
// are not).
std::optional<double> Shown(double figure) {
    return std::isfinite(figure) ? std::optional(figure) : std::nullopt;
}

} // namespace

void TMaterialCurveChart::Paint(QPainter& painter, const QRectF& area) const {
    const QRectF plot = PlotArea(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, Background);
    painter.setFont(PixelFont(TextPixels));
    for (double snr = LowestSnrDb; snr <= HighestSnrDb; snr += SnrTickDb) {
        const double y = YOf(plot, snr);
        painter.setPen(QPen(GridColor, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(TextColor);
        painter.drawText(QRectF(area.left(), y - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         Number(snr, 0));
    }
    for (double gain = LowestGainDb; gain <= 0; gain += GainTickDb) {
        const double x = XOf(plot, gain);
        painter.setPen(QPen(GridColor, 1));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        painter.setPen(TextColor);
        painter.drawText(QRectF(x - 40, plot.bottom() + 4, 80, 16), Qt::AlignCenter, Number(gain, 0));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 22, plot.width(), 18), Qt::AlignCenter,
                     QStringLiteral("Gain on the material (dB)"));
    painter.save();
    painter.translate(area.left() + 12, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-80, -10, 160, 20), Qt::AlignCenter, QStringLiteral("SNR (dB)"));
    painter.restore();
    if (data_.Name.empty()) {
        painter.drawText(plot.adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap,
                         data_.Note.empty() ? QString::fromUtf8(ToneNote) : QString::fromStdString(data_.Note));
        painter.setPen(QPen(TextColor, 1));
        painter.drawRect(plot);
        painter.restore();
        return;
    }
    painter.setFont(PixelFont(TitlePixels));
    painter.drawText(QRectF(plot.left(), area.top() + 6, plot.width(), 24), Qt::AlignCenter, Title(data_));
    painter.setFont(PixelFont(TextPixels));

    painter.setClipRect(plot);
    // Each coder's SNR solid and its segmental SNR dashed, broken where a point has none.
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        if (data_.Hidden[static_cast<std::size_t>(coder.Kind)]) {
            continue;
        }
        for (const bool segmental : {false, true}) {
            const QPainterPath path = BrokenCurve(0, analysis::MaterialCurvePoints - 1, [&](int index) -> std::optional<QPointF> {
                const analysis::TMaterialPoint& point = data_.Points[MaterialCurveBufferIndex(index, coder.Kind)];
                const std::optional<double> snr =
                    data_.Done[static_cast<std::size_t>(index)]
                        ? Shown(segmental ? point.SegmentalSnrDb : point.SnrDb)
                        : std::nullopt;
                if (!snr) {
                    return std::nullopt;
                }
                return QPointF(XOf(plot, analysis::MaterialCurveGainDb(index)),
                               YOf(plot, std::clamp(*snr, LowestSnrDb - 10, HighestSnrDb + 10)));
            });
            painter.setPen(QPen(CurveColor(coder.Kind), segmental ? 1.3 : 1.6,
                                segmental ? Qt::DashLine : Qt::SolidLine));
            painter.drawPath(path);
        }
    }
    if (data_.Marked && *data_.Marked >= LowestGainDb && *data_.Marked <= 0) {
        const double x = XOf(plot, *data_.Marked);
        painter.setPen(QPen(MarkColor, 1, Qt::DotLine));
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    painter.setClipping(false);
    painter.setPen(QPen(TextColor, 1));
    painter.drawRect(plot);
    const auto done = std::count(data_.Done.begin(), data_.Done.end(), true);
    if (done < analysis::MaterialCurvePoints) {
        painter.drawText(QRectF(plot.left(), plot.top() + 4, plot.width() - 6, 16), Qt::AlignRight,
                         QStringLiteral("Computing: %1 of %2 points").arg(done).arg(analysis::MaterialCurvePoints));
    }

    const QRectF legend = LegendArea(area);
    for (std::size_t row = 0; row < analysis::Coders.size(); ++row) {
        const analysis::TCoderInfo& coder = analysis::Coders[row];
        const bool hidden = data_.Hidden[static_cast<std::size_t>(coder.Kind)];
        const QRectF box = LegendRow(legend, row);
        painter.setPen(QPen(hidden ? HiddenColor : CurveColor(coder.Kind), 2.0));
        painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.left() + LegendSwatch, box.center().y()));
        painter.setPen(hidden ? HiddenColor : TextColor);
        painter.drawText(box.adjusted(LegendSwatch + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(coder.Caption.data(), static_cast<qsizetype>(coder.Caption.size())));
    }
    const QRectF box = LegendRow(legend, analysis::Coders.size());
    painter.setPen(QPen(TextColor, 1.3, Qt::DashLine));
    painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.left() + LegendSwatch, box.center().y()));
    painter.setPen(TextColor);
    painter.drawText(box.adjusted(LegendSwatch + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8(SegmentalCaption));
    painter.restore();
}

std::optional<analysis::CoderKind> TMaterialCurveChart::LegendEntryAt(const QRectF& area, QPointF at) {
    const QRectF legend = LegendArea(area);
    for (std::size_t row = 0; row < analysis::Coders.size(); ++row) {
        if (LegendRow(legend, row).contains(at)) {
            return analysis::Coders[row].Kind;
        }
    }
    return std::nullopt;
}

std::string ChartPng(const TMaterialChartData& data) {
    return PaintedPng(SavedChartSize, [&data](QPainter& painter, const QRectF& area) {
        TMaterialCurveChart(data).Paint(painter, area);
    });
}

std::string ChartSvg(const TMaterialChartData& data) {
    return PaintedSvg(SavedChartSize, Title(data), [&data](QPainter& painter, const QRectF& area) {
        TMaterialCurveChart(data).Paint(painter, area);
    });
}

void WriteCurveCsv(const TMaterialChartData& data, std::ostream& out) {
    out << "gain_db";
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        out << ',' << coder.ToolName << "_snr_db," << coder.ToolName << "_segmental_snr_db";
    }
    out << '\n';
    for (int index = 0; index < analysis::MaterialCurvePoints; ++index) {
        out << analysis::MaterialCurveGainDb(index);
        const bool done = data.Done[static_cast<std::size_t>(index)];
        for (const analysis::TCoderInfo& coder : analysis::Coders) {
            const analysis::TMaterialPoint& point = data.Points[MaterialCurveBufferIndex(index, coder.Kind)];
            for (const double figure : {point.SnrDb, point.SegmentalSnrDb}) {
                const std::optional<double> shown = done ? Shown(figure) : std::nullopt;
                out << ',' << (shown ? Number(*shown, 4).toStdString() : std::string());
            }
        }
        out << '\n';
    }
}

std::string MaterialChartDescription(const TMaterialChartData& data) {
    if (data.Name.empty()) {
        return data.Note.empty() ? ToneNote : data.Note;
    }
    std::string text = Title(data).toStdString();
    if (!data.Marked || *data.Marked < LowestGainDb || *data.Marked > 0) {
        return text;
    }
    const int index = -*data.Marked / analysis::MaterialCurveStepDb;
    text += "; at " + std::to_string(*data.Marked) + " dB:";
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        text += " " + std::string(coder.Caption);
        if (!data.Done[static_cast<std::size_t>(index)]) {
            text += " not computed yet;";
            continue;
        }
        const analysis::TMaterialPoint& point = data.Points[MaterialCurveBufferIndex(index, coder.Kind)];
        const std::optional<double> snr = Shown(point.SnrDb);
        const std::optional<double> segmental = Shown(point.SegmentalSnrDb);
        text += " SNR " + (snr ? Number(*snr, 2).toStdString() + " dB" : std::string("none")) +
                ", segmental " + (segmental ? Number(*segmental, 2).toStdString() + " dB" : std::string("none")) + ";";
    }
    text.pop_back();
    return text;
}

} // namespace charts

// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curve_chart.h"

#include "chart_files.h"
#include "chart_style.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace charts {
namespace {

using analysis::CoderKind;
using analysis::CurveAxis;
using namespace style;

// The SNR scale: what the curves need from the quietest tone to the best coder at full
// scale; points beyond it (a frequency whose samples are almost all zero) are clipped.
constexpr double LowestSnrDb = -20;
constexpr double HighestSnrDb = 160;
constexpr double SnrTickDb = 20;
constexpr double LevelTickDb = 20;
constexpr double FrequencyTickHz = 1000;

const QColor MaskColor(255, 70, 70);
constexpr const char* MaskCaption = "G.712 mask";
constexpr const char* BandCaption = "SNR in 0.3-3.4 kHz";

constexpr std::array<QRgb, analysis::Coders.size()> CoderColors = {
    qRgb(150, 150, 150), // uncoded: exact everywhere, so never drawn
    qRgb(0, 200, 160),   qRgb(240, 120, 60), qRgb(210, 200, 60), qRgb(120, 160, 255),
    qRgb(235, 235, 235), qRgb(230, 80, 160), qRgb(165, 115, 235),
};

// The abscissas' range, left to right: levels rise to full scale, frequencies to 8 kHz.
std::pair<double, double> AbscissaRange(CurveAxis axis) {
    const int last = analysis::CurvePointCount(axis) - 1;
    const double a = analysis::CurveAbscissa(axis, 0);
    const double b = analysis::CurveAbscissa(axis, last);
    return {std::min(a, b), std::max(a, b)};
}

double XOf(const QRectF& plot, CurveAxis axis, double abscissa) {
    const auto [low, high] = AbscissaRange(axis);
    return plot.left() + (abscissa - low) / (high - low) * plot.width();
}

double YOf(const QRectF& plot, double snrDb) {
    return plot.bottom() - (snrDb - LowestSnrDb) / (HighestSnrDb - LowestSnrDb) * plot.height();
}

// Where point `index` of a curve with `snr` is drawn (clipped well beyond the scale); none
// without an SNR.
std::optional<QPointF> PointOf(const QRectF& plot, CurveAxis axis, int index, std::optional<double> snr) {
    if (!snr) {
        return std::nullopt;
    }
    return QPointF(XOf(plot, axis, analysis::CurveAbscissa(axis, index)),
                   YOf(plot, std::clamp(*snr, LowestSnrDb - 10, HighestSnrDb + 10)));
}

QString AbscissaText(CurveAxis axis, double value) {
    return axis == CurveAxis::caLevel ? Number(value, 0) + QStringLiteral(" dB")
                                      : Number(value, 0) + QStringLiteral(" Hz");
}

QString Title(const analysis::TCurveRequest& request) {
    return request.Axis == CurveAxis::caLevel
               ? QStringLiteral("SNR against level at %1 Hz").arg(request.FrequencyHz)
               : QStringLiteral("SNR against frequency at %1 dB").arg(request.LevelDb);
}

QRectF LegendArea(const QRectF& area) {
    return {area.right() - RightMargin + 14, area.top() + TopMargin, RightMargin - 20,
            LegendRowHeight * (analysis::Coders.size() + 4)};
}

// The theory lines, each drawn dashed in the colour of the coders it describes.
struct TTheoryLine {
    const char* Caption;
    CoderKind ColorOf;
    double (*SnrDb)(double levelDb);
};

constexpr TTheoryLine TheoryLines[] = {
    {"16-bit theory", CoderKind::ckLinear16,
     [](double levelDb) {
         return analysis::UniformQuantiserSnrDb(analysis::UniformTheoryBits, levelDb);
     }},
    {"Sqrt model", CoderKind::ckOrvexSqrt,
     [](double levelDb) {
         return analysis::SquareRootCoderModelSnrDb(analysis::SquareRootCoderSteps, levelDb);
     }},
};

std::string Shortest(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string();
}

// The index of the point nearest to `abscissa`.
int NearestPoint(CurveAxis axis, double abscissa) {
    int best = 0;
    for (int index = 1; index < analysis::CurvePointCount(axis); ++index) {
        if (std::abs(analysis::CurveAbscissa(axis, index) - abscissa) <
            std::abs(analysis::CurveAbscissa(axis, best) - abscissa)) {
            best = index;
        }
    }
    return best;
}

} // namespace

TCurveChartData EmptyChartData(const analysis::TCurveRequest& request) {
    TCurveChartData data;
    data.Request = request;
    data.Points.assign(analysis::CurveBufferSize(request.Axis), analysis::TCoderFigures{});
    data.Done.assign(static_cast<std::size_t>(analysis::CurvePointCount(request.Axis)), false);
    return data;
}

QColor CurveColor(CoderKind kind) {
    return QColor(CoderColors[static_cast<std::size_t>(kind)]);
}

QRectF TCoderCurveChart::PlotArea(const QRectF& area) {
    return area.adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
}

void TCoderCurveChart::Paint(QPainter& painter, const QRectF& area) const {
    const CurveAxis axis = data_.Request.Axis;
    const QRectF plot = PlotArea(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, Background);

    // The grid and its scales.
    painter.setFont(PixelFont(TextPixels));
    painter.setPen(QPen(GridColor, 1));
    for (double snr = LowestSnrDb; snr <= HighestSnrDb; snr += SnrTickDb) {
        const double y = YOf(plot, snr);
        painter.setPen(QPen(GridColor, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(TextColor);
        painter.drawText(QRectF(area.left(), y - 8, LeftMargin - 6, 16),
                         Qt::AlignRight | Qt::AlignVCenter, Number(snr, 0));
    }
    const auto [low, high] = AbscissaRange(axis);
    const double tick = axis == CurveAxis::caLevel ? LevelTickDb : FrequencyTickHz;
    for (double x = low; x <= high; x += tick) {
        const double px = XOf(plot, axis, x);
        painter.setPen(QPen(GridColor, 1));
        painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
        painter.setPen(TextColor);
        painter.drawText(QRectF(px - 40, plot.bottom() + 4, 80, 16), Qt::AlignCenter,
                         Number(x, 0));
    }
    painter.drawText(QRectF(plot.left(), plot.bottom() + 22, plot.width(), 18), Qt::AlignCenter,
                     axis == CurveAxis::caLevel ? QStringLiteral("Level (dB relative to full scale)")
                                                : QStringLiteral("Frequency (Hz)"));
    painter.save();
    painter.translate(area.left() + 12, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-80, -10, 160, 20), Qt::AlignCenter, QStringLiteral("SNR (dB)"));
    painter.restore();
    painter.setFont(PixelFont(TitlePixels));
    painter.drawText(QRectF(plot.left(), area.top() + 6, plot.width(), 24), Qt::AlignCenter,
                     Title(data_.Request));
    painter.setFont(PixelFont(TextPixels));

    painter.setClipRect(plot);
    // The theory lines, dashed, where they belong: against the level.
    if (axis == CurveAxis::caLevel) {
        for (const TTheoryLine& line : TheoryLines) {
            if (data_.Hidden[static_cast<std::size_t>(line.ColorOf)]) {
                continue;
            }
            QPainterPath path;
            path.moveTo(XOf(plot, axis, low), YOf(plot, line.SnrDb(low)));
            path.lineTo(XOf(plot, axis, high), YOf(plot, line.SnrDb(high)));
            painter.setPen(QPen(CurveColor(line.ColorOf), 1.2, Qt::DashLine));
            painter.drawPath(path);
        }
    }
    // The telephone mask, its corners placed on our level scale.
    const bool mask = ShowsTelephoneMask(data_);
    if (mask) {
        QPainterPath path;
        for (const analysis::TMaskCorner& corner : analysis::TelephoneMask) {
            const QPointF point(XOf(plot, axis, analysis::Dbm0ToDbfs(corner.LevelDbm0)),
                                YOf(plot, corner.SnrDb));
            path.elementCount() == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        painter.setPen(QPen(MaskColor, 1.4, Qt::DashDotLine));
        painter.drawPath(path);
    }
    // The curves, broken where a point has no SNR or is not computed yet.
    const int count = analysis::CurvePointCount(axis);
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        if (data_.Hidden[static_cast<std::size_t>(coder.Kind)]) {
            continue;
        }
        const QPainterPath path = BrokenCurve(0, count - 1, [&](int index) {
            return PointOf(plot, axis, index,
                           data_.Done[static_cast<std::size_t>(index)]
                               ? analysis::PlottedSnrDb(data_.Points[analysis::CurveBufferIndex(index, coder.Kind)])
                               : std::nullopt);
        });
        painter.setPen(QPen(CurveColor(coder.Kind), 1.6));
        painter.drawPath(path);
    }
    // What the mask is read against, dotted: each coder's SNR within the telephone band.
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        if (!mask || data_.Hidden[static_cast<std::size_t>(coder.Kind)]) {
            continue;
        }
        const analysis::TPointSpan span = analysis::TelephoneMaskPoints();
        const QPainterPath path = BrokenCurve(span.First, span.Last, [&](int index) {
            return PointOf(plot, axis, index,
                           data_.Done[static_cast<std::size_t>(index)]
                               ? data_.Points[analysis::CurveBufferIndex(index, coder.Kind)].TelephoneBandSnrDb
                               : std::nullopt);
        });
        painter.setPen(QPen(CurveColor(coder.Kind), 1.4, Qt::DotLine));
        painter.drawPath(path);
    }
    // The tone the window plays.
    if (data_.Marked) {
        const double px = XOf(plot, axis, *data_.Marked);
        painter.setPen(QPen(MarkColor, 1, Qt::DotLine));
        painter.drawLine(QPointF(px, plot.top()), QPointF(px, plot.bottom()));
        painter.setPen(TextColor);
        // Beside the line, on the side where the plot has room.
        constexpr double LabelWidth = 90;
        const bool left = px + 4 + LabelWidth > plot.right();
        painter.drawText(QRectF(left ? px - 4 - LabelWidth : px + 4, plot.top() + 4, LabelWidth, 16),
                         left ? Qt::AlignRight : Qt::AlignLeft, AbscissaText(axis, *data_.Marked));
    }
    painter.setClipping(false);
    painter.setPen(QPen(TextColor, 1));
    painter.drawRect(plot);

    // How far the computation is.
    const auto done = std::count(data_.Done.begin(), data_.Done.end(), true);
    if (done < count) {
        painter.drawText(QRectF(plot.left(), plot.top() + 4, plot.width() - 6, 16), Qt::AlignRight,
                         QStringLiteral("Computing: %1 of %2 points").arg(done).arg(count));
    }

    // The legend: a swatch and a caption per coder, greyed when hidden, then the theory.
    const QRectF legend = LegendArea(area);
    for (std::size_t row = 0; row < analysis::Coders.size() + std::size(TheoryLines); ++row) {
        const QRectF box = LegendRow(legend, row);
        const bool theory = row >= analysis::Coders.size();
        const CoderKind kind = theory ? TheoryLines[row - analysis::Coders.size()].ColorOf
                                      : analysis::Coders[row].Kind;
        const bool hidden = data_.Hidden[static_cast<std::size_t>(kind)];
        const double y = box.center().y();
        painter.setPen(QPen(hidden ? HiddenColor : CurveColor(kind), theory ? 1.2 : 2.0,
                            theory ? Qt::DashLine : Qt::SolidLine));
        painter.drawLine(QPointF(box.left(), y), QPointF(box.left() + LegendSwatch, y));
        painter.setPen(hidden ? HiddenColor : TextColor);
        painter.drawText(box.adjusted(LegendSwatch + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(theory ? TheoryLines[row - analysis::Coders.size()].Caption
                                                  : analysis::Coders[row].Caption.data(),
                                           theory ? -1
                                                  : static_cast<qsizetype>(
                                                        analysis::Coders[row].Caption.size())));
    }
    if (mask) {
        const QRectF box = LegendRow(legend, analysis::Coders.size() + std::size(TheoryLines));
        const double y = box.center().y();
        painter.setPen(QPen(MaskColor, 1.4, Qt::DashDotLine));
        painter.drawLine(QPointF(box.left(), y), QPointF(box.left() + LegendSwatch, y));
        painter.setPen(TextColor);
        painter.drawText(box.adjusted(LegendSwatch + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(MaskCaption));
        const QRectF band = LegendRow(legend, analysis::Coders.size() + std::size(TheoryLines) + 1);
        painter.setPen(QPen(TextColor, 1.4, Qt::DotLine));
        painter.drawLine(QPointF(band.left(), band.center().y()),
                         QPointF(band.left() + LegendSwatch, band.center().y()));
        painter.setPen(TextColor);
        painter.drawText(band.adjusted(LegendSwatch + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(BandCaption));
    }
    painter.restore();
}

double TCoderCurveChart::SnrAt(const QRectF& area, double y) {
    const QRectF plot = PlotArea(area);
    return LowestSnrDb + (plot.bottom() - y) / plot.height() * (HighestSnrDb - LowestSnrDb);
}

std::optional<int> TCoderCurveChart::PointAt(const QRectF& area, double x) const {
    const QRectF plot = PlotArea(area);
    if (x < plot.left() || x > plot.right()) {
        return std::nullopt;
    }
    const auto [low, high] = AbscissaRange(data_.Request.Axis);
    return NearestPoint(data_.Request.Axis,
                        low + (x - plot.left()) / plot.width() * (high - low));
}

std::optional<CoderKind> TCoderCurveChart::LegendEntryAt(const QRectF& area, QPointF at) const {
    const QRectF legend = LegendArea(area);
    for (std::size_t row = 0; row < analysis::Coders.size(); ++row) {
        if (LegendRow(legend, row).contains(at)) {
            return analysis::Coders[row].Kind;
        }
    }
    return std::nullopt;
}

std::string ChartPng(const TCurveChartData& data) {
    return PaintedPng(SavedChartSize, [&data](QPainter& painter, const QRectF& area) {
        TCoderCurveChart(data).Paint(painter, area);
    });
}

std::string ChartSvg(const TCurveChartData& data) {
    return PaintedSvg(SavedChartSize, Title(data.Request), [&data](QPainter& painter, const QRectF& area) {
        TCoderCurveChart(data).Paint(painter, area);
    });
}

void WriteCurveCsv(const TCurveChartData& data, std::ostream& out) {
    const CurveAxis axis = data.Request.Axis;
    out << (axis == CurveAxis::caLevel ? "level_db" : "frequency_hz");
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        out << ',' << coder.ToolName << "_snr_db";
    }
    out << '\n';
    for (int index = 0; index < analysis::CurvePointCount(axis); ++index) {
        out << analysis::CurveAbscissa(axis, index);
        for (const analysis::TCoderInfo& coder : analysis::Coders) {
            const std::optional<double> snr = analysis::PlottedSnrDb(
                data.Points[analysis::CurveBufferIndex(index, coder.Kind)]);
            out << ',' << (snr && data.Done[static_cast<std::size_t>(index)] ? Shortest(*snr) : "");
        }
        out << '\n';
    }
}

bool ShowsTelephoneMask(const TCurveChartData& data) {
    return data.Request.Axis == CurveAxis::caLevel &&
           analysis::TelephoneMaskApplies(data.Request.FrequencyHz);
}

std::optional<std::array<analysis::TMaskVerdict, analysis::Coders.size()>>
TelephoneMaskVerdicts(const TCurveChartData& data) {
    if (!ShowsTelephoneMask(data)) {
        return std::nullopt;
    }
    const analysis::TPointSpan needed = analysis::TelephoneMaskPoints();
    for (int index = needed.First; index <= needed.Last; ++index) {
        if (!data.Done[static_cast<std::size_t>(index)]) {
            return std::nullopt;
        }
    }
    std::array<analysis::TMaskVerdict, analysis::Coders.size()> verdicts{};
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        verdicts[static_cast<std::size_t>(coder.Kind)] =
            analysis::CheckTelephoneMask(data.Points, coder.Kind);
    }
    return verdicts;
}

std::string TelephoneBandText() {
    return "distortion within " + Number(analysis::TelephoneBandLowestHz, 0).toStdString() + " to " +
           Number(analysis::TelephoneBandHighestHz, 0).toStdString() + " Hz";
}

std::string MaskVerdictText(const analysis::TMaskVerdict& verdict) {
    if (verdict.Outcome == analysis::MaskOutcome::moMeets) {
        return "meets the telephone mask";
    }
    // Rounded to 0.1 dB, and never shown as "-0.0".
    const double shown = std::round(verdict.FirstBelowDbm0 * 10) / 10;
    return "falls below the telephone mask at " + Number(shown == 0 ? 0.0 : shown, 1).toStdString() +
           " dBm0";
}

std::string TelephoneMaskSummary(const TCurveChartData& data) {
    const auto verdicts = TelephoneMaskVerdicts(data);
    if (!verdicts) {
        return {};
    }
    std::string text = "Telephone mask (0 dBm0 = " +
                       Number(analysis::Dbm0ToDbfs(0), 2).toStdString() + " dB; " + TelephoneBandText() + "):";
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        text += " " + std::string(coder.Caption) + " " +
                MaskVerdictText((*verdicts)[static_cast<std::size_t>(coder.Kind)]) + ";";
    }
    text.pop_back();
    return text;
}

std::string ChartDescription(const TCurveChartData& data) {
    const CurveAxis axis = data.Request.Axis;
    std::string text = Title(data.Request).toStdString();
    const std::string mask = TelephoneMaskSummary(data);
    if (!data.Marked) {
        return mask.empty() ? text : text + ". " + mask;
    }
    const int index = NearestPoint(axis, *data.Marked);
    text += "; at " + AbscissaText(axis, *data.Marked).toStdString() + ":";
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        text += " " + std::string(coder.Caption) + " ";
        if (!data.Done[static_cast<std::size_t>(index)]) {
            text += "not computed yet;";
            continue;
        }
        const std::optional<double> snr =
            analysis::PlottedSnrDb(data.Points[analysis::CurveBufferIndex(index, coder.Kind)]);
        text += snr ? Number(*snr, 2).toStdString() + " dB;" : std::string("no error;");
    }
    text.pop_back();
    return mask.empty() ? text : text + ". " + mask;
}

struct TOffscreenPainting::TApplication {
    int argc = 1;
    char name[16] = "orvex-frames";
    char* argv[2] = {name, nullptr};
    QGuiApplication application{argc, argv};
};

TOffscreenPainting::TOffscreenPainting() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    // Painting needs an application for its fonts, and no display. Qt's remarks about the
    // session it runs in (a missing runtime folder, say) are no business of a tool whose
    // standard error carries its own one-line errors; a fatal one still ends the process.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            std::abort();
        }
    });
    application_ = new TApplication;
}

TOffscreenPainting::~TOffscreenPainting() {
    if (application_ != nullptr) {
        delete application_;
        qInstallMessageHandler(nullptr);
    }
}

} // namespace charts

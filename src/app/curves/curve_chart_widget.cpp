// SPDX-License-Identifier: GPL-3.0-or-later
#include "curve_chart_widget.h"

#include "app/common/thread_handover.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace app {
namespace {

// One worker per chart: the window's two charts then use both cores between them, and the
// user interface keeps its own thread.
constexpr int ThreadsPerChart = 1;
constexpr QSize SmallestChart{640, 400};

} // namespace

TCurveChartWidget::TCurveChartWidget(analysis::CurveAxis axis, TReadout readout, QWidget* parent)
    : QWidget(parent), axis_(axis), readout_(std::move(readout)), runner_(ThreadsPerChart) {
    setMinimumSize(SmallestChart);
    setMouseTracking(true);
    setAccessibleName(axis == analysis::CurveAxis::caLevel ? QStringLiteral("SNR against level")
                                                           : QStringLiteral("SNR against frequency"));
}

TCurveChartWidget::~TCurveChartWidget() {
    // No callback may reach the widget once it is gone.
    runner_.Stop();
}

bool TCurveChartWidget::Complete() const {
    return !data_.Done.empty() && std::all_of(data_.Done.begin(), data_.Done.end(),
                                              [](bool done) { return done; });
}

void TCurveChartWidget::SetHidden(analysis::CoderKind kind, bool hidden) {
    data_.Hidden[static_cast<std::size_t>(kind)] = hidden;
    update();
}

void TCurveChartWidget::SetTone(std::int32_t frequencyHz, int levelDb) {
    const analysis::TCurveRequest request{axis_, frequencyHz, levelDb};
    const bool level = axis_ == analysis::CurveAxis::caLevel;
    const bool sameCurves = !data_.Points.empty() &&
                            (level ? data_.Request.FrequencyHz == frequencyHz
                                   : data_.Request.LevelDb == levelDb);
    if (!sameCurves) {
        Restart(request);
    }
    data_.Request = request;
    data_.Marked = level ? levelDb : frequencyHz;
    Describe();
    update();
}

void TCurveChartWidget::Restart(const analysis::TCurveRequest& request) {
    const unsigned generation = ++generation_;
    const auto hidden = data_.Hidden;
    data_ = charts::EmptyChartData(request);
    data_.Hidden = hidden;
    const QPointer<TCurveChartWidget> self(this);
    runner_.Start(
        request,
        [self, generation](int index, std::span<const analysis::TCoderFigures> figures, int) {
            // On a worker thread: the point goes to the widget's own thread.
            std::vector<analysis::TCoderFigures> copy(figures.begin(), figures.end());
            PostToThreadOf(*self, [self, generation, index, copy = std::move(copy)]() mutable {
                if (self) {
                    self->TakePoint(generation, index, std::move(copy));
                }
            });
        },
        [](analysis::TCurveResult) {});
}

void TCurveChartWidget::TakePoint(unsigned generation, int index,
                                  std::vector<analysis::TCoderFigures> figures) {
    if (generation != generation_) {
        return;
    }
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        data_.Points[analysis::CurveBufferIndex(index, coder.Kind)] =
            figures[static_cast<std::size_t>(coder.Kind)];
    }
    data_.Done[static_cast<std::size_t>(index)] = true;
    if (Complete()) {
        Describe();
    }
    update();
}

void TCurveChartWidget::Describe() {
    if (!data_.Done.empty()) {
        setAccessibleDescription(QString::fromStdString(charts::ChartDescription(data_)));
        if (maskLine_) {
            maskLine_(QString::fromStdString(charts::TelephoneMaskSummary(data_)));
        }
    }
}

void TCurveChartWidget::paintEvent(QPaintEvent*) {
    if (data_.Points.empty()) {
        return;
    }
    QPainter painter(this);
    charts::TCoderCurveChart(data_).Paint(painter, rect());
}

void TCurveChartWidget::mousePressEvent(QMouseEvent* event) {
    if (data_.Points.empty()) {
        return;
    }
    if (const auto kind = charts::TCoderCurveChart(data_).LegendEntryAt(rect(), event->position())) {
        SetHidden(*kind, !data_.Hidden[static_cast<std::size_t>(*kind)]);
    }
}

void TCurveChartWidget::mouseMoveEvent(QMouseEvent* event) {
    if (data_.Points.empty()) {
        return;
    }
    const charts::TCoderCurveChart chart(data_);
    const std::optional<int> index = chart.PointAt(rect(), event->position().x());
    if (!index || !data_.Done[static_cast<std::size_t>(*index)]) {
        readout_(QString());
        return;
    }
    // The shown curve nearest to the pointer at that point.
    const double pointerSnr = charts::TCoderCurveChart::SnrAt(rect(), event->position().y());
    const analysis::TCoderInfo* nearest = nullptr;
    double nearestSnr = 0;
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        const std::optional<double> snr = analysis::PlottedSnrDb(
            data_.Points[analysis::CurveBufferIndex(*index, coder.Kind)]);
        if (snr && !data_.Hidden[static_cast<std::size_t>(coder.Kind)] &&
            (nearest == nullptr || std::abs(*snr - pointerSnr) < std::abs(nearestSnr - pointerSnr))) {
            nearest = &coder;
            nearestSnr = *snr;
        }
    }
    const int abscissa = analysis::CurveAbscissa(axis_, *index);
    const QString where = axis_ == analysis::CurveAxis::caLevel
                              ? QStringLiteral("%1 dB").arg(abscissa)
                              : QStringLiteral("%1 Hz").arg(abscissa);
    readout_(nearest == nullptr
                 ? where + QStringLiteral(": no coder shown has an SNR here")
                 : QStringLiteral("%1, %2: SNR %3 dB")
                       .arg(QString::fromUtf8(nearest->Caption.data(),
                                              static_cast<qsizetype>(nearest->Caption.size())),
                            where, QString::number(nearestSnr, 'f', 2)));
}

} // namespace app

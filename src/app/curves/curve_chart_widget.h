// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/coder_curve_runner.h"
#include "charts/coder_curve_chart.h"

#include <QString>
#include <QWidget>

#include <functional>

namespace app {

// One coder-curve chart in a widget: its curves computed on worker threads, filling in as
// they come, restarted when its tone changes. A click on the legend hides or shows a curve;
// the pointer's read-out (coder, level or frequency, SNR) goes to `readout`.
class TCurveChartWidget : public QWidget {
public:
    using TReadout = std::function<void(const QString& text)>;

    TCurveChartWidget(analysis::CurveAxis axis, TReadout readout, QWidget* parent = nullptr);
    ~TCurveChartWidget() override;

    // The tone the window plays: the curves restart where the fixed setting changed, and the
    // mark follows the other.
    void SetTone(std::int32_t frequencyHz, int levelDb);

    const charts::TCurveChartData& Data() const { return data_; }
    bool Complete() const;
    void SetHidden(analysis::CoderKind kind, bool hidden);
    // Where the telephone mask's verdicts go as text (charts::TelephoneMaskSummary), empty
    // while there are none; called whenever the tone or the curves' completion changes them.
    void SetMaskLine(TReadout maskLine) { maskLine_ = std::move(maskLine); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Restart(const analysis::TCurveRequest& request);
    // Takes a point reported by the worker, on the widget's thread.
    void TakePoint(unsigned generation, int index, std::vector<analysis::TCoderFigures> figures);
    void Describe();

    analysis::CurveAxis axis_;
    TReadout readout_;
    TReadout maskLine_;
    charts::TCurveChartData data_;
    analysis::CoderCurveRunner runner_;
    // Counts restarts, so that points still queued from an earlier request are dropped.
    unsigned generation_ = 0;
};

} // namespace app

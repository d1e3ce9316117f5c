// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/common/material_source.h"
#include "charts/material_curve_chart.h"

#include <thread>
#include <vector>

#include <QWidget>

namespace app {

// The material chart in a widget: every coder measured at every gain on the material the
// window is given (a file's loop region or its first 20 seconds, live input's latest
// seconds), on worker threads, the points filling in as they come; measured afresh whenever
// it is given material again. A click on the legend hides or shows a coder.
class TMaterialChartWidget : public QWidget {
public:
    explicit TMaterialChartWidget(QWidget* parent = nullptr);
    ~TMaterialChartWidget() override;
    TMaterialChartWidget(const TMaterialChartWidget&) = delete;
    TMaterialChartWidget& operator=(const TMaterialChartWidget&) = delete;

    // Stops a measure under way and measures `source`; the tone leaves the chart empty.
    void SetSource(const TMaterialSource& source);
    // The gain the material plays at (the level slider), in dB: marked on the chart.
    void SetGain(int levelDb);
    const charts::TMaterialChartData& Data() const { return data_; }
    // Whether every point is in.
    bool Complete() const;
    void SetHidden(analysis::CoderKind kind, bool hidden);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Stop();
    void Measure(std::vector<float> material, const std::string& path,
                 std::optional<sound::TSampleRegion> region);
    void TakePoint(unsigned generation, int index, std::vector<analysis::TMaterialPoint> coders);
    void TakeProblem(unsigned generation, const std::string& problem);
    void Describe();

    charts::TMaterialChartData data_;
    unsigned generation_ = 0; // counts sources, so that points of an earlier one are dropped
    std::jthread worker_;
};

} // namespace app

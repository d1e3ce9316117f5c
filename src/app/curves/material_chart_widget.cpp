// SPDX-License-Identifier: GPL-3.0-or-later
#include "material_chart_widget.h"

#include "app/common/thread_handover.h"
#include "sound/sound_file.h"

#include <algorithm>
#include <exception>

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace app {
namespace {

// Both cores: a single chart is measured, and each point is a pass over all the material.
constexpr int MeasuringThreads = 2;
constexpr QSize SmallestChart{640, 400};

// Up to MaterialCurveLongestSamples of `path` from `region`'s start (or the file's), as the
// file holds them.
std::vector<float> ReadMaterial(const std::string& path, const std::optional<sound::TSampleRegion>& region) {
    sound::TSoundFile file(path);
    std::int64_t most = analysis::MaterialCurveLongestSamples;
    if (region) {
        file.Seek(region->Begin);
        most = std::min(most, region->End - file.Position());
    }
    return sound::ReadAhead(file, most);
}

} // namespace

TMaterialChartWidget::TMaterialChartWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(SmallestChart);
    setAccessibleName(QStringLiteral("SNR against gain on the material"));
    Describe();
}

TMaterialChartWidget::~TMaterialChartWidget() {
    Stop();
}

void TMaterialChartWidget::Stop() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

bool TMaterialChartWidget::Complete() const {
    return !data_.Name.empty() && std::all_of(data_.Done.begin(), data_.Done.end(), [](bool done) { return done; });
}

void TMaterialChartWidget::SetHidden(analysis::CoderKind kind, bool hidden) {
    data_.Hidden[static_cast<std::size_t>(kind)] = hidden;
    update();
}

void TMaterialChartWidget::SetGain(int levelDb) {
    data_.Marked = levelDb;
    Describe();
    update();
}

void TMaterialChartWidget::SetSource(const TMaterialSource& source) {
    Stop();
    ++generation_;
    charts::TMaterialChartData fresh;
    fresh.Hidden = data_.Hidden;
    fresh.Marked = data_.Marked;
    data_ = std::move(fresh);
    if (!source.IsTone()) {
        data_.Name = source.Name.toStdString();
        std::vector<float> material;
        if (source.Live != nullptr) {
            // Copied here, so that the workers never read what the input's thread writes.
            material.resize(source.Live->Capacity());
            material.resize(source.Live->Latest(material));
        }
        Measure(std::move(material), source.Live != nullptr ? std::string() : source.Path, source.Region);
    }
    Describe();
    update();
}

void TMaterialChartWidget::Measure(std::vector<float> material, const std::string& path,
                                   std::optional<sound::TSampleRegion> region) {
    const QPointer<TMaterialChartWidget> self(this);
    const unsigned generation = generation_;
    worker_ = std::jthread([self, generation, material = std::move(material), path, region](std::stop_token stop) mutable {
        try {
            if (!path.empty()) {
                material = ReadMaterial(path, region);
            }
            const auto samples = static_cast<std::int64_t>(material.size());
            PostToThreadOf(*self, [self, generation, samples] {
                if (self && generation == self->generation_) {
                    self->data_.Samples = samples;
                }
            });
            std::vector<analysis::TMaterialPoint> points(analysis::MaterialCurveBufferSize);
            analysis::ComputeMaterialCurves(
                material, points, stop,
                [self, generation](int index, std::span<const analysis::TMaterialPoint> coders, int) {
                    std::vector<analysis::TMaterialPoint> copy(coders.begin(), coders.end());
                    PostToThreadOf(*self, [self, generation, index, copy = std::move(copy)]() mutable {
                        if (self) {
                            self->TakePoint(generation, index, std::move(copy));
                        }
                    });
                },
                MeasuringThreads);
        } catch (const std::exception& error) {
            PostToThreadOf(*self, [self, generation, problem = std::string(error.what())] {
                if (self) {
                    self->TakeProblem(generation, problem);
                }
            });
        }
    });
}

void TMaterialChartWidget::TakePoint(unsigned generation, int index,
                                     std::vector<analysis::TMaterialPoint> coders) {
    if (generation != generation_) {
        return;
    }
    std::copy(coders.begin(), coders.end(),
              data_.Points.begin() +
                  static_cast<std::ptrdiff_t>(analysis::MaterialCurveBufferIndex(index, analysis::CoderKind::ckPCM)));
    data_.Done[static_cast<std::size_t>(index)] = true;
    Describe();
    update();
}

void TMaterialChartWidget::TakeProblem(unsigned generation, const std::string& problem) {
    if (generation != generation_) {
        return;
    }
    data_.Note = "Cannot measure " + data_.Name + ": " + problem;
    data_.Name.clear();
    Describe();
    update();
}

void TMaterialChartWidget::Describe() {
    setAccessibleDescription(QString::fromStdString(charts::MaterialChartDescription(data_)));
}

void TMaterialChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    charts::TMaterialCurveChart(data_).Paint(painter, rect());
}

void TMaterialChartWidget::mousePressEvent(QMouseEvent* event) {
    if (const auto kind = charts::TMaterialCurveChart::LegendEntryAt(rect(), event->position())) {
        SetHidden(*kind, !data_.Hidden[static_cast<std::size_t>(*kind)]);
    }
}

} // namespace app

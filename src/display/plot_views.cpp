// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot_views.h"

#include "analysis/frames/frame_pipeline.h"
#include "analysis/windows/window_figures.h"
#include "figure_texts.h"
#include "spectrum_plot.h"
#include "text_font.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace display {
namespace {

// A marker is a small triangle pointing down at its bin's point, with its number above it;
// where that would leave the plot at the top, it points up from below the point.
constexpr int MarkerGap = 2;    // rows between the point and the triangle's tip
constexpr int MarkerHeight = 3; // rows of the triangle
constexpr int ReadoutMargin = 3;

void DrawMarker(raster::TRasterSurface& surface, int bin, int pointY, int number) {
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    canvas.SetPenColor(PlotMarkerColor);
    const bool below = pointY - MarkerGap - MarkerHeight - TextLineHeight < 0;
    const int direction = below ? 1 : -1;
    const int tip = pointY + direction * MarkerGap;
    for (int row = 0; row < MarkerHeight; ++row) {
        const int y = tip + direction * row;
        canvas.MoveTo(bin - row, y);
        canvas.LineTo(bin + row + 1, y);
    }
    const int labelTop = below ? tip + MarkerHeight + 1
                               : tip - MarkerHeight - TextGlyphHeight;
    DrawText(surface, {bin - TextGlyphWidth / 2, labelTop}, std::to_string(number),
             PlotMarkerColor);
}

// How many points of `trace` fall inside `area`.
int TracePointsIn(const TOrdinates& trace, const platform::TRect& area, int baseline) {
    int count = 0;
    for (int bin = std::max(area.left, 0); bin < std::min<int>(area.right, analysis::PlottedBins);
         ++bin) {
        const int y = baseline - trace[static_cast<std::size_t>(bin)];
        count += y >= area.top && y < area.bottom ? 1 : 0;
    }
    return count;
}

} // namespace

TPlotViews::TPlotViews() = default;

bool TPlotViews::AnyOn() const {
    return peakHold_ || averaging_ != 0 || reference_.has_value() || markersShown_ ||
           figuresShown_;
}

void TPlotViews::SetPeakHold(bool on) {
    peakHold_ = on;
    ResetHold();
}

void TPlotViews::ResetHold() {
    holdEmpty_ = true;
    hold_.fill(0);
}

void TPlotViews::SetAveraging(int frames) {
    assert(frames == 0 || std::find(AveragingFrameCounts.begin(), AveragingFrameCounts.end(),
                                    frames) != AveragingFrameCounts.end());
    averaging_ = frames;
    powers_.assign(static_cast<std::size_t>(frames), {});
    averagedSettings_.reset();
    averagedFrames_ = 0;
}

void TPlotViews::FreezeReference() {
    reference_ = Trace();
}

void TPlotViews::SetReferenceLevels(std::span<const double, analysis::PlottedBins> levelsDb) {
    // A full-scale tone on a bin has the value FullScale * NormalisationTarget.
    TOrdinates ordinates{};
    for (int bin = 0; bin < analysis::PlottedBins; ++bin) {
        const double level = levelsDb[static_cast<std::size_t>(bin)];
        ordinates[static_cast<std::size_t>(bin)] = analysis::OrdinateOf(
            analysis::FullScale * analysis::NormalisationTarget * std::pow(10.0, level / 20.0));
    }
    reference_ = ordinates;
}

void TPlotViews::ClearReference() {
    reference_.reset();
}

void TPlotViews::SetMarkersShown(bool shown) {
    CatchUp();
    markersShown_ = shown;
}

void TPlotViews::PlaceMarker(TMarker marker, int bin) {
    CatchUp();
    markers_[static_cast<std::size_t>(marker)] = std::clamp(bin, 0, analysis::PlottedBins - 1);
    activeMarker_ = marker;
    markersShown_ = true;
}

void TPlotViews::MoveActiveMarker(int bins) {
    std::optional<int>& active = markers_[static_cast<std::size_t>(activeMarker_)];
    if (active) {
        active = std::clamp(*active + bins, 0, analysis::PlottedBins - 1);
    }
}

void TPlotViews::ClearMarkers() {
    markers_.fill(std::nullopt);
    activeMarker_ = TMarker::mkFirst;
}

std::optional<int> TPlotViews::MarkerBin(TMarker marker) const {
    return markers_[static_cast<std::size_t>(marker)];
}

void TPlotViews::SetFiguresShown(bool shown) {
    // Switched on between two frames, they are those of the frame on screen at once.
    if (shown && !figuresShown_ && hasFrame_) {
        MeasureFigures(frameSettings_);
    }
    figuresShown_ = shown;
}

void TPlotViews::KeepFrame(const TFrameSettings& settings,
                           std::span<const std::int32_t, analysis::PlottedBins> ordinates) {
    assert(!AnyOn() && "a frame is only kept while every view is off");
    hasFrame_ = true;
    frameSettings_ = settings;
    std::copy(ordinates.begin(), ordinates.end(), live_.begin());
    valuesPending_ = true;
}

void TPlotViews::CatchUp() {
    if (!valuesPending_) {
        return;
    }
    for (int bin = 0; bin < analysis::PlottedBins; ++bin) {
        liveValues_[static_cast<std::size_t>(bin)] = analysis::BinValue(bin);
    }
    valuesPending_ = false;
}

void TPlotViews::MeasureFigures(const TFrameSettings& settings) {
    figures_ = analysis::MeasureDistortion(
        std::span<const analysis::Complex, analysis::OneSidedBins>(analysis::SpectrumBuffer.data(),
                                                                   analysis::OneSidedBins),
        analysis::WindowFiguresOf(settings.Window));
    if (coderSettings_ != settings) {
        coderSettings_ = settings;
        // The gain is 10^(level / 20) for a whole number of decibels.
        const int levelDb = static_cast<int>(std::lround(20.0 * std::log10(settings.Gain)));
        coderFigures_ = analysis::MeasureCoderFigures(settings.FrequencyHz, levelDb, settings.Mode);
    }
}

const TOrdinates& TPlotViews::Trace() const {
    return averaging_ != 0 && averagedFrames_ > 0 ? averageTrace_ : live_;
}

void TPlotViews::TakeFrame(const TFrameSettings& settings,
                           std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                           std::span<const double, analysis::PlottedBins> values) {
    hasFrame_ = true;
    frameSettings_ = settings;
    std::copy(ordinates.begin(), ordinates.end(), live_.begin());
    std::copy(values.begin(), values.end(), liveValues_.begin());
    valuesPending_ = false;
    if (peakHold_) {
        for (std::size_t bin = 0; bin < live_.size(); ++bin) {
            hold_[bin] = holdEmpty_ ? live_[bin] : std::max(hold_[bin], live_[bin]);
        }
        holdEmpty_ = false;
    }
    if (averaging_ != 0) {
        if (averagedSettings_ != settings) {
            averagedSettings_ = settings;
            averagedFrames_ = 0;
            ringNext_ = 0;
            powerSum_.fill(0.0L);
        }
        auto& slot = powers_[static_cast<std::size_t>(ringNext_)];
        const bool full = averagedFrames_ == averaging_;
        for (std::size_t bin = 0; bin < slot.size(); ++bin) {
            if (full) {
                powerSum_[bin] -= slot[bin];
            }
            slot[bin] = values[bin] * values[bin];
            powerSum_[bin] += slot[bin];
        }
        ringNext_ = (ringNext_ + 1) % averaging_;
        averagedFrames_ = std::min(averagedFrames_ + 1, averaging_);
        for (std::size_t bin = 0; bin < slot.size(); ++bin) {
            // The mean power's root is the value of the averaged bin, drawn as any value is.
            const long double mean = std::max(powerSum_[bin], 0.0L) / averagedFrames_;
            averageValues_[bin] = static_cast<double>(std::sqrt(mean));
            averageTrace_[bin] = analysis::OrdinateOf(averageValues_[bin]);
        }
    }
    if (figuresShown_) {
        MeasureFigures(settings);
    }
}

double TPlotViews::ShownValue(int bin) const {
    const auto index = static_cast<std::size_t>(bin);
    return averaging_ != 0 && averagedFrames_ > 0 ? averageValues_[index] : liveValues_[index];
}

void TPlotViews::Draw(raster::TRasterSurface& surface) const {
    raster::TSurfaceCanvas& canvas = surface.Canvas();
    if (reference_) {
        canvas.SetPenColor(PlotReferenceColor);
        DrawPlotTrace(surface, *reference_);
    }
    const TOrdinates& trace = Trace();
    canvas.SetPenColor(PlotTraceColor);
    DrawPlotTrace(surface, trace);
    if (peakHold_ && !holdEmpty_) {
        canvas.SetPenColor(PlotHoldColor);
        DrawPlotTrace(surface, hold_);
    }
    const int baseline = surface.Height();
    if (markersShown_) {
        for (int i = 0; i < MarkerCount; ++i) {
            if (const std::optional<int> bin = markers_[static_cast<std::size_t>(i)]) {
                DrawMarker(surface, *bin, baseline - trace[static_cast<std::size_t>(*bin)],
                           i + 1);
            }
        }
    }

    // The read-outs go in the corner where they hide the fewest points of the trace, on
    // black so that they read over the grid.
    const std::vector<std::string> lines = ReadoutLines();
    if (lines.empty()) {
        return;
    }
    int width = 0;
    for (const std::string& line : lines) {
        width = std::max(width, TextWidth(line));
    }
    const int height = static_cast<int>(lines.size()) * TextLineHeight - 2;
    const int right = surface.Width() - ReadoutMargin;
    const int bottom = surface.Height() - ReadoutMargin;
    const platform::TRect corners[] = {
        {right - width, ReadoutMargin, right, ReadoutMargin + height},
        {ReadoutMargin, ReadoutMargin, ReadoutMargin + width, ReadoutMargin + height},
        {right - width, bottom - height, right, bottom},
        {ReadoutMargin, bottom - height, ReadoutMargin + width, bottom},
    };
    const platform::TRect* best = nullptr;
    int fewest = 0;
    for (const platform::TRect& corner : corners) {
        const int points = TracePointsIn(trace, platform::Inflated(corner, 1, 1), baseline);
        if (best == nullptr || points < fewest) {
            fewest = points;
            best = &corner;
        }
    }
    canvas.SetBrushColor(PlotBackgroundColor);
    canvas.FillRect(platform::Inflated(*best, 1, 1));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        DrawText(surface, {best->left, best->top + static_cast<int>(i) * TextLineHeight},
                 lines[i], PlotReadoutColor);
    }
}

std::vector<std::string> TPlotViews::ReadoutLines() const {
    std::vector<std::string> lines;
    if (averaging_ != 0) {
        lines.push_back("Average " + std::to_string(averagedFrames_) + "/" +
                        std::to_string(averaging_));
    }
    if (markersShown_) {
        std::array<std::optional<TBinReading>, MarkerCount> readings;
        for (int i = 0; i < MarkerCount; ++i) {
            if (const std::optional<int> bin = markers_[static_cast<std::size_t>(i)]) {
                readings[static_cast<std::size_t>(i)] = TBinReading{*bin, ShownValue(*bin)};
                lines.push_back("M" + std::to_string(i + 1) + " " +
                                MarkerText(*readings[static_cast<std::size_t>(i)]));
            }
        }
        if (readings[0] && readings[1]) {
            lines.push_back(MarkerDifferenceText(*readings[0], *readings[1]));
        }
    }
    if (figuresShown_) {
        const std::vector<std::string> figureLines = DistortionFiguresLines(figures_);
        lines.insert(lines.end(), figureLines.begin(), figureLines.end());
        if (coderSettings_) {
            lines.push_back(CoderSnrText(analysis::Describe(coderSettings_->Mode), coderFigures_));
        }
    }
    return lines;
}

} // namespace display

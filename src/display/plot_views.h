// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/frames/analyzer_state.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/figures/distortion_figures.h"
#include "analysis/windows/window_kind.h"
#include "platform/color.h"
#include "raster/raster_surface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace display {

inline constexpr platform::TColor PlotHoldColor = platform::RGB(230, 190, 40);
// The trace's colour at about 45 % of its brightness, so the live trace stands out over it.
inline constexpr platform::TColor PlotReferenceColor = platform::RGB(0, 90, 72);
inline constexpr platform::TColor PlotMarkerColor = platform::RGB(255, 255, 255);
inline constexpr platform::TColor PlotReadoutColor = platform::RGB(192, 192, 192);

// The frame counts an average may run over.
inline constexpr std::array<int, 3> AveragingFrameCounts = {4, 16, 64};

enum class TMarker : std::uint8_t { mkFirst, mkSecond };
inline constexpr int MarkerCount = 2;

// What a frame was computed with; an average restarts when any of it changes.
struct TFrameSettings {
    std::int32_t FrequencyHz = 0;
    analysis::CodingMode Mode = analysis::CodingMode::cmPCM;
    analysis::WindowKind Window = analysis::WindowKind::wkKaiser;
    double Gain = 1.0; // the tone's amplitude factor, from its level

    friend bool operator==(const TFrameSettings&, const TFrameSettings&) = default;
};

using TOrdinates = std::array<std::int32_t, analysis::PlottedBins>;

// The measurement views an analyzer offers over the live spectrum, all off at first: a
// peak-hold trace, an average over several frames, a frozen reference trace, two markers
// with their difference, and the distortion figures of the frame. With every view off the
// plot is drawn exactly as without them.
//
// Each frame hands its ordinates and bin values over (TakeFrame), after the frame's numerics
// and before anything is drawn; Draw then draws the views after the grid. While every view
// is off, a frame hands over its ordinates alone (KeepFrame), so that a view switched on
// between two frames starts from the frame just computed, not from an older one.
class TPlotViews {
public:
    TPlotViews();

    // True while any view is on (markers count only while shown).
    bool AnyOn() const;

    // Peak hold: per bin, the highest live ordinate since it was switched on or reset.
    void SetPeakHold(bool on);
    bool PeakHold() const { return peakHold_; }
    void ResetHold();

    // Averaging over `frames` (one of AveragingFrameCounts, or 0 for off): the mean of the
    // bins' power, drawn instead of the live trace. It restarts when switched, and when the
    // tone, the coding mode or the window changes.
    void SetAveraging(int frames);
    int Averaging() const { return averaging_; }
    // How many frames the average holds so far (at most Averaging()).
    int AveragedFrames() const { return averagedFrames_; }

    // The reference: the trace as drawn at the last frame, kept until cleared, whatever
    // changes meanwhile.
    void FreezeReference();
    // A reference from elsewhere, kept as a frozen one: each bin's level in dB against a
    // full-scale tone on a bin (analysis::BinValue), -infinity where there is none.
    void SetReferenceLevels(std::span<const double, analysis::PlottedBins> levelsDb);
    void ClearReference();
    bool HasReference() const { return reference_.has_value(); }
    const std::optional<TOrdinates>& Reference() const { return reference_; }

    // Markers, shown or not; placing one shows them and makes it the active one.
    void SetMarkersShown(bool shown);
    bool MarkersShown() const { return markersShown_; }
    void PlaceMarker(TMarker marker, int bin);
    // Moves the active marker by `bins`, within 0 to 511; nothing without one.
    void MoveActiveMarker(int bins);
    void ClearMarkers();
    std::optional<int> MarkerBin(TMarker marker) const;

    // The distortion figures of the frame on screen, with the coding mode's SNR against the
    // uncoded tone beside them.
    void SetFiguresShown(bool shown);
    bool FiguresShown() const { return figuresShown_; }
    const analysis::TDistortionFigures& Figures() const { return figures_; }

    // Takes the frame just computed: `ordinates` and the bin values (analysis::BinValue) they
    // were drawn from. With the figures shown, they are measured on SpectrumBuffer, which
    // must still hold this frame's transform.
    void TakeFrame(const TFrameSettings& settings, std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                   std::span<const double, analysis::PlottedBins> values);

    // With every view off, keeps the frame just computed at the cost of a copy of its
    // ordinates. Its bin values and figures are read from the analysis (BinValue,
    // SpectrumBuffer) only when a view is switched on, so until the next frame those must
    // still hold this frame, as they do between two frames of the window.
    void KeepFrame(const TFrameSettings& settings,
                   std::span<const std::int32_t, analysis::PlottedBins> ordinates);

    // The trace as drawn: the average while averaging, else the live one.
    const TOrdinates& Trace() const;

    // Draws, over the grid, the reference, the trace, the hold trace, the markers and the
    // read-outs, on a surface of the spectrum display's size.
    void Draw(raster::TRasterSurface& surface) const;

    // The read-out lines: the average's progress, each marker and their difference, and the
    // distortion figures, as the plot shows them.
    std::vector<std::string> ReadoutLines() const;

private:
    // The value drawn at `bin`: averaged or live.
    double ShownValue(int bin) const;
    // Reads the bin values of a frame that was only kept, before the markers may read them.
    void CatchUp();
    void MeasureFigures(const TFrameSettings& settings);

    bool peakHold_ = false;
    bool holdEmpty_ = true;
    TOrdinates hold_{};

    int averaging_ = 0;
    int averagedFrames_ = 0;
    int ringNext_ = 0;
    std::optional<TFrameSettings> averagedSettings_;
    // The last frames' bin powers (value squared), and their sum.
    std::vector<std::array<double, analysis::PlottedBins>> powers_;
    std::array<long double, analysis::PlottedBins> powerSum_{};
    std::array<double, analysis::PlottedBins> averageValues_{};
    TOrdinates averageTrace_{};

    std::optional<TOrdinates> reference_;

    bool markersShown_ = false;
    std::array<std::optional<int>, MarkerCount> markers_{};
    TMarker activeMarker_ = TMarker::mkFirst;

    bool figuresShown_ = false;
    analysis::TDistortionFigures figures_;
    // The coder figures of the tone, measured again only when it changes (a few ms).
    std::optional<TFrameSettings> coderSettings_;
    analysis::TCoderFigures coderFigures_{};

    // The last frame: its ordinates, its bin values (not read yet while valuesPending_) and
    // what it was computed with.
    TOrdinates live_{};
    std::array<double, analysis::PlottedBins> liveValues_{};
    bool valuesPending_ = false;
    TFrameSettings frameSettings_;
    bool hasFrame_ = false;
};

} // namespace display

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/spectrogram/spectrogram_history.h"
#include "spectrogram_look.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QStaticText>

class QPainter;

namespace charts {

// A spectrogram picture: the shown lanes stacked with one time axis below them, each with its
// frequency axis at the left, and a colour bar with its dB scale at the right. The same
// drawing serves the window and the headless tool.
//
// Each slot (one pixel column of the plot, one column or several) is drawn once, when it is
// appended, into a ring image as wide as the plot: its bins are fitted to the lanes' rows
// then (every row shows the loudest bin whose centre frequency it covers, or the bin nearest
// its centre where rows are finer than bins) and coloured through a table of the 256 codes.
// Painting copies the ring in two pieces, oldest to newest, with no scaling, and the axes,
// the scale and the lanes' titles around it; a new size or look is a new picture, which the
// caller fills again from its history.
//
// Fonts are in pixels, so the picture does not depend on the screen. Needs a QGuiApplication
// for its text (the tool makes one on the offscreen platform: TOffscreenPainting). For one
// thread at a time (painting keeps its laid-out texts); appending slots touches no Qt state
// but the ring image, so a worker may draw them while no one paints.
class TSpectrogramPicture {
public:
    // A picture of `size` (at least MinimumSpectrogramSize) with no slot drawn yet.
    TSpectrogramPicture(const TSpectrogramLook& look, QSize size);

    const TSpectrogramLook& Look() const { return look_; }
    QSize Size() const { return size_; }
    // The plot's width: how many slots it shows; and that of a picture of `size`.
    int Slots() const { return plot_.width(); }
    static int SlotsAt(QSize size);
    std::int64_t SlotsDrawn() const { return drawn_; }

    // Where `lane`'s rows are drawn in the picture; empty when the lane is hidden.
    QRect LaneArea(analysis::SpectrogramLane lane) const;
    // The frequency at the centre of row `row` of a lane (0 the top row), and the row that
    // shows `hz` (clamped to the axis).
    double RowFrequencyHz(int row) const;
    int RowOf(double hz) const;

    // What appending a slot changes when painted: the lanes and the time axis below them.
    QRegion ScrollingArea() const;

    // How a picture on screen follows the `appended` slots just drawn without painting every
    // lane again: move the pixels of Area by Dx (QWidget::scroll), which uncovers the new
    // slots to paint, then repaint Repaint (the lanes' titles the move disturbed and the time
    // axis). Dx is 0 when the move would keep nothing: repaint ScrollingArea() then.
    struct TFollow {
        QRect Area;
        int Dx = 0;
        QRegion Repaint;
    };
    TFollow Follow(std::int64_t appended) const;

    // Draws the next slot: the codes of each lane's bins (all lanes, hidden ones too, with
    // the bins of the look's transform length), standing for the time `seconds`.
    void AppendSlot(const analysis::TLaneCodes& codes, double seconds);

    // Paints the picture at the top left of `painter`'s device.
    void Paint(QPainter& painter) const;
    // Paints what lies within `area` (the caller clips to it: titles and labels reach out).
    void Paint(QPainter& painter, const QRect& area) const;
    // The picture as an image of Size().
    QImage Image() const;

private:
    int LaneHeight() const { return laneHeight_; }
    double FrequencyAtBoundary(double boundary) const;
    void FitRowsToBins();
    void DrawChrome();
    void DrawTimeAxis(QPainter& painter) const;
    // The box of `lane`'s title over its top left corner; empty when the lane is hidden.
    QRectF TitleArea(analysis::SpectrogramLane lane) const;
    const QStaticText& Text(const QString& text) const;

    TSpectrogramLook look_;
    QSize size_;
    QRect plot_;     // all lanes and the gaps between them
    int laneHeight_ = 0;
    std::array<int, analysis::SpectrogramLaneCount> laneTop_{}; // within plot_, -1 if hidden
    std::vector<std::pair<int, int>> rowBins_;                 // per row: first bin, end
    std::array<QRgb, 256> palette_{};                          // per code
    QImage ring_;   // Slots() wide, plot_ high
    QImage chrome_; // the whole picture but the plot: background, axes, scale
    std::int64_t drawn_ = 0;
    double newestSeconds_ = 0.0;
    mutable std::map<QString, QStaticText> texts_;
};

// The picture as PNG bytes.
std::string SpectrogramPng(const TSpectrogramPicture& picture);

} // namespace charts

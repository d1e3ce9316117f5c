// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/common/second_window.h"

#include "analysis/spectrogram/spectrogram_columns.h"
#include "analysis/spectrogram/spectrogram_history.h"
#include "analysis/spectrogram/spectrogram_recording.h"
#include "analysis/windows/window_kind.h"
#include "charts/spectrogram_look.h"
#include "charts/spectrogram_picture.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QTimer;

namespace app {

// Where the spectrogram's cursor stands: a column of the history, a bin and the lane it was
// placed in; and the moment (the column's centre sample) and the frequency it was put at,
// which it goes back to at the transform length it was put at.
struct TSpectrogramCursor {
    std::int64_t Column = 0;
    int Bin = 0;
    analysis::SpectrogramLane Lane = analysis::SpectrogramLane::slOriginal;
    std::int64_t Sample = 0;
    double Hz = 0.0;
};

// The spectrogram's own window: the original, coded and error lanes of the frames the main
// window runs, one column every 256 samples, kept for ten minutes at least and drawn through
// the same picture the headless tool draws (charts::TSpectrogramPicture), newest column at
// the right unless the user turns time round. Its menu bar sets the lanes, the axis, the
// colours, the levels and the transform length, pauses (Space) and saves the view as PNG or
// the numbers as CSV. The samples of the history are kept too: another transform length
// makes its columns again from them, a slice at a time between frames, and the view, paused
// or not, and the cursor stay where they were once it is done.
//
// The pointer's time, frequency and levels show below the picture; a click pauses and places
// a cursor there, whose values stay and are told to screen readers as the view's
// description; the arrows move it by a column or a bin, and while paused the wheel, Page Up
// and Page Down scroll back through the history. Esc closes the window.
class TSpectrogramWindow : public TSecondWindow {
public:
    // Called with the cursor's column as the main window's reference trace wants it: the
    // level in dB of each of the spectrum's bins (0 to 511, 15.625 Hz apart), -infinity
    // where there is none.
    using TReferenceSink = std::function<void(std::span<const double>)>;

    TSpectrogramWindow(TReferenceSink sendReference, QWidget* parent = nullptr);
    ~TSpectrogramWindow() override;

    // Takes the samples new in a frame: their original (uncoded) and coded values, as many of
    // each, analysed with `window`. A change of window starts the next column afresh.
    void TakeFrame(std::span<const double> original, std::span<const double> coded,
                   analysis::WindowKind window);

    const charts::TSpectrogramLook& Look() const { return look_; }
    // A new look: the picture is drawn again from the history. A new transform length makes
    // the history's columns again from the samples kept; until they are made, Recomputing()
    // is true and the picture shows the columns at the old length.
    void SetLook(const charts::TSpectrogramLook& look);
    bool Recomputing() const { return pending_ != nullptr; }

    bool Paused() const { return paused_; }
    void SetPaused(bool paused);
    // Scrolls the paused view by `columns`, negative back in time, within the history.
    void Scroll(std::int64_t columns);

    // Places the cursor at picture point (x, y) and pauses; a point outside every lane
    // places none.
    void PlaceCursorAt(int x, int y);
    // Moves the cursor by whole columns (later positive) and bins (higher positive).
    void MoveCursor(std::int64_t columns, int bins);
    const std::optional<TSpectrogramCursor>& Cursor() const { return cursor_; }
    // What the cursor reads, or what the pointer at (x, y) of the picture reads.
    QString CursorText() const;
    QString PointText(int x, int y) const;
    // Hands the cursor's column in its lane to the reference sink; nothing without a cursor.
    void SendCursorToReference();

    // Writes the view as shown, with its axes and colour bar, as PNG; or as CSV the cursor's
    // column, or without a cursor every column in view, in the headless tool's format.
    // Throws std::runtime_error with the reason if the file cannot be written.
    void SavePicture(const QString& path) const;
    void SaveCsv(const QString& path) const;

    const analysis::TSpectrogramHistory& History() const { return columns_->History(); }
    const charts::TSpectrogramPicture& Picture() const { return *picture_; }
    QWidget& View();

protected:
    void showEvent(QShowEvent* event) override;

private:
    class TView;
    friend class TView;

    void CreateMenus();
    // Draws the picture again at the view's size, ending with column viewEnd_.
    void Redraw();
    // The history column shown at picture column x, if there is one.
    std::optional<std::int64_t> ColumnAt(int x) const;
    // The lane and bin at picture row y, if y lies in a lane.
    std::optional<std::pair<analysis::SpectrogramLane, int>> BinAt(int y) const;
    QString ReadingText(std::int64_t column, int bin) const;
    // Keeps the moment and frequency the user put the cursor at.
    void CursorPut();
    void CursorChanged();
    // The cursor's reading below the picture, with the progress of columns being made again.
    void ShowReadout();
    // Makes the next slice of the columns at the new length; once they reach the newest
    // sample, shows them.
    void Recompute();
    void ShowRecomputed();
    void SaveWithDialog(bool csv);

    TReferenceSink sendReference_;
    charts::TSpectrogramLook look_;
    analysis::TSpectrogramRecording recording_;
    std::unique_ptr<analysis::TSpectrogramColumns> columns_;
    // The columns at a new transform length while they are made, and what makes the next
    // slice of them.
    std::unique_ptr<analysis::TSpectrogramColumns> pending_;
    QTimer* recompute_ = nullptr;
    bool restart_ = true; // the next samples start a run afresh
    std::unique_ptr<charts::TSpectrogramPicture> picture_;
    bool paused_ = false;
    std::int64_t viewEnd_ = 0; // one past the newest column in view
    std::optional<TSpectrogramCursor> cursor_;
    TView* view_ = nullptr;
    QLabel* readout_ = nullptr;
    QAction* pause_ = nullptr;
};

} // namespace app

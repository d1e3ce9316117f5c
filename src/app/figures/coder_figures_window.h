// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/figures/material_meter.h"
#include "app/common/material_source.h"
#include "sound/file_playback.h"
#include "sound/recent_samples.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QString>
#include <QWidget>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace app {

// How often the figures of live input are measured again, over its latest seconds, in ms.
inline constexpr int LiveFiguresIntervalMs = 1000;

// How many of each coder's worst moments the window lists.
inline constexpr std::size_t ListedWorstMoments = 10;
// Choosing a worst moment loops it with this much before and after it, in samples at
// 16000 Hz (half a second), so that it is heard in its context.
inline constexpr std::int64_t WorstMomentMarginSamples = 8000;

// The "Coder figures" window: every coder's figures over the sound file that plays, or over
// its loop region while it loops one, or over the latest ten seconds of live input, measured
// again every second (SNR,
// segmental SNR with its segments, log-spectral distance, largest error, active level), one
// row per coder in a table that sorts by any column (in the coders' own order, as the tool
// lists them, until the user sorts) and copies as CSV (the headless tool's columns); below
// it the worst moments of the coder chosen in the table, and choosing one plays the region
// around it in a loop. The figures are computed off the user-interface
// thread, with progress, and start afresh when the file or its region changes. Esc closes it.
class TCoderFiguresWindow : public QWidget {
public:
    // Plays the file from `begin` in a loop up to `end` (samples at 16000 Hz, clamped to it).
    using TPlayRegion = std::function<void(std::int64_t begin, std::int64_t end)>;

    TCoderFiguresWindow(QWidget* parent, TPlayRegion playRegion);
    ~TCoderFiguresWindow() override;
    TCoderFiguresWindow(const TCoderFiguresWindow&) = delete;
    TCoderFiguresWindow& operator=(const TCoderFiguresWindow&) = delete;

    // Measures `source` (its region alone if it has one); an empty path for the tone, which
    // has no figures of material. A measure under way is stopped first.
    void SetSource(const TMaterialSource& source);
    // What is measured, or was last.
    const TMaterialSource& Source() const { return source_; }
    // Whether the figures of the file are all in the table.
    bool Complete() const { return complete_; }

    // The table as CSV, a header and a row per coder in the order shown, each line ended.
    QString Csv() const;
    // Puts Csv() on the clipboard.
    void CopyAsCsv();
    // Plays the region around the worst moment in row `row` of the list.
    void ChooseWorstMoment(int row);

    QTableWidget& Table() { return *table_; }
    QListWidget& WorstMoments() { return *worst_; }
    QLabel& Status() { return *status_; }

private:
    // What a measure found, per coder in the table of coders' order.
    struct TMeasured {
        std::vector<analysis::TMaterialFigures> Figures;
        std::vector<std::vector<analysis::TWorstMoment>> Worst;
        std::string Error; // why the file could not be measured; empty if it was
        std::int64_t Samples = 0; // how many were measured
    };

    // Measures the latest of live input, unless a measure is still under way.
    void MeasureLive();

    void Stop();
    void Progress(unsigned generation, int percent);
    void Show(unsigned generation, const TMeasured& measured);
    // Lists the worst moments of the coder in the table's current row.
    void ListWorstMoments();

    TPlayRegion playRegion_;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTableWidget* table_ = nullptr;
    QListWidget* worst_ = nullptr;
    QPushButton* copy_ = nullptr;
    TMaterialSource source_;
    QString shownName_; // the source's name as the status line shows it
    std::int64_t first_ = 0; // the sample the measure starts at: the region's beginning
    TMeasured shown_;
    bool complete_ = false;
    bool measuring_ = false; // a measure of live input is under way
    QTimer* liveTimer_ = nullptr; // a child
    // Each measure's number: what an earlier one posts after a change is not shown.
    unsigned generation_ = 0;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::thread worker_;
};

} // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/common/material_source.h"
#include "app/common/second_window.h"
#include "curve_chart_widget.h"
#include "material_chart_widget.h"

#include <cstdint>
#include <string>

#include <QWidget>

class QLabel;
class QRadioButton;
class QStackedWidget;
class QTabWidget;

namespace app {

// The formats a chart is saved in.
enum class TChartFormat : std::uint8_t { cfPng, cfSvg, cfCsv };

// What the level tab measures the coders on: the tone, or the material that plays.
enum class TLevelSubject : std::uint8_t { lsTone, lsMaterial };

// The coder curves' own window: SNR against level and against frequency for every coder, on
// two tabs, each computed off the user-interface thread; a read-out of the point under the
// pointer; saving the shown chart as PNG, SVG or CSV. Esc closes it, Ctrl+S saves a PNG. The
// level tab offers "Tone" or "This material": then each coder's SNR and segmental SNR on the
// sound file or live input that plays, against its gain.
class TCoderCurvesWindow : public TSecondWindow {
public:
    explicit TCoderCurvesWindow(QWidget* parent = nullptr);

    // The tone the main window plays; both charts follow it, and the material chart marks
    // the level as the material's gain.
    void SetTone(std::int32_t frequencyHz, int levelDb);
    // The material that plays: measured on the level tab while "This material" is chosen,
    // or once it is.
    void SetSource(const TMaterialSource& source);
    // Chooses what the level tab shows, as its buttons do.
    void ShowOnLevelTab(TLevelSubject subject);
    TMaterialChartWidget& MaterialChart() { return *materialChart_; }

    TCurveChartWidget& LevelChart() { return *levelChart_; }
    TCurveChartWidget& FrequencyChart() { return *frequencyChart_; }
    // The line under the level chart that says which coders meet the telephone mask.
    QString MaskLine() const;

    // Writes the shown chart to `path`, the PNG and SVG at the fixed size the headless tool
    // draws: a regular file is replaced whole or not at all, a device or a pipe with a reader
    // is written in place. Throws std::runtime_error with the reason when it cannot: the
    // curves are still being computed, the file may not be written, or it is a pipe that no
    // program reads.
    void SaveShownChart(TChartFormat format, const QString& path);

private:
    // Asks for a file name and saves; a failure is shown in a message box.
    void SaveWithDialog(TChartFormat format);

    bool MaterialShown() const;

    QTabWidget* tabs_ = nullptr;
    QRadioButton* materialButton_ = nullptr;
    QStackedWidget* levelStack_ = nullptr;
    TMaterialChartWidget* materialChart_ = nullptr;
    TMaterialSource source_;
    bool measured_ = false; // whether the material chart has been given source_
    TCurveChartWidget* levelChart_ = nullptr;
    TCurveChartWidget* frequencyChart_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* maskLine_ = nullptr; // under the level chart: each coder against the telephone mask
};

} // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves_window.h"

#include <sstream>
#include <stdexcept>

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

namespace app {
namespace {

struct TFormatInfo {
    TChartFormat Format;
    const char* Button;
    const char* Filter;
};

constexpr TFormatInfo Formats[] = {
    {TChartFormat::cfPng, "Save as PNG", "PNG pictures (*.png)"},
    {TChartFormat::cfSvg, "Save as SVG", "SVG drawings (*.svg)"},
    {TChartFormat::cfCsv, "Save as CSV", "CSV tables (*.csv)"},
};

std::string Contents(const charts::TCurveChartData& data, TChartFormat format) {
    switch (format) {
    case TChartFormat::cfPng:
        return charts::ChartPng(data);
    case TChartFormat::cfSvg:
        return charts::ChartSvg(data);
    case TChartFormat::cfCsv:
        break;
    }
    std::ostringstream csv;
    charts::WriteCurveCsv(data, csv);
    return csv.str();
}

} // namespace

TCoderCurvesWindow::TCoderCurvesWindow(QWidget* parent) : TSecondWindow(parent) {
    setWindowTitle(QStringLiteral("Coder curves"));
    readout_ = new QLabel(this);
    const auto readout = [this](const QString& text) { readout_->setText(text); };
    tabs_ = new QTabWidget(this);
    levelChart_ = new TCurveChartWidget(analysis::CurveAxis::caLevel, readout);
    frequencyChart_ = new TCurveChartWidget(analysis::CurveAxis::caFrequency, readout);
    // The level tab: the chart and, under it, the telephone mask's verdicts, which wrap.
    maskLine_ = new QLabel(this);
    maskLine_->setWordWrap(true);
    maskLine_->setAccessibleName(QStringLiteral("Telephone mask"));
    maskLine_->setVisible(false);
    levelChart_->SetMaskLine([this](const QString& text) {
        maskLine_->setText(text);
        maskLine_->setVisible(!text.isEmpty());
    });
    auto* const levelTab = new QWidget(this);
    auto* const levelLayout = new QVBoxLayout(levelTab);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    levelLayout->addWidget(levelChart_, 1);
    levelLayout->addWidget(maskLine_);
    tabs_->addTab(levelTab, QStringLiteral("Against level"));
    tabs_->addTab(frequencyChart_, QStringLiteral("Against frequency"));

    auto* const buttons = new QHBoxLayout;
    buttons->addWidget(readout_, 1);
    for (const TFormatInfo& info : Formats) {
        auto* const button = new QPushButton(QString::fromUtf8(info.Button), this);
        const TChartFormat format = info.Format;
        QObject::connect(button, &QPushButton::clicked, this, [this, format] { SaveWithDialog(format); });
        buttons->addWidget(button);
    }
    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    auto* const close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    QObject::connect(close, &QShortcut::activated, this, &QWidget::close);
    auto* const save = new QShortcut(QKeySequence::Save, this);
    QObject::connect(save, &QShortcut::activated, this,
                     [this] { SaveWithDialog(TChartFormat::cfPng); });
}


void TCoderCurvesWindow::SetTone(std::int32_t frequencyHz, int levelDb) {
    levelChart_->SetTone(frequencyHz, levelDb);
    frequencyChart_->SetTone(frequencyHz, levelDb);
}

TCurveChartWidget& TCoderCurvesWindow::ShownChart() {
    return tabs_->currentWidget() == frequencyChart_ ? *frequencyChart_ : *levelChart_;
}

QString TCoderCurvesWindow::MaskLine() const {
    return maskLine_->text();
}

void TCoderCurvesWindow::SaveShownChart(TChartFormat format, const QString& path) {
    const TCurveChartWidget& chart = ShownChart();
    if (!chart.Complete()) {
        throw std::runtime_error("the curves are still being computed");
    }
    WriteWholeFile(path, Contents(chart.Data(), format));
}

void TCoderCurvesWindow::SaveWithDialog(TChartFormat format) {
    const TFormatInfo& info = Formats[static_cast<std::size_t>(format)];
    const QString path = QFileDialog::getSaveFileName(this, QString::fromUtf8(info.Button),
                                                      QString(), QString::fromUtf8(info.Filter));
    if (path.isEmpty()) {
        return;
    }
    try {
        SaveShownChart(format, path);
    } catch (const std::exception& error) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Cannot save %1: %2").arg(path, QString::fromUtf8(error.what())));
    }
}

} // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_curves_window.h"

#include <sstream>
#include <stdexcept>

#include <QButtonGroup>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
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

// A chart's file, the tone's or the material's.
template <typename TData>
std::string Contents(const TData& data, TChartFormat format) {
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
        maskLine_->setVisible(!text.isEmpty() && levelStack_->currentWidget() == levelChart_);
    });
    // Above it, the choice of the tone or the material; the mask is the tone's alone.
    materialChart_ = new TMaterialChartWidget(this);
    levelStack_ = new QStackedWidget(this);
    levelStack_->addWidget(levelChart_);
    levelStack_->addWidget(materialChart_);
    auto* const toneButton = new QRadioButton(QStringLiteral("Tone"), this);
    materialButton_ = new QRadioButton(QStringLiteral("This material"), this);
    toneButton->setChecked(true);
    auto* const subjects = new QButtonGroup(this);
    subjects->addButton(toneButton);
    subjects->addButton(materialButton_);
    QObject::connect(materialButton_, &QRadioButton::toggled, this, [this](bool material) {
        ShowOnLevelTab(material ? TLevelSubject::lsMaterial : TLevelSubject::lsTone);
    });
    auto* const choice = new QHBoxLayout;
    choice->addWidget(toneButton);
    choice->addWidget(materialButton_);
    choice->addStretch(1);
    auto* const levelTab = new QWidget(this);
    auto* const levelLayout = new QVBoxLayout(levelTab);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    levelLayout->addLayout(choice);
    levelLayout->addWidget(levelStack_, 1);
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
    materialChart_->SetGain(levelDb);
}

void TCoderCurvesWindow::SetSource(const TMaterialSource& source) {
    source_ = source;
    measured_ = false;
    if (levelStack_->currentWidget() == materialChart_) {
        ShowOnLevelTab(TLevelSubject::lsMaterial);
    }
}

void TCoderCurvesWindow::ShowOnLevelTab(TLevelSubject subject) {
    const bool material = subject == TLevelSubject::lsMaterial;
    materialButton_->setChecked(material);
    // Chosen again, live input is measured afresh over its latest seconds.
    if (material && (!measured_ || source_.Live != nullptr)) {
        materialChart_->SetSource(source_);
        measured_ = true;
    }
    levelStack_->setCurrentWidget(material ? static_cast<QWidget*>(materialChart_) : levelChart_);
    maskLine_->setVisible(!material && !maskLine_->text().isEmpty());
}

bool TCoderCurvesWindow::MaterialShown() const {
    return tabs_->currentIndex() == 0 && levelStack_->currentWidget() == materialChart_;
}

QString TCoderCurvesWindow::MaskLine() const {
    return maskLine_->text();
}

void TCoderCurvesWindow::SaveShownChart(TChartFormat format, const QString& path) {
    if (MaterialShown()) {
        if (!materialChart_->Complete()) {
            throw std::runtime_error(materialChart_->Data().Name.empty()
                                         ? "no material is measured"
                                         : "the curves are still being computed");
        }
        WriteWholeFile(path, Contents(materialChart_->Data(), format));
        return;
    }
    const TCurveChartWidget& chart = tabs_->currentWidget() == frequencyChart_ ? *frequencyChart_ : *levelChart_;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "coder_figures_window.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coder_kind.h"
#include "app/common/elided_name.h"
#include "app/common/thread_handover.h"
#include "display/figure_texts.h"
#include "display/material_table.h"
#include "sound/sound_file.h"

#include <array>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace app {
namespace {

// Samples taken from the file at a time; the stop is looked at between blocks.
constexpr std::size_t BlockSamples = 4096;
constexpr int PercentSteps = 100;
// Where an item keeps the number it sorts by, and the row of the coder it belongs to.
constexpr int SortRole = Qt::UserRole;
constexpr int CoderRole = Qt::UserRole + 1;

// A cell that sorts by its figure, not by its text; a figure that compares nothing (NaN)
// sorts below every other.
class TFigureItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override {
        const double mine = data(SortRole).toDouble();
        const double theirs = other.data(SortRole).toDouble();
        if (std::isnan(mine) || std::isnan(theirs)) {
            return std::isnan(mine) && !std::isnan(theirs);
        }
        return mine < theirs;
    }
};

double Seconds(std::int64_t sample) {
    return static_cast<double>(sample) / analysis::SampleRate;
}

std::vector<analysis::SampleCodeFunction> EveryCode() {
    std::vector<analysis::SampleCodeFunction> all;
    for (const analysis::TCoderInfo& coder : analysis::Coders) {
        all.push_back(coder.Code);
    }
    return all;
}

} // namespace

TCoderFiguresWindow::TCoderFiguresWindow(QWidget* parent, TPlayRegion playRegion)
    : QWidget(parent, Qt::Window), playRegion_(std::move(playRegion)) {
    setWindowTitle(QStringLiteral("Coder figures"));
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, PercentSteps);
    progress_->setAccessibleName(QStringLiteral("Progress"));

    table_ = new QTableWidget(analysis::CoderCount,
                              1 + static_cast<int>(display::MaterialColumns.size()), this);
    table_->setAccessibleName(QStringLiteral("Figures of every coder"));
    QStringList headings{QStringLiteral("coder")};
    for (const display::TMaterialColumn& column : display::MaterialColumns) {
        headings.append(
            QString::fromUtf8(column.Heading.data(), static_cast<int>(column.Heading.size())));
    }
    table_->setHorizontalHeaderLabels(headings);
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int row = 0; row < analysis::CoderCount; ++row) {
        const analysis::TCoderInfo& coder = analysis::Coders[static_cast<std::size_t>(row)];
        auto* const item = new QTableWidgetItem(
            QString::fromUtf8(coder.ToolName.data(), static_cast<int>(coder.ToolName.size())));
        item->setData(CoderRole, row);
        item->setToolTip(
            QString::fromUtf8(coder.Caption.data(), static_cast<int>(coder.Caption.size())));
        table_->setItem(row, 0, item);
    }
    // In the coders' own order, as the tool lists them, until the user sorts by a column.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    QObject::connect(table_, &QTableWidget::currentCellChanged, this,
                     [this] { ListWorstMoments(); });

    worst_ = new QListWidget(this);
    worst_->setAccessibleName(QStringLiteral("Worst moments"));
    QObject::connect(worst_, &QListWidget::itemActivated, this,
                     [this](QListWidgetItem* item) { ChooseWorstMoment(worst_->row(item)); });
    auto* const worstLabel =
        new QLabel(QStringLiteral("Worst moments (choose one to hear it):"), this);
    worstLabel->setBuddy(worst_);

    copy_ = new QPushButton(QStringLiteral("Copy as CSV"), this);
    QObject::connect(copy_, &QPushButton::clicked, this, [this] { CopyAsCsv(); });

    auto* const bottom = new QHBoxLayout;
    bottom->addWidget(progress_, 1);
    bottom->addWidget(copy_);
    auto* const layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(table_, 3);
    layout->addWidget(worstLabel);
    layout->addWidget(worst_, 2);
    layout->addLayout(bottom);

    liveTimer_ = new QTimer(this);
    liveTimer_->setInterval(LiveFiguresIntervalMs);
    QObject::connect(liveTimer_, &QTimer::timeout, this, [this] { MeasureLive(); });

    auto* const close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    QObject::connect(close, &QShortcut::activated, this, &QWidget::close);
    SetSource({});
}

TCoderFiguresWindow::~TCoderFiguresWindow() {
    Stop();
}

void TCoderFiguresWindow::Stop() {
    liveTimer_->stop();
    measuring_ = false;
    if (stop_) {
        stop_->store(true, std::memory_order_relaxed);
    }
    if (worker_.joinable()) {
        worker_.join();
    }
}

void TCoderFiguresWindow::SetSource(const TMaterialSource& source) {
    Stop();
    ++generation_;
    source_ = source;
    // A long name elided, whole in the tooltip and for screen readers.
    shownName_ = ElidedName(source.Name, status_->fontMetrics());
    status_->setToolTip(source.Name);
    status_->setAccessibleDescription(source.Name);
    first_ = source.Region ? source.Region->Begin : 0;
    const std::string& path = source.Path;
    complete_ = false;
    shown_ = {};
    Show(generation_, shown_);
    if (source.Live != nullptr) {
        status_->setText(QStringLiteral("Measuring every coder on live input..."));
        progress_->setValue(0);
        liveTimer_->start();
        MeasureLive();
        return;
    }
    if (path.empty()) {
        status_->setText(QStringLiteral("The tone plays: open a sound file from the spectrum "
                                        "menu to measure the coders on it."));
        progress_->setValue(0);
        return;
    }
    status_->setText(QStringLiteral("Measuring every coder on %1...").arg(shownName_));
    progress_->setValue(0);
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const unsigned generation = generation_;
    worker_ = std::thread([this, path, region = source.Region, generation, stop = stop_] {
        TMeasured measured;
        try {
            sound::TSoundFile file(path);
            const std::vector<analysis::SampleCodeFunction> codes = EveryCode();
            analysis::TMaterialMeter meter(codes);
            std::array<long double, BlockSamples> units{};
            std::array<double, BlockSamples> samples{};
            std::int64_t total = file.Info().Samples;
            if (region) {
                file.Seek(region->Begin);
                total =
                    std::clamp<std::int64_t>(region->End, file.Position(), total) - file.Position();
            }
            int told = 0;
            for (std::int64_t done = 0; done < total;) {
                if (stop->load(std::memory_order_relaxed)) {
                    return;
                }
                const auto count = static_cast<std::size_t>(
                    std::min<std::int64_t>(total - done, static_cast<std::int64_t>(BlockSamples)));
                file.Take(std::span(units).first(count));
                for (std::size_t k = 0; k < count; ++k) {
                    samples[k] = analysis::SourceSample(units[k], 1.0);
                }
                meter.Feed(std::span(samples).first(count));
                done += static_cast<std::int64_t>(count);
                const auto percent = static_cast<int>(done * PercentSteps / total);
                if (percent > told) {
                    told = percent;
                    PostToThreadOf(*this,
                                   [this, generation, percent] { Progress(generation, percent); });
                }
            }
            for (std::size_t c = 0; c < codes.size(); ++c) {
                measured.Figures.push_back(meter.Figures(c));
                measured.Worst.push_back(meter.WorstMoments(c, ListedWorstMoments));
            }
        } catch (const sound::TSoundFileError& error) {
            measured.Error = error.what();
        }
        PostToThreadOf(*this, [this, generation, measured = std::move(measured)] {
            Show(generation, measured);
        });
    });
}

void TCoderFiguresWindow::MeasureLive() {
    if (measuring_ || source_.Live == nullptr) {
        return;
    }
    // Copied here, so that the worker never reads what the input's thread writes.
    std::vector<float> latest(source_.Live->Capacity());
    latest.resize(source_.Live->Latest(latest));
    if (latest.empty()) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join(); // it has posted its figures: done
    }
    measuring_ = true;
    stop_ = std::make_shared<std::atomic<bool>>(false);
    const unsigned generation = generation_;
    worker_ = std::thread([this, latest = std::move(latest), generation, stop = stop_] {
        const std::vector<analysis::SampleCodeFunction> codes = EveryCode();
        analysis::TMaterialMeter meter(codes);
        std::array<double, BlockSamples> samples{};
        for (std::size_t done = 0; done < latest.size(); done += BlockSamples) {
            if (stop->load(std::memory_order_relaxed)) {
                return;
            }
            const std::size_t count = std::min(BlockSamples, latest.size() - done);
            for (std::size_t k = 0; k < count; ++k) {
                samples[k] = analysis::SourceSample(analysis::UnitSample(latest[done + k]), 1.0);
            }
            meter.Feed(std::span(samples).first(count));
        }
        TMeasured measured;
        for (std::size_t c = 0; c < codes.size(); ++c) {
            measured.Figures.push_back(meter.Figures(c));
        }
        measured.Samples = static_cast<std::int64_t>(latest.size());
        PostToThreadOf(*this, [this, generation, measured = std::move(measured)] {
            if (generation == generation_) {
                measuring_ = false;
            }
            Show(generation, measured);
        });
    });
}

void TCoderFiguresWindow::Progress(unsigned generation, int percent) {
    if (generation == generation_) {
        progress_->setValue(percent);
    }
}

void TCoderFiguresWindow::Show(unsigned generation, const TMeasured& measured) {
    if (generation != generation_) {
        return;
    }
    shown_ = measured;
    complete_ = !measured.Figures.empty();
    if (!measured.Error.empty()) {
        status_->setText(QStringLiteral("Cannot read %1: %2")
                             .arg(shownName_, QString::fromStdString(measured.Error)));
    } else if (complete_) {
        const auto time = [](std::int64_t sample) {
            return QString::fromStdString(display::FixedText(Seconds(sample), 3));
        };
        status_->setText(
            source_.Live != nullptr
                ? QStringLiteral("Every coder on live input, its last %1 s, measured again every "
                                 "second (the worst moments are found in sound files):")
                      .arg(QString::fromStdString(display::FixedText(Seconds(measured.Samples), 1)))
            : source_.Region
                ? QStringLiteral("Every coder on %1, its loop from %2 s to %3 s:")
                      .arg(shownName_, time(source_.Region->Begin), time(source_.Region->End))
                : QStringLiteral("Every coder on %1, the whole file:").arg(shownName_));
        progress_->setValue(PercentSteps);
    }
    // Sorting stays off while the cells change, or a row would move under the loop.
    const bool sorting = table_->isSortingEnabled();
    table_->setSortingEnabled(false);
    for (int row = 0; row < table_->rowCount(); ++row) {
        const auto coder = static_cast<std::size_t>(table_->item(row, 0)->data(CoderRole).toInt());
        for (std::size_t c = 0; c < display::MaterialColumns.size(); ++c) {
            const display::TMaterialColumn& column = display::MaterialColumns[c];
            auto* const item = new TFigureItem;
            if (complete_) {
                item->setText(QString::fromStdString(
                    display::MaterialCellText(column, measured.Figures[coder])));
                item->setData(SortRole, column.Value(measured.Figures[coder]));
            }
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, static_cast<int>(c) + 1, item);
        }
    }
    table_->setSortingEnabled(sorting);
    copy_->setEnabled(complete_);
    ListWorstMoments();
}

void TCoderFiguresWindow::ListWorstMoments() {
    worst_->clear();
    const int row = table_->currentRow();
    if (!complete_ || row < 0 || shown_.Worst.empty()) {
        return;
    }
    const auto coder = static_cast<std::size_t>(table_->item(row, 0)->data(CoderRole).toInt());
    for (const analysis::TWorstMoment& moment : shown_.Worst[coder]) {
        worst_->addItem(QStringLiteral("%1 s, %2 dB")
                            .arg(QString::fromStdString(
                                     display::FixedText(Seconds(first_ + moment.FirstSample), 4)),
                                 QString::fromStdString(display::FixedText(moment.SnrDb, 2))));
    }
}

QString TCoderFiguresWindow::Csv() const {
    QString csv = QString::fromStdString(display::MaterialCsvHeader()) + QLatin1Char('\n');
    if (!complete_) {
        return csv;
    }
    for (int row = 0; row < table_->rowCount(); ++row) {
        const auto coder = static_cast<std::size_t>(table_->item(row, 0)->data(CoderRole).toInt());
        csv += QString::fromStdString(display::MaterialCsvRow(source_.Name.toStdString(),
                                                              analysis::Coders[coder].ToolName,
                                                              shown_.Figures[coder])) +
               QLatin1Char('\n');
    }
    return csv;
}

void TCoderFiguresWindow::CopyAsCsv() {
    QApplication::clipboard()->setText(Csv());
}

void TCoderFiguresWindow::ChooseWorstMoment(int row) {
    const int coderRow = table_->currentRow();
    if (!complete_ || coderRow < 0 || row < 0 || shown_.Worst.empty()) {
        return;
    }
    const auto coder = static_cast<std::size_t>(table_->item(coderRow, 0)->data(CoderRole).toInt());
    const std::vector<analysis::TWorstMoment>& worst = shown_.Worst[coder];
    if (static_cast<std::size_t>(row) >= worst.size()) {
        return;
    }
    const std::int64_t first = first_ + worst[static_cast<std::size_t>(row)].FirstSample;
    playRegion_(std::max<std::int64_t>(first - WorstMomentMarginSamples, 0),
                first + analysis::SegmentSamples + WorstMomentMarginSamples);
}

} // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_window.h"

#include "analysis/frames/frame_pipeline.h"
#include "analysis/spectrogram/spectrogram_column_maker.h"
#include "analysis/spectrogram/spectrogram_csv.h"
#include "analysis/spectrogram/spectrogram_levels.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAccessible>
#include <QAccessibleEvent>
#include <QActionGroup>
#include <QFileDialog>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace app {
namespace {

using analysis::SpectrogramLane;

// The window's first size: the picture 1000 x 600, as the benchmarks draw it.
constexpr QSize InitialViewSize{1000, 600};

// The levels the menus offer for the colour bar's top and the floor, in dB; every floor lies
// below every top.
constexpr std::array<int, 3> TopChoicesDb = {0, -20, -40};
constexpr std::array<int, 7> FloorChoicesDb = {-60, -80, -100, -120, -140, -160, -180};

const QColor CursorColour(255, 255, 255, 200);

// The samples the history is made again from in one slice, between frames: 40 columns, 0.5 to
// 1.3 ms of work (spectrogram_bench), so that the window answers throughout.
constexpr std::int64_t RecomputeSliceSamples = 40 * analysis::SpectrogramHop;

const QString Title = QStringLiteral("Spectrogram");
const QString PausedTitle = QStringLiteral("Spectrogram (paused)");

double BinHz(int transformLength) {
    return static_cast<double>(analysis::SampleRate) / transformLength;
}

// The level a code stands for; -infinity for none.
double CodeLevel(std::uint8_t code) {
    return code == 0 ? -std::numeric_limits<double>::infinity() : analysis::CodeLevelDb(code);
}

QString Caption(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// The picture itself: paints it with the cursor over it and forwards the pointer, the wheel
// and the keys to the window.
class TSpectrogramWindow::TView : public QWidget {
public:
    explicit TView(TSpectrogramWindow& owner) : QWidget(&owner), owner_(owner) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(charts::MinimumSpectrogramSize);
        setMaximumSize(charts::LargestWindowSpectrogramSize);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAccessibleName(QStringLiteral("Spectrogram"));
    }

    QSize sizeHint() const override { return InitialViewSize; }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        // Rectangle by rectangle: Qt copies an image into one rectangle line by line, but into
        // a clip of several through its thread pool, which costs a running window more than
        // the copy itself (a frame repaints the lanes and the time axis below them).
        for (const QRect& rect : event->region()) {
            painter.setClipRect(rect);
            owner_.picture_->Paint(painter, rect);
        }
        painter.setClipRegion(event->region());
        const auto& cursor = owner_.cursor_;
        const QRect lane = owner_.picture_->LaneArea(cursor ? cursor->Lane : SpectrogramLane::slOriginal);
        if (!cursor || lane.isEmpty()) {
            return;
        }
        const std::int64_t age = owner_.viewEnd_ - 1 - cursor->Column;
        const int slotCount = owner_.picture_->Slots();
        if (age < 0 || age >= slotCount) {
            return;
        }
        const int x = lane.left() + static_cast<int>(owner_.look_.Direction ==
                                                             charts::TimeDirection::tdLeftToRight
                                                         ? slotCount - 1 - age
                                                         : age);
        const int y = lane.top() + owner_.picture_->RowOf(
                                       cursor->Bin * BinHz(owner_.columns_->TransformLength()));
        painter.setPen(CursorColour);
        painter.drawLine(x, lane.top(), x, lane.bottom());
        painter.drawLine(lane.left(), y, lane.right(), y);
    }
    void resizeEvent(QResizeEvent*) override { owner_.Redraw(); }
    void mouseMoveEvent(QMouseEvent* event) override {
        // The cursor's values stay in front of the pointer's.
        const QPoint at = event->position().toPoint();
        const QString point = owner_.PointText(at.x(), at.y());
        owner_.readout_->setText(owner_.cursor_ ? owner_.CursorText() + QStringLiteral("   ") + point
                                                : point);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            const QPoint at = event->position().toPoint();
            owner_.PlaceCursorAt(at.x(), at.y());
        }
    }
    void wheelEvent(QWheelEvent* event) override {
        // One notch (120) scrolls a tenth of the view.
        const int notches = event->angleDelta().y() / 120;
        owner_.Scroll(-static_cast<std::int64_t>(notches) * std::max(1, owner_.picture_->Slots() / 10));
    }
    void keyPressEvent(QKeyEvent* event) override {
        const bool later = owner_.look_.Direction == charts::TimeDirection::tdLeftToRight;
        const int page = std::max(1, owner_.picture_->Slots() / 2);
        switch (event->key()) {
        case Qt::Key_Left:
            owner_.MoveCursor(later ? -1 : 1, 0);
            break;
        case Qt::Key_Right:
            owner_.MoveCursor(later ? 1 : -1, 0);
            break;
        case Qt::Key_Up:
            owner_.MoveCursor(0, 1);
            break;
        case Qt::Key_Down:
            owner_.MoveCursor(0, -1);
            break;
        case Qt::Key_PageUp:
            owner_.Scroll(-page);
            break;
        case Qt::Key_PageDown:
            owner_.Scroll(page);
            break;
        default:
            QWidget::keyPressEvent(event);
        }
    }

private:
    TSpectrogramWindow& owner_;
};

TSpectrogramWindow::TSpectrogramWindow(TReferenceSink sendReference, QWidget* parent)
    : TSecondWindow(parent), sendReference_(std::move(sendReference)),
      recording_(analysis::TSpectrogramRecording::ForHistory()),
      columns_(std::make_unique<analysis::TSpectrogramColumns>(look_.TransformLength)) {
    setWindowTitle(Title);
    view_ = new TView(*this);
    readout_ = new QLabel(this);
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addWidget(readout_);
    CreateMenus();
    picture_ = std::make_unique<charts::TSpectrogramPicture>(look_, InitialViewSize);
    recompute_ = new QTimer(this);
    recompute_->setSingleShot(true);
    QObject::connect(recompute_, &QTimer::timeout, this, [this] { Recompute(); });

    auto* const close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    QObject::connect(close, &QShortcut::activated, this, &QWidget::close);
    view_->setFocus(Qt::OtherFocusReason);
}

TSpectrogramWindow::~TSpectrogramWindow() = default;

QWidget& TSpectrogramWindow::View() {
    return *view_;
}

void TSpectrogramWindow::CreateMenus() {
    auto* const bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    QMenu* const file = bar->addMenu(QStringLiteral("&File"));
    QAction* const savePng = file->addAction(QStringLiteral("Save as PNG..."));
    savePng->setShortcut(QKeySequence::Save);
    QObject::connect(savePng, &QAction::triggered, this, [this] { SaveWithDialog(false); });
    QObject::connect(file->addAction(QStringLiteral("Save as CSV...")), &QAction::triggered, this,
                     [this] { SaveWithDialog(true); });

    QMenu* const view = bar->addMenu(QStringLiteral("&View"));
    pause_ = view->addAction(QStringLiteral("Pause"));
    pause_->setCheckable(true);
    pause_->setShortcut(QKeySequence(Qt::Key_Space));
    QObject::connect(pause_, &QAction::toggled, this, [this](bool on) { SetPaused(on); });
    QAction* const reference = view->addAction(QStringLiteral("Cursor's column as reference"));
    reference->setShortcut(QKeySequence(Qt::Key_R));
    QObject::connect(reference, &QAction::triggered, this, [this] { SendCursorToReference(); });

    view->addSeparator();
    for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
        QAction* const lane = view->addAction(Caption(info.Caption));
        lane->setCheckable(true);
        lane->setChecked(true);
        const auto index = static_cast<std::size_t>(info.Lane);
        QObject::connect(lane, &QAction::toggled, this, [this, lane, index](bool on) {
            charts::TSpectrogramLook look = look_;
            look.Lanes[index] = on;
            if (std::find(look.Lanes.begin(), look.Lanes.end(), true) == look.Lanes.end()) {
                lane->setChecked(true); // one lane stays
                return;
            }
            SetLook(look);
        });
    }
    view->addSeparator();
    QAction* const turned = view->addAction(QStringLiteral("Time runs right to left"));
    turned->setCheckable(true);
    QObject::connect(turned, &QAction::toggled, this, [this](bool on) {
        charts::TSpectrogramLook look = look_;
        look.Direction = on ? charts::TimeDirection::tdRightToLeft : charts::TimeDirection::tdLeftToRight;
        SetLook(look);
    });
    QAction* const logarithmic = view->addAction(QStringLiteral("Logarithmic frequency axis"));
    logarithmic->setCheckable(true);
    QObject::connect(logarithmic, &QAction::toggled, this, [this](bool on) {
        charts::TSpectrogramLook look = look_;
        look.Axis = on ? charts::FrequencyAxis::faLogarithmic : charts::FrequencyAxis::faLinear;
        SetLook(look);
    });

    // One radio list per choice of the look: the caption of each entry, whether it is the
    // look's, and what it changes.
    const auto addChoices = [this, view](const QString& title, auto&& entries, auto&& caption,
                                         auto&& isCurrent, auto&& apply) {
        QMenu* const menu = view->addMenu(title);
        auto* const group = new QActionGroup(menu);
        for (const auto& entry : entries) {
            QAction* const item = menu->addAction(caption(entry));
            item->setCheckable(true);
            item->setChecked(isCurrent(entry));
            group->addAction(item);
            QObject::connect(item, &QAction::triggered, this, [this, entry, apply] {
                charts::TSpectrogramLook look = look_;
                apply(look, entry);
                SetLook(look);
            });
        }
    };
    addChoices(QStringLiteral("Colours"), charts::ColourMaps,
               [](const charts::TColourMapInfo& map) { return Caption(map.Caption); },
               [this](const charts::TColourMapInfo& map) { return map.Map == look_.Colours; },
               [](charts::TSpectrogramLook& look, const charts::TColourMapInfo& map) {
                   look.Colours = map.Map;
               });
    const auto decibels = [](int db) { return QStringLiteral("%1 dB").arg(db); };
    addChoices(QStringLiteral("Top"), TopChoicesDb, decibels,
               [this](int db) { return db == look_.TopDb; },
               [](charts::TSpectrogramLook& look, int db) { look.TopDb = db; });
    addChoices(QStringLiteral("Floor"), FloorChoicesDb, decibels,
               [this](int db) { return db == look_.FloorDb; },
               [](charts::TSpectrogramLook& look, int db) { look.FloorDb = db; });
    addChoices(QStringLiteral("Transform"), analysis::SpectrogramTransformLengths,
               [](int length) { return QStringLiteral("%1 points").arg(length); },
               [this](int length) { return length == look_.TransformLength; },
               [](charts::TSpectrogramLook& look, int length) { look.TransformLength = length; });
}

void TSpectrogramWindow::TakeFrame(std::span<const double> original, std::span<const double> coded,
                                   analysis::WindowKind window) {
    if (original.empty()) {
        return;
    }
    if (restart_ || columns_->Window() != window) {
        recording_.StartRun(window);
        columns_->StartRun(recording_.End(), window);
        restart_ = false;
    }
    recording_.Add(original, coded);
    const std::int64_t before = History().Count();
    columns_->Feed(original, coded, [this](std::int64_t column) {
        if (!paused_) {
            viewEnd_ = column + 1;
            picture_->AppendSlot(History().Codes(column), columns_->ColumnSeconds(column));
        }
    });
    if (!paused_ && History().Count() != before) {
        // The lanes on screen move rather than being painted again: on X11 the server moves
        // them, and only the new slots, the titles and the time axis are painted.
        const charts::TSpectrogramPicture::TFollow follow =
            picture_->Follow(History().Count() - before);
        if (follow.Dx == 0) {
            view_->update(picture_->ScrollingArea());
        } else {
            view_->scroll(follow.Dx, 0, follow.Area);
            view_->update(follow.Repaint);
        }
    }
}

void TSpectrogramWindow::SetLook(const charts::TSpectrogramLook& look) {
    look_ = look;
    if (look.TransformLength == columns_->TransformLength()) {
        pending_.reset();
        recompute_->stop();
    } else if (!pending_ || pending_->TransformLength() != look.TransformLength) {
        pending_ = std::make_unique<analysis::TSpectrogramColumns>(look.TransformLength);
        Recompute();
    }
    Redraw();
    CursorChanged();
}

void TSpectrogramWindow::Recompute() {
    if (!pending_) {
        return;
    }
    if (pending_->CatchUp(recording_, RecomputeSliceSamples)) {
        ShowRecomputed();
        return;
    }
    ShowReadout();
    recompute_->start(0);
}

void TSpectrogramWindow::ShowRecomputed() {
    const analysis::TSpectrogramColumns& was = *columns_;
    const analysis::TSpectrogramColumns& now = *pending_;
    // The same moment: the column centred nearest the old one's centre.
    const auto same = [&](std::int64_t column) {
        return now.ColumnNearest(was.CentreSample(column));
    };
    const std::optional<std::int64_t> newest =
        paused_ && viewEnd_ > was.History().Oldest() ? same(viewEnd_ - 1) : std::nullopt;
    viewEnd_ = newest ? *newest + 1 : now.History().Count();
    if (cursor_) {
        const bool kept =
            cursor_->Column >= was.History().Oldest() && cursor_->Column < was.History().Count();
        const std::optional<std::int64_t> column =
            kept ? now.ColumnNearest(cursor_->Sample) : std::nullopt;
        if (column) {
            cursor_->Column = *column;
            cursor_->Bin = std::clamp(
                static_cast<int>(std::lround(cursor_->Hz / BinHz(now.TransformLength()))), 0,
                now.History().Bins() - 1);
        } else {
            cursor_.reset();
        }
    }
    columns_ = std::move(pending_);
    if (cursor_) {
        // The view follows the cursor, as when it moves.
        viewEnd_ = std::clamp(viewEnd_, cursor_->Column + 1, cursor_->Column + picture_->Slots());
    }
    Redraw();
    CursorChanged();
}

void TSpectrogramWindow::Redraw() {
    // At the length of the columns there are, until those at a new length are made.
    charts::TSpectrogramLook shown = look_;
    shown.TransformLength = columns_->TransformLength();
    picture_ = std::make_unique<charts::TSpectrogramPicture>(
        shown, view_->size().boundedTo(charts::LargestWindowSpectrogramSize));
    const std::int64_t first = std::max(History().Oldest(), viewEnd_ - picture_->Slots());
    for (std::int64_t column = first; column < viewEnd_; ++column) {
        picture_->AppendSlot(History().Codes(column), columns_->ColumnSeconds(column));
    }
    view_->update();
}

void TSpectrogramWindow::SetPaused(bool paused) {
    if (paused == paused_) {
        return;
    }
    paused_ = paused;
    pause_->setChecked(paused);
    setWindowTitle(paused ? PausedTitle : Title);
    if (!paused) {
        viewEnd_ = History().Count();
        Redraw();
    }
}

void TSpectrogramWindow::Scroll(std::int64_t columns) {
    if (!paused_) {
        return;
    }
    const std::int64_t count = History().Count();
    const std::int64_t least = std::min(count, History().Oldest() + picture_->Slots());
    const std::int64_t end = std::clamp(viewEnd_ + columns, least, count);
    if (end != viewEnd_) {
        viewEnd_ = end;
        Redraw();
    }
}

std::optional<std::int64_t> TSpectrogramWindow::ColumnAt(int x) const {
    const QRect plot = picture_->LaneArea(SpectrogramLane::slOriginal)
                           .united(picture_->LaneArea(SpectrogramLane::slCoded))
                           .united(picture_->LaneArea(SpectrogramLane::slError));
    const int slotCount = picture_->Slots();
    const int at = x - plot.left();
    if (at < 0 || at >= slotCount) {
        return std::nullopt;
    }
    const int age = look_.Direction == charts::TimeDirection::tdLeftToRight ? slotCount - 1 - at : at;
    const std::int64_t column = viewEnd_ - 1 - age;
    if (column < History().Oldest() || column >= History().Count()) {
        return std::nullopt;
    }
    return column;
}

std::optional<std::pair<SpectrogramLane, int>> TSpectrogramWindow::BinAt(int y) const {
    for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
        const QRect lane = picture_->LaneArea(info.Lane);
        if (!lane.isEmpty() && y >= lane.top() && y <= lane.bottom()) {
            const double hz = picture_->RowFrequencyHz(y - lane.top());
            const int bin = static_cast<int>(std::lround(hz / BinHz(columns_->TransformLength())));
            return std::pair{info.Lane, std::clamp(bin, 0, History().Bins() - 1)};
        }
    }
    return std::nullopt;
}

QString TSpectrogramWindow::ReadingText(std::int64_t column, int bin) const {
    QString text = QStringLiteral("%1 s, %2 Hz:")
                       .arg(columns_->ColumnSeconds(column), 0, 'f', 3)
                       .arg(bin * BinHz(columns_->TransformLength()), 0, 'f', 1);
    if (column < History().Oldest() || column >= History().Count()) {
        return text + QStringLiteral(" no longer kept");
    }
    const analysis::TLaneCodes codes = History().Codes(column);
    for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
        const auto lane = static_cast<std::size_t>(info.Lane);
        if (!look_.Lanes[lane]) {
            continue;
        }
        const double level = CodeLevel(codes[lane][static_cast<std::size_t>(bin)]);
        text += QStringLiteral(" %1 ").arg(Caption(info.Caption)) +
                (level >= look_.FloorDb ? QStringLiteral("%1 dB").arg(level, 0, 'f', 2)
                                        : QStringLiteral("below %1 dB").arg(look_.FloorDb));
    }
    return text;
}

QString TSpectrogramWindow::PointText(int x, int y) const {
    const std::optional<std::int64_t> column = ColumnAt(x);
    const auto bin = BinAt(y);
    if (!column || !bin) {
        return {};
    }
    return ReadingText(*column, bin->second);
}

QString TSpectrogramWindow::CursorText() const {
    if (!cursor_) {
        return QStringLiteral("No cursor");
    }
    return QStringLiteral("Cursor at ") + ReadingText(cursor_->Column, cursor_->Bin);
}

void TSpectrogramWindow::PlaceCursorAt(int x, int y) {
    const std::optional<std::int64_t> column = ColumnAt(x);
    const auto bin = BinAt(y);
    if (!column || !bin) {
        return;
    }
    SetPaused(true);
    cursor_ = TSpectrogramCursor{*column, bin->second, bin->first};
    CursorPut();
    CursorChanged();
}

void TSpectrogramWindow::MoveCursor(std::int64_t columns, int bins) {
    if (!cursor_ || History().Count() == 0) {
        return;
    }
    SetPaused(true);
    cursor_->Column =
        std::clamp(cursor_->Column + columns, History().Oldest(), History().Count() - 1);
    cursor_->Bin = std::clamp(cursor_->Bin + bins, 0, History().Bins() - 1);
    CursorPut();
    // The view follows a cursor that leaves it.
    const std::int64_t slotCount = picture_->Slots();
    const std::int64_t end = std::clamp(viewEnd_, cursor_->Column + 1, cursor_->Column + slotCount);
    if (end != viewEnd_) {
        viewEnd_ = end;
        Redraw();
    }
    CursorChanged();
}

void TSpectrogramWindow::CursorPut() {
    cursor_->Sample = columns_->CentreSample(cursor_->Column);
    cursor_->Hz = cursor_->Bin * BinHz(columns_->TransformLength());
}

void TSpectrogramWindow::CursorChanged() {
    const QString text = CursorText();
    ShowReadout();
    view_->setAccessibleDescription(text);
    QAccessibleEvent event(view_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
    view_->update();
}

void TSpectrogramWindow::ShowReadout() {
    QString text = CursorText();
    if (pending_ != nullptr) {
        const std::int64_t oldest = recording_.Oldest();
        const std::int64_t done = std::max<std::int64_t>(pending_->End() - oldest, 0);
        text += QStringLiteral("   (making the columns at %1 points: %2 %)")
                    .arg(pending_->TransformLength())
                    .arg(done * 100 / std::max<std::int64_t>(recording_.End() - oldest, 1));
    }
    if (readout_->text() != text) {
        readout_->setText(text);
    }
}

void TSpectrogramWindow::SendCursorToReference() {
    if (!cursor_ || cursor_->Column < History().Oldest() || cursor_->Column >= History().Count()) {
        return;
    }
    // Each of the spectrum's bins takes the level of the column's bin nearest its frequency.
    const std::span<const std::uint8_t> codes =
        History().Codes(cursor_->Column)[static_cast<std::size_t>(cursor_->Lane)];
    std::vector<double> levels(analysis::PlottedBins);
    const double binHz = BinHz(columns_->TransformLength());
    for (int bin = 0; bin < analysis::PlottedBins; ++bin) {
        const auto nearest = std::min(static_cast<std::size_t>(std::lround(bin * analysis::BinSpacingHz / binHz)),
                                      codes.size() - 1);
        levels[static_cast<std::size_t>(bin)] = CodeLevel(codes[nearest]);
    }
    sendReference_(levels);
}

void TSpectrogramWindow::SavePicture(const QString& path) const {
    WriteWholeFile(path, charts::SpectrogramPng(*picture_));
}

void TSpectrogramWindow::SaveCsv(const QString& path) const {
    const int length = columns_->TransformLength();
    std::string text;
    analysis::AppendSpectrogramCsvHeader(text, length);
    std::int64_t first = std::max(History().Oldest(), viewEnd_ - picture_->Slots());
    std::int64_t end = viewEnd_;
    if (cursor_ && cursor_->Column >= History().Oldest() && cursor_->Column < History().Count()) {
        first = cursor_->Column;
        end = first + 1;
    }
    std::vector<double> levels(static_cast<std::size_t>(History().Bins()));
    for (std::int64_t column = first; column < end; ++column) {
        const analysis::TLaneCodes codes = History().Codes(column);
        for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
            const auto lane = static_cast<std::size_t>(info.Lane);
            if (look_.Lanes[lane]) {
                std::transform(codes[lane].begin(), codes[lane].end(), levels.begin(), CodeLevel);
                analysis::AppendSpectrogramCsvRow(text, columns_->ColumnSeconds(column), info.Lane,
                                                  levels, look_.FloorDb);
            }
        }
    }
    WriteWholeFile(path, text);
}

void TSpectrogramWindow::SaveWithDialog(bool csv) {
    const QString title = csv ? QStringLiteral("Save as CSV") : QStringLiteral("Save as PNG");
    const QString path = QFileDialog::getSaveFileName(
        this, title, QString(), csv ? QStringLiteral("CSV tables (*.csv)") : QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty()) {
        return;
    }
    try {
        csv ? SaveCsv(path) : SavePicture(path);
    } catch (const std::exception& error) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Cannot save %1: %2").arg(path, QString::fromUtf8(error.what())));
    }
}

void TSpectrogramWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The frames were not taken while the window was closed: the next column starts afresh.
    restart_ = true;
}


} // namespace app

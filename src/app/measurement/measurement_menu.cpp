// SPDX-License-Identifier: GPL-3.0-or-later
#include "measurement_menu.h"

#include "app/common/shortcut_item.h"
#include "platform/qt/qt_control_widget.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

namespace app {
namespace {

// Average shortcuts: Ctrl+0 for none, Ctrl+1 to Ctrl+3 for the counts in order.
QString AveragingShortcut(int index) {
    return QStringLiteral("Ctrl+%1").arg(index);
}

} // namespace

TMeasurementMenu::TMeasurementMenu(QMenu& menu, QWidget& window, QWidget& display,
                                   display::TPlotViews& views,
                                   std::function<void(const std::function<void()>&)> guard)
    : QObject(&menu), window_(window), display_(display), views_(views), guard_(std::move(guard)) {
    menu.addSeparator();
    peakHold_ = AddItem(menu, QStringLiteral("Peak hold"), QStringLiteral("H"),
                        [this] { views_.SetPeakHold(peakHold_->isChecked()); });
    peakHold_->setCheckable(true);
    resetHold_ = AddItem(menu, QStringLiteral("Reset hold"), QStringLiteral("Shift+H"),
                         [this] { views_.ResetHold(); });

    QMenu* const averaging = menu.addMenu(QStringLiteral("Averaging"));
    // A pop-up of its own, it takes its direction from the menu, not from the language.
    averaging->setLayoutDirection(menu.layoutDirection());
    averagingGroup_ = new QActionGroup(averaging);
    for (std::size_t i = 0; i < averaging_.size(); ++i) {
        const int frames = i == 0 ? 0 : display::AveragingFrameCounts[i - 1];
        const QString caption =
            frames == 0 ? QStringLiteral("Off") : QStringLiteral("%1 frames").arg(frames);
        averaging_[i] = AddItem(*averaging, caption, AveragingShortcut(static_cast<int>(i)),
                                [this, frames] { views_.SetAveraging(frames); });
        averaging_[i]->setCheckable(true);
        averagingGroup_->addAction(averaging_[i]);
    }
    averaging_[0]->setChecked(true);

    freezeReference_ = AddItem(menu, QStringLiteral("Freeze as reference"), QStringLiteral("F"),
                               [this] { views_.FreezeReference(); });
    clearReference_ = AddItem(menu, QStringLiteral("Clear reference"), QStringLiteral("Shift+F"),
                              [this] { views_.ClearReference(); });
    markers_ = AddItem(menu, QStringLiteral("Markers"), QStringLiteral("M"), [this] {
        views_.SetMarkersShown(markers_->isChecked());
        if (markers_->isChecked() && !views_.MarkerBin(display::TMarker::mkFirst)) {
            ChooseMarker(display::TMarker::mkFirst);
        }
        FollowMarkersShown();
    });
    markers_->setCheckable(true);
    clearMarkers_ = AddItem(menu, QStringLiteral("Clear markers"), QStringLiteral("Shift+M"),
                            [this] { views_.ClearMarkers(); });
    figures_ = AddItem(menu, QStringLiteral("Distortion figures"), QStringLiteral("D"),
                       [this] { views_.SetFiguresShown(figures_->isChecked()); });
    figures_->setCheckable(true);

    display_.installEventFilter(this);
}

QAction* TMeasurementMenu::AddItem(QMenu& menu, const QString& caption, const QString& shortcut,
                                   const std::function<void()>& handler) {
    return AddShortcutItem(menu, window_, *this, caption, shortcut,
                           [this, handler] { guard_(handler); });
}

void TMeasurementMenu::FollowMarkersShown() {
    if (views_.MarkersShown()) {
        display_.setFocusPolicy(Qt::StrongFocus);
        display_.setFocus(Qt::OtherFocusReason);
    } else {
        display_.setFocusPolicy(Qt::TabFocus);
    }
}

void TMeasurementMenu::ChooseMarker(display::TMarker marker) {
    std::optional<int> bin = views_.MarkerBin(marker);
    if (!bin) {
        const display::TOrdinates& trace = views_.Trace();
        bin = static_cast<int>(std::max_element(trace.begin(), trace.end()) - trace.begin());
    }
    views_.PlaceMarker(marker, *bin);
}

bool TMeasurementMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &display_ || !views_.MarkersShown()) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* const press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            const display::TMarker marker = press->modifiers().testFlag(Qt::ShiftModifier)
                                                ? display::TMarker::mkSecond
                                                : display::TMarker::mkFirst;
            // The column under the pointer is the bin.
            const int bin = platform::qt::ClientPointOf(display_, *press).x;
            guard_([this, marker, bin] { views_.PlaceMarker(marker, bin); });
            FollowMarkersShown();
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* const key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int step = key->key() == Qt::Key_Left ? -1 : 1;
            guard_([this, step] { views_.MoveActiveMarker(step); });
            return true;
        }
        case Qt::Key_1:
        case Qt::Key_2: {
            const display::TMarker marker =
                key->key() == Qt::Key_1 ? display::TMarker::mkFirst : display::TMarker::mkSecond;
            guard_([this, marker] { ChooseMarker(marker); });
            return true;
        }
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app

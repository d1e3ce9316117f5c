// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "display/plot_views.h"

#include <array>
#include <functional>

#include <QObject>

class QAction;
class QActionGroup;
class QEvent;
class QMenu;
class QWidget;

namespace app {

// The spectrum menu's section for the measurement views, after the window list: peak hold,
// averaging, the reference trace, markers and the distortion figures, each with its
// keyboard shortcut, which works in the whole window whether the menu is open or not.
//
// With the markers shown, a left click on the display places marker 1 at the bin under the
// pointer and a shift-click marker 2; the display then takes the keyboard focus, where the
// left and right arrows move the active marker by one bin and 1 or 2 choose it (placing it
// on the highest bin if it is not placed yet). Without markers a click does nothing, and the
// display takes the focus only by Tab.
class TMeasurementMenu : public QObject {
public:
    // Adds the section to `menu` and the shortcuts to `window`; `display` is the widget that
    // hosts the spectrum display. Every handler runs through `guard`. All must outlive this.
    TMeasurementMenu(QMenu& menu, QWidget& window, QWidget& display, display::TPlotViews& views,
                     std::function<void(const std::function<void()>&)> guard);

    // The items, for tests and assistive technology.
    QAction& PeakHoldItem() { return *peakHold_; }
    QAction& ResetHoldItem() { return *resetHold_; }
    // Off, then one per AveragingFrameCounts.
    QAction& AveragingItem(int index) { return *averaging_[static_cast<std::size_t>(index)]; }
    QAction& FreezeReferenceItem() { return *freezeReference_; }
    QAction& ClearReferenceItem() { return *clearReference_; }
    QAction& MarkersItem() { return *markers_; }
    QAction& ClearMarkersItem() { return *clearMarkers_; }
    QAction& FiguresItem() { return *figures_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddItem(QMenu& menu, const QString& caption, const QString& shortcut,
                     const std::function<void()>& handler);
    // Gives the display the keyboard focus, also on a click, while the markers are shown.
    void FollowMarkersShown();
    // Makes `marker` the active one, placing it on the highest bin of the trace if needed.
    void ChooseMarker(display::TMarker marker);

    QWidget& window_;
    QWidget& display_;
    display::TPlotViews& views_;
    std::function<void(const std::function<void()>&)> guard_;

    QAction* peakHold_ = nullptr;
    QAction* resetHold_ = nullptr;
    std::array<QAction*, display::AveragingFrameCounts.size() + 1> averaging_{};
    QActionGroup* averagingGroup_ = nullptr;
    QAction* freezeReference_ = nullptr;
    QAction* clearReference_ = nullptr;
    QAction* markers_ = nullptr;
    QAction* clearMarkers_ = nullptr;
    QAction* figures_ = nullptr;
};

} // namespace app

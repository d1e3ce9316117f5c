// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace app {

class TCoderCurvesWindow;

// The spectrum menu's section for the coder curves: "Coder curves..." opens their window
// (made on first use), which then follows the tone the main window plays.
class TCoderCurvesMenu : public QObject {
public:
    // The tone: frequency in Hz and level in dB.
    using TTone = std::function<std::pair<std::int32_t, int>()>;

    // Adds the section to `menu` and the item's shortcut to `window`, the curves window's
    // parent. `tone` tells the current tone; opening the window runs through `guard`. All
    // must outlive this.
    TCoderCurvesMenu(QMenu& menu, QWidget& window, TTone tone,
                     std::function<void(const std::function<void()>&)> guard);

    QAction& OpenItem() { return *open_; }
    // The curves window, or null before it is first opened.
    TCoderCurvesWindow* Window();
    // The tone changed: an open curves window follows it.
    void ToneChanged();

private:
    void Open();

    QWidget& window_;
    TTone tone_;
    QAction* open_ = nullptr;
    QPointer<TCoderCurvesWindow> curves_;
};

} // namespace app

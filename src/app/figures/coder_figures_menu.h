// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coder_figures_window.h"

#include <functional>
#include <string>
#include <utility>

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace app {

// The spectrum menu's section for the coders' figures over material: "Coder figures..."
// opens their window (made on first use), which then follows the sound file that plays and
// its loop region, or live input.
class TCoderFiguresMenu : public QObject {
public:
    // What plays: the file and its loop region, live input, or an empty path for the tone.
    using TSource = std::function<TMaterialSource()>;

    // Adds the section to `menu` and the item's shortcut to `window`, the figures window's
    // parent. `source` tells what plays, `playRegion` loops a region of the file; opening the
    // window and choosing a moment run through `guard`. All must outlive this.
    TCoderFiguresMenu(QMenu& menu, QWidget& window, TSource source,
                      TCoderFiguresWindow::TPlayRegion playRegion,
                      std::function<void(const std::function<void()>&)> guard);

    QAction& OpenItem() { return *open_; }
    // The figures window, or null before it is first opened.
    TCoderFiguresWindow* Window() { return figures_.data(); }
    // The source changed: an open figures window measures the new one.
    void SourceChanged();
    // A frame was shown: an open figures window measures the loop region afresh if the user
    // changed it (not when the window itself chose it, to play a worst moment).
    void FrameShown();

private:
    void Open();

    QWidget& window_;
    TSource source_;
    TCoderFiguresWindow::TPlayRegion playRegion_;
    QAction* open_ = nullptr;
    QPointer<TCoderFiguresWindow> figures_;
    // The loop region the window last saw or set.
    std::optional<sound::TSampleRegion> region_;
};

} // namespace app

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
// opens their window (made on first use), which then follows the sound file that plays.
class TCoderFiguresMenu : public QObject {
public:
    // The file that plays: its path as the file system takes it and the name shown, or an
    // empty path while the tone plays.
    using TSource = std::function<std::pair<std::string, QString>()>;

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

private:
    void Open();

    QWidget& window_;
    TSource source_;
    TCoderFiguresWindow::TPlayRegion playRegion_;
    QAction* open_ = nullptr;
    QPointer<TCoderFiguresWindow> figures_;
};

} // namespace app

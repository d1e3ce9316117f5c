// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/common/material_source.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace app {

class TCoderCurvesWindow;

// The spectrum menu's section for the coder curves: "Coder curves..." opens their window
// (made on first use), which then follows the tone the main window plays and the material
// that plays.
class TCoderCurvesMenu : public QObject {
public:
    // The tone: frequency in Hz and level in dB.
    using TTone = std::function<std::pair<std::int32_t, int>()>;
    // The material that plays (a file, its loop region, live input), or the tone.
    using TSource = std::function<TMaterialSource()>;

    // Adds the section to `menu` and the item's shortcut to `window`, the curves window's
    // parent. `tone` tells the current tone and `source` the material; opening the window
    // runs through `guard`. All must outlive this.
    TCoderCurvesMenu(QMenu& menu, QWidget& window, TTone tone, TSource source,
                     std::function<void(const std::function<void()>&)> guard);

    QAction& OpenItem() { return *open_; }
    // The curves window, or null before it is first opened.
    TCoderCurvesWindow* Window();
    // The tone changed: an open curves window follows it.
    void ToneChanged();
    // The source changed: the window measures the new material.
    void SourceChanged();
    // A frame is shown: a loop region set or moved since is taken as new material.
    void FrameShown();

private:
    void Open();

    QWidget& window_;
    TTone tone_;
    TSource source_;
    std::optional<sound::TSampleRegion> region_; // the loop region the window measures
    QAction* open_ = nullptr;
    QPointer<TCoderCurvesWindow> curves_;
};

} // namespace app

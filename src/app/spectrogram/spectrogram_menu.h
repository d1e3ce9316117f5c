// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "spectrogram_window.h"

#include <functional>
#include <span>

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWidget;

namespace app {

// The spectrum menu's section for the spectrogram: "Spectrogram..." (S) opens its window
// (made on first use), which then takes the frames the main window runs for as long as it is
// open; closed, it takes none and nothing of it runs.
class TSpectrogramMenu : public QObject {
public:
    // Adds the section to `menu` and the item's shortcut to `window`, the spectrogram
    // window's parent. The window's cursor column goes to `sendReference`; opening it runs
    // through `guard`. All must outlive this.
    TSpectrogramMenu(QMenu& menu, QWidget& window, TSpectrogramWindow::TReferenceSink sendReference,
                     std::function<void(const std::function<void()>&)> guard);

    QAction& OpenItem() { return *open_; }
    // The spectrogram window, or null before it is first opened.
    TSpectrogramWindow* Window() { return spectrogram_.data(); }
    // Whether the frames' samples are wanted: while the window is open.
    bool Recording() const { return !spectrogram_.isNull() && spectrogram_->isVisible(); }
    // The original and coded values of the samples new in a frame, analysed with `window`;
    // for Recording() only.
    void FrameTaken(std::span<const double> original, std::span<const double> coded,
                    analysis::WindowKind window);

private:
    void Open();

    QWidget& window_;
    TSpectrogramWindow::TReferenceSink sendReference_;
    QAction* open_ = nullptr;
    QPointer<TSpectrogramWindow> spectrogram_;
};

} // namespace app

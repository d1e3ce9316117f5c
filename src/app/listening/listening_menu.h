// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "listening.h"

#include <functional>

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace app {

// The spectrum menu's section for listening, after the measurement views: "Listen" plays the
// source (the tone or a sound file) as the chosen mode codes it through the desktop's sound
// server, "Listen to the coding error" plays the coding error alone, raised by
// analysis::ErrorGain, instead, and "Listen to the original" the source uncoded; the last two
// exclude each other and start listening if it is off. The original's key, A, flips between
// the coded and the original signal at the same sample, without a gap. All are off at start,
// and their shortcuts work in the whole window. Without a sound output all are disabled and
// their tooltips say why; when playing stops by itself, "Listen" is unchecked and its tooltip
// says why.
class TListeningMenu : public QObject {
public:
    // Adds the section to `menu` and the shortcuts to `window`. `settings` gives the tone
    // as the window's controls set it. Every handler runs through `guard`. All must outlive
    // this.
    TListeningMenu(QMenu& menu, QWidget& window,
                   std::function<analysis::TStreamSettings()> settings,
                   std::function<void(const std::function<void()>&)> guard);

    QAction& ListenItem() { return *listen_; }
    QAction& ErrorItem() { return *error_; }
    QAction& OriginalItem() { return *original_; }
    TListening& Listening() { return listening_; }

    // Hands the controls' current tone to the stream; the window calls this on every change.
    void FollowControls();
    // Turns listening on or off as the "Listen" item would.
    void SetListening(bool on);
    // The items' shortcuts work in `window` too (the source's window, where the keyboard is
    // while moving through a file).
    void AddShortcutsTo(QWidget& window);

private:
    QAction* AddItem(QMenu& menu, const QString& caption, const QString& shortcut,
                     const std::function<void()>& handler);
    // Enables the items and sets their tooltips for whether an output is there.
    void FollowAvailability();
    // What `chosen` (the error or the original item) asks, when checked or unchecked.
    void ChooseContent(QAction* chosen);

    QWidget& window_;
    std::function<analysis::TStreamSettings()> settings_;
    std::function<void(const std::function<void()>&)> guard_;
    TListening listening_;
    QAction* listen_ = nullptr;
    QAction* error_ = nullptr;
    QAction* original_ = nullptr;
    // Why listening last stopped by itself or would not start; empty once it starts.
    QString lastStop_;
};

} // namespace app

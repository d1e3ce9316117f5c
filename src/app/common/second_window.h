// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QString>
#include <QWidget>

namespace app {

// A window of its own beside the spectrum window (the curves, the spectrogram). A hidden
// window keeps its native window and backing store, as many pixels as it was large (256 MB at
// 8000 x 8000): once it is closed or hidden by the program, not merely minimised, they go,
// after the hiding is done; showing it again makes new ones of the same size at the same
// place. What the window shows stays.
class TSecondWindow : public QWidget {
public:
    explicit TSecondWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

protected:
    void hideEvent(QHideEvent* event) override;

    // Saves `bytes` as the file `path`, as the second windows save what they show: a regular
    // file is replaced only once it is written whole; anything else (a device, a pipe with a
    // reader) is written in place and never renamed over; a pipe that no program reads is
    // refused rather than waited for. Throws std::runtime_error with the reason.
    static void WriteWholeFile(const QString& path, const std::string& bytes);
};

} // namespace app

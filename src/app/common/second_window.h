// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
};

} // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

namespace app {

class TSpectrumForm;

// The spectrum display as a graphic named "Spectrum". Its description says what the
// picture shows: the analysis window and the coding mode in use, and the highest bin of
// the last frame with its frequency and level, as the pointer read-out gives them:
// "Window: Окно Кайзера (20); mode: PCM 32 bit; peak: Bin 64: 1000.000 Hz, -0.01 dB".
// It is made afresh on every request, so no event announces each new frame. Its one action,
// "ShowMenu", opens the spectrum menu over the display's middle, as the keyboard's menu key
// does.
class TAccessibleDisplay : public QAccessibleWidget {
public:
    // `widget` hosts the display of `form`; both must outlive the interface, which Qt
    // deletes with the widget.
    TAccessibleDisplay(QWidget* widget, TSpectrumForm& form);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QString Description() const;

    TSpectrumForm& form_;
};

} // namespace app

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace app {

// While it lives, the loss of the windowing system ends the program with one line and
// StartFailedStatus, however Qt tells of it: a fatal message of Qt's (its windowing system
// cannot be opened, or went away), or the warning Qt's Wayland client gives before it ends
// the process itself. The first thread to tell of the loss ends the process; any other
// waits for that instead of saying it again (Qt's Wayland client reads events on threads of
// its own, so two threads can meet the loss at once).
//
// What Qt's Wayland platform warns of while its compositor has already closed the
// connection (a fake screen, an EGL display that cannot be set up) is that same loss before
// Qt has noticed it, and is not printed: the loss's one line follows. Other messages go on to
// the handler that was there before.
class TFatalQtMessages {
public:
    TFatalQtMessages();
    ~TFatalQtMessages();
    TFatalQtMessages(const TFatalQtMessages&) = delete;
    TFatalQtMessages& operator=(const TFatalQtMessages&) = delete;

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text);
};

} // namespace app

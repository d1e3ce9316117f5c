// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace app {

// The exit status of a start that failed: no display, or a main window that could not be
// built.
inline constexpr int StartFailedStatus = 1;

// Why the program cannot reach its display with these arguments and this environment, or an
// empty string when it can. Qt ends the process when it cannot open its windowing system,
// so this is decided before the application object exists. Only the X11 display is
// checked; another windowing system, chosen with -platform or QT_QPA_PLATFORM or offered
// through WAYLAND_DISPLAY, is left to Qt.
std::string DisplayProblem(int argc, char** argv);

using TMainWindowFactory = std::function<std::unique_ptr<QWidget>()>;
// Receives the error box text of a failure (see ErrorBoxText).
using TStartFailureReport = std::function<void(std::string_view text)>;

// Builds the main window with `createWindow`, shows it and runs the event loop until the
// window is gone by any route: closed, deleted, or destroyed by the windowing system from
// outside; returns 0 then. When building or showing the window throws, the failure goes to
// `reportFailure`, the loop is not entered and StartFailedStatus is returned. Needs a
// QApplication.
int RunMainWindow(const TMainWindowFactory& createWindow, const TStartFailureReport& reportFailure);

// The whole program, as main runs it: the display is checked, the application set up and
// the analyzer's window run. A start-up failure is shown in the error box, or written as
// one line to standard error where no box can be shown, and ends with StartFailedStatus.
int RunOrvex(int argc, char** argv);

} // namespace app

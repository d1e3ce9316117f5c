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

using TMainWindowFactory = std::function<std::unique_ptr<QWidget>()>;
// Receives the error box text of a failure (see ErrorBoxText).
using TStartFailureReport = std::function<void(std::string_view text)>;

// Builds the main window with `createWindow`, shows it and runs the event loop until the
// window is gone by any route: closed, deleted, or destroyed by the windowing system from
// outside; returns 0 then. When building or showing the window throws, the failure goes to
// `reportFailure`, the loop is not entered and StartFailedStatus is returned. Needs a
// QApplication.
int RunMainWindow(const TMainWindowFactory& createWindow, const TStartFailureReport& reportFailure);

// The whole program, as main runs it: closed standard streams are reopened on /dev/null,
// the command line read, the windowing system chosen and checked, the application set up
// and the analyzer's window run. A start-up failure is shown in the error box, or written
// as one line to standard error where no box can be shown, and ends with StartFailedStatus;
// so does losing the windowing system while the window runs.
int RunOrvex(int argc, char** argv);

} // namespace app

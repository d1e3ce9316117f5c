// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace app {

// The text an error box shows for an error message: a full stop is appended when the
// message is not empty and its last character sorts after the full stop (so a message
// ending in a letter gets one, one ending in "." or a blank does not).
std::string ErrorBoxText(std::string_view message);

// The message for the floating-point exceptions that count as errors (invalid operation,
// division by zero, overflow) when one of them is flagged, else an empty string. Clears the
// flags it reports.
std::string TakeFloatingPointError();

// Runs one event handler the way the window runs all of them: an exception that escapes
// it, or a trapped floating-point exception it leaves flagged, is shown through
// `showError` with its message, and the program goes on. The flags are cleared before the
// handler runs, so only what the handler itself did is reported.
void RunHandler(const std::function<void()>& handler,
                const std::function<void(std::string_view)>& showError);

} // namespace app

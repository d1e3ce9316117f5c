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

// The message for the floating-point faults (invalid operation, division by zero, overflow)
// that the program's own numeric work raised on this thread, as the analysis records them
// (analysis/own_arithmetic.h), else an empty string. Clears the record.
std::string TakeFloatingPointError();

// Runs one event handler the way the window runs all of them: an exception that escapes
// it, or a floating-point fault that the program's own numeric work raised while it ran, is
// shown through `showError` with its message, and the program goes on. The floating-point
// flags themselves are neither read nor cleared here: a toolkit or a library that the
// handler calls raises them too (a window being shown raises the invalid-operation flag),
// and that is not an error of the program's.
void RunHandler(const std::function<void()>& handler,
                const std::function<void(std::string_view)>& showError);

} // namespace app

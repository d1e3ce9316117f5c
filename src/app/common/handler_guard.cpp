// SPDX-License-Identifier: GPL-3.0-or-later
#include "handler_guard.h"

#include "analysis/common/own_arithmetic.h"

#include <cfenv>
#include <exception>

namespace app {

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() &&
        static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
        text += '.';
    }
    return text;
}

std::string TakeFloatingPointError() {
    const int raised = analysis::TakeArithmeticFaults();
    if (raised == 0) {
        return {};
    }
    // The flags do not say which came first. A division by zero or an overflow yields an
    // infinity that usually makes a later operation invalid, never the other way round, so
    // those two are the likelier first fault.
    if ((raised & FE_DIVBYZERO) != 0) {
        return "Floating point division by zero";
    }
    if ((raised & FE_OVERFLOW) != 0) {
        return "Floating point overflow";
    }
    return "Invalid floating point operation";
}

void RunHandler(const std::function<void()>& handler,
                const std::function<void(std::string_view)>& showError) {
    // Faults of an enclosing handler that ran this one (through a modal loop, say) stay its
    // own, to be reported when it ends.
    const int enclosingFaults = analysis::TakeArithmeticFaults();
    std::string message;
    bool failed = false;
    try {
        handler();
    } catch (const std::exception& error) {
        message = error.what();
        failed = true;
    } catch (...) {
        message = "Unknown error";
        failed = true;
    }
    // A trapped operation would have ended the handler; report it even if it also threw.
    const std::string floatingPoint = TakeFloatingPointError();
    analysis::RecordArithmeticFaults(enclosingFaults);
    if (!floatingPoint.empty()) {
        message = floatingPoint;
        failed = true;
    }
    if (failed) {
        showError(ErrorBoxText(message));
    }
}

} // namespace app

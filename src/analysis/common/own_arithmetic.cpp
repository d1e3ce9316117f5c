// SPDX-License-Identifier: GPL-3.0-or-later
#include "own_arithmetic.h"

namespace analysis {
namespace {

// Per thread: how many scopes are open, and the faults recorded and not yet taken.
thread_local int OpenScopes = 0;
thread_local int RecordedFaults = 0;

} // namespace

TOwnArithmetic::TOwnArithmetic() : outermost_(OpenScopes++ == 0) {
    if (!outermost_) {
        return;
    }
    callersFlags_ = std::fetestexcept(ArithmeticFaults);
    if (callersFlags_ != 0) {
        std::fegetexceptflag(&saved_, ArithmeticFaults);
        std::feclearexcept(ArithmeticFaults);
    }
}

TOwnArithmetic::~TOwnArithmetic() {
    --OpenScopes;
    if (!outermost_) {
        return;
    }
    const int raised = std::fetestexcept(ArithmeticFaults);
    if (raised != 0) {
        RecordedFaults |= raised;
        std::feclearexcept(ArithmeticFaults);
    }
    if (callersFlags_ != 0) {
        std::fesetexceptflag(&saved_, ArithmeticFaults);
    }
}

int TakeArithmeticFaults() {
    const int faults = RecordedFaults;
    RecordedFaults = 0;
    return faults;
}

void RecordArithmeticFaults(int faults) {
    RecordedFaults |= faults & ArithmeticFaults;
}

} // namespace analysis

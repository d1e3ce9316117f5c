// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cfenv>

namespace analysis {

// The floating-point exceptions that count as faults of a computation: invalid operation,
// division by zero and overflow. Underflow and an inexact result are ordinary.
inline constexpr int ArithmeticFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// Marks the program's own numeric work, so that its faults can be told from a library's.
// The floating-point status flags are the thread's, and any code may raise them: a toolkit
// raises the invalid-operation flag while it shows a window, a sound library while it
// connects. So every entry point of the analysis opens one of these first, and only what
// is raised while one is open is recorded as ours (TakeArithmeticFaults).
//
// The outermost scope on a thread sets the fault flags aside on entry and puts them back
// as they were on exit, after recording what the work raised; a nested scope does nothing,
// so entry points may call each other freely. Without raised flags it costs two reads of
// the status registers.
class TOwnArithmetic {
public:
    TOwnArithmetic();
    ~TOwnArithmetic();
    TOwnArithmetic(const TOwnArithmetic&) = delete;
    TOwnArithmetic& operator=(const TOwnArithmetic&) = delete;

private:
    bool outermost_ = false;
    int callersFlags_ = 0; // the fault flags raised when the outermost scope opened
    std::fexcept_t saved_{};
};

// The fault flags (of ArithmeticFaults) that the program's own numeric work raised on the
// calling thread since the last call; the record is cleared. Another thread's work is never
// in it.
int TakeArithmeticFaults();

// Adds `faults` to the calling thread's record, as if its own work had raised them; for a
// caller that took the record aside while a nested piece of work ran.
void RecordArithmeticFaults(int faults);

} // namespace analysis

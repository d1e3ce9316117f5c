// SPDX-License-Identifier: GPL-3.0-or-later
// Test main for the numeric tests: invalid operation, division by zero and overflow trap
// (SIGFPE) for the whole run, so any such operation in the code under test fails the test.

#include <cfenv>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::feclearexcept(FE_ALL_EXCEPT);
    feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    return RUN_ALL_TESTS();
}

# SPDX-License-Identifier: GPL-3.0-or-later
# The numeric core evaluates in the x87 80-bit format through `long double`;
# on any other format the results would silently differ, so refuse to build.
include(CheckCXXSourceCompiles)

check_cxx_source_compiles([[
#include <limits>
static_assert(std::numeric_limits<long double>::digits == 64, "long double is not x87 extended");
static_assert(std::numeric_limits<long double>::max_exponent == 16384, "long double is not x87 extended");
int main() { return 0; }
]] ORVEX_LONG_DOUBLE_IS_X87_EXTENDED)

if(NOT ORVEX_LONG_DOUBLE_IS_X87_EXTENDED)
    message(FATAL_ERROR
        "Orvex needs `long double` to be the x87 80-bit extended format (64-bit significand), "
        "as GCC provides on x86-64 Linux. This compiler or target uses another format, "
        "so the spectrum numerics would not come out as designed.")
endif()

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/common/handler_guard.h"
#include "analysis/common/own_arithmetic.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::TOwnArithmetic;
using app::ErrorBoxText;
using app::RunHandler;

TEST(ErrorBoxText, FullStopAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorBoxText("Floating point overflow"), "Floating point overflow.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Trailing blank "), "Trailing blank ");
    EXPECT_EQ(ErrorBoxText("Code 42"), "Code 42.");
    EXPECT_EQ(ErrorBoxText("Dash-"), "Dash-");    // '-' sorts before '.'
    EXPECT_EQ(ErrorBoxText("Slash/"), "Slash/."); // '/' sorts after '.'
    EXPECT_EQ(ErrorBoxText("Ошибка"), "Ошибка.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

class RunHandlerTest : public ::testing::Test {
protected:
    std::vector<std::string> shown;
    std::function<void(std::string_view)> show = [this](std::string_view m) {
        shown.emplace_back(m);
    };
};

TEST_F(RunHandlerTest, QuietHandlerShowsNothing) {
    bool ran = false;
    RunHandler([&] { ran = true; }, show);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(shown.empty());
}

TEST_F(RunHandlerTest, EscapingErrorIsShownAndTheCallerGoesOn) {
    RunHandler([] { throw std::runtime_error("Can't allocate the DIB handle"); }, show);
    RunHandler([] { throw 42; }, show);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Can't allocate the DIB handle.");
    EXPECT_EQ(shown[1], "Unknown error.");
}

TEST_F(RunHandlerTest, FaultsOfTheProgramsOwnArithmeticAreReportedAndCleared) {
    volatile double zero = 0.0;
    volatile double huge = std::numeric_limits<double>::max();
    RunHandler(
        [&] {
            const TOwnArithmetic own;
            volatile double r = 1.0 / zero;
            (void)r;
        },
        show);
    RunHandler(
        [&] {
            const TOwnArithmetic own;
            volatile double r = huge * 10.0;
            (void)r;
        },
        show);
    RunHandler(
        [&] {
            const TOwnArithmetic own;
            volatile double r = std::sqrt(-1.0 + zero);
            (void)r;
        },
        show);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "Floating point division by zero.");
    EXPECT_EQ(shown[1], "Floating point overflow.");
    EXPECT_EQ(shown[2], "Invalid floating point operation.");
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0);
}

TEST_F(RunHandlerTest, AnInfinityTurnedInvalidIsReportedAsItsCause) {
    volatile double zero = 0.0;
    volatile double huge = std::numeric_limits<double>::max();
    RunHandler(
        [&] {
            const TOwnArithmetic own;
            volatile double infinite = huge * 10.0;
            volatile double r = infinite - infinite;
            (void)r;
        },
        show);
    RunHandler(
        [&] {
            const TOwnArithmetic own;
            volatile double infinite = 1.0 / zero;
            volatile double r = infinite * zero;
            (void)r;
        },
        show);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "Floating point overflow.");
    EXPECT_EQ(shown[1], "Floating point division by zero.");
}

TEST_F(RunHandlerTest, FlagsRaisedBeforeTheHandlerAreNotItsFault) {
    std::feraiseexcept(FE_OVERFLOW);
    analysis::RecordArithmeticFaults(FE_DIVBYZERO);
    RunHandler([] {}, show);
    EXPECT_TRUE(shown.empty());
    // An enclosing handler's own fault is left for it to report.
    EXPECT_EQ(analysis::TakeArithmeticFaults(), FE_DIVBYZERO);
    std::feclearexcept(FE_ALL_EXCEPT);
}

// A toolkit raises the flags too (showing a window raises the invalid-operation flag), and a
// worker thread has flags of its own: only the program's own arithmetic on the handler's
// thread is reported, and the toolkit's flags are left as they were.
TEST_F(RunHandlerTest, OnlyTheProgramsOwnArithmeticOnItsThreadIsReported) {
    volatile double zero = 0.0;
    volatile double result = 0.0;
    const auto foreign = [&] { result = zero / zero; };
    const auto own = [&] { const TOwnArithmetic scope, nested; result = 1.0 / zero; };
    RunHandler(foreign, show);
    RunHandler([&] { std::thread(own).join(); }, show);
    EXPECT_TRUE(shown.empty());
    RunHandler([&] { own(), foreign(); }, show);
    EXPECT_EQ(shown, std::vector<std::string>{"Floating point division by zero."});
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), FE_INVALID);
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST_F(RunHandlerTest, UnderflowAndInexactAreNotErrors) {
    volatile double tiny = std::numeric_limits<double>::min();
    RunHandler(
        [&] {
            volatile double r = tiny / 3.0 / 1e10;
            (void)r;
        },
        show);
    RunHandler(
        [&] {
            volatile double r = 1.0 / 3.0;
            (void)r;
        },
        show);
    EXPECT_TRUE(shown.empty());
}

} // namespace

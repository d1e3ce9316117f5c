// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/frames/analyzer_state.h"
#include "analysis/windows/window_table.h"
#include "app/main_window/window_table_builder.h"
#include "platform/scripted/scripted_platform.h"
#include "support/analyzer_fixture.h"

#include <array>
#include <chrono>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::AnalyzerState;
using analysis::WindowKind;
using analysis::WindowTable;
using app::TWindowTableBuilder;
using platform::scripted::TScriptedPlatform;

using testing_support::WindowTableIs;

class WindowTableBuilderTest : public ::testing::Test {
protected:
    void SetUp() override { analysis::ResetAnalyzerToLoadState(); }

    TScriptedPlatform platform;
    TWindowTableBuilder builder{platform};
};

TEST_F(WindowTableBuilderTest, BuildFillsTheTableThenRunsPendingMessagesAndSleeps) {
    std::vector<bool> tableReadyWhenMessageRan;
    platform.Post([&] { tableReadyWhenMessageRan.push_back(WindowTableIs(WindowKind::wkHann)); });
    const auto before = platform.Now();
    builder.Build(WindowKind::wkHann);
    EXPECT_TRUE(WindowTableIs(WindowKind::wkHann));
    ASSERT_EQ(tableReadyWhenMessageRan.size(), 1u);
    EXPECT_TRUE(tableReadyWhenMessageRan[0]); // a frame inside the build sees the new table
    EXPECT_EQ(platform.Now() - before, std::chrono::milliseconds(1));
    EXPECT_FALSE(AnalyzerState.WindowTableBusy);
}

TEST_F(WindowTableBuilderTest, BusyFlagIsSetWhileMessagesRun) {
    bool busyInside = false;
    platform.Post([&] { busyInside = AnalyzerState.WindowTableBusy; });
    builder.Build(WindowKind::wkBlackman);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(AnalyzerState.WindowTableBusy);
}

TEST_F(WindowTableBuilderTest, ChoiceDuringABuildIsBuiltRightAfterIt) {
    platform.Post([&] {
        builder.Build(WindowKind::wkGaussian);
        // Only remembered while the running build lets messages run.
        EXPECT_TRUE(WindowTableIs(WindowKind::wkHamming));
        EXPECT_EQ(builder.PendingKind(), WindowKind::wkGaussian);
    });
    builder.Build(WindowKind::wkHamming);
    EXPECT_TRUE(WindowTableIs(WindowKind::wkGaussian));
    EXPECT_FALSE(builder.PendingKind().has_value());
    EXPECT_FALSE(AnalyzerState.WindowTableBusy);
}

TEST_F(WindowTableBuilderTest, LatestOfSeveralChoicesDuringABuildWins) {
    platform.Post([&] { builder.Build(WindowKind::wkSine); });
    platform.Post([&] { builder.Build(WindowKind::wkFlatTop); });
    builder.Build(WindowKind::wkKaiser);
    EXPECT_TRUE(WindowTableIs(WindowKind::wkFlatTop));
}

TEST_F(WindowTableBuilderTest, ChoiceDuringTheFollowUpBuildIsBuiltToo) {
    platform.Post([&] {
        builder.Build(WindowKind::wkSine);
        // Queued now, it runs while the follow-up build of the sine window lets messages run.
        platform.Post([&] { builder.Build(WindowKind::wkTriangular); });
    });
    builder.Build(WindowKind::wkKaiser);
    EXPECT_TRUE(WindowTableIs(WindowKind::wkTriangular));
}

TEST_F(WindowTableBuilderTest, SameWindowAgainGivesAnIdenticalTable) {
    builder.Build(WindowKind::wkKaiser);
    const auto first = WindowTable;
    builder.Build(WindowKind::wkKaiser);
    EXPECT_EQ(std::memcmp(first.data(), WindowTable.data(), sizeof first), 0);
}

} // namespace

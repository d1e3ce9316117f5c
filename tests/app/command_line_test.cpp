// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: its own options, Qt's options passed through, and one line
// with status 2 for anything else, all before a display is needed.

#include "app/command_line.h"
#include "app/startup.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using app::TCommandLineAction;

app::TCommandLine Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "orvex");
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return app::ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
}

TEST(CommandLine, ReadsTheZoomAndLeavesQtsOptionsToQt) {
    struct TCase {
        std::vector<std::string> arguments;
        int zoom;
    };
    const TCase cases[] = {
        {{}, 1},
        {{"--zoom", "2"}, 2},
        {{"--zoom=4"}, 4},
        {{"-zoom", "3"}, 3},
        {{"-platform", "offscreen", "--zoom", "1", "-reverse"}, 1},
        {{"-display", ":5", "-style=fusion", "--name", "x", "-sync", "--zoom", "2"}, 2},
    };
    for (const TCase& c : cases) {
        const app::TCommandLine line = Parse(c.arguments);
        const std::string shown = testing::PrintToString(c.arguments);
        EXPECT_EQ(line.Action, TCommandLineAction::caRun) << shown << ": " << line.Text;
        EXPECT_EQ(line.Zoom, c.zoom) << shown;
    }
}

TEST(CommandLine, AnythingElseIsOneClearLine) {
    struct TCase {
        std::vector<std::string> arguments;
        std::string text;
    };
    const TCase cases[] = {
        {{"--bogus"}, "orvex: Unknown option 'bogus'.\n"},
        {{"--zoom"}, "orvex: Missing value after '--zoom'.\n"},
        {{"--zoom", "0"}, "orvex: The zoom must be a whole number from 1 to 4, not '0'.\n"},
        {{"--zoom", "5"}, "orvex: The zoom must be a whole number from 1 to 4, not '5'.\n"},
        {{"--zoom", "2x"}, "orvex: The zoom must be a whole number from 1 to 4, not '2x'.\n"},
        {{"--zoom", "+2"}, "orvex: The zoom must be a whole number from 1 to 4, not '+2'.\n"},
        {{"--help=yes"}, "orvex: Unexpected value after '--help'.\n"},
        {{"file.wav"}, "orvex: Unexpected argument 'file.wav'.\n"},
        {{"--zoom", "1\n2"}, "orvex: The zoom must be a whole number from 1 to 4, not '1?2'.\n"},
        {{"--" + std::string(300, 'x')},
         "orvex: Unknown option '" + std::string(157 - 16, 'x') + "...\n"},
    };
    for (const TCase& c : cases) {
        const app::TCommandLine line = Parse(c.arguments);
        EXPECT_EQ(line.Action, TCommandLineAction::caError);
        EXPECT_EQ(line.Text, c.text);
    }
}

TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
    const app::TCommandLine help = Parse({"--help"});
    EXPECT_EQ(help.Action, TCommandLineAction::caHelp);
    EXPECT_EQ(help.Text.rfind("Usage: orvex [options]\n", 0), 0u) << help.Text;
    for (const char* option : {"-h, --help", "-v, --version", "--zoom <N>"}) {
        EXPECT_NE(help.Text.find(option), std::string::npos) << option;
    }
    // Qt's options are accepted, not advertised as ours.
    EXPECT_EQ(help.Text.find("--platform"), std::string::npos);
    EXPECT_EQ(Parse({"-h"}).Action, TCommandLineAction::caHelp);
    const app::TCommandLine version = Parse({"--version"});
    EXPECT_EQ(version.Action, TCommandLineAction::caVersion);
    EXPECT_EQ(version.Text.rfind("Orvex ", 0), 0u) << version.Text;

    // The whole program answers them, and refuses a mistake, without opening a display.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    for (const auto& [argument, status] : {std::pair{"--help", 0}, std::pair{"--version", 0},
                                           std::pair{"--bogus", app::UsageErrorStatus}}) {
        char name[] = "orvex";
        std::string option = argument;
        char* argv[] = {name, option.data(), nullptr};
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(app::RunOrvex(2, argv), status) << argument;
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(out.empty(), status != 0) << argument;
        EXPECT_EQ(err.empty(), status == 0) << argument;
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: its own options, Qt's options passed through, and one line
// with status 2 for anything else, all before a display is needed.

#include "app/startup/command_line.h"
#include "app/startup/startup.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

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
        std::optional<int> zoom; // none: the desktop's
        bool listen = false;
        std::string input = {};
        std::optional<std::string> live = {};
    };
    const TCase cases[] = {
        {{}, std::nullopt},
        {{"--zoom", "2"}, 2},
        {{"--zoom=4"}, 4},
        {{"-zoom", "3"}, 3},
        {{"-platform", "offscreen", "--zoom", "1", "-reverse"}, 1},
        {{"-platform", "offscreen", "-reverse"}, std::nullopt},
        {{"-display", ":5", "-style=fusion", "--name", "x", "-sync", "--zoom", "2"}, 2},
        {{"--listen"}, std::nullopt, true},
        {{"--zoom", "2", "--listen"}, 2, true},
        {{"speech.flac"}, std::nullopt, false, "speech.flac"},
        {{"--input", "a b.wav", "--zoom", "2"}, 2, false, "a b.wav"},
        {{"--listen", "--input=x.ogg"}, std::nullopt, true, "x.ogg"},
        {{"bad\xff\xfe.wav"}, std::nullopt, false, "bad\xff\xfe.wav"},
        {{"--input=\xe9t\xe9.wav"}, std::nullopt, false, "\xe9t\xe9.wav"},
        {{"--live"}, std::nullopt, false, "", ""},
        {{"--live", "orvex.monitor", "--listen"}, std::nullopt, true, "", "orvex.monitor"},
    };
    for (const TCase& c : cases) {
        const app::TCommandLine line = Parse(c.arguments);
        const std::string shown = testing::PrintToString(c.arguments);
        EXPECT_EQ(line.Action, TCommandLineAction::caRun) << shown << ": " << line.Text;
        EXPECT_EQ(line.Zoom, c.zoom) << shown;
        EXPECT_EQ(line.Listen, c.listen) << shown;
        EXPECT_EQ(line.InputPath, c.input) << shown;
        EXPECT_EQ(line.LiveDevice, c.live) << shown;
    }
}

TEST(CommandLine, AnythingElseIsOneClearLine) {
    const std::string existing = testing::TempDir() + "command_line_test_file.wav";
    std::ofstream(existing) << "RIFF";
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
        {{"a.wav", "b.wav"}, "orvex: Unexpected argument 'b.wav': one sound file at a time.\n"},
        {{"--input", "a.wav", "b.wav"}, "orvex: Unexpected argument 'b.wav': one sound file at a time.\n"},
        {{"--input="}, "orvex: --input needs a file name.\n"},
        {{"--live", "a", "b"}, "orvex: Unexpected argument 'b': one input device at a time.\n"},
        {{"--live", "--input", "a.wav"}, "orvex: --live and --input exclude each other: one source at a time.\n"},
        {{"--zoom", "1\n2"}, "orvex: The zoom must be a whole number from 1 to 4, not '1?2'.\n"},
        // Given twice, an option would silently take its last value.
        {{"--zoom", "2", "--zoom=3"}, "orvex: --zoom is given twice: give it once.\n"},
        {{"--input", "a.wav", "--input", "b.wav"}, "orvex: --input is given twice: give it once.\n"},
        {{"--live", "a", "--listen", "--live"}, "orvex: --live is given twice: give it once.\n"},
        // An option is no file name, nor is a file a device.
        {{"--input", "--listen"},
         "orvex: --input needs a file name, not the option '--listen' (a file of that name is "
         "--input=--listen).\n"},
        {{"--live", ""}, "orvex: --live '' names no device: give none for the default input.\n"},
        {{"--live", existing}, "orvex: --live takes an input device, and '" + existing +
                                   "' is a file: give it as a FILE or with --input.\n"},
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
    EXPECT_EQ(help.Text.rfind("Usage: orvex [options] [FILE]\n", 0), 0u) << help.Text;
    for (const char* option : {"-h, --help", "-v, --version", "--zoom <N>", "--listen"}) {
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

    // An answer that cannot be written says why in one line and ends with status 1.
    struct TCase {
        std::string argument;
        const char* output; // opened on standard output; none: standard output closed
        std::string line;
    };
    const TCase failedWrites[] = {
        {"--help", "/dev/full", "orvex: cannot write the help text: No space left on device\n"},
        {"--version", nullptr, "orvex: cannot write the version: standard output is closed\n"},
    };
    for (TCase c : failedWrites) {
        char name[] = "orvex";
        char* argv[] = {name, c.argument.data(), nullptr};
        testing::internal::CaptureStderr(); // before standard output is closed, not into it
        const int savedOutput = dup(STDOUT_FILENO);
        if (c.output != nullptr) {
            const int output = open(c.output, O_WRONLY);
            dup2(output, STDOUT_FILENO);
            close(output);
        } else {
            close(STDOUT_FILENO);
        }
        const int status = app::RunOrvex(2, argv);
        dup2(savedOutput, STDOUT_FILENO);
        close(savedOutput);
        EXPECT_EQ(status, app::StartFailedStatus) << c.argument;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line) << c.argument;
    }
}

} // namespace

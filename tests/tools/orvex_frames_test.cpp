#include "analysis/frame_pipeline.h"
#include "frames_options.h"
#include "support/analyzer_fixture.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::CodingMode;
using analysis::WindowKind;
using tools::FramesOptions;
using tools::ParseFramesOptions;
using tools::UsageError;

FramesOptions Parse(std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> list(arguments);
    return ParseFramesOptions(list);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct ProcessResult {
    int status;
    std::string out;
};

// Runs the real executable through the shell, capturing standard output and the exit status.
ProcessResult RunTool(const std::string& arguments, bool mergeStderr = false) {
    std::string command = std::string(ORVEX_FRAMES_EXECUTABLE) + " " + arguments;
    command += mergeStderr ? " 2>&1" : " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string out;
    std::array<char, 4096> buffer;
    while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        out.append(buffer.data(), read);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(FramesOptions, DefaultsAreTheStartUpSettings) {
    const FramesOptions options = Parse({});
    EXPECT_EQ(options.FrequencyHz, 1000);
    EXPECT_EQ(options.LevelDb, 0);
    EXPECT_EQ(options.Mode, CodingMode::cmPCM);
    EXPECT_EQ(options.Window, WindowKind::wkKaiser);
    EXPECT_EQ(options.Frames, 1);
    EXPECT_FALSE(options.PrintSamples);
}

TEST(FramesOptions, ParsesEveryOptionInBothSpellings) {
    const FramesOptions options = Parse({"--freq", "8000", "--level=-160", "--mode", "iter2",
                                         "--window=flattop", "--frames", "3", "--samples"});
    EXPECT_EQ(options.FrequencyHz, 8000);
    EXPECT_EQ(options.LevelDb, -160);
    EXPECT_EQ(options.Mode, CodingMode::cmIter2);
    EXPECT_EQ(options.Window, WindowKind::wkFlatTop);
    EXPECT_EQ(options.Frames, 3);
    EXPECT_TRUE(options.PrintSamples);
    EXPECT_EQ(Parse({"--mode", "sqrt"}).Mode, CodingMode::cmOrvexSqrt);
    EXPECT_EQ(Parse({"--window", "rectangular"}).Window, WindowKind::wkRectangular);
    EXPECT_EQ(Parse({"--freq", "0"}).FrequencyHz, 0);
}

TEST(FramesOptions, RejectsBadArgumentsNamingTheArgumentAndItsRange) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string mention;
    };
    const Case cases[] = {
        {{"--freq", "8001"}, "--freq must be a whole number of hertz from 0 to 8000"},
        {{"--freq", "-1"}, "0 to 8000"},
        {{"--freq", "100.5"}, "--freq"},
        {{"--freq", "1e3"}, "--freq"},
        {{"--freq", ""}, "--freq"},
        {{"--level", "1"}, "--level must be a whole number of decibels from -160 to 0"},
        {{"--level", "-161"}, "-160 to 0"},
        {{"--level", "-20.5"}, "--level"},
        {{"--mode", "fast"}, "pcm|sqrt|iter1|iter2|iter3"},
        {{"--window", "kaizer"},
         "rectangular|triangular|sine|gaussian|lanczos|hamming|hann|"
         "blackman|nuttall|kaiser|flattop"},
        {{"--frames", "0"}, "--frames must be a whole number of frames, at least 1"},
        {{"--frames", "99999999999999999999999"}, "--frames"},
        {{"--freq"}, "--freq needs a value"},
        {{"--volume", "3"}, "unknown option '--volume'"},
        {{"1000"}, "unknown option '1000'"},
        {{"--samples=yes"}, "--samples takes no value"},
    };
    for (const Case& c : cases) {
        try {
            ParseFramesOptions(c.arguments);
            ADD_FAILURE() << "accepted " << c.mention;
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(c.mention), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
        }
    }
}

TEST(FramesRun, PrintsTheOrdinatesOfTheLastFrame) {
    FramesOptions options;
    options.Window = WindowKind::wkRectangular;
    options.Frames = 3;
    std::ostringstream out;
    tools::RunFrames(options, out);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 512u);
    for (int k = 0; k < 512; ++k) {
        EXPECT_EQ(lines[k], k == 64 ? "237" : "0") << k;
    }
}

TEST(FramesRun, LastFrameMatchesTheSameFramesRunDirectly) {
    FramesOptions options;
    options.FrequencyHz = 1733;
    options.LevelDb = -47;
    options.Mode = CodingMode::cmIter1;
    options.Window = WindowKind::wkBlackman;
    options.Frames = 5;
    std::ostringstream out;
    tools::RunFrames(options, out);

    analysis::StartAnalyzer(WindowKind::wkBlackman, -47);
    testing_support::Ordinates ordinates{};
    for (int frame = 0; frame < 5; ++frame) {
        ordinates = testing_support::RunFrame(1733, CodingMode::cmIter1);
    }
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 512u);
    for (int k = 0; k < 512; ++k) {
        EXPECT_EQ(lines[k], std::to_string(ordinates[k])) << k;
    }
}

TEST(FramesRun, SamplesArePrintedWithSeventeenSignificantDigits) {
    FramesOptions options;
    options.PrintSamples = true;
    std::ostringstream out;
    tools::RunFrames(options, out);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 1024u);
    EXPECT_EQ(lines[0], "0");
    EXPECT_EQ(lines[1].substr(0, 9), "12539.388");
    for (const std::string& line : lines) {
        const double value = std::strtod(line.c_str(), nullptr);
        char again[64];
        std::snprintf(again, sizeof again, "%.17g", value);
        EXPECT_EQ(line, again); // round-trips exactly
    }
}

TEST(FramesProcess, ExitStatusAndStreams) {
    const ProcessResult ok = RunTool("--window rectangular");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(Lines(ok.out).size(), 512u);

    const ProcessResult bad = RunTool("--freq 9000", /*mergeStderr=*/true);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(Lines(bad.out).size(), 1u);
    EXPECT_NE(bad.out.find("--freq"), std::string::npos);
    EXPECT_NE(bad.out.find("0 to 8000"), std::string::npos);

    const ProcessResult badOnly = RunTool("--frames 0");
    EXPECT_EQ(badOnly.status, 2);
    EXPECT_TRUE(badOnly.out.empty()); // the error goes to standard error only

    const ProcessResult help = RunTool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: orvex-frames"), std::string::npos);
}

} // namespace

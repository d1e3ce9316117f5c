// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/figures/coder_figures.h"
#include "analysis/figures/distortion_figures.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/frames/level_gain.h"
#include "analysis/frames/tone_sample.h"
#include "analysis/frames/tone_stream.h"
#include "analysis/windows/window_figures.h"
#include "charts/spectrogram_look.h"
#include "controls/surface_view.h"
#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "frames_options.h"
#include "frames_report.h"
#include "platform/scripted/scripted_platform.h"
#include "support/analyzer_fixture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <png.h>
#include <sndfile.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace {

using analysis::CodingMode;
using analysis::WindowKind;
using tools::FramesFormat;
using tools::FramesOptions;
using tools::FramesReport;
using tools::ParseFramesOptions;
using tools::UsageError;

constexpr long long LargestFrameCount = std::numeric_limits<long long>::max();

FramesOptions Parse(std::initializer_list<std::string_view> arguments) {
    const std::vector<std::string_view> list(arguments);
    return ParseFramesOptions(list);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

std::vector<std::string> Lines(const std::string& text) {
    return Split(text, '\n');
}

std::string Output(const FramesOptions& options) {
    std::ostringstream out;
    tools::RunFrames(options, out);
    return out.str();
}

FramesOptions Settings(std::int32_t frequencyHz, int levelDb, CodingMode mode, WindowKind window,
                       long long frames) {
    FramesOptions options;
    options.FrequencyHz = frequencyHz;
    options.LevelDb = levelDb;
    options.Mode = mode;
    options.Window = window;
    options.Frames = frames;
    return options;
}

// The level in dB of a bin value, from its definition: a full-scale tone's peak bin
// stands at 32767 * 4100.
double LevelDbOf(double binValue) {
    return 20.0 * std::log10(binValue / (32767.0 * 4100.0));
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct ProcessResult {
    int status;
    std::string out;
    std::string err;
};

// Runs the real executable through the shell with `arguments` (which may redirect its
// standard output), capturing standard output, standard error and the exit status.
// `prefix` goes before the program (another user's, for example).
ProcessResult RunTool(const std::string& arguments, const std::string& prefix = "") {
    // ctest runs the cases as processes side by side: each needs a file of its own.
    const std::string errPath =
        testing::TempDir() + "orvex_frames_stderr_" + std::to_string(getpid()) + ".txt";
    const std::string command =
        prefix + std::string(ORVEX_FRAMES_EXECUTABLE) + " " + arguments + " 2>" + errPath;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string out;
    std::array<char, 4096> buffer;
    while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        out.append(buffer.data(), read);
    }
    const int status = pclose(pipe);
    const std::string err = ReadFile(errPath);
    std::filesystem::remove(errPath);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, err};
}

TEST(FramesOptions, DefaultsAreTheStartUpSettings) {
    const FramesOptions options = Parse({});
    EXPECT_EQ(options.FrequencyHz, 1000);
    EXPECT_EQ(options.LevelDb, 0);
    EXPECT_EQ(options.Mode, CodingMode::cmPCM);
    EXPECT_EQ(options.Window, WindowKind::wkKaiser);
    EXPECT_EQ(options.Frames, 1);
    EXPECT_EQ(options.Report, FramesReport::frOrdinates);
    EXPECT_EQ(options.Format, FramesFormat::ffText);
    EXPECT_TRUE(options.PngPath.empty());
}

TEST(FramesOptions, ParsesEveryOptionInBothSpellings) {
    const FramesOptions options =
        Parse({"--freq", "8000", "--level=-160", "--mode", "iter2", "--window=flattop", "--frames",
               "3", "--samples", "--format", "csv", "--png=out.png"});
    EXPECT_EQ(options.FrequencyHz, 8000);
    EXPECT_EQ(options.LevelDb, -160);
    EXPECT_EQ(options.Mode, CodingMode::cmIter2);
    EXPECT_EQ(options.Window, WindowKind::wkFlatTop);
    EXPECT_EQ(options.Frames, 3);
    EXPECT_EQ(options.Report, FramesReport::frSamples);
    EXPECT_EQ(options.Format, FramesFormat::ffCsv);
    EXPECT_EQ(options.PngPath, "out.png");
    EXPECT_EQ(Parse({"--mode", "sqrt"}).Mode, CodingMode::cmOrvexSqrt);
    EXPECT_EQ(Parse({"--window", "rectangular"}).Window, WindowKind::wkRectangular);
    EXPECT_EQ(Parse({"--freq", "0"}).FrequencyHz, 0);
    EXPECT_EQ(Parse({"--format=json"}).Format, FramesFormat::ffJson);
    EXPECT_EQ(Parse({"--window-figures"}).Report, FramesReport::frWindowFigures);
    EXPECT_EQ(Parse({"--frames", "9223372036854775807"}).Frames, LargestFrameCount);
    // The device is optional: an option after --live is not taken for it.
    EXPECT_EQ(Parse({"--live", "--seconds", "2"}).LiveDevice, std::optional<std::string>(""));
    EXPECT_EQ(Parse({"--live", "mic", "--start", "1"}).LiveDevice, std::optional<std::string>("mic"));
    EXPECT_EQ(Parse({"--live=mic"}).LiveDevice, std::optional<std::string>("mic"));
    EXPECT_EQ(Parse({"--seconds", "3", "--live"}).WavSeconds, 3);
    // A recording is measured and charted as a file is.
    EXPECT_EQ(Parse({"--live", "--seconds", "2", "--measure"}).Report, FramesReport::frMaterial);
    EXPECT_EQ(Parse({"--live", "--curves", "level"}).Report, FramesReport::frCurves);
    // Files follow --input up to the next option; the coders keep the table's order.
    const FramesOptions material = Parse({"--input", "a.wav", "b.wav", "--measure", "--input=c",
                                          "--coders", "alaw,pcm,alaw", "--worst", "3"});
    EXPECT_EQ(material.Report, FramesReport::frMaterial);
    EXPECT_EQ(material.InputPath, "a.wav");
    EXPECT_EQ(material.MoreInputPaths, (std::vector<std::string>{"b.wav", "c"}));
    EXPECT_EQ(material.MaterialCoders,
              (std::vector<analysis::CoderKind>{analysis::CoderKind::ckPCM, analysis::CoderKind::ckALaw}));
    EXPECT_EQ(material.WorstMoments, 3);
    EXPECT_EQ(Parse({"--input", "a", "--measure", "--coders", "all"}).MaterialCoders.size(), 8u);
    const FramesOptions sound = Parse({"--mode", "mulaw", "--wav", "w.wav"});
    EXPECT_EQ(sound.Report, FramesReport::frSoundOnly);
    EXPECT_EQ(sound.ReferenceCoder, analysis::CoderKind::ckMuLaw);
    EXPECT_FALSE(Parse({"--mode", "iter1"}).ReferenceCoder);
}

TEST(FramesOptions, RejectsBadArgumentsNamingTheArgumentAndItsRange) {
    struct Case {
        std::vector<std::string_view> arguments;
        std::string mention;
    };
    const Case cases[] = {
        {{"--freq", "8001"}, "--freq must be a whole number of hertz from 0 to 8000, not '8001'"},
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
        {{"--format", "xml"}, "--format must be one of text|csv|json, not 'xml'"},
        {{"--frames", "0"}, "--frames must be a whole number of frames, at least 1"},
        {{"--frames", "99999999999999999999999"}, "--frames"},
        {{"--freq"}, "--freq: 1 required HZ missing"},
        {{"--png="}, "--png: 1 required FILE missing"},
        {{"--png", ""}, "--png needs a file name"},
        // An option is taken for no value, and none is given twice.
        {{"--input", "--measure"}, "--input needs a value, not the option '--measure'"},
        {{"--png", "-h"}, "--png needs a value, not the option '-h'"},
        {{"--freq", "1", "--level", "0", "--freq", "2"}, "--freq is given twice: give it once"},
        {{"--mode", "iter1", "--mode", "mulaw", "--wav", "w"}, "--mode is given twice"},
        {{"--hold", "--hold"}, "--hold is given twice"},
        {{"--live", ""}, "--live '' names no device: give none for the default input"},
        {{"--live="}, "--live '' names no device"},
        {{"--samples="}, "--samples takes no value, not ''"},
        {{"--live", ORVEX_FRAMES_EXECUTABLE}, "is a file: give it with --input"},
        {{"--volume", "3"}, "unknown option '--volume'"},
        {{"1000"}, "unknown option '1000'"},
        // Flags are alike: none takes an inline value.
        {{"--samples=yes"}, "--samples takes no value, not 'yes'"},
        {{"--help=yes"}, "--help takes no value, not 'yes'"},
        {{"--window-figures=1"}, "--window-figures takes no value"},
        {{"--samples", "--window-figures"}, "--samples excludes --window-figures"},
        // --window-figures runs no frames, so nothing that shapes a frame goes with it.
        {{"--window-figures", "--freq", "1000"}, "--freq does not apply to --window-figures"},
        {{"--level=-3", "--format", "csv", "--window-figures"}, "--level does not apply"},
        {{"--window-figures", "--mode", "pcm"}, "--mode does not apply"},
        {{"--window-figures", "--window", "hann"}, "--window does not apply"},
        {{"--frames", "2", "--window-figures"}, "--frames does not apply"},
        {{"--window-figures", "--png", "w.png"}, "--png does not apply"},
        {{"--frames", "9223372036854775808"}, "at most 9223372036854775807"},
        {{"--average", "5"}, "--average must be one of 4, 16, 64 frames, not '5'"},
        {{"--markers", "1,2,3"}, "--markers must be one or two bins from 0 to 511"},
        {{"--markers", "512"}, "as B1 or B1,B2, not '512'"},
        {{"--markers", "7,"}, "not '7,'"},
        {{"--window-figures", "--measure"}, "--measure does not apply"},
        {{"--curves", "level", "--mode", "iter1"}, "--mode does not apply to --curves"},
        {{"--curves", "time"}, "--curves must be one of level|frequency, not 'time'"},
        {{"--svg", "chart.svg"}, "--svg requires --curves"},
        // A file replaces the tone: what only the tone has goes without it, and back.
        {{"--start", "1"}, "--start applies only to --input or --live"},
        {{"--live", "--input", "a.wav"}, "--input excludes --live"},
        {{"--live", "mic", "--freq", "500"}, "--freq sets the tone, which --live replaces"},
        {{"--live", "--curves", "frequency"}, "with --input or --live give --curves level"},
        {{"--input", "f.wav", "--freq", "3"}, "--freq sets the tone, which --input replaces"},
        {{"--input", "f.wav", "--wav", "w", "--seconds", "2"}, "--seconds sets the tone's length"},
        {{"--input", "f.wav", "--wav", "w", "--error", "--original"}, "--error excludes --original"},
        {{"--input", "f.wav", "--original"}, "--original applies only to --wav"},
        {{"--input", "f.wav", "--start", "-1"}, "--start must be a number of seconds from 0"},
        {{"--input", "f.wav", "--start", "nan"}, "not 'nan'"},
        {{"--curves", "level", "--input", "f.wav", "--freq", "1000"}, "--freq sets the tone, which --input replaces"},
        // The spectrogram's own options go with it, each within its range.
        {{"--lanes", "error"}, "--lanes requires --spectrogram"},
        {{"--spectrogram", "s.png", "--lanes", "coded,errors"},
         "--lanes must be one or more of original|coded|error joined by commas, not 'coded,errors'"},
        {{"--spectrogram", "s.png", "--lanes", ""}, "not ''"},
        {{"--spectrogram", "s.png", "--size", "239x160"}, "from 240x160 to 8192x8192, not '239x160'"},
        {{"--spectrogram", "s.png", "--size", "800"}, "--size must be WIDTHxHEIGHT"},
        {{"--spectrogram", "s.png", "--transform", "1000"}, "one of 512, 1024, 2048, not '1000'"},
        {{"--spectrogram", "s.png", "--floor", "0"}, "from -184 to -1"},
        {{"--spectrogram", "s.png", "--colour-map", "jet"}, "viridis|magma|inferno|grey"},
        {{"--spectrogram", "s.png", "--frequency-axis", "mel"}, "linear|log"},
        {{"--spectrogram", "s.png", "--error"}, "--error applies only to --wav"},
        {{"--curves", "level", "--spectrogram", "s.png"}, "--spectrogram does not apply to --curves"},
        // Several files and the coders' figures go with --measure of --input files alone, and a
        // reference coder codes only the --wav sound.
        {{"--input", "a.wav", "b.wav"}, "several --input files go only with --measure"},
        {{"--coders", "mulaw"}, "--coders applies only to --measure with --input"},
        {{"--measure", "--worst", "3"}, "--worst applies only to --measure with --input"},
        {{"--input", "a.wav", "--measure", "--png", "p.png"},
         "--png does not apply to --measure of --input files"},
        {{"--input", "a.wav", "--measure", "--mode", "iter1"}, "--mode does not apply to --measure"},
        {{"--input", "a", "--measure", "--coders", "mulaw,gsm"},
         "all or one or more of pcm|sqrt|iter1|iter2|iter3|pcm16|mulaw|alaw joined by commas, not 'mulaw,gsm'"},
        {{"--input", "a", "--measure", "--worst", "0"}, "--worst must be a whole number from 1 to 1000"},
        {{"--mode", "alaw"}, "--mode alaw codes only the --wav sound: give --wav too"},
        {{"--mode", "pcm16", "--wav", "w", "--frames", "2"}, "--frames does not apply to --mode pcm16"},
        // A raw value is echoed escaped, and cut.
        {{"--mode", "a\nb\x1b[2J"}, "not 'a\\nb\\x1b[2J'"},
        {{"--freq", std::string_view("12345678901234567890123456789012345678901234567890")},
         "not '1234567890123456789012345678901234567890'..."},
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

TEST(FramesOptions, EchoedValuesAreQuotedEscapedAndCutAtACharacter) {
    const std::string forty(40, 'x');
    const std::string cyrillic40 = [] {
        std::string text;
        for (int i = 0; i < 40; ++i) {
            text += "\xd0\xaf"; // one two-byte character
        }
        return text;
    }();
    const struct {
        std::string value;
        std::string quoted;
    } cases[] = {
        {"", "''"},
        {"plain", "'plain'"},
        {"tab\there\r\n", "'tab\\there\\r\\n'"},
        {"\x1b[31mred", "'\\x1b[31mred'"},
        {std::string("nul\0byte", 8), "'nul\\x00byte'"},
        {"it's a\\b", "'it\\'s a\\\\b'"},
        {"del\x7f", "'del\\x7f'"},
        {"\xd0\x9e\xd0\xba\xd0\xbd\xd0\xbe", "'\xd0\x9e\xd0\xba\xd0\xbd\xd0\xbe'"}, // UTF-8 stays
        {"\xc2\x9b"
         "2J",
         "'\\xc2\\x9b2J'"},                                   // a C1 control character
        {"\xff\xd0", "'\\xff\\xd0'"},                         // not UTF-8
        {forty, "'" + forty + "'"},                           // exactly the limit: whole
        {forty + "y", "'" + forty + "'..."},                  // one more: cut
        {cyrillic40 + "\xd0\xaf", "'" + cyrillic40 + "'..."}, // cut between characters
        {std::string(40, '\n') + "z", "'" +
                                          [] {
                                              std::string text;
                                              for (int i = 0; i < 40; ++i) {
                                                  text += "\\n";
                                              }
                                              return text;
                                          }() +
                                          "'..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tools::QuotedValue(c.value), c.quoted);
    }
}

TEST(FramesRun, PrintsTheOrdinatesOfTheLastFrame) {
    FramesOptions options;
    options.Window = WindowKind::wkRectangular;
    options.Frames = 3;
    const std::vector<std::string> lines = Lines(Output(options));
    ASSERT_EQ(lines.size(), 512u);
    for (int k = 0; k < 512; ++k) {
        EXPECT_EQ(lines[k], k == 64 ? "237" : "0") << k;
    }
}

// Whatever the count, the output is that of the frames run one by one, also past the
// counts that FramesToRun shortens.
TEST(FramesRun, LastFrameMatchesTheSameFramesRunDirectly) {
    const FramesOptions cases[] = {
        Settings(1733, -47, CodingMode::cmIter1, WindowKind::wkBlackman, 5),
        Settings(1733, -47, CodingMode::cmIter1, WindowKind::wkBlackman, 127),
        Settings(1, 0, CodingMode::cmPCM, WindowKind::wkHann, 126),
        Settings(7999, -120, CodingMode::cmIter3, WindowKind::wkRectangular, 128),
        Settings(4001, -3, CodingMode::cmOrvexSqrt, WindowKind::wkFlatTop, 300),
    };
    for (FramesOptions options : cases) {
        for (const FramesReport report : {FramesReport::frOrdinates, FramesReport::frSamples}) {
            options.Report = report;
            const std::vector<std::string> lines = Lines(Output(options));

            analysis::StartAnalyzer(options.Window, options.LevelDb);
            testing_support::Ordinates ordinates{};
            std::array<double, analysis::FrameLength> samples{};
            for (long long frame = 0; frame < options.Frames; ++frame) {
                analysis::SynthesiseFrame(options.FrequencyHz, options.Mode, samples);
                analysis::TransformFrame();
                analysis::ComputeOrdinates(ordinates);
            }
            std::vector<std::string> expected;
            if (report == FramesReport::frSamples) {
                for (const double sample : samples) {
                    char text[64];
                    std::snprintf(text, sizeof text, "%.17g", sample);
                    expected.push_back(text);
                }
            } else {
                for (const std::int32_t ordinate : ordinates) {
                    expected.push_back(std::to_string(ordinate));
                }
            }
            EXPECT_EQ(lines, expected)
                << options.FrequencyHz << " Hz, " << options.Frames << " frames";
        }
    }
}

TEST(FramesRun, SamplesArePrintedWithSeventeenSignificantDigits) {
    FramesOptions options;
    options.Report = FramesReport::frSamples;
    const std::vector<std::string> lines = Lines(Output(options));
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

// The claim FramesToRun rests on, checked on real frames: from the second frame on, frame
// n + 125 has exactly the samples and ordinates of frame n. The first frame (clock 0) is
// not part of the cycle.
TEST(FramesRepeat, EveryFrameFromTheSecondOnRepeats125FramesLater) {
    constexpr int Cycle = 125;
    constexpr int Checked = 2 * Cycle + 2;
    const FramesOptions cases[] = {
        Settings(1, 0, CodingMode::cmPCM, WindowKind::wkKaiser, 0),
        Settings(1000, 0, CodingMode::cmPCM, WindowKind::wkRectangular, 0),
        Settings(1733, -47, CodingMode::cmIter1, WindowKind::wkBlackman, 0),
        Settings(4001, -3, CodingMode::cmOrvexSqrt, WindowKind::wkFlatTop, 0),
        Settings(7999, -120, CodingMode::cmIter3, WindowKind::wkHann, 0),
    };
    struct Frame {
        std::array<double, analysis::FrameLength> samples;
        testing_support::Ordinates ordinates;
        bool operator==(const Frame& other) const {
            return std::memcmp(samples.data(), other.samples.data(), sizeof samples) == 0 &&
                   ordinates == other.ordinates;
        }
    };
    for (const FramesOptions& options : cases) {
        analysis::StartAnalyzer(options.Window, options.LevelDb);
        std::vector<Frame> frames(Checked + 1); // frames[n] is frame n, counted from 1
        for (int n = 1; n <= Checked; ++n) {
            analysis::SynthesiseFrame(options.FrequencyHz, options.Mode, frames[n].samples);
            analysis::TransformFrame();
            analysis::ComputeOrdinates(frames[n].ordinates);
        }
        for (int n = 2; n + Cycle <= Checked; ++n) {
            EXPECT_TRUE(frames[n] == frames[n + Cycle])
                << options.FrequencyHz << " Hz, frame " << n;
        }
        if (options.FrequencyHz == 1) {
            // Clock 0 gives sin 0 exactly, clock 16000 does not: frame 1 stays apart.
            EXPECT_FALSE(frames[1] == frames[1 + Cycle]);
        }
    }
}

TEST(FramesRepeat, FramesToRunStaysOnTheSameFrameOfTheCycle) {
    for (long long frames = 1; frames <= 1000; ++frames) {
        const long long run = tools::FramesToRun(frames);
        if (frames <= 126) {
            EXPECT_EQ(run, frames);
        } else {
            EXPECT_GE(run, 2);
            EXPECT_LE(run, 126);
            EXPECT_EQ((frames - run) % 125, 0) << frames;
        }
    }
    EXPECT_EQ(tools::FramesToRun(LargestFrameCount), 57);

    // The largest count finishes with the output of its reduced count.
    const ProcessResult largest = RunTool("--frames 9223372036854775807 --samples --freq 1");
    const ProcessResult reduced = RunTool("--frames 57 --samples --freq 1");
    EXPECT_EQ(largest.status, 0);
    EXPECT_EQ(Lines(largest.out).size(), 1024u);
    EXPECT_EQ(largest.out, reduced.out);
}

TEST(FramesFormats, CsvRowsCarryTheTextValuesTheBinLevelsAndTheSampleClocks) {
    FramesOptions options = Settings(1733, -47, CodingMode::cmIter1, WindowKind::wkBlackman, 16);
    const std::vector<std::string> ordinates = Lines(Output(options));
    options.Format = FramesFormat::ffCsv;
    const std::vector<std::string> rows = Lines(Output(options));
    ASSERT_EQ(rows.size(), 513u);
    EXPECT_EQ(rows[0], "bin,hz,ordinate,dbfs");
    int belowFloor = 0;
    for (int k = 0; k < 512; ++k) {
        const std::vector<std::string> fields = Split(rows[k + 1] + ",", ',');
        ASSERT_EQ(fields.size(), 4u) << rows[k + 1];
        EXPECT_EQ(fields[0], std::to_string(k));
        EXPECT_EQ(std::strtod(fields[1].c_str(), nullptr), k * 15.625);
        EXPECT_EQ(fields[2], ordinates[k]);
        const double value = analysis::BinValue(k);
        if (value < 1.0) {
            EXPECT_EQ(fields[3], "") << k; // below the floor: no level
            ++belowFloor;
        } else {
            EXPECT_EQ(std::strtod(fields[3].c_str(), nullptr), LevelDbOf(value)) << k;
        }
    }
    EXPECT_GT(belowFloor, 0);
    EXPECT_LT(belowFloor, 512);

    // Frame 16 holds samples 15360 to 16383: clock 16000 at index 640, then 1 again.
    options.Report = FramesReport::frSamples;
    options.Mode = CodingMode::cmPCM;
    const std::vector<std::string> samples = Lines(Output(options));
    options.Format = FramesFormat::ffText;
    const std::vector<std::string> texts = Lines(Output(options));
    options.Frames = 1;
    const std::vector<std::string> firstFrame = Lines(Output(options)); // clocks 0 to 1023
    options.Format = FramesFormat::ffCsv;
    options.Frames = 16;
    ASSERT_EQ(samples.size(), 1025u);
    EXPECT_EQ(samples[0], "index,clock,sample");
    for (int k = 0; k < 1024; ++k) {
        const std::vector<std::string> fields = Split(samples[k + 1], ',');
        ASSERT_EQ(fields.size(), 3u);
        const int clock = k <= 640 ? 15360 + k : k - 640;
        EXPECT_EQ(fields[0], std::to_string(k));
        EXPECT_EQ(fields[1], std::to_string(clock));
        EXPECT_EQ(fields[2], texts[k]);
        if (clock < 1024 && clock > 0) {
            EXPECT_EQ(fields[2], firstFrame[clock]) << "a sample is a function of its clock";
        }
    }
}

TEST(FramesFormats, JsonHoldsTheSettingsOrdinatesPeakAndFigures) {
    const struct {
        FramesOptions options;
        bool silent;
    } cases[] = {
        {Settings(1733, -47, CodingMode::cmIter1, WindowKind::wkBlackman, 5), false},
        {Settings(1000, 0, CodingMode::cmPCM, WindowKind::wkKaiser, 1), false},
        {Settings(7000, -160, CodingMode::cmOrvexSqrt, WindowKind::wkHann, 3), false},
        {Settings(0, 0, CodingMode::cmPCM, WindowKind::wkRectangular, 1), true},
        // Zero but for rounding, and a coded tone with nothing beside it.
        {Settings(8000, 0, CodingMode::cmPCM, WindowKind::wkKaiser, 1), true},
        {Settings(4000, 0, CodingMode::cmIter1, WindowKind::wkRectangular, 1), false},
    };
    for (const auto& c : cases) {
        FramesOptions options = c.options;
        const std::vector<std::string> ordinates = Lines(Output(options));
        options.Format = FramesFormat::ffJson;
        options.Measure = true;
        const std::string text = Output(options);
        ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "one object, one line";
        const nlohmann::json report = nlohmann::json::parse(text);
        SCOPED_TRACE(text.substr(0, 120));

        const nlohmann::json& settings = report.at("settings");
        EXPECT_EQ(settings.at("frequency_hz"), options.FrequencyHz);
        EXPECT_EQ(settings.at("level_db"), options.LevelDb);
        EXPECT_EQ(settings.at("mode"), std::string(analysis::Describe(options.Mode).ToolName));
        EXPECT_EQ(settings.at("window"), std::string(analysis::Describe(options.Window).ToolName));
        EXPECT_EQ(settings.at("frames"), options.Frames);

        ASSERT_EQ(report.at("ordinates").size(), 512u);
        ASSERT_EQ(report.at("dbfs").size(), 512u);
        int peakBin = 0;
        for (int k = 0; k < 512; ++k) {
            EXPECT_EQ(std::to_string(report.at("ordinates")[k].get<int>()), ordinates[k]);
            const double value = analysis::BinValue(k);
            if (value < 1.0) {
                EXPECT_TRUE(report.at("dbfs")[k].is_null()) << k;
            } else {
                EXPECT_EQ(report.at("dbfs")[k].get<double>(), LevelDbOf(value)) << k;
            }
            peakBin = value > analysis::BinValue(peakBin) ? k : peakBin;
        }
        const nlohmann::json& peak = report.at("peak");
        if (c.silent) {
            EXPECT_TRUE(peak.is_null());
        } else {
            EXPECT_EQ(peak.at("bin"), peakBin);
            EXPECT_EQ(peak.at("frequency_hz").get<double>(), peakBin * 15.625);
            EXPECT_EQ(peak.at("level_db").get<double>(), LevelDbOf(analysis::BinValue(peakBin)));
        }

        const analysis::TCoderFigures coder =
            analysis::MeasureCoderFigures(options.FrequencyHz, options.LevelDb, options.Mode);
        const nlohmann::json& coderJson = report.at("coder_figures");
        EXPECT_EQ(coderJson.at("silent"), coder.Silent);
        EXPECT_EQ(coderJson.at("exact"), coder.Exact);
        EXPECT_EQ(coderJson.at("max_error").get<double>(), coder.MaxError);
        if (coder.Silent || coder.Exact) {
            EXPECT_TRUE(coderJson.at("snr_db").is_null());
            EXPECT_TRUE(coderJson.at("effective_bits").is_null());
        } else {
            EXPECT_EQ(coderJson.at("snr_db").get<double>(), coder.SnrDb);
            EXPECT_EQ(coderJson.at("effective_bits").get<double>(), coder.EffectiveBits);
        }
        const analysis::TWindowFigures& window = analysis::WindowFiguresOf(options.Window);
        const nlohmann::json& windowJson = report.at("window_figures");
        EXPECT_EQ(windowJson.at("window"),
                  std::string(analysis::Describe(options.Window).ToolName));
        EXPECT_EQ(windowJson.at("highest_side_lobe_db").get<double>(), window.HighestSideLobeDb);
        EXPECT_FALSE(report.contains("samples"));
        // From the transform the last frame left, with the window's own figures.
        const analysis::TDistortionFigures distortion = analysis::MeasureDistortion(
            std::span<const analysis::Complex, analysis::OneSidedBins>(
                analysis::SpectrumBuffer.data(), analysis::OneSidedBins),
            window);
        if (c.silent) {
            EXPECT_TRUE(report.at("distortion").is_null());
        } else {
            // A figure comparing with nothing is null, and so is the spur of no SFDR.
            const auto figure = [](double value, double owner) {
                return std::isfinite(owner) ? nlohmann::json(value) : nlohmann::json(nullptr);
            };
            const nlohmann::json& json = report.at("distortion");
            EXPECT_EQ(json.at("sinad_db"), figure(distortion.SinadDb, distortion.SinadDb));
            EXPECT_EQ(json.at("spur_hz"), figure(distortion.SpurHz, distortion.SfdrDb));
        }

        // Every other key is described, and the levels say what they are relative to.
        const nlohmann::json& fields = report.at("fields");
        EXPECT_EQ(fields.size() + 1, report.size());
        for (const auto& item : report.items()) {
            EXPECT_TRUE(item.key() == "fields" || fields.contains(item.key())) << item.key();
        }
        for (const auto& item : fields.items()) {
            const std::string meaning = item.value();
            const bool displayLevels =
                item.key() == "ordinates" || item.key() == "dbfs" || item.key() == "peak";
            for (const char* words : {"own normalisation", "|re| + |im|", "3.9 dB"}) {
                EXPECT_EQ(meaning.find(words) != std::string::npos, displayLevels)
                    << item.key() << ": " << words;
            }
        }
    }
    // Of equal largest bins the peak is the lowest, as its description says.
    tools::LastFrame equal;
    equal.BinValues[300] = equal.BinValues[200] = 1e6;
    FramesOptions json;
    json.Format = FramesFormat::ffJson;
    std::ostringstream out;
    tools::WriteReport(json, equal, out);
    EXPECT_EQ(nlohmann::json::parse(out.str()).at("peak").at("bin"), 200);

    // The option lines come from the option table, in the usage's columns.
    const std::string usage = tools::FramesUsage();
    for (const char* words :
         {"own normalisation", "|re| + |im|", "no scalloping loss", "3.9 dB",
          "\n  --freq HZ      tone frequency", "\n  -h, --help     print this text\n",
          "\n  --window-figures\n                 print the figures",
          "with --samples,\n                 index,clock,sample)"}) {
        EXPECT_NE(usage.find(words), std::string::npos) << words;
    }
}

TEST(FramesFormats, WindowFiguresInEveryFormatAreTheMeasuredFigures) {
    using analysis::TWindowFigures;
    const std::pair<const char*, double TWindowFigures::*> figures[] = {
        {"coherent_gain", &TWindowFigures::CoherentGain},
        {"enbw_bins", &TWindowFigures::EnbwBins},
        {"scalloping_loss_db", &TWindowFigures::ScallopingLossDb},
        {"width_3db_bins", &TWindowFigures::Width3DbBins},
        {"width_6db_bins", &TWindowFigures::Width6DbBins},
        {"highest_side_lobe_db", &TWindowFigures::HighestSideLobeDb},
    };
    FramesOptions options = Parse({"--window-figures"});
    const std::vector<std::string> table = Lines(Output(options));
    options.Format = FramesFormat::ffCsv;
    const std::vector<std::string> csv = Lines(Output(options));
    options.Format = FramesFormat::ffJson;
    const nlohmann::json json = nlohmann::json::parse(Output(options));

    ASSERT_EQ(table.size(), 12u);
    ASSERT_EQ(csv.size(), 12u);
    EXPECT_EQ(csv[0], "window,coherent_gain,enbw_bins,scalloping_loss_db,width_3db_bins,"
                      "width_6db_bins,highest_side_lobe_db");
    EXPECT_EQ(json.at("zero_padding"), analysis::WindowFiguresPadding);
    EXPECT_TRUE(json.at("fields").contains("zero_padding") &&
                json.at("fields").contains("windows"));
    ASSERT_EQ(json.at("windows").size(), 11u);
    for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
        const auto row = static_cast<std::size_t>(window.Kind);
        const TWindowFigures& measured = analysis::WindowFiguresOf(window.Kind);
        const std::vector<std::string> fields = Split(csv[row + 1], ',');
        const std::vector<std::string> cells = [&] {
            std::vector<std::string> words;
            std::istringstream stream(table[row + 1]);
            for (std::string word; stream >> word;) {
                words.push_back(word);
            }
            return words;
        }();
        const nlohmann::json& object = json.at("windows")[row];
        ASSERT_EQ(fields.size(), 7u);
        ASSERT_EQ(cells.size(), 7u);
        EXPECT_EQ(table[row + 1].size(), table[0].size()) << "figures flush right, as the headings end";
        EXPECT_NE(table[row + 1].back(), ' ');
        EXPECT_EQ(fields[0], window.ToolName);
        EXPECT_EQ(cells[0], window.ToolName);
        EXPECT_EQ(object.at("window"), std::string(window.ToolName));
        for (std::size_t i = 0; i < std::size(figures); ++i) {
            const double value = measured.*figures[i].second;
            EXPECT_EQ(std::strtod(fields[i + 1].c_str(), nullptr), value) << figures[i].first;
            EXPECT_EQ(object.at(figures[i].first).get<double>(), value) << figures[i].first;
            // The table rounds to four decimals.
            EXPECT_NEAR(std::strtod(cells[i + 1].c_str(), nullptr), value, 0.00005)
                << window.ToolName << " " << figures[i].first;
        }
    }
}

// The PNG, decoded, is pixel for pixel what the spectrum display shows once the window has
// run the same frames and the next tick has handed their picture over.
TEST(FramesPicture, PngIsWhatTheWindowShowsOneTickLater) {
    constexpr int Width = display::layout::SpectrumDisplay.Width;
    constexpr int Height = display::layout::SpectrumDisplay.Height;
    const struct {
        const char* arguments;
        FramesOptions options;
    } cases[] = {
        {"--freq 1733 --level -47 --mode iter1 --window blackman --frames 5",
         Settings(1733, -47, CodingMode::cmIter1, WindowKind::wkBlackman, 5)},
        {"--freq 7999 --mode iter3 --window rectangular --frames 130",
         Settings(7999, 0, CodingMode::cmIter3, WindowKind::wkRectangular, 130)},
        {"--freq 0", Settings(0, 0, CodingMode::cmPCM, WindowKind::wkKaiser, 1)},
        // Every view, over more frames than the tool runs: the hold and the average must
        // still cover what the window went through.
        {"--freq 1733 --mode iter1 --frames 300 --hold --average 16 --markers 111,120 --measure",
         [] {
             FramesOptions options = Settings(1733, 0, CodingMode::cmIter1, WindowKind::wkKaiser, 300);
             options.Hold = true;
             options.Average = 16;
             options.Markers = {111, 120};
             options.Measure = true;
             return options;
         }()},
    };
    const std::string path = testing::TempDir() + "orvex_frames_picture.png";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        std::filesystem::remove(path);
        const ProcessResult run = RunTool(std::string(c.arguments) + " --png " + path);
        ASSERT_EQ(run.status, 0) << run.err;
        // With --measure, a blank line and the figures follow the ordinates.
        EXPECT_EQ(Lines(run.out).size(), c.options.Measure ? 520u : 512u);

        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
        EXPECT_EQ(image.width, static_cast<png_uint_32>(Width));
        EXPECT_EQ(image.height, static_cast<png_uint_32>(Height));
        EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGB)); // as stored
        std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0)
            << image.message;

        platform::scripted::TScriptedPlatform platform;
        controls::TSurfaceView view(platform, Width, Height);
        raster::TRasterSurface surface(Width, Height);
        display::TPlotViews views;
        views.SetPeakHold(c.options.Hold);
        views.SetAveraging(c.options.Average);
        for (std::size_t marker = 0; marker < c.options.Markers.size(); ++marker) {
            views.PlaceMarker(static_cast<display::TMarker>(marker), c.options.Markers[marker]);
        }
        views.SetFiguresShown(c.options.Measure);
        analysis::StartAnalyzer(c.options.Window, c.options.LevelDb);
        for (long long frame = 0; frame < c.options.Frames; ++frame) {
            display::RunPlotFrame(surface, view, c.options.FrequencyHz, c.options.Mode, &views);
        }
        display::BeginPlotFrame(surface, view);
        const raster::TRasterSurface& shown = view.Bitmap();
        ASSERT_EQ(shown.Width(), Width);
        ASSERT_EQ(shown.Height(), Height);

        int differing = 0;
        int trace = 0;
        for (int i = 0; i < Width * Height; ++i) {
            const raster::TPixel32 pixel = shown.Bits()[i];
            const std::array<png_byte, 3> expected = {static_cast<png_byte>(pixel >> 16),
                                                      static_cast<png_byte>(pixel >> 8),
                                                      static_cast<png_byte>(pixel)};
            if (std::memcmp(expected.data(), &rgb[3 * i], 3) != 0 && differing++ == 0) {
                ADD_FAILURE() << "first difference at x " << i % Width << ", y " << i / Width;
            }
            trace += pixel == raster::ColorToPixel32(display::PlotTraceColor) ||
                     pixel == raster::ColorToPixel32(display::PlotHoldColor);
        }
        EXPECT_EQ(differing, 0);
        EXPECT_EQ(trace > 0, c.options.FrequencyHz != 0) << "only a silent frame has no trace";
    }
}

// Bad arguments and failed writes: one line on standard error, nothing on standard output,
// status 2 for the arguments and 1 for the writes.
TEST(FramesProcess, ExitStatusAndStreams) {
    const std::string missing = testing::TempDir() + "no_such_folder/picture.png";
    std::filesystem::remove(testing::TempDir() + "closed.png"); // whatever an earlier run left
    const std::string nullLink = testing::TempDir() + "null_link";
    std::filesystem::remove(nullLink);
    std::filesystem::create_symlink("/dev/null", nullLink);
    // A pipe that no program reads is refused, not waited for (the limit only ends a hang).
    const std::string fifo = testing::TempDir() + "orvex_frames_unread_" + std::to_string(getpid());
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string unread = "it is a pipe that no program reads";
    const std::string full = "No space left on device";
    const struct {
        std::string arguments;
        int status;
        std::size_t outLines;
        std::string errMention; // empty: nothing on standard error
    } cases[] = {
        {"--window rectangular", 0, 512, ""},
        {"--help", 0, 121, ""},
        {"--window-figures", 0, 12, ""},
        // The figures follow the ordinates after a blank line.
        {"--mode iter1 --measure", 0, 520, ""},
        // A header and one row per point, 0 to 8000 Hz by 50 Hz.
        {"--curves frequency --level -20 --format csv", 0, 162, ""},
        // At 1020 Hz a blank line, a heading and each coder against the telephone mask follow.
        {"--curves level --freq 1020", 0, 172, ""},
        {"--freq 9000", 2, 0, "--freq must be a whole number of hertz from 0 to 8000"},
        {"--frames 0", 2, 0, "--frames"},
        {"--help=yes", 2, 0, "--help takes no value"},
        {"--mode \"$(printf '\\033[31m')\"", 2, 0, "'\\x1b[31m'"},
        {">/dev/full", 1, 0, "cannot write to standard output: No space left on device"},
        {"--help >&-", 1, 0, "cannot write to standard output"},
        {"--window-figures --format json >&-", 1, 0, "cannot write to standard output"},
        {"--png " + missing, 1, 0, "cannot write --png '" + missing + "'"},
        // Closed, standard output would be the picture's descriptor; nothing is written.
        {"--png " + testing::TempDir() + "closed.png >&-", 1, 0, "standard output: it is closed"},
        {"--png " + testing::TempDir(), 1, 0, "Is a directory"},
        {"--input " + missing, 1, 0, "cannot read '" + missing + "': no such file"},
        {"--input \"$(printf 'x\\377.wav')\"", 1, 0, "cannot read 'x\\xff.wav': no such file"},
        // The material's curves run over its gain alone, and need a file to read.
        {"--curves frequency --input " + missing, 2, 0, "with --input or --live give --curves level"},
        {"--curves level --input " + missing, 1, 0, "cannot read '" + missing + "': no such file"},
        // Without a sound server (or with one that has no such input) nothing is recorded.
        {"--live mic --seconds 1", 1, 0, "cannot record 'mic': "},
        {"--live mic --seconds 1 --measure", 1, 0, "cannot record 'mic': "},
        // One file for two outputs, by any name.
        {"--wav " + missing + " --png " + missing, 2, 0, "' are the same file; give each its own"},
        {"--curves level --png /tmp/../tmp/a.png --svg /tmp/a.png", 2, 0, "are the same file"},
        {"--wav /dev/null --png " + nullLink, 2, 0, "are the same file"},
        {"--input " + missing + " --wav " + missing, 2, 0, "is the --input file"},
        {"--input --measure", 2, 0, "--input needs a value, not the option '--measure'"},
        // Names of files not made yet, in folders not made yet, compared as whole paths.
        {"--curves level --png no_folder/a.png --svg ./no_folder/a.png", 2, 0, "are the same file"},
        {"--png no_folder/n.png --wav \"$PWD/no_folder/n.png\"", 2, 0, "are the same file"},
        {"--input ./no_folder/n.wav --spectrogram no_folder//n.wav", 2, 0, "is the --input file"},
        // Every output is written before the report: a failed one leaves standard output empty.
        {"--png /dev/full", 1, 0, "cannot write --png '/dev/full': " + full},
        {"--mode iter1 --measure --hold --png /dev/full", 1, 0, full},
        {"--samples --wav /dev/full", 1, 0, "cannot write --wav '/dev/full': " + full},
        {"--lanes error --spectrogram /dev/full", 1, 0, full},
        {"--curves level --png /dev/full", 1, 0, full},
        {"--curves frequency --svg /dev/full", 1, 0, full},
        {"--png " + fifo, 1, 0, "cannot write --png '" + fifo + "': " + unread},
        {"--wav " + fifo, 1, 0, unread},
        {"--spectrogram " + fifo, 1, 0, unread},
        {"--curves level --svg " + fifo, 1, 0, unread},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ProcessResult run = RunTool(c.arguments, "timeout 120 ");
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(Lines(run.out).size(), c.outLines);
        if (c.errMention.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
            EXPECT_EQ(run.err.rfind("orvex-frames: ", 0), 0u) << run.err;
            EXPECT_NE(run.err.find(c.errMention), std::string::npos) << run.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(testing::TempDir() + "closed.png"));
    std::filesystem::remove(nullLink);
    std::filesystem::remove(fifo);

    // The telephone mask's verdicts in JSON, in the coder table's order; none at 1000 Hz.
    const nlohmann::json mask =
        nlohmann::json::parse(RunTool("--curves level --freq 1020 --format json").out)["telephone_mask"];
    EXPECT_EQ(mask["full_scale_dbm0"], 3.03);
    EXPECT_EQ(mask["coders"][5], nlohmann::json::parse(
                                     R"({"coder":"pcm16","meets":true,"falls_below_at_dbm0":null})"));
    EXPECT_EQ(mask["band_hz"], nlohmann::json::parse("[300.0, 3400.0]"));
    EXPECT_EQ(mask["coders"][6], nlohmann::json::parse(
                                     R"({"coder":"mulaw","meets":true,"falls_below_at_dbm0":null})"));
    EXPECT_TRUE(nlohmann::json::parse(RunTool("--curves level --format json").out)["telephone_mask"].is_null());
    // The text table has each coder's SNR at each level: mu-law's at full scale and 997 Hz.
    EXPECT_NE(RunTool("--curves level --freq 997").out.find("  39.45  "), std::string::npos);
}

// The picture never lands on standard output's own file, replaces a file only where the user
// may write and only once the report is out, and keeps the replaced file's bits and group.
TEST(FramesProcess, PngReplacesOnlyAWritableFileAndOnlyOnceTheReportIsWritten) {
    namespace fs = std::filesystem;
    const std::string folder = testing::TempDir() + "orvex_frames_png/";
    const std::string png = folder + "picture.png";
    const std::string link = folder + "link.png";
    const std::string old = "old picture";
    const mode_t mask = umask(0);
    umask(mask);
    // Root may write any file (access(2) says so, and so does every other tool root runs),
    // so the read-only case runs as nobody, on nobody's own file in a folder open to all:
    // only the check, not the file system, can then stop the rename.
    const bool root = geteuid() == 0;
    constexpr gid_t OtherGroup = 4242; // a group only root can give a file
    const std::string other = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const struct {
        const char* name;
        mode_t mode;      // of the file before the run; 0 for none
        bool throughLink; // --png names a symbolic link to the file
        std::string prefix;
        std::string redirect;
        int status;
        bool replaced;
        mode_t modeAfter;
    } cases[] = {
        {"new file", 0, false, "", "", 0, true, 0666 & ~mask},
        {"private file", 0600, false, "", "", 0, true, 0600},
        {"group file by link", 0660, true, "", "", 0, true, 0660},
        {"report fails", 0644, false, "", ">/dev/full", 1, false, 0644},
        {"report fails, by link", 0644, true, "", ">/dev/full", 1, false, 0644},
        {"read-only file", 0444, false, other, "", 1, false, 0444},
        {"read-only file as root", 0444, false, "", "", root ? 0 : 1, root, 0444},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::create_directory(folder);
        fs::permissions(folder, fs::perms::all);
        if (c.mode != 0) {
            std::ofstream(png) << old;
            ASSERT_EQ(chmod(png.c_str(), c.mode), 0);
            if (root) {
                const uid_t owner = c.prefix.empty() ? 0 : 65534;
                ASSERT_EQ(chown(png.c_str(), owner, OtherGroup), 0);
            }
        }
        if (c.throughLink) {
            fs::create_symlink(png, link);
        }
        struct stat before {};
        stat(png.c_str(), &before);
        const ProcessResult run =
            RunTool("--png " + (c.throughLink ? link : png) + " " + c.redirect, c.prefix);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(Lines(run.err).size(), c.status == 0 ? 0u : 1u) << run.err;
        const std::string contents = ReadFile(png);
        EXPECT_EQ(contents.rfind("\x89PNG", 0) == 0, c.replaced);
        if (!c.replaced) {
            EXPECT_TRUE(contents == old) << "the old file was changed";
        }
        struct stat after {};
        ASSERT_EQ(stat(png.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, c.modeAfter);
        if (c.mode != 0) {
            EXPECT_EQ(after.st_gid, before.st_gid);
        }
        if (c.replaced) {
            EXPECT_EQ(after.st_uid, geteuid());
        }
        EXPECT_EQ(fs::is_symlink(link), c.throughLink);
        // No temporary is left behind.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                  c.throughLink ? 2 : 1);
    }

    // Standard output's own file, by any name, is refused before anything is written.
    fs::remove_all(folder);
    fs::create_directory(folder);
    std::ofstream{png};
    fs::create_symlink(png, link);
    for (const std::string& arguments :
         {std::string("--png /dev/stdout"), "--png " + png + " >" + png,
          "--png " + link + " >" + png}) {
        SCOPED_TRACE(arguments);
        const ProcessResult run = RunTool(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadFile(png), "");
        EXPECT_EQ(Lines(run.err).size(), 1u);
        EXPECT_NE(run.err.find("is the file standard output goes to"), std::string::npos)
            << run.err;
    }
    fs::remove_all(folder);
}

// The generated completion, run by bash, offers the option table's names and each value
// table's names, no more and no less.
TEST(FramesCompletion, OffersExactlyTheOptionsAndTheirValuesFromTheTables) {
    using Words = std::vector<std::string>;
    // Straight from the value tables, not through the names the generator reads.
    const auto names = [](const auto& table, std::string_view prefix = "") {
        Words words;
        for (const auto& row : table) {
            if (row.ToolName.starts_with(prefix)) {
                words.emplace_back(row.ToolName);
            }
        }
        return words;
    };
    Words options;
    for (const tools::FramesOptionInfo& row : tools::FramesOptionTable) {
        options.emplace_back(row.Name);
        if (!row.ShortName.empty()) {
            options.emplace_back(row.ShortName);
        }
    }
    const struct {
        std::string line; // the words after the program; the last one is being completed
        Words offered;
    } cases[] = {
        {"''", options},
        // --window-figures runs no frame, --curves none of the coded kind: once either is
        // given only what it takes is offered, and neither after an option it refuses.
        {"--w", {"--window", "--wav", "--worst", "--window-figures"}},
        {"--samples --w", {"--window", "--wav", "--worst"}},
        {"--window-figures ''", {"--format", "--help", "-h"}},
        {"--curves = level --format csv --",
         {"--freq", "--level", "--format", "--png", "--svg", "--input", "--start", "--live", "--seconds", "--help"}},
        {"--freq 1000 --c", {"--colour-map", "--coders", "--curves"}},
        {"--mode pcm --c", {"--colour-map", "--coders"}},
        {"--average ''", {"4", "16", "64"}},
        {"--mode ''", names(analysis::Coders)},
        {"--coders ''", [&] {
             Words all = names(analysis::Coders);
             all.push_back("all");
             return all;
         }()},
        {"--window = ''", names(analysis::WindowKinds)},
        {"--freq 10 --window ha", names(analysis::WindowKinds, "ha")},
        {"--format ''", names(tools::FramesFormats)},
        {"--freq ''", {}},
        {"--frames = ''", {}},
        {"--png /dev/nul", {"/dev/null"}},
        {"--input /dev/nul", {"/dev/null"}},
        {"--start ''", {}},
        {"--live --sec", {"--seconds"}},
        {"--colour-map ''", names(charts::ColourMaps)},
        {"--lanes e", names(analysis::SpectrogramLanes, "e")},
    };
    ASSERT_EQ(options.size(), 33u);
    const std::string scriptPath = testing::TempDir() + "orvex_frames_completion.sh";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::ofstream(scriptPath) << "source '" ORVEX_FRAMES_COMPLETION "' || exit 1\n"
                                  << "complete -p orvex-frames\n"
                                  << "COMP_WORDS=(orvex-frames " << c.line << ")\n"
                                  << "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                  << "_orvex_frames\n"
                                  << "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
        FILE* pipe = popen(("bash --norc --noprofile " + scriptPath).c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        std::array<char, 4096> buffer;
        while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
            out.append(buffer.data(), read);
        }
        EXPECT_EQ(pclose(pipe), 0);
        Words offered = Lines(out);
        ASSERT_FALSE(offered.empty());
        EXPECT_EQ(offered.front(), "complete -F _orvex_frames orvex-frames");
        offered.erase(offered.begin());
        if (offered == Words{""}) {
            offered.clear(); // printf prints one empty line for no words
        }
        Words expected = c.offered;
        std::sort(offered.begin(), offered.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(offered, expected);
    }
}

} // namespace

// The sound read back through libsndfile is the stream's values exactly; sox reads it as
// what it claims to be; a failed write leaves an existing file as it was.
TEST(FramesSound, WavHoldsTheStreamExactlyAndFailsWithoutTouchingTheFile) {
    const std::string path = testing::TempDir() + "orvex_frames_sound.wav";
    const struct {
        std::string arguments;
        analysis::TStreamSettings settings;
        int seconds;
        analysis::SampleCodeFunction reference; // a reference coder instead of the mode
    } cases[] = {
        {"--freq 1733 --mode iter1", {1733, 0, CodingMode::cmIter1, analysis::TStreamContent::scCoded}, 1, nullptr},
        {"--freq 997 --level -6 --mode sqrt --error --seconds 2",
         {997, -6, CodingMode::cmOrvexSqrt, analysis::TStreamContent::scError}, 2, nullptr},
        {"--freq 1020 --level -10 --mode mulaw --seconds 2",
         {1020, -10, CodingMode::cmPCM, analysis::TStreamContent::scCoded}, 2, &analysis::CodeMuLaw},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        std::filesystem::remove(path);
        const ProcessResult run = RunTool(c.arguments + " --wav " + path);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "") << "no progress, nor its clearing, when standard error is no terminal";
        SF_INFO info{};
        SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
        EXPECT_EQ(info.samplerate, 16000);
        EXPECT_EQ(info.channels, 1);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        ASSERT_EQ(info.frames, 16000 * c.seconds);
        std::vector<float> read(static_cast<std::size_t>(info.frames));
        EXPECT_EQ(sf_readf_float(sound, read.data(), info.frames), info.frames);
        sf_close(sound);
        std::vector<float> expected(read.size());
        analysis::TToneStream(c.settings).Fill(expected);
        if (c.reference != nullptr) {
            // The stream's uncoded samples on its clock (0, then 1 to 16000), through the coder.
            const double omega = analysis::ToneOmega(c.settings.FrequencyHz);
            const double gain = analysis::GainFromAttenuation(-c.settings.LevelDb);
            for (std::size_t k = 0; k < expected.size(); ++k) {
                const auto clock = static_cast<std::int32_t>(k == 0 ? 0 : (k - 1) % 16000 + 1);
                expected[k] = analysis::PlayedSample(
                    c.reference(analysis::ToneSample(analysis::ToneSine(omega, clock), gain)));
            }
        }
        EXPECT_TRUE(read == expected);

        // Without a warning: a float format's fmt chunk has its cbSize, and a fact chunk.
        FILE* pipe = popen(("sox --i " + path + " 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::array<char, 4096> text{};
        const std::string sox(text.data(), std::fread(text.data(), 1, text.size() - 1, pipe));
        EXPECT_EQ(pclose(pipe), 0);
        for (const char* field : {"Channels       : 1", "Sample Rate    : 16000",
                                  "Precision      : 25-bit", "32-bit Floating Point PCM"}) {
            EXPECT_NE(sox.find(field), std::string::npos) << sox;
        }
        EXPECT_EQ(sox.find("WARN"), std::string::npos) << sox;

        // Down a pipe, the same bytes. A reader is there before the tool opens it (one that
        // waits for a writer, and one that holds the pipe open without waiting).
        const std::string fifo = path + ".fifo";
        std::filesystem::remove(fifo);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const int holding = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(holding, 0);
        std::string piped;
        std::thread reader([&] { piped = ReadFile(fifo); });
        const ProcessResult throughPipe = RunTool(c.arguments + " --wav " + fifo);
        reader.join();
        close(holding);
        EXPECT_EQ(throughPipe.status, 0) << throughPipe.err;
        EXPECT_TRUE(piped == ReadFile(path));
        std::filesystem::remove(fifo);
    }
    // A failed write, the last one too (the file may not grow past all but the last bytes),
    // leaves the file as it was.
    const std::string before = ReadFile(path);
    for (const auto& [prefix, failing] :
         {std::pair<std::string, std::string>{"", "--wav " + path + " >/dev/full"},
          {"", "--wav /dev/full"},
          {"trap '' XFSZ; prlimit --fsize=64000 ", "--wav " + path}}) {
        const ProcessResult run = RunTool(failing, prefix);
        EXPECT_EQ(run.status, 1) << failing;
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    }
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(RunTool("--error").status, 2);
}

// A sound file through the tool: each sample of a 16000 Hz float file is coded as the
// analyzer's value s x 32767 and written as the stream plays it, coded, as its error or
// uncoded; a resampled tone keeps its bin and level in the frames; the frames and the
// sound start where --start says, and what the file does not hold is said in one line.
TEST(FramesInput, AFileRunsThroughTheSameSourceCoderAndWriter) {
    const std::string folder = testing::TempDir();
    const std::string input = folder + "orvex_frames_input.wav";
    const std::string output = folder + "orvex_frames_input_out.wav";
    std::vector<float> own(20000);
    for (std::size_t k = 0; k < own.size(); ++k) {
        own[k] = static_cast<float>(0.9 * std::sin(0.0731 * static_cast<double>(k)) *
                                    std::exp(-1e-4 * static_cast<double>(k)));
    }
    SF_INFO info{0, 16000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* written = sf_open(input.c_str(), SFM_WRITE, &info);
    ASSERT_NE(written, nullptr);
    ASSERT_EQ(sf_writef_float(written, own.data(), 20000), 20000);
    sf_close(written);

    using analysis::CoderKind;
    const struct {
        const char* arguments;
        CoderKind coder;
        analysis::TStreamContent content;
        int levelDb;
        std::size_t start;
    } sounds[] = {
        {"--mode iter1", CoderKind::ckIter1, analysis::TStreamContent::scCoded, 0, 0},
        {"--mode sqrt --error --level -6", CoderKind::ckOrvexSqrt, analysis::TStreamContent::scError, -6, 0},
        {"--mode iter2 --original --start 0.5", CoderKind::ckIter2, analysis::TStreamContent::scOriginal, 0, 8000},
        {"--mode mulaw --level -20", CoderKind::ckMuLaw, analysis::TStreamContent::scCoded, -20, 0},
        {"--mode alaw --error --start 1", CoderKind::ckALaw, analysis::TStreamContent::scError, 0, 16000},
    };
    for (const auto& c : sounds) {
        SCOPED_TRACE(c.arguments);
        ASSERT_EQ(RunTool("--input " + input + " " + c.arguments + " --wav " + output).status, 0);
        SNDFILE* sound = sf_open(output.c_str(), SFM_READ, &info);
        ASSERT_NE(sound, nullptr);
        std::vector<float> read(static_cast<std::size_t>(info.frames));
        sf_readf_float(sound, read.data(), info.frames);
        sf_close(sound);
        ASSERT_EQ(read.size(), own.size() - c.start);
        std::vector<long double> units(own.begin() + static_cast<std::ptrdiff_t>(c.start), own.end());
        std::vector<float> expected(units.size());
        analysis::PlaySamples(units, std::pow(10.0, c.levelDb / 20.0), analysis::Describe(c.coder).Code,
                              c.content, expected);
        EXPECT_TRUE(read == expected);
    }

    // The frames' samples are numbered by their place in the file.
    ASSERT_EQ(std::system(("sox -n -D -r 44100 -b 16 " + input + " synth 2 sine 1000 vol 0.5").c_str()), 0);
    const ProcessResult run = RunTool("--input " + input + " --start 0.25 --frames 3 --samples --format json");
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["sample_clocks"][0], 4000 + 2 * 1024);
    EXPECT_EQ(report["settings"]["input"], input);
    EXPECT_TRUE(report["coder_figures"].is_null());
    EXPECT_EQ(report["peak"]["bin"], 64);
    EXPECT_NEAR(report["peak"]["level_db"].get<double>(), -6.02, 0.1);

    for (const auto& [arguments, told] :
         {std::pair<std::string, std::string>{"--start 2", "--start 2 lies past the end of"},
          {"--frames 33", "holds 32 frames from --start 0, not 33"}}) {
        const ProcessResult refused = RunTool("--input " + input + " " + arguments);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(told), std::string::npos) << refused.err;
    }
}

// Over speech at an active level of -26 dB, the G.711 coders' SNR agrees with audioop's within
// 1 dB (our full scale sits 0.17 dB above the laws' 16-bit scale) and the segmental SNR lies
// below it; over the tool's own tone file each coding mode's SNR is its coder figure (within
// the file's rounding to single precision). A file that cannot be read is named once, and the
// others are printed all the same.
TEST(FramesMaterial, FiguresAgreeWithIndependentOnesAndABadFileLosesNoOther) {
    const std::string folder = testing::TempDir();
    const std::string raw = folder + "orvex_material_raw.wav";
    const std::string speech = folder + "orvex_material_speech.wav";
    const std::string tone = folder + "orvex_material_tone.wav";
    const std::string missing = folder + "orvex_material_missing.wav";
    ASSERT_EQ(std::system(("flite -voice kal16 -o " + raw + " -t 'The quick brown fox jumps over "
                           "the lazy dog, and a codec engineer listens.'").c_str()), 0);
    const auto rows = [](const std::string& arguments) {
        const ProcessResult run = RunTool(arguments + " --measure --format csv");
        std::vector<std::vector<std::string>> table;
        for (const std::string& line : Lines(run.out)) {
            table.push_back(Split(line, ','));
        }
        return std::pair{run, table};
    };
    const double rawLevel = std::stod(rows("--coders pcm --input " + raw).second.at(1).at(7));
    ASSERT_EQ(std::system(("sox -D " + raw + " -b 16 " + speech + " vol " +
                           std::to_string(-26.0 - rawLevel) + "dB").c_str()), 0);
    ASSERT_EQ(RunTool("--freq 997 --level -10 --wav " + tone).status, 0);

    const auto [run, table] = rows("--input " + speech + " " + missing + " " + tone);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "orvex-frames: cannot read '" + missing + "': no such file\n");
    ASSERT_EQ(table.size(), 1u + 2 * analysis::Coders.size());
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "file,coder,snr_db,segmental_snr_db,segments,log_spectral_distance_db,largest_error,"
              "active_level_db");

    FILE* pipe = popen((ORVEX_SYSTEM_PYTHON " " ORVEX_G711_REFERENCE " " + speech).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::array<char, 256> text{};
    const std::vector<std::string> reference =
        Lines(std::string(text.data(), std::fread(text.data(), 1, text.size() - 1, pipe)));
    ASSERT_EQ(pclose(pipe), 0);
    ASSERT_EQ(reference.size(), 2u);
    for (std::size_t row = 1; row <= analysis::Coders.size(); ++row) {
        const std::vector<std::string>& figures = table[row];
        SCOPED_TRACE(figures.at(1));
        EXPECT_EQ(figures.at(0), speech);
        EXPECT_NEAR(std::stod(figures.at(7)), -26.0, 0.01);
        for (const std::string& law : reference) {
            if (law.starts_with(figures.at(1) + " ")) {
                const double snr = std::stod(figures.at(2));
                EXPECT_NEAR(snr, std::stod(law.substr(law.find(' ') + 1)), 1.0);
                EXPECT_LT(std::stod(figures.at(3)), snr);
                EXPECT_GT(std::stoll(figures.at(4)), 100);
            }
        }
    }
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        const std::vector<std::string>& figures = table.at(1 + analysis::Coders.size() +
                                                           static_cast<std::size_t>(mode.Mode));
        SCOPED_TRACE(figures.at(1));
        EXPECT_EQ(figures.at(0), tone);
        const analysis::TCoderFigures expected = analysis::MeasureCoderFigures(997, -10, mode.Mode);
        if (expected.Exact) {
            EXPECT_EQ(figures.at(2), "inf");
        } else {
            EXPECT_NEAR(std::stod(figures.at(2)), expected.SnrDb, 0.02);
        }
    }
    // JSON: an exact coder's SNR is null and said exact, a count is a whole number.
    const ProcessResult json = RunTool("--input " + tone + " --measure --coders pcm,iter1 --worst 2 --format json");
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json object = nlohmann::json::parse(json.out);
    const nlohmann::json& coders = object["files"].at(0)["coders"];
    ASSERT_EQ(coders.size(), 2u);
    EXPECT_TRUE(coders[0]["snr_db"].is_null());
    EXPECT_TRUE(coders[0]["exact"].get<bool>());
    EXPECT_TRUE(coders[1]["segments"].is_number_integer());
    EXPECT_EQ(coders[1]["worst"].size(), 2u);
    EXPECT_TRUE(object["fields"].contains("files"));
    // The text table's columns line up: every line as long as the header, the figures
    // flush with their headings' right end.
    const std::vector<std::string> aligned = Lines(RunTool("--input " + tone + " --measure --coders pcm,mulaw").out);
    ASSERT_EQ(aligned.size(), 3u);
    for (const std::string& line : aligned) {
        EXPECT_EQ(line.size(), aligned[0].size()) << line;
        EXPECT_NE(line.back(), ' ') << line;
    }
    // A file name holding a comma is quoted in CSV, so the columns stay where they are.
    const std::string comma = folder + "orvex_material,tone.wav";
    std::filesystem::copy_file(tone, comma, std::filesystem::copy_options::overwrite_existing);
    for (const std::string more : {"", " --worst 1"}) {
        const std::string csv = RunTool("--input " + comma + " --measure --coders mulaw --format csv" + more).out;
        EXPECT_EQ(Lines(csv).at(1).rfind("\"" + comma + "\",mulaw,", 0), 0u) << csv;
    }
    // The worst segments: in the file's time from --start on, 30 ms long, none overlapping.
    const auto [worstRun, worst] = rows("--input " + speech + " --start 0.5 --coders mulaw --worst 3");
    ASSERT_EQ(worst.size(), 4u) << worstRun.err;
    EXPECT_EQ(worst[0], (std::vector<std::string>{"file", "coder", "rank", "start_s", "end_s", "snr_db"}));
    for (std::size_t row = 1; row < worst.size(); ++row) {
        const double start = std::stod(worst[row].at(3));
        EXPECT_GE(start, 0.5);
        EXPECT_NEAR(std::stod(worst[row].at(4)) - start, 0.03, 1e-9);
        EXPECT_LE(std::stod(worst[row - (row > 1 ? 1 : 0)].at(5)), std::stod(worst[row].at(5)));
        for (std::size_t other = 1; other < row; ++other) {
            EXPECT_GE(std::fabs(std::stod(worst[other].at(3)) - start), 0.03 - 1e-9);
        }
    }
    // The text lists the same segments last, counted from the file's start as well.
    const std::vector<std::string> listed =
        Lines(RunTool("--input " + speech + " --start 0.5 --coders mulaw --worst 3 --measure").out);
    ASSERT_GE(listed.size(), worst.size());
    for (std::size_t row = 1; row < worst.size(); ++row) {
        std::istringstream words(listed[listed.size() - worst.size() + row]);
        int rank = 0;
        double start = 0.0;
        words >> rank >> start;
        EXPECT_NEAR(start, std::stod(worst[row].at(3)), 5e-5) << rank;
    }

    // On a terminal the length comes first, from the header (of 2 Hz: 8000 samples each at
    // 16000 Hz), then the progress, cleared before the table.
    const std::string slow = folder + "orvex_material_2hz.wav";
    ASSERT_EQ(std::system(("sox -n -r 2 -b 16 " + slow + " synth 10 sine 0.5").c_str()), 0);
    const std::string terminal =
        RunTool("--input " + slow + " --measure --coders pcm\" /dev/null", "script -qec \"").out;
    const std::size_t said = terminal.find("orvex-frames: measuring '" + slow + "' (0:00:10 of sound)");
    ASSERT_NE(said, std::string::npos) << terminal;
    EXPECT_LT(terminal.find("\r\033[K", said), terminal.find("file "));
    EXPECT_LT(said, terminal.find("file "));
}

// The spectrogram's numbers hold every column of the tone once per lane asked for, a tone on a
// bin at its level and the exact coder's error empty; the picture has the size asked for.
TEST(FramesSpectrogram, CsvHoldsEveryColumnAndLaneAndThePictureItsSize) {
    const std::string csv = testing::TempDir() + "orvex_frames_spectrogram.csv";
    const ProcessResult run = RunTool("--level -20 --seconds 1 --lanes error,original --spectrogram " + csv);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 512u); // the frames' report as ever
    const std::vector<std::string> lines = Lines(ReadFile(csv));
    const std::vector<std::string> header = Split(lines.at(0), ',');
    ASSERT_EQ(header.size(), 2u + 513u);
    EXPECT_EQ(header[0] + header[1] + header[2] + "," + header[66] + "," + header[514],
              "time_slane0,1000,8000");
    constexpr std::size_t Columns = (16000 - 1024) / 256 + 1;
    ASSERT_EQ(lines.size(), 1 + 2 * Columns);
    for (const std::size_t column : {std::size_t{0}, Columns - 1}) {
        const std::vector<std::string> original = Split(lines[1 + 2 * column], ',');
        EXPECT_DOUBLE_EQ(std::stod(original[0]), (256.0 * column + 512) / 16000) << column;
        EXPECT_EQ(original[1], "original");
        EXPECT_NEAR(std::stod(original[66]), -20.0, 0.1);
        EXPECT_EQ(lines[2 + 2 * column], original[0] + ",error" + std::string(513, ','));
    }

    // A file's columns are timed from its start, not from --start; ".CSV" is CSV too.
    const std::string input = testing::TempDir() + "orvex_frames_spectrogram_in.wav";
    ASSERT_EQ(std::system(("sox -n -r 16000 -b 16 " + input + " synth 2 sine 1000").c_str()), 0);
    const std::string capital = testing::TempDir() + "orvex_frames_spectrogram.CSV";
    ASSERT_EQ(RunTool("--input " + input + " --start 0.5 --lanes coded --spectrogram " + capital).status, 0);
    const std::vector<std::string> fromStart = Lines(ReadFile(capital));
    ASSERT_GE(fromStart.size(), 2u);
    ASSERT_EQ(fromStart[0].rfind("time_s,lane,", 0), 0u) << "not CSV";
    const std::vector<std::string> first = Split(fromStart[1], ',');
    EXPECT_DOUBLE_EQ(std::stod(first.at(0)), 0.5 + 512.0 / 16000);
    EXPECT_EQ(first.at(1), "coded");

    const std::string png = testing::TempDir() + "orvex_frames_spectrogram.png";
    std::filesystem::remove(png);
    const ProcessResult drawn =
        RunTool("--mode iter1 --seconds 2 --spectrogram " + png +
                " --size 400x300 --transform 2048 --frequency-axis log --colour-map magma --floor -90");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, png.c_str()), 0) << image.message;
    EXPECT_EQ(image.width, 400u);
    EXPECT_EQ(image.height, 300u);
    png_image_free(&image);

    const ProcessResult failed = RunTool("--spectrogram /dev/full");
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(Lines(failed.err).size(), 1u) << failed.err;
}

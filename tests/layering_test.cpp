// SPDX-License-Identifier: GPL-3.0-or-later
// The libraries depend on each other only downwards, and only the application and the Qt
// platform see Qt. The build already keeps a library from reaching headers it does not
// link; this test also catches a new link that breaks the layering, by reading every
// #include of src/ and tools/ against the intended dependencies.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// What a folder's files may include besides the standard library.
struct TFolderRule {
    std::set<std::string> folders; // project folders, its own among them
    bool qt = false;
    std::set<std::string> libraryHeaders = {}; // other libraries' headers, as included
};

// The analysis's concerns; a library above the analysis reaches every one of them.
const std::set<std::string> AnalysisFolders = {
    "analysis/common", "analysis/transform", "analysis/coding",  "analysis/windows",
    "analysis/frames", "analysis/spectrogram", "analysis/figures"};

// `folders` and the whole analysis, for a library above it.
std::set<std::string> WithAnalysis(std::set<std::string> folders) {
    folders.insert(AnalysisFolders.begin(), AnalysisFolders.end());
    return folders;
}

// An application folder: Qt, the libraries below, the system calls start-up needs, and the
// application folders it may reach.
TFolderRule AppRule(std::set<std::string> appFolders) {
    appFolders = WithAnalysis(std::move(appFolders));
    appFolders.insert({"display", "controls", "raster", "platform", "platform/qt", "charts",
                       "sound"});
    return {std::move(appFolders), true,
            {"xcb/xcb.h", "fcntl.h", "poll.h", "sys/socket.h", "sys/un.h", "unistd.h"}};
}

const std::map<std::string, TFolderRule>& Rules() {
    static const std::map<std::string, TFolderRule> rules = {
        // A concern of the analysis reaches the concerns before it, except that neither the
        // coders nor the windows reach the frames, and the spectrogram and the figures do not
        // reach each other.
        {"analysis/common", {{"analysis/common"}}},
        {"analysis/transform", {{"analysis/transform", "analysis/common"}}},
        {"analysis/coding", {{"analysis/coding", "analysis/common"}}},
        {"analysis/windows", {{"analysis/windows", "analysis/common", "analysis/transform"}}},
        {"analysis/frames",
         {{"analysis/frames", "analysis/common", "analysis/transform", "analysis/coding",
           "analysis/windows"}}},
        {"analysis/spectrogram",
         {{"analysis/spectrogram", "analysis/common", "analysis/transform", "analysis/windows",
           "analysis/frames"}}},
        {"analysis/figures",
         {{"analysis/figures", "analysis/common", "analysis/transform", "analysis/coding",
           "analysis/windows", "analysis/frames"}}},
        // The system's own interfaces below the toolkit: the standard descriptors, files.
        {"platform", {{"platform"}, false, {"fcntl.h", "sys/stat.h", "unistd.h"}}},
        // The desktop's sound server, through PulseAudio's client library, and sound files
        // through libsndfile and libsoxr, read as a source of the analysis; the process's
        // own id, to know its own streams.
        {"sound",
         {WithAnalysis({"sound"}), false,
          {"pulse/pulseaudio.h", "sndfile.h", "soxr.h", "sys/stat.h", "unistd.h"}}},
        // The coders that wrap codec libraries, resampled through libsoxr; no toolkit.
        {"codecs",
         {WithAnalysis({"codecs"}), false,
          {"spandsp.h", "gsm.h", "opus/opus.h", "speex/speex.h", "codec2/codec2.h",
           "vo-amrwbenc/enc_if.h", "opencore-amrwb/dec_if.h", "bcg729/encoder.h",
           "bcg729/decoder.h", "soxr.h"}}},
        {"platform/scripted", {{"platform/scripted", "platform"}}},
        {"platform/qt", {{"platform/qt", "platform"}, true}},
        {"raster", {{"raster", "platform"}}},
        {"controls", {{"controls", "raster", "platform"}}},
        {"display", {WithAnalysis({"display", "controls", "raster", "platform"})}},
        // Qt's GUI painting, without widgets: the charts the window and the tool draw.
        {"charts", {WithAnalysis({"charts"}), true}},
        // The application: one folder per concern. A capability (measurement, listening,
        // curves) reaches only what every window shares; the main window wires them; the
        // accessibility layer reads the main window; start-up makes it all.
        {"app/common", AppRule({"app/common"})},
        {"app/measurement", AppRule({"app/measurement", "app/common"})},
        {"app/listening", AppRule({"app/listening", "app/common"})},
        {"app/curves", AppRule({"app/curves", "app/common"})},
        {"app/figures", AppRule({"app/figures", "app/common"})},
        {"app/sources", AppRule({"app/sources", "app/common"})},
        {"app/spectrogram", AppRule({"app/spectrogram", "app/common"})},
        {"app/accessibility", AppRule({"app/accessibility", "app/main_window", "app/common"})},
        {"app/main_window",
         AppRule({"app/main_window", "app/accessibility", "app/measurement", "app/listening",
                  "app/curves", "app/figures", "app/sources", "app/spectrogram", "app/common"})},
        {"app/startup",
         AppRule({"app/startup", "app/main_window", "app/listening", "app/sources", "app/common"})},
        // The tool links Qt's GUI module through the charts, to paint them into an image or
        // an SVG without a display; its own files still include no Qt header.
        {"tools",
         {WithAnalysis({"tools", "display", "controls", "raster", "platform", "charts", "sound"}),
          false,
          {"png.h", "nlohmann/json.hpp", "CLI/CLI.hpp", "fcntl.h", "sys/mman.h", "sys/stat.h",
           "unistd.h"}}},
    };
    return rules;
}

// A standard library header is one bare lowercase name: <vector>, <cmath>, <string_view>.
// Toolkit and other libraries' headers have capitals, an extension or a folder.
bool IsStandardHeader(const std::string& name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; });
}

bool IsQtHeader(const std::string& name) {
    return name.size() > 1 && name[0] == 'Q' && name.find('.') == std::string::npos;
}

// Why `line` of a file in `folder` breaks the layering, if it does. `siblings` are the
// names of the files in the same folder, which a bare quoted include refers to.
std::optional<std::string> Violation(const std::string& folder, const std::string& line,
                                     const std::set<std::string>& siblings) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::smatch match;
    if (!std::regex_search(line, match, include)) {
        return std::nullopt;
    }
    const TFolderRule& rule = Rules().at(folder);
    const std::string name = match[2];
    if (match[1] == "<") {
        if (IsStandardHeader(name) || (rule.qt && IsQtHeader(name)) ||
            rule.libraryHeaders.contains(name)) {
            return std::nullopt;
        }
        return "includes <" + name + ">, which is not the standard library" +
               (rule.qt ? " or Qt" : "") +
               (rule.libraryHeaders.empty() ? "" : " or a library it links");
    }
    const auto slash = name.rfind('/');
    if (slash == std::string::npos) {
        // A header the build generates from a template next to it counts as a sibling.
        if (siblings.contains(name) || siblings.contains(name + ".in")) {
            return std::nullopt;
        }
        return "includes \"" + name + "\", which is not in its own folder";
    }
    const std::string target = name.substr(0, slash);
    if (rule.folders.contains(target)) {
        return std::nullopt;
    }
    return "includes \"" + name + "\" from " + target + ", which " + folder + " does not depend on";
}

std::vector<std::string> LayeringViolations(const fs::path& root, const std::string& top) {
    std::vector<std::string> violations;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / top)) {
        const fs::path& path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp")) {
            continue;
        }
        const std::string relative = fs::relative(path.parent_path(), root / top).generic_string();
        const std::string folder =
            top == "src" ? relative : (relative == "." ? top : top + "/" + relative);
        if (!Rules().contains(folder)) {
            violations.push_back(path.generic_string() + " lies in " + folder +
                                 ", which has no place in the layering yet");
            continue;
        }
        std::set<std::string> siblings;
        for (const fs::directory_entry& sibling : fs::directory_iterator(path.parent_path())) {
            siblings.insert(sibling.path().filename().string());
        }
        std::ifstream file(path);
        std::string line;
        for (int number = 1; std::getline(file, line); ++number) {
            if (const auto why = Violation(folder, line, siblings)) {
                violations.push_back(path.generic_string() + ":" + std::to_string(number) + " " +
                                     *why);
            }
        }
    }
    return violations;
}

TEST(Layering, EveryIncludeStaysWithinWhatItsLibraryDependsOn) {
    const fs::path root = ORVEX_SOURCE_DIR;
    for (const char* top : {"src", "tools"}) {
        ASSERT_TRUE(fs::is_directory(root / top)) << top;
        const std::vector<std::string> violations = LayeringViolations(root, top);
        EXPECT_TRUE(violations.empty()) << [&] {
            std::string text;
            for (const std::string& violation : violations) {
                text += violation + "\n";
            }
            return text;
        }();
    }
}

// The rules themselves, on lines a careless change would add.
TEST(Layering, RulesCatchIncludesAgainstTheLayering) {
    const std::set<std::string> analysisFiles = {"frame_pipeline.h", "tone_source.h"};
    const struct {
        const char* folder;
        const char* line;
        bool allowed;
    } cases[] = {
        {"analysis/frames", "#include <cmath>", true},
        {"analysis/frames", "#include \"tone_source.h\"", true},
        {"analysis/frames", "#include \"analysis/transform/complex_fft.h\"", true},
        {"analysis/frames", "#include \"analysis/figures/coder_figures.h\"", false},
        {"analysis/coding", "#include \"analysis/frames/analyzer_state.h\"", false},
        {"analysis/windows", "#include \"analysis/frames/analyzer_state.h\"", false},
        {"analysis/spectrogram", "#include \"analysis/figures/material_meter.h\"", false},
        {"analysis/figures", "#include \"analysis/spectrogram/spectrogram_history.h\"", false},
        {"analysis/figures", "#include \"analysis/frames/frame_pipeline.h\"", true},
        {"analysis/frames", "#include \"raster/raster_surface.h\"", false},
        {"analysis/frames", "#include <QString>", false},
        {"analysis/frames", "#include <fftw3.h>", false},
        {"analysis/frames", "#include \"gauge_slider.h\"", false},
        {"raster", "#include \"controls/surface_view.h\"", false},
        {"raster", "#include \"platform/geometry.h\"", true},
        {"controls", "#include \"display/spectrum_plot.h\"", false},
        {"controls", "#include \"platform/qt/qt_platform.h\"", false},
        {"display", "#include \"app/main_window/spectrum_form.h\"", false},
        {"display", "#include <QImage>", false},
        {"platform", "#include \"platform/qt/qt_timer.h\"", false},
        {"platform/qt", "#include <QTimer>", true},
        {"app/main_window", "  #  include <QWidget>", true},
        {"app/main_window", "#include \"platform/scripted/scripted_platform.h\"", false},
        {"app/main_window", "#include \"app/curves/coder_curves_menu.h\"", true},
        {"app/curves", "#include \"app/main_window/spectrum_form.h\"", false},
        {"app/listening", "#include \"app/measurement/measurement_menu.h\"", false},
        {"tools", "#include \"display/spectrum_plot.h\"", true},
        {"tools", "#include \"app/main_window/spectrum_form.h\"", false},
        {"tools", "#include \"platform/qt/qt_platform.h\"", false},
        {"tools", "#include <png.h>", true},
        {"tools", "#include <QImage>", false},
        {"sound", "#include <QAudioSink>", false},
        {"sound", "#include \"analysis/frames/sample_source.h\"", true},
        {"sound", "#include \"display/spectrum_plot.h\"", false},
        {"codecs", "#include \"analysis/coding/stream_coder.h\"", true},
        {"codecs", "#include <opus/opus.h>", true},
        {"codecs", "#include \"sound/sound_file.h\"", false},
        {"codecs", "#include <QString>", false},
        {"analysis/coding", "#include \"codecs/coder_table.h\"", false},
        {"analysis/coding", "#include <opus/opus.h>", false},
        {"display", "#include <png.h>", false},
        {"tools", "// #include is mentioned in a comment", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(!Violation(c.folder, c.line, analysisFiles).has_value(), c.allowed)
            << c.folder << ": " << c.line;
    }
}

} // namespace

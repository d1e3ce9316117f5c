// SPDX-License-Identifier: GPL-3.0-or-later
// orvex-frames: runs analyzer frames without a window and prints the result.

#include "frames_options.h"
#include "frames_picture.h"
#include "frames_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int ExitSuccess = 0;
constexpr int ExitOutputFailed = 1;
constexpr int ExitUsage = 2;

void ReportError(const std::string& message) {
    std::fprintf(stderr, "orvex-frames: %s\n", message.c_str());
}

// Writes all of `text` to standard output. The report is built in memory first, so a
// failure here is the only output failure, and errno still tells its cause.
bool WriteStandardOutput(std::string_view text) {
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    const int writeError = errno;
    if (std::fflush(stdout) == 0 && written) {
        return true;
    }
    ReportError(std::string("cannot write to standard output: ") +
                std::strerror(writeError != 0 ? writeError : errno));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    tools::FramesOptions options;
    try {
        options = tools::ParseFramesOptions(arguments);
    } catch (const tools::UsageError& error) {
        ReportError(error.what());
        return ExitUsage;
    }
    if (options.ShowHelp) {
        return WriteStandardOutput(tools::FramesUsage()) ? ExitSuccess : ExitOutputFailed;
    }

    const tools::LastFrame frame =
        tools::NeedsFrames(options) ? tools::RunLastFrame(options) : tools::LastFrame{};
    // The picture comes first, so that nothing reaches standard output when it fails.
    if (!options.PngPath.empty()) {
        try {
            tools::WriteFramePicture(frame.Ordinates, options.PngPath);
        } catch (const tools::OutputError& error) {
            ReportError(error.what());
            return ExitOutputFailed;
        }
    }
    std::ostringstream report;
    tools::WriteReport(options, frame, report);
    return WriteStandardOutput(report.view()) ? ExitSuccess : ExitOutputFailed;
}

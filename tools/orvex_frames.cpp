// SPDX-License-Identifier: GPL-3.0-or-later
// orvex-frames: runs analyzer frames without a window and prints the result.

#include "charts/coder_curve_chart.h"
#include "frames_curves.h"
#include "frames_live.h"
#include "frames_material.h"
#include "frames_options.h"
#include "frames_picture.h"
#include "frames_report.h"
#include "frames_sound.h"
#include "frames_spectrogram.h"
#include "platform/standard_streams.h"
#include "replacing_file.h"
#include "sound/sound_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
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

// Writes out every output file's last bytes: whatever fails then does so before the report,
// so that standard output stays empty. The files are put in place only once the report is out.
void FinishOutputs(std::initializer_list<std::optional<tools::ReplacingFile>*> files) {
    for (std::optional<tools::ReplacingFile>* file : files) {
        if (*file) {
            (*file)->Finish();
        }
    }
}

// --curves: the table on standard output, and the chart drawn into the picture files, each
// put in place only once the report is out.
int RunCurves(const tools::FramesOptions& options) {
    try {
        std::optional<tools::ReplacingFile> png;
        std::optional<tools::ReplacingFile> svg;
        if (!options.PngPath.empty()) {
            png.emplace("--png", options.PngPath);
        }
        if (!options.SvgPath.empty()) {
            svg.emplace("--svg", options.SvgPath);
        }
        // The tone's curves, or with --input the material's: the pictures' bytes and the report.
        std::string pngBytes;
        std::string svgBytes;
        std::ostringstream report;
        {
            std::optional<charts::TOffscreenPainting> painting;
            if (png || svg) {
                painting.emplace();
            }
            const auto draw = [&](const auto& data) {
                pngBytes = png ? charts::ChartPng(data) : "";
                svgBytes = svg ? charts::ChartSvg(data) : "";
                tools::WriteCurvesReport(options, data, report);
            };
            if (options.InputPath.empty()) {
                draw(tools::ComputeCurves(options));
            } else {
                draw(tools::ComputeMaterialCurves(options));
            }
        }
        for (auto& [file, bytes] : {std::pair{&png, &pngBytes}, std::pair{&svg, &svgBytes}}) {
            if (*file && std::fwrite(bytes->data(), 1, bytes->size(), (*file)->Stream()) != bytes->size()) {
                throw tools::OutputError((*file)->Failure(std::strerror(errno)));
            }
        }
        FinishOutputs({&png, &svg});
        if (!WriteStandardOutput(report.view())) {
            return ExitOutputFailed;
        }
        for (std::optional<tools::ReplacingFile>* file : {&png, &svg}) {
            if (*file) {
                (*file)->Commit();
            }
        }
    } catch (const tools::OutputError& error) {
        ReportError(error.what());
        return ExitOutputFailed;
    } catch (const tools::InputError& error) {
        ReportError(error.what());
        return ExitOutputFailed;
    }
    return ExitSuccess;
}

// --measure of --input files: the table of every file that could be read, then one line on
// standard error for each that could not, and status 1 if there was one.
int RunMaterial(const tools::FramesOptions& options) {
    std::vector<tools::MaterialFile> files =
        tools::MeasureMaterial(options, std::thread::hardware_concurrency());
    if (options.LiveDevice) {
        files.front().Path = tools::LiveName;
    }
    std::vector<tools::MaterialFile> measured;
    for (const tools::MaterialFile& file : files) {
        if (file.Error.empty()) {
            measured.push_back(file);
        }
    }
    std::ostringstream report;
    tools::WriteMaterialReport(options, measured, report);
    if (!WriteStandardOutput(report.view())) {
        return ExitOutputFailed;
    }
    for (const tools::MaterialFile& file : files) {
        if (!file.Error.empty()) {
            ReportError(file.Error);
        }
    }
    return measured.size() == files.size() ? ExitSuccess : ExitOutputFailed;
}

} // namespace

int main(int argc, char** argv) {
    // A closed standard output would otherwise be the next file opened: the picture.
    bool outputClosed = false;
    try {
        outputClosed = platform::ReopenClosedStandardStreams()[STDOUT_FILENO];
    } catch (const std::exception& error) {
        ReportError(error.what());
        return ExitOutputFailed;
    }
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    tools::FramesOptions options;
    try {
        options = tools::ParseFramesOptions(arguments);
    } catch (const tools::UsageError& error) {
        ReportError(error.what());
        return ExitUsage;
    }
    if (outputClosed) {
        ReportError("cannot write to standard output: it is closed");
        return ExitOutputFailed;
    }
    if (options.ShowHelp) {
        return WriteStandardOutput(tools::FramesUsage()) ? ExitSuccess : ExitOutputFailed;
    }

    // Writing a file over standard output's own file would interleave the two, or rename the
    // file over the one the report is going into; two outputs in one file would leave only
    // the last, or a mixture of both.
    const struct {
        const char* Label;
        const std::string& Path;
        const char* What;
    } outputs[] = {{"--png", options.PngPath, "picture"},
                   {"--svg", options.SvgPath, "picture"},
                   {"--wav", options.WavPath, "sound"},
                   {"--spectrogram", options.SpectrogramPath, "spectrogram"}};
    for (auto output = std::begin(outputs); output != std::end(outputs); ++output) {
        if (output->Path.empty()) {
            continue;
        }
        const std::string named = std::string(output->Label) + " " + tools::QuotedValue(output->Path);
        if (tools::IsStandardOutput(output->Path)) {
            ReportError(named + " is the file standard output goes to; give the " + output->What +
                        " another file");
            return ExitUsage;
        }
        // Replacing the input would lose it.
        if (!options.InputPath.empty() && tools::IsSameFile(options.InputPath, output->Path)) {
            ReportError(named + " is the --input file; give the " + output->What +
                        " another file");
            return ExitUsage;
        }
        for (auto other = std::begin(outputs); other != output; ++other) {
            if (!other->Path.empty() && tools::IsSameFile(other->Path, output->Path)) {
                ReportError(std::string(other->Label) + " " + tools::QuotedValue(other->Path) +
                            " and " + named + " are the same file; give each its own");
                return ExitUsage;
            }
        }
    }
    // The recording is then the input, as a file is, to the frames, the curves and --measure.
    std::optional<tools::LiveRecording> live;
    if (options.LiveDevice) {
        try {
            live.emplace(options);
        } catch (const tools::InputError& error) {
            ReportError(error.what());
            return ExitOutputFailed;
        }
        options.InputPath = live->Path();
    }
    if (options.Report == tools::FramesReport::frCurves) {
        return RunCurves(options);
    }
    if (options.Report == tools::FramesReport::frMaterial) {
        return RunMaterial(options);
    }
    // The picture is opened first, so that a file it may not replace stops the run at once.
    std::optional<tools::ReplacingFile> picture;
    std::optional<tools::ReplacingFile> sound;
    std::optional<tools::ReplacingFile> spectrogram;
    try {
        if (!options.PngPath.empty()) {
            picture.emplace("--png", options.PngPath);
        }
        if (!options.WavPath.empty()) {
            sound.emplace("--wav", options.WavPath);
            if (options.InputPath.empty()) {
                tools::WriteToneSound(options, *sound);
            } else {
                tools::WriteInputSound(options, *sound);
            }
        }
        if (!options.SpectrogramPath.empty()) {
            spectrogram.emplace("--spectrogram", options.SpectrogramPath);
            tools::WriteSpectrogram(options, *spectrogram);
        }
        if (options.Report == tools::FramesReport::frSoundOnly) {
            sound->Commit();
            return ExitSuccess;
        }
        const tools::LastFrame frame =
            tools::NeedsFrames(options) ? tools::RunLastFrame(options) : tools::LastFrame{};
        // Nothing reaches standard output when an output fails, and each is put in place
        // only once the report is out, so a failed report leaves the old ones.
        if (picture) {
            tools::WriteFramePicture(frame.Ordinates, *picture, &frame.Views);
        }
        FinishOutputs({&picture, &sound, &spectrogram});
        std::ostringstream report;
        tools::WriteReport(options, frame, report);
        if (!WriteStandardOutput(report.view())) {
            return ExitOutputFailed;
        }
        if (picture) {
            picture->Commit();
        }
        if (sound) {
            sound->Commit();
        }
        if (spectrogram) {
            spectrogram->Commit();
        }
    } catch (const tools::OutputError& error) {
        ReportError(error.what());
        return ExitOutputFailed;
    } catch (const tools::InputError& error) {
        ReportError(error.what());
        return ExitOutputFailed;
    } catch (const sound::TSoundFileError& error) {
        // A file that opened well but cannot be read further.
        ReportError("cannot read " + tools::QuotedValue(options.InputPath) + ": " + error.what());
        return ExitOutputFailed;
    }
    return ExitSuccess;
}

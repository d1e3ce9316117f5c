// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/qt/qt_platform.h"

#include <optional>
#include <string>

namespace app {

// The exit status of a command line the program does not understand.
inline constexpr int UsageErrorStatus = 2;

// How many screen pixels wide each of the window's pixels is drawn.
inline constexpr int MinZoom = platform::qt::MinZoom;
inline constexpr int MaxZoom = platform::qt::MaxZoom;

enum class TCommandLineAction {
    caRun,     // open the window
    caHelp,    // print Text to standard output and end with status 0
    caVersion, // likewise
    caError,   // print Text, one line, to standard error and end with UsageErrorStatus
};

struct TCommandLine {
    TCommandLineAction Action = TCommandLineAction::caRun;
    std::optional<int> Zoom; // --zoom N; none to follow the desktop's scale factor
    bool Listen = false;     // --listen: start with listening on
    std::string InputPath;   // FILE or --input FILE: start with the sound file; empty for the tone
    std::string Text; // help, version or error; ends with a line break
    // --live [DEVICE]: start recording the input DEVICE (empty for the default input)
    // instead of the tone; none for the tone.
    std::optional<std::string> LiveDevice;
};

// Reads the program's own options (--help, --version, --zoom N, --listen, --input FILE or one
// FILE without an option, --live with one DEVICE or none) and accepts Qt's options
// for the application object, which takes them later. Needs no application object, so that
// --help works without a display.
TCommandLine ParseCommandLine(int argc, char** argv);

} // namespace app

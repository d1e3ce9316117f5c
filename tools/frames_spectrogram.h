// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames_options.h"
#include "replacing_file.h"

#include <string>

namespace tools {

// Whether the spectrogram goes to `path` as numbers: a name ending in ".csv", in any case.
bool IsSpectrogramCsv(const std::string& path);

// Writes the spectrogram of the whole of options.InputPath from options.StartSeconds, or of
// options.WavSeconds of the tone from a fresh start, at the options' level, mode and window,
// into `file`: the picture the window draws (charts::TSpectrogramPicture) as PNG, every
// column fitted to the picture's width, or with IsSpectrogramCsv the numbers: a header
// "time_s,lane" then each bin's frequency in hertz, and one row per column and shown lane
// with the column's time in seconds (the centre of its samples, from the file's start), the
// lane's name and each bin's level in dB with two decimals, empty below the floor. Throws
// InputError if the file cannot be read, OutputError naming `file` if it cannot be written.
void WriteSpectrogram(const FramesOptions& options, ReplacingFile& file);

} // namespace tools

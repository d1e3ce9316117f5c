// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames_options.h"
#include "replacing_file.h"

namespace tools {

// Writes options.WavSeconds seconds of the tone as the listening stream plays it, for the
// options' frequency, level and mode (the coded tone, or with WavError the raised coding
// error), from a fresh stream (sample clock at 0): 16000 Hz, one channel, 32-bit float WAV,
// each value the stream's own. The header goes first with its final sizes and nothing is
// written twice, so `file` may be a pipe. Throws OutputError naming the file if a write
// fails; the caller commits `file` (which flushes the last bytes) only afterwards.
void WriteToneSound(const FramesOptions& options, ReplacingFile& file);

} // namespace tools

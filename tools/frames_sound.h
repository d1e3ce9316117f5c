// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames_options.h"
#include "replacing_file.h"

#include <cstdio>
#include <functional>
#include <span>

namespace tools {

// Writes options.WavSeconds seconds of the tone as the listening stream plays it, for the
// options' frequency, level and mode (the coded tone, or with WavError the raised coding
// error), from a fresh stream (sample clock at 0): 16000 Hz, one channel, 32-bit float WAV,
// each value the stream's own; a reference coder codes the stream's samples instead. The
// header goes first with its final sizes and nothing is written twice, so `file` may be a
// pipe. Throws OutputError naming the file if a write fails; the caller commits `file`
// (which flushes the last bytes) only afterwards.
void WriteToneSound(const FramesOptions& options, ReplacingFile& file);

// Writes the whole of options.InputPath from options.StartSeconds as it plays through the
// options' level (a gain) and mode or reference coder: coded, its raised coding error
// (WavError) or uncoded (WavOriginal), 16000 Hz, one channel, 32-bit float WAV. Throws
// InputError if the file cannot be read, OutputError naming `file` if the sound cannot be
// written.
void WriteInputSound(const FramesOptions& options, ReplacingFile& file);

// Fills a block with the next values to write.
using TSoundFill = std::function<void(std::span<float>)>;

// Writes `samples` values, made a block at a time by `fill`, to `file` as 16000 Hz mono
// 32-bit float WAV, telling its progress on a terminal. Throws OutputError naming the file.
void WriteSoundSamples(ReplacingFile& file, long long samples, const TSoundFill& fill);

// Makes the error of a failed write from its cause.
using TWriteFailure = std::function<OutputError(const std::string& why)>;

// As above, to an open stream, the progress told as `doing` ("writing the sound").
void WriteSoundSamples(std::FILE* stream, const TWriteFailure& failure, long long samples,
                       const TSoundFill& fill, const char* doing);

} // namespace tools

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace analysis {

// Sizes of one frame: 1024 samples at 16000 Hz is 64 ms of signal, of which the
// first 512 bins (0 to 7984.375 Hz, 15.625 Hz apart) are plotted. Every concern of the
// analysis shares them, so they sit below all of it.
inline constexpr int FrameLength = 1024;
inline constexpr int PlottedBins = 512;
inline constexpr int SampleRate = 16000;

} // namespace analysis

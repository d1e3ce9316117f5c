// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace analysis {

// A spectrogram's levels are powers relative to a full-scale tone on a bin's centre: 1.0
// (0 dB) is the power re^2 + im^2 of that tone's bin, whatever the window (see
// spectrogram_column_maker.h). The history keeps them as one byte per bin and lane:
//   code 0         no level: silence, or below LowestStoredLevelDb less half a step;
//   codes 1 to 255 the level rounded to the nearest multiple of LevelStepDb,
//                  (code - ZeroDbCode) * LevelStepDb: -184.5 dB (code 1) to +6 dB (code 255);
//                  anything louder is stored as 255.
// So a stored level is within 0.375 dB of the computed one; 0 dB, -60 dB and -120 dB are
// codes of their own. +6 dB is what a constant at full scale reaches in bin 0, the loudest
// a source can be; -184.5 dB lies below the noise of any 16-bit signal and of every window's
// side lobes that matter, so the floor can be set anywhere in the stored range.
inline constexpr double LevelStepDb = 0.75;
inline constexpr int ZeroDbCode = 247;
inline constexpr int HighestLevelCode = 255;
inline constexpr double HighestStoredLevelDb = (HighestLevelCode - ZeroDbCode) * LevelStepDb;
inline constexpr double LowestStoredLevelDb = (1 - ZeroDbCode) * LevelStepDb;

// The level in dB that `code` (1 to 255) stands for.
constexpr double CodeLevelDb(int code) {
    return (code - ZeroDbCode) * LevelStepDb;
}

// 10 log10 of a relative power; -infinity for 0 (silence). The caller passes power >= 0.
double PowerDecibels(double relativePower);

// The code of a relative power. Exact at the boundaries between codes (it compares with
// their powers, computed once) and takes no logarithm: a few nanoseconds a bin.
std::uint8_t LevelCodeOfPower(double relativePower);

// LevelCodeOfPower of each power; `codes` holds as many entries as `powers`.
void QuantiseLevels(std::span<const double> powers, std::span<std::uint8_t> codes);

} // namespace analysis

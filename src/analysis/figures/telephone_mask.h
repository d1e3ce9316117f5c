// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coder_figures.h"
#include "analysis/coding/coder_kind.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace analysis {

// The telephone mask: the least signal-to-distortion ratio a telephone-band codec must keep
// for a sine of 1004 to 1025 Hz (ITU-T G.712), against the sine's level in dBm0.
//
// Levels in dBm0 are tied to our scale through the G.711 laws, whose overload points sit at
// +3.17 dBm0 (mu-law) and +3.14 dBm0 (A-law). Our full scale maps to each law's largest
// decoder output, 0.14 dB below its overload point (see reference_coder.h), so a full-scale
// sine is +3.17 - 0.14 = +3.03 dBm0 by mu-law's reckoning (+3.00 dBm0 by A-law's, 0.03 dB
// apart, far below what the mask resolves): 0 dBm0 is a sine at -3.03 dB below full scale.
inline constexpr double FullScaleDbm0 = 3.03;

inline double DbfsToDbm0(double levelDbfs) {
    return levelDbfs + FullScaleDbm0;
}
inline double Dbm0ToDbfs(double levelDbm0) {
    return levelDbm0 - FullScaleDbm0;
}

// The tones the mask is defined for, in Hz, both ends included.
inline constexpr std::int32_t TelephoneMaskLowestHz = 1004;
inline constexpr std::int32_t TelephoneMaskHighestHz = 1025;
bool TelephoneMaskApplies(std::int32_t frequencyHz);

// The mask's corners, from the loudest level down: 36 dB from 0 to -30 dBm0, 30 dB at
// -40 dBm0 and 25 dB at -45 dBm0, joined by straight lines in dB as the recommendation draws
// them. Above 0 dBm0 and below -45 dBm0 the mask says nothing here.
struct TMaskCorner {
    double LevelDbm0;
    double SnrDb;
};
inline constexpr std::array<TMaskCorner, 4> TelephoneMask = {{
    {0.0, 36.0},
    {-30.0, 36.0},
    {-40.0, 30.0},
    {-45.0, 25.0},
}};

// The distortion the mask limits is what a telephone channel passes, about 300 to 3400 Hz:
// the recommendation measures it there. Our coders run at 16000 Hz and spread their error
// over 0 to 8000 Hz, so the mask is read against the error within this band, in Hz.
inline constexpr double TelephoneBandLowestHz = 300.0;
inline constexpr double TelephoneBandHighestHz = 3400.0;

// The SNR the mask is read against: the mean power of the uncoded second `samples` over that
// of the coding error c_n - a_n within the telephone band, in dB. The error's band power is
// read from its spectrum through a Hann window over the second, zero-padded to 16384 points
// (scaled by the window's energy, so that noise of any spectrum reads its power). None when
// the original is silent or the error has no power in the band.
std::optional<double> TelephoneBandSnrDb(std::span<const double, SecondSamples> samples,
                                         std::span<const double, SecondSamples> coded);

// The mask's SNR at a level, or none outside 0 to -45 dBm0.
std::optional<double> TelephoneMaskSnrDb(double levelDbm0);

enum class MaskOutcome : std::uint8_t {
    moMeets,      // the curve stays on or above the mask from 0 to -45 dBm0
    moFallsBelow, // it drops below the mask, first (from 0 dBm0 down) at FirstBelowDbm0
};

struct TMaskVerdict {
    MaskOutcome Outcome;
    double FirstBelowDbm0; // the level where the curve crosses under the mask; 0 if it meets
};

// Judges one coder's level curve (`points`: a complete buffer of caLevel curves at a tone of
// the mask, as ComputeCoderCurves fills it) against the mask, by its telephone-band SNR. The
// curve is taken as drawn, straight between its 1 dB points, and a point with no error in
// the band lies above any mask. The difference of two such broken lines is straight between
// their corners, so checking it at every corner of either is checking it everywhere; where it
// first turns negative, the crossing is found on that straight piece.
TMaskVerdict CheckTelephoneMask(std::span<const TCoderFigures> points, CoderKind kind);

// The level curve's points CheckTelephoneMask reads, first and last index included: those
// that have to be computed before a verdict can be given.
struct TPointSpan {
    int First;
    int Last;
};
TPointSpan TelephoneMaskPoints();

} // namespace analysis

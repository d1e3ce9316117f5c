// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coder_figures.h"
#include "analysis/coding/coder_kind.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

namespace analysis {

// SNR curves of every coder of the coder table against the tone's level or its frequency.
// Each point is a coder's figures over one second of the tone, measured exactly as
// MeasureCoderFigures measures them: a coding mode's point is bit for bit its figures for
// that tone. Nothing here touches module-level state, so curves may be computed on any
// thread, beside the frames.

// What the curve runs over; the other setting of the tone stays fixed.
enum class CurveAxis : std::uint8_t {
    caLevel,     // level 0 dB down to -160 dB in 1 dB steps, at a fixed frequency
    caFrequency, // frequency 0 Hz up to 8000 Hz in 50 Hz steps, at a fixed level
};

inline constexpr int LevelCurveStepDb = 1;
inline constexpr int FrequencyCurveStepHz = 50;

// The number of points of a curve: 161 on either axis.
int CurvePointCount(CurveAxis axis);

// The abscissa of point `index` (0 to CurvePointCount - 1): the level in dB (0, -1, ...,
// -160) or the frequency in Hz (0, 50, ..., 8000).
int CurveAbscissa(CurveAxis axis, int index);

// Which curves: the axis and the tone whose other setting stays fixed. On caLevel the
// level is ignored, on caFrequency the frequency.
struct TCurveRequest {
    CurveAxis Axis;
    std::int32_t FrequencyHz; // MinFrequencyHz to MaxFrequencyHz
    int LevelDb;              // MinLevelDb to MaxLevelDb
};

// The tone of point `index` of a request's curves.
struct TCurveTone {
    std::int32_t FrequencyHz;
    int LevelDb;
};
TCurveTone CurvePointTone(const TCurveRequest& request, int index);

// The size a buffer of a request's points must have: CurvePointCount * CoderCount. Point
// `index` of coder `kind` stands at index * CoderCount + kind.
std::size_t CurveBufferSize(CurveAxis axis);
std::size_t CurveBufferIndex(int index, CoderKind kind);

// The SNR a chart draws for a point: none where the tone is silent (no signal to compare)
// or the coder exact (no error), as for the uncoded mode at every point.
std::optional<double> PlottedSnrDb(const TCoderFigures& figures);
// Likewise the effective bits, (SNR - 1.76) / 6.02.
std::optional<double> PlottedEffectiveBits(const TCoderFigures& figures);

// Called each time a point is complete, with its index and the figures of every coder at
// it (in table order; CoderCount of them, valid during the call only), and how many points
// are complete so far. Calls never overlap, but may come from a helper thread.
using CurveProgress =
    std::function<void(int index, std::span<const TCoderFigures> figures, int pointsDone)>;

enum class CurveOutcome : std::uint8_t {
    coComplete,  // every point is filled in
    coCancelled, // a stop was requested; the points not yet reported are undefined
};

// Computes the curves of every coder for `request` into `points` (CurveBufferSize of the
// axis), checking `stop` between coders. `threads` (1 or more) is how many threads share
// the work, the calling thread among them; points are handed out one at a time, so they
// complete roughly, not strictly, in order. `progress` may be empty. An exception thrown
// by the work or by `progress` stops every thread and is rethrown here.
CurveOutcome ComputeCoderCurves(const TCurveRequest& request, std::span<TCoderFigures> points,
                                std::stop_token stop, const CurveProgress& progress, int threads);

// The same, into a fresh buffer; empty when cancelled.
std::vector<TCoderFigures> ComputeCoderCurves(const TCurveRequest& request,
                                              std::stop_token stop = {}, int threads = 1);

// The theory lines, in dB, for a sine at `levelDb` relative to full scale (0 or below):

// An ideal uniform quantiser of `bits` bits: 6.02 bits + 1.76 dB at full scale, falling
// 1 dB per dB.
double UniformQuantiserSnrDb(int bits, double levelDb);
inline constexpr int UniformTheoryBits = 16;

// The square-root coder, from its error being uniform within half a code step either side
// of the root (a root rounded to the nearest code), small against the root, and independent
// of the tone: SNR = 3.72 + 20 log10(L) + 10 log10(A), with L the code steps per polarity
// and A the peak as a fraction of full scale, so 0.5 dB per dB; 3.72 dB is
// 10 log10(3 pi / 4). Our coder truncates the root instead, an error of 0 to 1 step toward
// zero with 4 times the mean square, so where the model holds it measures 6.02 dB below it.
double SquareRootCoderModelSnrDb(int stepsPerPolarity, double levelDb);
inline constexpr int SquareRootCoderSteps = 32767;

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace analysis {

// The reference coders the coding modes are compared with. Each codes one uncoded sample
// `a` (in 16-bit steps, full scale 32767, as the tone's samples are) and gives back the
// decoded sample on the same scale. The caller passes a finite `a`; magnitudes past full
// scale saturate.
//
// Scale: full scale 32767 maps to each coder's largest magnitude.
// - Linear PCM: the samples are already on its scale; it stores round(a), halves away from
//   zero, limited to -32768..32767. A full-scale sine gives 6.02 * 16 + 1.76 = 98.1 dB.
// - G.711: 32767 maps to the law's overload point, 8159 on mu-law's 14-bit scale and 4096
//   on A-law's 13-bit scale, so a full-scale tone is the laws' largest sine without
//   overload (G.711's Tmax, +3.14 dBm0), and both laws are compared at the same load. The
//   peaks then decode to the top step's middle, 8031 or 4032, about 32253 or 32255 here.

double CodeLinear16(double a);
double CodeMuLaw(double a);
double CodeALaw(double a);

} // namespace analysis

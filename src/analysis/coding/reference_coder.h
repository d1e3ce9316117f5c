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
// - G.711: 32767 maps to the law's largest decoder output, 8031 on mu-law's 14-bit scale
//   and 4032 on A-law's 13-bit scale, so that the largest code decodes to full scale
//   exactly, as linear PCM's does. A full-scale tone then stays below the laws' overload
//   points (8159 and 4096, +3.17 and +3.14 dBm0) by 20 log10(8159 / 8031) = 0.14 dB
//   and 20 log10(4096 / 4032) = 0.14 dB: it is never clipped, and both laws are compared at
//   nearly the same load. (Mapping full scale to the overload points instead puts mu-law's
//   SNR at 997 Hz and -30 dB at 34.6 dB, below the 35 dB of the laws' plateau.)

double CodeLinear16(double a);
double CodeMuLaw(double a);
double CodeALaw(double a);

} // namespace analysis

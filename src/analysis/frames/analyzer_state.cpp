// SPDX-License-Identifier: GPL-3.0-or-later
#include "analyzer_state.h"

namespace analysis {

TAnalyzerState AnalyzerState;
std::array<Complex, SpectrumBufferLength> SpectrumBuffer{};
std::array<double, PlottedBins> MagnitudeBuffer{};
std::array<float, FrameLength> WindowTable{};

} // namespace analysis

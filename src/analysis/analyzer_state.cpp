#include "analyzer_state.h"

#include <algorithm>

namespace analysis {

TAnalyzerState AnalyzerState;
std::array<Complex, SpectrumBufferLength> SpectrumBuffer{};
std::array<double, PlottedBins> MagnitudeBuffer{};
std::array<float, FrameLength> WindowTable{};

void ResetAnalyzerToLoadState() {
    AnalyzerState = TAnalyzerState{};
    std::fill(SpectrumBuffer.begin(), SpectrumBuffer.end(), Complex{0.0, 0.0});
    MagnitudeBuffer.fill(0.0);
    WindowTable.fill(0.0f);
}

void ClearSpectrumBuffer() {
    std::fill_n(SpectrumBuffer.begin(), FrameLength + 1, Complex{0.0, 0.0});
}

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_csv.h"

#include <array>
#include <charconv>

namespace analysis {
namespace {

// The shortest text that reads back as `value`.
void AppendShortest(std::string& text, double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text.append(buffer.data(), error == std::errc() ? end : buffer.data());
}

} // namespace

void AppendSpectrogramCsvHeader(std::string& text, int transformLength) {
    text += "time_s,lane";
    for (int bin = 0; bin < SpectrogramBins(transformLength); ++bin) {
        text += ',';
        AppendShortest(text, static_cast<double>(bin) * SampleRate / transformLength);
    }
    text += '\n';
}

void AppendSpectrogramCsvRow(std::string& text, double seconds, SpectrogramLane lane,
                             std::span<const double> levelsDb, double floorDb) {
    AppendShortest(text, seconds);
    text += ',';
    text += Describe(lane).ToolName;
    for (const double level : levelsDb) {
        text += ',';
        if (level >= floorDb) {
            std::array<char, 32> buffer{};
            const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                                    level, std::chars_format::fixed, 2);
            text.append(buffer.data(), error == std::errc() ? end : buffer.data());
        }
    }
    text += '\n';
}

} // namespace analysis

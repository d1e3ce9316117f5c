// SPDX-License-Identifier: GPL-3.0-or-later
#include "material_table.h"

#include "figure_texts.h"

#include <cassert>
#include <charconv>
#include <cmath>

namespace display {

std::string ShortestText(double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    assert(error == std::errc());
    return std::string(buffer.data(), end);
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char character : text) {
        quoted += character == '"' ? "\"\"" : std::string(1, character);
    }
    return quoted + "\"";
}

std::string MaterialCsvHeader() {
    std::string header = "file,coder";
    for (const TMaterialColumn& column : MaterialColumns) {
        header += ",";
        header += column.Key;
    }
    return header;
}

std::string MaterialCsvRow(const std::string& file, std::string_view coder,
                           const analysis::TMaterialFigures& figures) {
    std::string row = CsvField(file) + "," + std::string(coder);
    for (const TMaterialColumn& column : MaterialColumns) {
        const double value = column.Value(figures);
        row += ",";
        if (std::isinf(value)) {
            row += value > 0 ? "inf" : "-inf";
        } else if (!std::isnan(value)) {
            row += ShortestText(value);
        }
    }
    return row;
}

std::string MaterialCellText(const TMaterialColumn& column,
                             const analysis::TMaterialFigures& figures) {
    const double value = column.Value(figures);
    if (std::isnan(value)) {
        return "-";
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    return column.Decimals < 0 ? std::to_string(static_cast<long long>(value))
                               : FixedText(value, column.Decimals);
}

} // namespace display

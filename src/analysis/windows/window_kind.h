// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "analysis/common/enum_table.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace analysis {

// The analysis windows, held in one byte.
enum class WindowKind : std::uint8_t {
    wkRectangular = 0,
    wkTriangular = 1,
    wkSine = 2,
    wkGaussian = 3,
    wkLanczos = 4,
    wkHamming = 5,
    wkHann = 6,
    wkBlackman = 7,
    wkNuttall = 8,
    wkKaiser = 9,
    wkFlatTop = 10,
};

// Everything the program says about an analysis window. The window menu, the headless
// tool's --window names and usage, the tests and the benchmarks are all built from this
// table; a new window needs a row here and its formula in window_table.cpp.
struct TWindowKindInfo {
    WindowKind Kind;
    std::string_view Caption;  // the menu item's text (UTF-8)
    std::string_view ItemName; // the menu item's object name, for tests and tools
    std::string_view ToolName; // orvex-frames --window value
};

// In the order of the window menu, which is also the enum's order.
inline constexpr std::array<TWindowKindInfo, 11> WindowKinds = {{
    {WindowKind::wkRectangular, "Прямоугольное окно", "pmNoWindow", "rectangular"},
    {WindowKind::wkTriangular, "Треугольное окно (Барлетт)", "pmTriangular", "triangular"},
    {WindowKind::wkSine, "Синусоидальное окно", "pmSinusWindow", "sine"},
    {WindowKind::wkGaussian, "Окно Гаусса", "pmGaussian", "gaussian"},
    {WindowKind::wkLanczos, "Окно Ланцоша (sinc)", "pmLanczos", "lanczos"},
    {WindowKind::wkHamming, "Окно Хемминга", "pmHamming", "hamming"},
    {WindowKind::wkHann, "Окно Ханна", "pmHann", "hann"},
    {WindowKind::wkBlackman, "Окно Блэкмана", "pmBlackman", "blackman"},
    {WindowKind::wkNuttall, "Окно Натталла", "pmNuttall", "nuttall"},
    {WindowKind::wkKaiser, "Окно Кайзера (20)", "pmKaizer", "kaiser"},
    {WindowKind::wkFlatTop, "Окно с плоской вершиной", "pmFlatTopWindow", "flattop"},
}};

inline constexpr int WindowKindCount = static_cast<int>(WindowKinds.size());

// The window the program starts with (Kaiser, beta 20).
inline constexpr WindowKind StartWindowKind = WindowKind::wkKaiser;

constexpr const TWindowKindInfo& Describe(WindowKind kind) {
    return WindowKinds[static_cast<std::size_t>(kind)];
}

// The table's rows stand in the enum's order, so a kind indexes its own row.
static_assert(RowsInEnumOrder(WindowKinds, [](const TWindowKindInfo& row) { return row.Kind; }));

} // namespace analysis

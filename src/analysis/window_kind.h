#pragma once

#include <cstdint>

namespace analysis {

// The eleven analysis windows, in the order of the window menu.
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

inline constexpr int WindowKindCount = 11;

} // namespace analysis

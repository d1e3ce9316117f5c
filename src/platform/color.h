// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace platform {

// A colour as the platform packs it: red + 256 green + 65536 blue (bytes 0x00BBGGRR). A
// value whose top byte is 0xFF (a negative value) names a system colour instead, by the
// index in its low byte; such a colour must be resolved (IPlatform::SystemColor) before
// its components mean anything.
using TColor = std::int32_t;

constexpr TColor RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

constexpr std::uint8_t RedOf(TColor c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GreenOf(TColor c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(TColor c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

// The system colours the controls use; the platform supplies their current values.
enum class SystemColorIndex : std::uint8_t {
    siScrollBar = 0,
    siButtonFace = 1,
    siButtonShadow = 2,
    siButtonHighlight = 3,
    siWindowFrame = 4,
};

inline constexpr int SystemColorCount = 5;

constexpr TColor SystemColorTag = static_cast<TColor>(0xFF000000u);

constexpr bool IsSystemColor(TColor c) {
    return (static_cast<std::uint32_t>(c) >> 24) == 0xFFu;
}

constexpr TColor ToSystemColor(SystemColorIndex index) {
    return SystemColorTag | static_cast<TColor>(index);
}

// The index named by a system colour; the caller must ensure IsSystemColor(c).
constexpr SystemColorIndex SystemColorIndexOf(TColor c) {
    return static_cast<SystemColorIndex>(c & 0xFF);
}

inline constexpr TColor scScrollBar = ToSystemColor(SystemColorIndex::siScrollBar);
inline constexpr TColor scButtonFace = ToSystemColor(SystemColorIndex::siButtonFace);
inline constexpr TColor scButtonShadow = ToSystemColor(SystemColorIndex::siButtonShadow);
inline constexpr TColor scButtonHighlight = ToSystemColor(SystemColorIndex::siButtonHighlight);
inline constexpr TColor scWindowFrame = ToSystemColor(SystemColorIndex::siWindowFrame);

} // namespace platform

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whole-picture comparisons that name the first differing pixel.

#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <span>
#include <sstream>

#include <gtest/gtest.h>

namespace support {

// Compares two pictures of `width` pixels per row, pixel for pixel, all 32 bits.
inline ::testing::AssertionResult SamePixels(std::span<const std::uint32_t> actual,
                                             std::span<const std::uint32_t> expected,
                                             std::int32_t width) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "sizes differ: " << actual.size() << " pixels, expected " << expected.size();
    }
    std::size_t differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i] && differing++ == 0) {
            first = i;
        }
    }
    if (differing == 0) {
        return ::testing::AssertionSuccess();
    }
    // One stream for the whole message: AssertionResult streams each value on its own, so
    // the hex manipulators would not reach the pixels.
    const auto w = static_cast<std::size_t>(width);
    std::ostringstream message;
    message << differing << " pixels differ; the first at (" << first % w << ", " << first / w
            << ") is 0x" << std::hex << std::setw(8) << std::setfill('0') << actual[first]
            << ", expected 0x" << std::setw(8) << expected[first];
    return ::testing::AssertionFailure() << message.str();
}

} // namespace support

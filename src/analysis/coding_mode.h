#pragma once

#include <cstdint>

namespace analysis {

// How every synthesised sample is stored before windowing.
enum class CodingMode : std::uint8_t {
    cmPCM,       // "PCM 32 bit": the sample passes unchanged
    cmOrvexSqrt, // 16-bit square-root companding with the exact root
    cmIter1,     // ... with the fast inverse-square-root estimate and 1 Newton step
    cmIter2,     // ... 2 Newton steps
    cmIter3,     // ... 3 Newton steps
};

inline constexpr int CodingModeCount = 5;

} // namespace analysis

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

namespace platform {

// The standard streams by descriptor: input, output, error.
inline constexpr int StandardStreamCount = 3;
using TStandardStreamsClosed = std::array<bool, StandardStreamCount>;

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, and says which were.
// A program started with a standard stream closed would otherwise get that descriptor for
// the next file or connection it opens, and write its messages into it. Call it first in
// main, before anything opens a file. Throws std::system_error when /dev/null cannot be
// opened.
TStandardStreamsClosed ReopenClosedStandardStreams();

} // namespace platform

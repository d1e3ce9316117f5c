// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tools {

// The bash completion script of orvex-frames, built from FramesOptionTable and the tables
// of the names its options take. Sourced by bash (as bash-completion does from its
// completions folder), it defines the function _orvex_frames and binds it to orvex-frames:
// an option's name completes from the table, a name it takes from its table, --png's value
// from the file names, and a number not at all. It needs nothing from bash-completion.
std::string FramesBashCompletion();

} // namespace tools

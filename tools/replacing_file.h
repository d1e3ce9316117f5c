// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "frames_options.h"
#include "platform/replacing_file.h"

#include <string>
#include <string_view>

namespace tools {

// A file or stream that could not be written; what() is the one-line message.
using OutputError = platform::TOutputError;

// Whether `path` (following symbolic links) is the very file standard output writes to:
// the same device and inode as descriptor 1, as with /dev/stdout or "--png out > out".
// False when either cannot be examined (a missing file, a closed standard output).
bool IsStandardOutput(const std::string& path);

// Whether `first` and `second` name one file: the same name once the folders are resolved
// (so "x" and "./x" are one, made or not), or, where both exist, the same device and inode
// (through symbolic and hard links alike).
bool IsSameFile(const std::string& first, const std::string& second);

// An output file of the tool, replaced safely (see platform::TReplacingFile) and named in
// messages by its option and quoted path: "cannot write --png 'out.png': ...". A pipe that
// no program reads is refused at once, as the windows refuse it, rather than waited for
// without a word.
class ReplacingFile : public platform::TReplacingFile {
public:
    ReplacingFile(std::string_view label, const std::string& path)
        : TReplacingFile(std::string(label) + " " + QuotedValue(path), path,
                         platform::TPipeWithoutReader::prRefuse) {}

    // Writes out what the stream still holds, so that a device or a pipe written in place
    // (/dev/full, say) fails before the report is printed, not after. Throws OutputError.
    void Finish();
};

} // namespace tools

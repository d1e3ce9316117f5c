// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace tools {

// A file or stream that could not be written; what() is the one-line message.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether `path` (following symbolic links) is the very file standard output writes to:
// the same device and inode as descriptor 1, as with /dev/stdout or "--png out > out".
// False when either cannot be examined (a missing file, a closed standard output).
bool IsStandardOutput(const std::string& path);

// A file written under a temporary name beside its destination and put in place only by
// Commit(), so that whatever fails before then leaves the destination as it was. The
// destination is `path`, or the file a symbolic link at `path` leads to (the link stays).
// A replaced file keeps its permission bits (rwx of user, group and others) and, where the
// user may set it, its group; the owner becomes the user. A hard link to it keeps the old
// contents: the destination is a new file. A new file gets 0666 less the umask.
// Anything that is neither missing nor a regular file (a device, a pipe, a directory, a
// dangling link) is opened and written in place, with no temporary.
class ReplacingFile {
public:
    // Opens the temporary (or the file in place). `label` names the file in messages
    // ("--png"). Throws OutputError, with nothing created, if that fails or if the
    // destination exists and the user may not write to it (for root every file is
    // writable, as for any other program root runs).
    ReplacingFile(std::string label, std::string path);
    // Closes and removes the temporary unless Commit() put it in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Where the contents go until Commit(); open until then.
    std::FILE* Stream() const { return File; }

    // The one-line message of a failure to write this file for reason `why`.
    std::string Failure(const std::string& why) const;

    // Flushes and closes the stream, gives the temporary the destination's permission bits
    // and group and renames it over the destination. Throws OutputError if any step fails;
    // the temporary is then removed and the destination is as it was. Call at most once.
    void Commit();

private:
    void Discard();

    std::string Label;
    std::string Path;        // as given, for messages
    std::string Destination; // the file that is replaced
    std::string Temporary;   // empty when writing in place
    std::FILE* File = nullptr;
    bool Replacing = false;  // whether Destination exists and is replaced
    struct stat Existing {}; // Destination's status when Replacing
};

} // namespace tools

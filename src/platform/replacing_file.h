// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace platform {

// A file that could not be written. what() is the one-line message naming the file
// ("cannot write NAME: REASON"); Reason() is the part after the colon, for a caller that
// names the file itself.
class TOutputError : public std::runtime_error {
public:
    TOutputError(const std::string& message, std::string reason)
        : std::runtime_error(message), reason_(std::move(reason)) {}
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

// What opening a pipe (a FIFO) that no program reads yet does.
enum class TPipeWithoutReader : std::uint8_t {
    prWait,   // waits for a reader, as a shell's redirection does: for a command-line tool
    prRefuse, // fails at once, saying so: for a window, which must not hang on it
};

// A file written under a temporary name beside its destination and put in place only by
// Commit(), so that whatever fails before then leaves the destination as it was. The
// destination is `path`, or the file a symbolic link at `path` leads to (the link stays).
// A replaced file keeps its permission bits (rwx of user, group and others) and, where the
// user may set it, its group; the owner becomes the user. A hard link to it keeps the old
// contents: the destination is a new file. A new file gets 0666 less the umask.
// Anything that is neither missing nor a regular file (a device, a pipe, a directory, a
// dangling link) is opened and written in place, with no temporary: nothing but a regular
// file is ever renamed over.
class TReplacingFile {
public:
    // Opens the temporary (or the file in place). `name` names the file in messages
    // ("--png 'out.png'"). Throws TOutputError, with nothing created, if that fails, if the
    // destination exists and the user may not write to it (for root every file is
    // writable, as for any other program root runs), or if it is a pipe without a reader
    // and `pipe` says to refuse one.
    TReplacingFile(std::string name, std::string path,
                   TPipeWithoutReader pipe = TPipeWithoutReader::prWait);
    // Closes and removes the temporary unless Commit() put it in place.
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Where the contents go until Commit(); open until then.
    std::FILE* Stream() const { return File; }

    // The error of a failure to write this file for reason `why`.
    TOutputError Failure(const std::string& why) const;

    // Flushes and closes the stream, gives the temporary the destination's permission bits
    // and group and renames it over the destination. Throws TOutputError if any step fails;
    // the temporary is then removed and the destination is as it was. Call at most once.
    void Commit();

private:
    void Discard();
    void OpenInPlace(TPipeWithoutReader pipe);

    std::string Name;        // for messages
    std::string Path;        // as given
    std::string Destination; // the file that is replaced
    std::string Temporary;   // empty when writing in place
    std::FILE* File = nullptr;
    bool Replacing = false;  // whether Destination exists and is replaced
    struct stat Existing {}; // Destination's status when Replacing
};

} // namespace platform

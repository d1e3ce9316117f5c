// SPDX-License-Identifier: GPL-3.0-or-later
#include "replacing_file.h"

#include <cassert>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace platform {
namespace {

// Tries at fresh temporary names before giving up; a clash is already unlikely.
constexpr int TemporaryNameAttempts = 16;
// What a replaced file keeps of its mode: read, write and execute of user, group and others.
// The set-id and sticky bits mean nothing on a picture and are not carried over.
constexpr mode_t PermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;
// A new file is created as open(2) creates any: 0666 less the umask.
constexpr mode_t NewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
// The temporary of a replaced file is the user's alone until it takes the old file's bits,
// so a 0600 picture is never readable by others, not even for a moment.
constexpr mode_t PrivateMode = S_IRUSR | S_IWUSR;

// Creates a new file beside `destination` under a name no file has yet, stores that name in
// `temporary` and returns its descriptor; -1 with errno set if it fails.
int CreateBeside(const std::string& destination, mode_t mode, std::string& temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temporary = destination + suffix;
        // O_EXCL refuses an existing name, so nothing already there is ever overwritten.
        const int descriptor =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0) {
            return descriptor;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

} // namespace

TReplacingFile::TReplacingFile(std::string name, std::string path, TPipeWithoutReader pipe)
    : Name(std::move(name)), Path(std::move(path)), Destination(Path) {
    struct stat entry {};
    bool inPlace = true;
    if (::lstat(Path.c_str(), &entry) != 0) {
        // A missing file is created; any other failure shows again, with its reason, when
        // the file is opened in place.
        inPlace = errno != ENOENT;
    } else if (S_ISREG(entry.st_mode)) {
        inPlace = false;
        Replacing = true;
        Existing = entry;
    } else if (S_ISLNK(entry.st_mode)) {
        // The link stays and the file it leads to is replaced.
        if (char* resolved = ::realpath(Path.c_str(), nullptr); resolved != nullptr) {
            const std::string target = resolved;
            std::free(resolved);
            if (::stat(target.c_str(), &entry) == 0 && S_ISREG(entry.st_mode)) {
                inPlace = false;
                Replacing = true;
                Existing = entry;
                Destination = target;
            }
        }
    }

    if (inPlace) {
        OpenInPlace(pipe);
        return;
    }
    // Renaming over a file needs no write permission on it, only on its folder; without
    // this check a read-only file would be replaced as if it were not.
    if (Replacing && ::faccessat(AT_FDCWD, Destination.c_str(), W_OK, AT_EACCESS) != 0) {
        throw Failure(std::string(std::strerror(errno)) + ", so it is left as it is");
    }
    const int descriptor =
        CreateBeside(Destination, Replacing ? PrivateMode : NewFileMode, Temporary);
    if (descriptor < 0) {
        // Creating the temporary fails for the reasons creating the file itself would, so
        // the message names the file.
        const int error = errno;
        Temporary.clear();
        throw Failure(std::strerror(error));
    }
    File = ::fdopen(descriptor, "wb");
    if (File == nullptr) {
        const int error = errno;
        ::close(descriptor);
        Discard();
        throw Failure(std::strerror(error));
    }
}

void TReplacingFile::OpenInPlace(TPipeWithoutReader pipe) {
    // Without a reader, opening a pipe for writing waits for one; O_NONBLOCK makes it fail at
    // once (ENXIO) instead, and opens anything else as it would.
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC |
                      (pipe == TPipeWithoutReader::prRefuse ? O_NONBLOCK : 0);
    const int descriptor = ::open(Path.c_str(), flags, NewFileMode);
    if (descriptor < 0) {
        throw Failure(errno == ENXIO ? std::string("it is a pipe that no program reads")
                                     : std::string(std::strerror(errno)));
    }
    // The writes themselves wait as usual, for a slow reader too.
    const int status = ::fcntl(descriptor, F_GETFL);
    if (status < 0 || ::fcntl(descriptor, F_SETFL, status & ~O_NONBLOCK) != 0 ||
        (File = ::fdopen(descriptor, "wb")) == nullptr) {
        const int error = errno;
        ::close(descriptor);
        throw Failure(std::strerror(error));
    }
}

TReplacingFile::~TReplacingFile() {
    Discard();
}

TOutputError TReplacingFile::Failure(const std::string& why) const {
    return TOutputError("cannot write " + Name + ": " + why, why);
}

void TReplacingFile::Commit() {
    assert(File != nullptr);
    // The last bytes reach the file only now, so a full disk shows here.
    errno = 0;
    bool written = std::fflush(File) == 0 && std::ferror(File) == 0;
    int error = errno;
    if (written && Replacing) {
        const int descriptor = ::fileno(File);
        // Only root or a member of the group may hand the file to that group; anyone else
        // gets their own group, as on any new file.
        if (::fchown(descriptor, static_cast<uid_t>(-1), Existing.st_gid) != 0 && errno != EPERM) {
            written = false;
            error = errno;
        } else if (::fchmod(descriptor, Existing.st_mode & PermissionBits) != 0) {
            written = false;
            error = errno;
        }
    }
    const bool closed = std::fclose(File) == 0;
    File = nullptr;
    if (written && !closed) {
        written = false;
        error = errno;
    }
    if (written && !Temporary.empty() && std::rename(Temporary.c_str(), Destination.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        Discard();
        throw Failure(error != 0 ? std::strerror(error) : "write error");
    }
    Temporary.clear();
}

void TReplacingFile::Discard() {
    if (File != nullptr) {
        std::fclose(File);
        File = nullptr;
    }
    if (!Temporary.empty()) {
        ::unlink(Temporary.c_str());
        Temporary.clear();
    }
}

} // namespace platform

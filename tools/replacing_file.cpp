// SPDX-License-Identifier: GPL-3.0-or-later
#include "replacing_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tools {
namespace {

// Whether `path` (following symbolic links) is the file of `other`'s status.
bool IsFileOf(const std::string& path, const struct stat& other) {
    struct stat target {};
    return ::stat(path.c_str(), &target) == 0 && target.st_dev == other.st_dev &&
           target.st_ino == other.st_ino;
}

} // namespace

void ReplacingFile::Finish() {
    errno = 0;
    if (std::fflush(Stream()) != 0 || std::ferror(Stream()) != 0) {
        throw Failure(errno != 0 ? std::strerror(errno) : "write error");
    }
}

bool IsStandardOutput(const std::string& path) {
    struct stat output {};
    return ::fstat(STDOUT_FILENO, &output) == 0 && IsFileOf(path, output);
}

bool IsSameFile(const std::string& first, const std::string& second) {
    // A file not made yet has no inode: its names are compared as whole paths from the root,
    // with the folders that exist resolved and "." and ".." taken out. Made absolute first,
    // since a relative name whose first folder does not exist ("a.png", "new/a.png") is
    // otherwise left relative while "./a.png" is resolved.
    const auto wholePath = [](const std::string& path) {
        std::error_code error;
        std::filesystem::path whole = std::filesystem::absolute(path, error);
        if (!error) {
            whole = std::filesystem::weakly_canonical(whole, error);
        }
        return error ? std::filesystem::path() : whole;
    };
    const std::filesystem::path one = wholePath(first);
    struct stat status {};
    return first == second || (!one.empty() && one == wholePath(second)) ||
           (::stat(second.c_str(), &status) == 0 && IsFileOf(first, status));
}

} // namespace tools

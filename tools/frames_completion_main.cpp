// SPDX-License-Identifier: GPL-3.0-or-later
// Writes orvex-frames's bash completion to the file named by its one argument; the build
// runs it, and installs the file where bash-completion looks.

#include "frames_completion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return ExitFailure;
    }
    const std::string script = tools::FramesBashCompletion();
    std::FILE* file = std::fopen(argv[1], "w");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], std::strerror(errno));
        return ExitFailure;
    }
    errno = 0;
    const bool written = std::fwrite(script.data(), 1, script.size(), file) == script.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1],
                     errno != 0 ? std::strerror(errno) : "write error");
        std::remove(argv[1]);
        return ExitFailure;
    }
    return ExitSuccess;
}

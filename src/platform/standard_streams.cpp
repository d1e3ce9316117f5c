// SPDX-License-Identifier: GPL-3.0-or-later
#include "standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace platform {

TStandardStreamsClosed ReopenClosedStandardStreams() {
    TStandardStreamsClosed closed{};
    for (int fd = 0; fd < StandardStreamCount; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // open() takes the lowest free descriptor, which is this one: the lower ones are open.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) {
            throw std::system_error(errno, std::generic_category(), "cannot open /dev/null");
        }
        closed[static_cast<std::size_t>(fd)] = true;
    }
    return closed;
}

} // namespace platform

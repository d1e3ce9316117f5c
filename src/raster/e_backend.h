// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>

namespace raster {

// A surface could not get the memory or drawing resources for its pixels.
class EBackend : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace raster

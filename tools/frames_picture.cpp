// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_picture.h"

#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "frames_options.h"
#include "raster/pixel32.h"

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <png.h>
#include <random>
#include <vector>

namespace tools {
namespace {

constexpr int RgbBytesPerPixel = 3;
// Tries at fresh temporary names before giving up; a clash is already unlikely.
constexpr int TemporaryNameAttempts = 16;

// The surface's rows as 8-bit red, green, blue triples; a pixel is 0xAARRGGBB.
std::vector<png_byte> RgbRows(const raster::TRasterSurface& surface) {
    std::vector<png_byte> rgb;
    rgb.reserve(static_cast<std::size_t>(surface.Width()) *
                static_cast<std::size_t>(surface.Height()) * RgbBytesPerPixel);
    for (const raster::TPixel32 pixel : surface.Pixels()) {
        rgb.push_back(static_cast<png_byte>(pixel >> 16));
        rgb.push_back(static_cast<png_byte>(pixel >> 8));
        rgb.push_back(static_cast<png_byte>(pixel));
    }
    return rgb;
}

std::string Failure(const std::string& path, const std::string& why) {
    return "cannot write --png " + QuotedValue(path) + ": " + why;
}

std::string SystemFailure(const std::string& path) {
    return Failure(path, std::strerror(errno));
}

// Encodes `rgb` into `file` and closes it; returns the reason of a failure, empty on success.
std::string EncodeAndClose(std::FILE* file, const raster::TRasterSurface& surface,
                           const std::vector<png_byte>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(surface.Width());
    image.height = static_cast<png_uint_32>(surface.Height());
    image.format = PNG_FORMAT_RGB;
    errno = 0;
    const bool encoded = png_image_write_to_stdio(&image, file, 0, rgb.data(),
                                                  surface.Width() * RgbBytesPerPixel, nullptr) != 0;
    const int encodeError = errno;
    std::string why;
    if (!encoded) {
        // A failed write says only "Write Error" in the image's message; the system knows why.
        why =
            std::ferror(file) != 0 && encodeError != 0 ? std::strerror(encodeError) : image.message;
    }
    png_image_free(&image);
    // The last bytes reach the file only now, so a full disk shows here.
    errno = 0;
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (why.empty() && (!flushed || !closed)) {
        // A write that failed while encoding leaves its cause in encodeError alone.
        const int cause = !flushed ? (flushError != 0 ? flushError : encodeError) : closeError;
        why = cause != 0 ? std::strerror(cause) : "write error";
    }
    return why;
}

// Whether `path` is missing or a plain file, which is replaced as a whole.
bool IsReplaceable(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::symlink_status(path, error).type();
    return type == std::filesystem::file_type::not_found ||
           type == std::filesystem::file_type::regular;
}

void WriteInPlace(const std::string& path, const raster::TRasterSurface& surface,
                  const std::vector<png_byte>& rgb) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw OutputError(SystemFailure(path));
    }
    if (const std::string why = EncodeAndClose(file, surface, rgb); !why.empty()) {
        throw OutputError(Failure(path, why));
    }
}

// Creates a new file beside `path` under a name no file has yet, with the permissions any
// new file gets, and stores that name in `temporary`; nullptr with errno set if it fails.
std::FILE* CreateBeside(const std::string& path, std::string& temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temporary = path + suffix;
        // "x" refuses an existing name, so nothing already there is ever overwritten.
        if (std::FILE* file = std::fopen(temporary.c_str(), "wbx"); file != nullptr) {
            return file;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    return nullptr;
}

void WriteReplacing(const std::string& path, const raster::TRasterSurface& surface,
                    const std::vector<png_byte>& rgb) {
    std::string temporary;
    std::FILE* file = CreateBeside(path, temporary);
    if (file == nullptr) {
        // Creating the temporary fails for the reasons creating `path` would, so the
        // message names `path`.
        throw OutputError(SystemFailure(path));
    }
    std::string why = EncodeAndClose(file, surface, rgb);
    if (why.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        why = std::strerror(errno);
    }
    if (!why.empty()) {
        std::remove(temporary.c_str());
        throw OutputError(Failure(path, why));
    }
}

} // namespace

void DrawFramePicture(raster::TRasterSurface& surface,
                      std::span<const std::int32_t, analysis::PlottedBins> ordinates) {
    assert(surface.Width() == display::layout::SpectrumDisplay.Width &&
           surface.Height() == display::layout::SpectrumDisplay.Height);
    display::DrawPlotGrid(surface);
    display::DrawPlotTrace(surface, ordinates);
}

void WritePng(const raster::TRasterSurface& surface, const std::string& path) {
    const std::vector<png_byte> rgb = RgbRows(surface);
    if (IsReplaceable(path)) {
        WriteReplacing(path, surface, rgb);
    } else {
        WriteInPlace(path, surface, rgb);
    }
}

void WriteFramePicture(std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                       const std::string& path) {
    raster::TRasterSurface surface(display::layout::SpectrumDisplay.Width,
                                   display::layout::SpectrumDisplay.Height);
    DrawFramePicture(surface, ordinates);
    WritePng(surface, path);
}

} // namespace tools

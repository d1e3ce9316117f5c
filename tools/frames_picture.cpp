// SPDX-License-Identifier: GPL-3.0-or-later
#include "frames_picture.h"

#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "raster/pixel32.h"

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

namespace tools {
namespace {

constexpr int RgbBytesPerPixel = 3;

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

// Encodes `rgb` into `file`; returns the reason of a failure, empty on success. The stream
// stays open, and its last bytes may still wait in its buffer.
std::string Encode(std::FILE* file, const raster::TRasterSurface& surface,
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
    if (!encoded || std::ferror(file) != 0) {
        // A failed write says only "Write Error" in the image's message; the system knows
        // why, and errno is lost once the stream is flushed.
        why = std::ferror(file) != 0 && encodeError != 0 ? std::strerror(encodeError)
              : encoded                                  ? "write error"
                                                         : image.message;
    }
    png_image_free(&image);
    return why;
}

} // namespace

void DrawFramePicture(raster::TRasterSurface& surface,
                      std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                      const display::TPlotViews* views) {
    assert(surface.Width() == display::layout::SpectrumDisplay.Width &&
           surface.Height() == display::layout::SpectrumDisplay.Height);
    display::DrawPlotGrid(surface);
    display::DrawPlotViews(surface, ordinates, views);
}

void WritePng(const raster::TRasterSurface& surface, ReplacingFile& file) {
    if (const std::string why = Encode(file.Stream(), surface, RgbRows(surface)); !why.empty()) {
        throw OutputError(file.Failure(why));
    }
}

void WriteFramePicture(std::span<const std::int32_t, analysis::PlottedBins> ordinates,
                       ReplacingFile& file, const display::TPlotViews* views) {
    raster::TRasterSurface surface(display::layout::SpectrumDisplay.Width,
                                   display::layout::SpectrumDisplay.Height);
    DrawFramePicture(surface, ordinates, views);
    WritePng(surface, file);
}

} // namespace tools

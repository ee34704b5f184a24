/// \file
/// Pictures: shared, immutable pixel grids. Identity matters: the control hands back the
/// very object it was given, so pictures travel as PicturePtr.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tintbox/types.hpp"

namespace tintbox {

/// An immutable grid of colours, at most kMaxSide pixels on a side.
class Picture {
  public:
    /// The longest side a picture may have, in pixels.
    static constexpr std::int32_t kMaxSide = 16384;

    /// Pixels row by row from the top, each a ColorValue (0x00BBGGRR). Throws
    /// Error(InvalidPicture) for a side of 0 or above kMaxSide or a wrong pixel count.
    Picture(std::int32_t width, std::int32_t height, std::vector<ColorValue> pixels);

    std::int32_t width() const noexcept { return width_; }    ///< in pixels
    std::int32_t height() const noexcept { return height_; }  ///< in pixels
    /// Unchecked: 0 <= column < width, 0 <= row < height.
    ColorValue pixel(std::int32_t column, std::int32_t row) const noexcept {
        return pixels_[static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
                       static_cast<std::size_t>(column)];
    }
    /// Every pixel, row by row from the top.
    const std::vector<ColorValue>& pixels() const noexcept { return pixels_; }

  private:
    std::int32_t width_;
    std::int32_t height_;
    std::vector<ColorValue> pixels_;
};

/// A picture as the control holds and hands it back; null for no picture.
using PicturePtr = std::shared_ptr<const Picture>;

/// Decodes a BMP (24- or 32-bit uncompressed) or a binary PPM (P6, maxval 255 or below),
/// chosen by the data's signature. `source_name` (a file name) goes into every error
/// message. A malformed, truncated or unsupported input, or one over kMaxSide on a side,
/// raises Error(InvalidPicture) before any large allocation.
PicturePtr decode_picture(std::string_view bytes, const std::string& source_name);

/// Reads and decodes a picture file; Error(FileError) when it cannot be read.
PicturePtr load_picture_file(const std::string& path);

/// A 24-bit bottom-up BMP of the picture: lossless for ColorValues 0..16777215.
std::string encode_bmp(const Picture& picture);

}  // namespace tintbox

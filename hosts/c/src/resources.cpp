#include "resources.hpp"

#include <tintbox/version.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace tintbox::shell {
namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 15;
constexpr int kRowBytes = kWidth * 3;  // 48: already a multiple of 4, so no row padding
constexpr int kHeaderBytes = 14 + 40;
constexpr int kFileBytes = kHeaderBytes + kRowBytes * kHeight;

using Bitmap = std::array<char, kFileBytes>;

void put_le(Bitmap& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// The picture (0xRRGGBB): a dark frame around a hue band over three component bars of red, green
// and blue, the way the control shows a colour next to its components.
std::uint32_t pixel_at(int column, int row) {
    if (row == 0 || row == kHeight - 1 || column == 0 || column == kWidth - 1) {
        return 0x404040;
    }
    if (row <= 5) {
        static constexpr std::uint32_t kHues[] = {0xFF0000, 0xFF8000, 0xFFFF00, 0x80FF00, 0x00FF00,
                                                  0x00FF80, 0x00FFFF, 0x0080FF, 0x0000FF, 0x8000FF,
                                                  0xFF00FF, 0xFF0080, 0xFF0000, 0xFF8000};
        return kHues[column - 1];
    }
    if (row == 6 || column >= 12) {
        return 0xC0C0C0;
    }
    const int bar = (row - 7) / 2;  // rows 7-8 red, 9-10 green, 11-12 blue, 13 blank
    const int lengths[] = {10, 7, 4};
    if (bar > 2 || column > lengths[bar]) {
        return 0xC0C0C0;
    }
    return 0xFF0000u >> (8 * bar);
}

Bitmap make_toolbox_bitmap() {
    Bitmap bytes{};
    bytes[0] = 'B';
    bytes[1] = 'M';
    put_le(bytes, 2, kFileBytes, 4);
    put_le(bytes, 10, kHeaderBytes, 4);
    put_le(bytes, 14, 40, 4);
    put_le(bytes, 18, kWidth, 4);
    put_le(bytes, 22, kHeight, 4);  // positive: rows stored bottom-up
    put_le(bytes, 26, 1, 2);        // planes
    put_le(bytes, 28, 24, 2);       // bits per pixel
    put_le(bytes, 34, kRowBytes * kHeight, 4);
    put_le(bytes, 38, 2835, 4);  // 72 dpi
    put_le(bytes, 42, 2835, 4);
    for (int row = 0; row < kHeight; ++row) {
        const std::size_t line =
            kHeaderBytes + static_cast<std::size_t>(kHeight - 1 - row) * kRowBytes;
        for (int column = 0; column < kWidth; ++column) {
            // 0xRRGGBB written little-endian is BMP's blue, green, red byte order.
            put_le(bytes, line + static_cast<std::size_t>(column) * 3, pixel_at(column, row), 3);
        }
    }
    return bytes;
}

}  // namespace

std::string_view toolbox_bitmap() noexcept {
    static const Bitmap bytes = make_toolbox_bitmap();
    return {bytes.data(), bytes.size()};
}

std::string_view version_info() noexcept {
    return "CompanyName=Tintbox\n"
           "FileDescription=Tintbox colour-picker control\n"
           "FileVersion=" TINTBOX_VERSION
           "\n"
           "InternalName=TintboxControl\n"
           "OriginalFilename=libtintboxctl.so\n"
           "ProductName=Tintbox\n"
           "OLESelfRegister=\n";
}

}  // namespace tintbox::shell

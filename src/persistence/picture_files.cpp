// Pictures and their file formats: BMP (24- and 32-bit uncompressed) and binary PPM in,
// 24-bit BMP out.
//
// Decoding treats its input as hostile: every size is checked with 64-bit arithmetic
// against the data actually present before anything is allocated, so the largest
// allocation is bounded by the input's own length.
#include "tintbox/picture.hpp"

#include <utility>

#include "base/file_io.hpp"
#include "tintbox/error.hpp"

namespace tintbox {

namespace {

constexpr std::uint64_t kMaxPictureFileBytes =
    std::uint64_t{Picture::kMaxSide} * Picture::kMaxSide * 4 + (1u << 20);

[[noreturn]] void fail(const std::string& source_name, const std::string& fault) {
    throw Error(ErrorKind::InvalidPicture, source_name + ": " + fault);
}

std::string dimensions_text(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

void check_dimensions(std::int64_t width, std::int64_t height, const std::string& source_name) {
    if (width > Picture::kMaxSide || height > Picture::kMaxSide) {
        fail(source_name, "picture is " + dimensions_text(width, height) +
                              " pixels, over the limit of " + std::to_string(Picture::kMaxSide) +
                              " on a side");
    }
}

ColorValue rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return static_cast<ColorValue>(red | (green << 8) | (blue << 16));
}

// Little-endian readers; callers have checked that the bytes exist.
std::uint32_t byte_at(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}
std::uint16_t read_u16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(byte_at(bytes, at) | (byte_at(bytes, at + 1) << 8));
}
std::uint32_t read_u32(std::string_view bytes, std::size_t at) {
    return byte_at(bytes, at) | (byte_at(bytes, at + 1) << 8) | (byte_at(bytes, at + 2) << 16) |
           (byte_at(bytes, at + 3) << 24);
}
std::int32_t read_i32(std::string_view bytes, std::size_t at) {
    const std::uint32_t value = read_u32(bytes, at);
    return value <= 0x7FFFFFFFu ? static_cast<std::int32_t>(value)
                                : static_cast<std::int32_t>(static_cast<std::int64_t>(value) -
                                                            (std::int64_t{1} << 32));
}

void put_u16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void put_u32(std::string& out, std::uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}

// ---- BMP ----

constexpr std::size_t kBmpFileHeaderSize = 14;
constexpr std::size_t kBmpInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

bool is_supported_bmp_header_size(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// A channel mask of 32-bit BI_BITFIELDS data must cover one whole byte; gives its shift.
bool byte_mask_shift(std::uint32_t mask, std::uint32_t& shift) {
    for (std::uint32_t candidate = 0; candidate < 32; candidate += 8) {
        if (mask == (0xFFu << candidate)) {
            shift = candidate;
            return true;
        }
    }
    return false;
}

PicturePtr decode_bmp(std::string_view bytes, const std::string& source_name) {
    if (bytes.size() < kBmpFileHeaderSize + 4) {
        fail(source_name, "truncated BMP header");
    }
    const std::uint32_t pixel_offset = read_u32(bytes, 10);
    const std::uint32_t header_size = read_u32(bytes, 14);
    if (!is_supported_bmp_header_size(header_size)) {
        fail(source_name, "unsupported BMP header size " + std::to_string(header_size));
    }
    if (bytes.size() < kBmpFileHeaderSize + header_size) {
        fail(source_name, "truncated BMP header");
    }
    const std::int32_t width = read_i32(bytes, 18);
    const std::int32_t height = read_i32(bytes, 22);
    const std::uint16_t planes = read_u16(bytes, 26);
    const std::uint16_t bits_per_pixel = read_u16(bytes, 28);
    const std::uint32_t compression = read_u32(bytes, 30);

    if (planes != 1) {
        fail(source_name, "bad BMP header: " + std::to_string(planes) + " planes");
    }
    if (bits_per_pixel != 24 && bits_per_pixel != 32) {
        fail(source_name, "unsupported BMP bit depth " + std::to_string(bits_per_pixel) +
                              " (24 and 32 are supported)");
    }
    const bool bitfields = compression == kBiBitfields && bits_per_pixel == 32;
    if (compression != kBiRgb && !bitfields) {
        fail(source_name, "unsupported BMP compression " + std::to_string(compression) + " at " +
                              std::to_string(bits_per_pixel) + " bits");
    }

    // Channel shifts: B, G, R from the low byte up unless bit fields say otherwise.
    std::uint32_t red_shift = 16;
    std::uint32_t green_shift = 8;
    std::uint32_t blue_shift = 0;
    std::size_t headers_end = kBmpFileHeaderSize + header_size;
    if (bitfields) {
        // A 40-byte header is followed by the three masks; later headers contain them.
        const std::size_t masks_at = kBmpFileHeaderSize + kBmpInfoHeaderSize;
        if (header_size == kBmpInfoHeaderSize) {
            headers_end += 12;
            if (bytes.size() < headers_end) {
                fail(source_name, "truncated BMP colour masks");
            }
        }
        if (!byte_mask_shift(read_u32(bytes, masks_at), red_shift) ||
            !byte_mask_shift(read_u32(bytes, masks_at + 4), green_shift) ||
            !byte_mask_shift(read_u32(bytes, masks_at + 8), blue_shift) ||
            red_shift == green_shift || green_shift == blue_shift || red_shift == blue_shift) {
            fail(source_name, "unsupported BMP colour masks");
        }
    }

    if (width <= 0) {
        fail(source_name, "bad BMP width " + std::to_string(width));
    }
    if (height == 0) {
        fail(source_name, "bad BMP height 0");
    }
    const bool top_down = height < 0;
    const std::int64_t rows = top_down ? -std::int64_t{height} : std::int64_t{height};
    check_dimensions(width, rows, source_name);

    if (pixel_offset < headers_end) {
        fail(source_name, "bad BMP pixel data offset " + std::to_string(pixel_offset));
    }
    const std::uint64_t bytes_per_pixel = bits_per_pixel / 8u;
    const std::uint64_t stride = (std::uint64_t(width) * bits_per_pixel + 31) / 32 * 4;
    // The last row's padding is not required: some writers leave it out.
    const std::uint64_t needed =
        std::uint64_t{pixel_offset} + stride * std::uint64_t(rows - 1) + bytes_per_pixel * width;
    if (bytes.size() < needed) {
        fail(source_name, "truncated pixel data");
    }

    std::vector<ColorValue> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
    for (std::int64_t row = 0; row < rows; ++row) {
        const std::int64_t stored_row = top_down ? row : rows - 1 - row;
        std::size_t at = static_cast<std::size_t>(pixel_offset + stride * stored_row);
        for (std::int32_t column = 0; column < width; ++column, at += bytes_per_pixel) {
            if (bits_per_pixel == 24) {
                pixels.push_back(
                    rgb(byte_at(bytes, at + 2), byte_at(bytes, at + 1), byte_at(bytes, at)));
            } else {
                const std::uint32_t value = read_u32(bytes, at);
                pixels.push_back(rgb((value >> red_shift) & 0xFF, (value >> green_shift) & 0xFF,
                                     (value >> blue_shift) & 0xFF));
            }
        }
    }
    return std::make_shared<const Picture>(width, static_cast<std::int32_t>(rows),
                                           std::move(pixels));
}

// ---- PPM ----

bool is_ppm_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

class PpmHeaderReader {
  public:
    PpmHeaderReader(std::string_view bytes, const std::string& source_name)
        : bytes_(bytes), source_name_(source_name) {}

    // Skips the whitespace and comments before a header number and reads it.
    std::int64_t number(const char* what) {
        skip_space_and_comments();
        if (at_ >= bytes_.size()) {
            fail(source_name_, std::string("truncated PPM header: no ") + what);
        }
        if (bytes_[at_] < '0' || bytes_[at_] > '9') {
            fail(source_name_, std::string("bad PPM header: expected ") + what);
        }
        std::int64_t value = 0;
        while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
            value = value * 10 + (bytes_[at_] - '0');
            if (value > kLargestNumber) {
                fail(source_name_, std::string("bad PPM header: ") + what + " is too large");
            }
            ++at_;
        }
        return value;
    }

    // The raster starts after exactly one whitespace character following maxval.
    std::size_t raster_start() {
        if (at_ >= bytes_.size()) {
            fail(source_name_, "truncated PPM header");
        }
        if (!is_ppm_space(bytes_[at_])) {
            fail(source_name_, "bad PPM header: no whitespace after maxval");
        }
        return at_ + 1;
    }

  private:
    static constexpr std::int64_t kLargestNumber = 1'000'000'000;

    void skip_space_and_comments() {
        while (at_ < bytes_.size()) {
            if (is_ppm_space(bytes_[at_])) {
                ++at_;
            } else if (bytes_[at_] == '#') {
                while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') {
                    ++at_;
                }
            } else {
                return;
            }
        }
    }

    std::string_view bytes_;
    const std::string& source_name_;
    std::size_t at_ = 2;  // after the "P6" signature
};

PicturePtr decode_ppm(std::string_view bytes, const std::string& source_name) {
    if (bytes.size() > 2 && !is_ppm_space(bytes[2]) && bytes[2] != '#') {
        fail(source_name, "bad PPM header: no whitespace after P6");
    }
    PpmHeaderReader header(bytes, source_name);
    const std::int64_t width = header.number("width");
    const std::int64_t height = header.number("height");
    const std::int64_t maxval = header.number("maxval");
    if (width == 0 || height == 0) {
        fail(source_name, "bad PPM size " + dimensions_text(width, height));
    }
    check_dimensions(width, height, source_name);
    if (maxval == 0 || maxval > 255) {
        fail(source_name, "unsupported PPM maxval " + std::to_string(maxval) + " (1 to 255)");
    }
    const std::size_t raster = header.raster_start();
    const std::uint64_t pixel_count = std::uint64_t(width) * std::uint64_t(height);
    if (bytes.size() - raster < pixel_count * 3) {
        fail(source_name, "truncated pixel data");
    }

    const auto scale = [&](std::size_t at) {
        const std::uint32_t sample = byte_at(bytes, at);
        if (sample > maxval) {
            fail(source_name, "PPM sample " + std::to_string(sample) + " above maxval " +
                                  std::to_string(maxval));
        }
        const auto max = static_cast<std::uint32_t>(maxval);
        return (sample * 255 + max / 2) / max;
    };
    std::vector<ColorValue> pixels;
    pixels.reserve(static_cast<std::size_t>(pixel_count));
    for (std::size_t at = raster; pixels.size() < pixel_count; at += 3) {
        pixels.push_back(rgb(scale(at), scale(at + 1), scale(at + 2)));
    }
    return std::make_shared<const Picture>(static_cast<std::int32_t>(width),
                                           static_cast<std::int32_t>(height), std::move(pixels));
}

}  // namespace

Picture::Picture(std::int32_t width, std::int32_t height, std::vector<ColorValue> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) {
        throw Error(ErrorKind::InvalidPicture, "picture size " + dimensions_text(width, height) +
                                                   " is outside 1 to " + std::to_string(kMaxSide) +
                                                   " on a side");
    }
    const std::uint64_t expected = std::uint64_t(width) * std::uint64_t(height);
    if (pixels_.size() != expected) {
        throw Error(ErrorKind::InvalidPicture, "picture of " + dimensions_text(width, height) +
                                                   " needs " + std::to_string(expected) +
                                                   " pixels, got " +
                                                   std::to_string(pixels_.size()));
    }
}

PicturePtr decode_picture(std::string_view bytes, const std::string& source_name) {
    if (bytes.empty()) {
        fail(source_name, "no picture data");
    }
    if (bytes.substr(0, 2) == "BM") {
        return decode_bmp(bytes, source_name);
    }
    if (bytes.substr(0, 2) == "P6") {
        return decode_ppm(bytes, source_name);
    }
    if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '7') {
        fail(source_name, std::string("unsupported Netpbm type P") + bytes[1] +
                              " (only binary PPM, P6, is supported)");
    }
    fail(source_name, "not a BMP or PPM picture");
}

PicturePtr load_picture_file(const std::string& path) {
    return decode_picture(detail::read_whole_file(path, kMaxPictureFileBytes),
                          detail::path_in_message(path));
}

std::string encode_bmp(const Picture& picture) {
    const auto width = static_cast<std::uint32_t>(picture.width());
    const auto height = static_cast<std::uint32_t>(picture.height());
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    const std::uint32_t headers = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    const std::uint32_t image_size = stride * height;  // at most 16384 * 49152: fits
    constexpr std::uint32_t kPixelsPerMetre = 2835;    // 72 dots per inch

    std::string out;
    out.reserve(headers + image_size);
    out += "BM";
    put_u32(out, headers + image_size);
    put_u32(out, 0);  // reserved
    put_u32(out, headers);
    put_u32(out, kBmpInfoHeaderSize);
    put_u32(out, width);
    put_u32(out, height);  // positive: rows stored bottom-up
    put_u16(out, 1);       // planes
    put_u16(out, 24);
    put_u32(out, kBiRgb);
    put_u32(out, image_size);
    put_u32(out, kPixelsPerMetre);
    put_u32(out, kPixelsPerMetre);
    put_u32(out, 0);  // colours used
    put_u32(out, 0);  // important colours

    const std::size_t padding = stride - width * 3;
    for (std::int32_t row = picture.height() - 1; row >= 0; --row) {
        for (std::int32_t column = 0; column < picture.width(); ++column) {
            const auto value = static_cast<std::uint32_t>(picture.pixel(column, row));
            out.push_back(static_cast<char>((value >> 16) & 0xFF));  // blue
            out.push_back(static_cast<char>((value >> 8) & 0xFF));   // green
            out.push_back(static_cast<char>(value & 0xFF));          // red
        }
        out.append(padding, '\0');
    }
    return out;
}

}  // namespace tintbox

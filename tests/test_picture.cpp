// Pictures: construction limits, BMP and PPM decoding of good and hostile data, and the
// BMP encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "temp_folder.hpp"
#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"

namespace tintbox {
namespace {

// `value` as `size` little-endian bytes.
std::string le(std::uint32_t value, int size = 4) {
    std::string out;
    for (int i = 0; i < size; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}
std::string with_field(std::string bytes, std::size_t at, std::uint32_t value, int size = 4) {
    return bytes.replace(at, size, le(value, size));
}

const std::vector<ColorValue> kSample = {0x0000FF, 0x00FF00, 0xFF0000,
                                         0x123456, 0xFFFFFF, 0x000000};  // 3 x 2
constexpr std::int32_t kSampleWidth = 3;
constexpr std::int32_t kSampleHeight = 2;

struct BmpLayout {
    std::uint32_t header_size = 40;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;  // 0 uncompressed, 3 bit fields
    bool top_down = false;
    std::array<std::uint32_t, 3> masks = {0x00FF0000, 0x0000FF00, 0x000000FF};  // R, G, B
};

// The sample picture as a BMP, written the way a third-party writer would.
std::string make_bmp(const BmpLayout& layout) {
    std::string info =
        le(layout.header_size) + le(kSampleWidth) +
        le(static_cast<std::uint32_t>(layout.top_down ? -kSampleHeight : kSampleHeight)) +
        le(1, 2) + le(layout.bits, 2) + le(layout.compression) + le(0) + le(2835) + le(2835) +
        le(0) + le(0);
    if (layout.header_size > 40 || layout.compression == 3) {
        info += le(layout.masks[0]) + le(layout.masks[1]) + le(layout.masks[2]);
    }
    info.resize(std::max<std::size_t>(info.size(), layout.header_size), '\0');

    const auto shift = [](std::uint32_t mask) {
        int bits = 0;
        while (((mask >> bits) & 1) == 0) {
            ++bits;
        }
        return bits;
    };
    std::string data;
    for (std::int32_t i = 0; i < kSampleHeight; ++i) {
        const std::int32_t row = layout.top_down ? i : kSampleHeight - 1 - i;
        for (std::int32_t column = 0; column < kSampleWidth; ++column) {
            const auto value = static_cast<std::uint32_t>(kSample[row * kSampleWidth + column]);
            const std::uint32_t red = value & 0xFF, green = (value >> 8) & 0xFF, blue = value >> 16;
            if (layout.bits == 24) {
                data += le(blue | (green << 8) | (red << 16), 3);
            } else {
                // The unused byte carries junk that the decoder must ignore.
                const std::uint32_t used = layout.masks[0] | layout.masks[1] | layout.masks[2];
                data += le((red << shift(layout.masks[0])) | (green << shift(layout.masks[1])) |
                           (blue << shift(layout.masks[2])) | (0xA5A5A5A5u & ~used));
            }
        }
        data.resize((data.size() + 3) / 4 * 4, '\x7F');  // row padding
    }
    const auto offset = static_cast<std::uint32_t>(14 + info.size());
    return "BM" + le(offset + static_cast<std::uint32_t>(data.size())) + le(0) + le(offset) + info +
           data;
}

// The sample picture as 8-bit RGB triples.
const std::string kSampleRaster = [] {
    std::string raster;
    for (const ColorValue value : kSample) {
        raster += le(static_cast<std::uint32_t>(value), 3);
    }
    return raster;
}();

void expect_invalid_picture(const std::string& bytes, const std::string& fault) {
    try {
        decode_picture(bytes, "pic.x");
        ADD_FAILURE() << "decoded although expected: " << fault;
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InvalidPicture);
        EXPECT_EQ(error.detail().rfind("pic.x: ", 0), 0u) << error.detail();
        EXPECT_NE(error.detail().find(fault), std::string::npos)
            << error.detail() << " lacks " << fault;
    }
}

TEST(Picture, ConstructorRejectsBadSizes) {
    struct Case {
        std::int32_t width, height;
        std::size_t pixel_count;
    };
    for (const Case c : {Case{0, 1, 0}, Case{1, -5, 5}, Case{16385, 1, 16385},
                         Case{1, 16385, 16385}, Case{2, 2, 3}, Case{2, 2, 5}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        try {
            Picture(c.width, c.height, std::vector<ColorValue>(c.pixel_count));
            ADD_FAILURE() << "accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidPicture);
        }
    }
    EXPECT_EQ(Picture(16384, 1, std::vector<ColorValue>(16384, 7)).pixel(16383, 0), 7);
}

TEST(DecodePicture, AcceptsBmpVariants) {
    const std::array<std::uint32_t, 3> red_low = {0x000000FF, 0x0000FF00, 0x00FF0000};
    const std::array<std::uint32_t, 3> red_high = {0xFF000000, 0x00FF0000, 0x0000FF00};
    const std::string plain = make_bmp({});
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"24-bit bottom-up", plain},
        {"24-bit top-down", make_bmp({40, 24, 0, true})},
        {"last row without padding", plain.substr(0, plain.size() - 3)},
        {"24-bit, 108-byte header", make_bmp({108})},
        {"32-bit", make_bmp({40, 32})},
        {"32-bit bit fields after a 40-byte header", make_bmp({40, 32, 3})},
        {"32-bit bit fields, red low, 124-byte header", make_bmp({124, 32, 3, true, red_low})},
        {"32-bit bit fields, red high, 56-byte header", make_bmp({56, 32, 3, false, red_high})},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const PicturePtr picture = decode_picture(bytes, "pic.bmp");
        ASSERT_EQ(picture->width(), kSampleWidth);
        ASSERT_EQ(picture->height(), kSampleHeight);
        EXPECT_EQ(picture->pixels(), kSample);
    }
}

TEST(DecodePicture, AcceptsPpmVariants) {
    EXPECT_EQ(decode_picture("P6\n3 2\n255\n" + kSampleRaster, "p")->pixels(), kSample);
    EXPECT_EQ(decode_picture("P6# by hand\n3\t# width\n2 # height\r\n255\r" + kSampleRaster, "p")
                  ->pixels(),
              kSample);
    // Bytes after the raster (a following image) are ignored.
    EXPECT_EQ(decode_picture("P6 3 2 255 " + kSampleRaster + "P6 1 1 255 abc", "p")->pixels(),
              kSample);
    // Samples scale from maxval to 0..255, rounding to nearest.
    EXPECT_EQ(decode_picture(std::string("P6 2 1 1\n\0\1\1\1\0\0", 15), "p")->pixels(),
              (std::vector<ColorValue>{0xFFFF00, 0x0000FF}));
    EXPECT_EQ(decode_picture("P6 1 1 3\n\1\2\3", "p")->pixel(0, 0), 0xFFAA55);
    EXPECT_EQ(decode_picture("P6 1 1 200\n\x64\x01\xC7", "p")->pixel(0, 0),
              128 | (1 << 8) | (254 << 16));
}

TEST(DecodePicture, RejectsMalformedBmp) {
    const std::string good = make_bmp({});
    const std::string fields = make_bmp({40, 32, 3});
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"BM", "truncated BMP header"},
        {good.substr(0, 30), "truncated BMP header"},
        {with_field(good, 14, 12), "unsupported BMP header size 12"},
        {with_field(good, 14, 0xFFFFFFFF), "unsupported BMP header size"},
        {with_field(good, 26, 2, 2), "2 planes"},
        {with_field(good, 28, 8, 2), "unsupported BMP bit depth 8"},
        {with_field(good, 28, 16, 2), "unsupported BMP bit depth 16"},
        {with_field(good, 30, 1), "unsupported BMP compression 1"},
        {with_field(good, 30, 3), "unsupported BMP compression 3 at 24 bits"},
        {with_field(fields, 54, 0x00FF00FF), "unsupported BMP colour masks"},
        {with_field(fields, 54, 0x0000FF00), "unsupported BMP colour masks"},  // red = green
        {fields.substr(0, 60), "truncated BMP colour masks"},
        {with_field(good, 18, 0), "bad BMP width 0"},
        {with_field(good, 18, 0xFFFFFFFD), "bad BMP width -3"},
        {with_field(good, 22, 0), "bad BMP height 0"},
        {with_field(good, 18, 16385), "over the limit of 16384"},
        {with_field(good, 22, 0x80000000), "over the limit of 16384"},  // top-down -2^31
        {with_field(good, 10, 20), "bad BMP pixel data offset 20"},
        {with_field(good, 10, 0xFFFFFFFF), "truncated pixel data"},
        {good.substr(0, good.size() - 4), "truncated pixel data"},
        // The largest allowed size with no data behind it fails before allocating.
        {with_field(with_field(good, 18, 16384), 22, 16384), "truncated pixel data"},
    };
    for (const auto& [bytes, fault] : cases) {
        SCOPED_TRACE(fault);
        expect_invalid_picture(bytes, fault);
    }
}

TEST(DecodePicture, RejectsMalformedPpmAndUnknownData) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no picture data"},
        {"GIF89a", "not a BMP or PPM picture"},
        {"P3\n1 1\n255\n0 0 0\n", "unsupported Netpbm type P3"},
        {"P6", "truncated PPM header: no width"},
        {"P63 2 255 ", "no whitespace after P6"},
        {"P6 3 2 # only a comment", "truncated PPM header: no maxval"},
        {"P6 -3 2 255 ", "expected width"},
        {"P6 3 0 255 ", "bad PPM size 3x0"},
        {"P6 16385 1 255 ", "over the limit of 16384"},
        {"P6 99999999999999999999 1 255 ", "width is too large"},
        {"P6 3 2 0 ", "unsupported PPM maxval 0"},
        {"P6 3 2 65535 ", "unsupported PPM maxval 65535"},
        {"P6 3 2 255", "truncated PPM header"},
        {"P6 3 2 255x" + kSampleRaster, "no whitespace after maxval"},
        {"P6 3 2 255\n" + kSampleRaster.substr(0, 17), "truncated pixel data"},
        {"P6 16384 16384 255\n", "truncated pixel data"},
        {"P6 1 1 100\n\x32\x65\x32", "PPM sample 101 above maxval 100"},
    };
    for (const auto& [bytes, fault] : cases) {
        SCOPED_TRACE(fault);
        expect_invalid_picture(bytes, fault);
    }
}

TEST(EncodeBmp, RoundTripsThroughTheDecoder) {
    // Widths 1 to 4 cover every amount of row padding.
    for (std::int32_t width = 1; width <= 4; ++width) {
        for (const std::int32_t height : {1, 3}) {
            std::vector<ColorValue> pixels;
            for (std::int32_t i = 0; i < width * height; ++i) {
                pixels.push_back((i * 0x0A1B2C + 0x010203) & 0xFFFFFF);
            }
            const std::string bmp = encode_bmp(Picture(width, height, pixels));
            EXPECT_EQ(bmp.size(), 54u + (width * 3 + 3) / 4 * 4 * height);
            EXPECT_EQ(bmp, with_field(bmp, 2, static_cast<std::uint32_t>(bmp.size())))
                << "the file size field matches";
            const PicturePtr decoded = decode_picture(bmp, "round-trip");
            EXPECT_EQ(decoded->width(), width);
            EXPECT_EQ(decoded->height(), height);
            EXPECT_EQ(decoded->pixels(), pixels);
        }
    }
    // The top byte is not a colour: it is left out.
    const Picture flagged(2, 1, {static_cast<ColorValue>(0x80000005u), -1});
    EXPECT_EQ(decode_picture(encode_bmp(flagged), "p")->pixels(),
              (std::vector<ColorValue>{0x000005, 0xFFFFFF}));
}

class PictureFile : public ::testing::Test {
  protected:
    TempFolder folder_{"tintbox-picture-"};
    const std::filesystem::path dir_ = folder_.path();
};

TEST_F(PictureFile, LoadsAFileAndNamesItInErrors) {
    const std::string path = (dir_ / "sample.bmp").string();
    std::ofstream(path, std::ios::binary) << make_bmp({});
    EXPECT_EQ(load_picture_file(path)->pixels(), kSample);

    const std::string broken = (dir_ / "broken.bmp").string();
    std::ofstream(broken, std::ios::binary) << make_bmp({}).substr(0, 60);
    try {
        load_picture_file(broken);
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::InvalidPicture);
        EXPECT_EQ(error.detail(), broken + ": truncated pixel data");
    }

    for (const std::string& unreadable : {(dir_ / "missing.bmp").string(), dir_.string()}) {
        try {
            load_picture_file(unreadable);
            ADD_FAILURE() << unreadable;
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::FileError);
            EXPECT_EQ(error.detail().rfind(unreadable + ": cannot read: ", 0), 0u)
                << error.detail();
        }
    }
}

}  // namespace
}  // namespace tintbox

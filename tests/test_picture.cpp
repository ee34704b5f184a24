// Pictures: construction limits, BMP and PPM decoding of good and hostile data, and the
// BMP encoder.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"

namespace tintbox {
namespace {

void put_u16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void put_u32(std::string& out, std::uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}
std::string with_u32(std::string bytes, std::size_t at, std::uint32_t value) {
    std::string encoded;
    put_u32(encoded, value);
    bytes.replace(at, 4, encoded);
    return bytes;
}
std::string with_u16(std::string bytes, std::size_t at, std::uint32_t value) {
    std::string encoded;
    put_u16(encoded, value);
    bytes.replace(at, 2, encoded);
    return bytes;
}

struct BmpLayout {
    std::uint32_t header_size = 40;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;  // 0 uncompressed, 3 bit fields
    bool top_down = false;
    bool pad_last_row = true;
    std::array<std::uint32_t, 3> masks = {0x00FF0000, 0x0000FF00, 0x000000FF};  // R, G, B
};

int shift_of(std::uint32_t mask) {
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    return shift;
}

// Builds a BMP of `pixels` (rows from the top) the way a third-party writer would.
std::string make_bmp(const BmpLayout& layout, std::int32_t width, std::int32_t height,
                     const std::vector<ColorValue>& pixels) {
    std::string info;
    put_u32(info, layout.header_size);
    put_u32(info, static_cast<std::uint32_t>(width));
    put_u32(info, static_cast<std::uint32_t>(layout.top_down ? -height : height));
    put_u16(info, 1);
    put_u16(info, layout.bits);
    put_u32(info, layout.compression);
    for (int i = 0; i < 5; ++i)
        put_u32(info, i == 1 || i == 2 ? 2835 : 0);
    if (layout.header_size > 40 || layout.compression == 3) {
        for (const std::uint32_t mask : layout.masks)
            put_u32(info, mask);
    }
    if (layout.header_size > 52)
        put_u32(info, 0xFF000000);  // alpha mask
    if (info.size() < layout.header_size)
        info.append(layout.header_size - info.size(), '\0');

    const std::size_t bytes_per_pixel = layout.bits / 8u;
    const std::size_t stride = (width * bytes_per_pixel + 3) / 4 * 4;
    std::string data;
    for (std::int32_t i = 0; i < height; ++i) {
        const std::int32_t row = layout.top_down ? i : height - 1 - i;
        for (std::int32_t column = 0; column < width; ++column) {
            const auto value = static_cast<std::uint32_t>(pixels[row * width + column]);
            const std::uint32_t red = value & 0xFF, green = (value >> 8) & 0xFF,
                                blue = (value >> 16) & 0xFF;
            if (layout.bits == 24) {
                data += {static_cast<char>(blue), static_cast<char>(green), static_cast<char>(red)};
            } else {
                // The unused byte carries junk that the decoder must ignore.
                const std::uint32_t packed = (red << shift_of(layout.masks[0])) |
                                             (green << shift_of(layout.masks[1])) |
                                             (blue << shift_of(layout.masks[2]));
                const std::uint32_t all = layout.masks[0] | layout.masks[1] | layout.masks[2];
                put_u32(data, packed | (0xA5A5A5A5u & ~all));
            }
        }
        if (layout.pad_last_row || i + 1 < height) {
            data.append(stride - width * bytes_per_pixel, '\x7F');
        }
    }
    const auto offset = static_cast<std::uint32_t>(14 + info.size());
    std::string bmp = "BM";
    put_u32(bmp, offset + static_cast<std::uint32_t>(data.size()));
    put_u32(bmp, 0);
    put_u32(bmp, offset);
    return bmp + info + data;
}

const std::vector<ColorValue> kSample = {0x0000FF, 0x00FF00, 0xFF0000,
                                         0x123456, 0xFFFFFF, 0x000000};  // 3 x 2

std::string make_ppm(const std::string& header, const std::vector<unsigned>& samples) {
    std::string out = header;
    for (const unsigned sample : samples)
        out += static_cast<char>(sample);
    return out;
}

// The sample picture as 8-bit RGB triples.
std::vector<unsigned> sample_rgb() {
    std::vector<unsigned> samples;
    for (const ColorValue value : kSample) {
        samples.push_back(value & 0xFF);
        samples.push_back((value >> 8) & 0xFF);
        samples.push_back((value >> 16) & 0xFF);
    }
    return samples;
}

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
    for (const Case c :
         {Case{0, 1, 0}, Case{1, 0, 0}, Case{-1, 1, 1}, Case{1, -5, 5}, Case{16385, 1, 16385},
          Case{1, 16385, 16385}, Case{2, 2, 3}, Case{2, 2, 5}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        try {
            Picture(c.width, c.height, std::vector<ColorValue>(c.pixel_count));
            ADD_FAILURE() << "accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::InvalidPicture);
        }
    }
    const Picture widest(16384, 1, std::vector<ColorValue>(16384, 7));
    EXPECT_EQ(widest.pixel(16383, 0), 7);
}

TEST(DecodePicture, AcceptsBmpVariants) {
    struct Case {
        const char* name;
        BmpLayout layout;
    };
    BmpLayout top_down;
    top_down.top_down = true;
    BmpLayout unpadded_last_row;
    unpadded_last_row.pad_last_row = false;
    BmpLayout rgb32;
    rgb32.bits = 32;
    BmpLayout fields40 = rgb32;
    fields40.compression = 3;
    BmpLayout fields124_swapped = fields40;
    fields124_swapped.header_size = 124;
    fields124_swapped.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    BmpLayout fields56_high = fields40;
    fields56_high.header_size = 56;
    fields56_high.masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
    std::vector<Case> cases = {{"24-bit bottom-up", {}},
                               {"24-bit top-down", top_down},
                               {"last row unpadded", unpadded_last_row},
                               {"32-bit", rgb32},
                               {"32-bit bit fields after a 40-byte header", fields40},
                               {"32-bit bit fields, red low, 124-byte header", fields124_swapped},
                               {"32-bit bit fields, red high, 56-byte header", fields56_high}};
    for (const std::uint32_t header_size : {52u, 56u, 108u, 124u}) {
        BmpLayout layout;
        layout.header_size = header_size;
        cases.push_back({"24-bit, larger header", layout});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " header " + std::to_string(c.layout.header_size));
        const PicturePtr picture = decode_picture(make_bmp(c.layout, 3, 2, kSample), "pic.bmp");
        ASSERT_EQ(picture->width(), 3);
        ASSERT_EQ(picture->height(), 2);
        EXPECT_EQ(picture->pixels(), kSample);
    }
}

TEST(DecodePicture, AcceptsPpmVariants) {
    const std::vector<unsigned> rgb = sample_rgb();
    EXPECT_EQ(decode_picture(make_ppm("P6\n3 2\n255\n", rgb), "p.ppm")->pixels(), kSample);
    EXPECT_EQ(
        decode_picture(make_ppm("P6# made by hand\n3\t# width\n2 # height\r\n255\r", rgb), "p")
            ->pixels(),
        kSample);
    // Trailing bytes (a following image) are ignored.
    EXPECT_EQ(decode_picture(make_ppm("P6 3 2 255 ", rgb) + "P6 1 1 255 abc", "p")->pixels(),
              kSample);

    // Samples scale from maxval to 0..255, rounding to nearest.
    EXPECT_EQ(decode_picture(make_ppm("P6 2 1 1\n", {0, 1, 1, 1, 0, 0}), "p")->pixels(),
              (std::vector<ColorValue>{0xFFFF00, 0x0000FF}));
    EXPECT_EQ(decode_picture(make_ppm("P6 1 1 3\n", {1, 2, 3}), "p")->pixels(),
              (std::vector<ColorValue>{0xFFAA55}));
    EXPECT_EQ(decode_picture(make_ppm("P6 1 1 200\n", {100, 1, 199}), "p")->pixel(0, 0),
              128 | (1 << 8) | (254 << 16));
}

TEST(DecodePicture, RejectsMalformedBmp) {
    const std::string good = make_bmp({}, 3, 2, kSample);
    BmpLayout fields;
    fields.bits = 32;
    fields.compression = 3;
    const std::string good_fields = make_bmp(fields, 3, 2, kSample);
    struct Case {
        std::string bytes;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"BM", "truncated BMP header"},
        {good.substr(0, 30), "truncated BMP header"},
        {with_u32(good, 14, 12), "unsupported BMP header size 12"},
        {with_u32(good, 14, 64), "unsupported BMP header size 64"},
        {with_u32(good, 14, 0xFFFFFFFF), "unsupported BMP header size"},
        {with_u16(good, 26, 2), "2 planes"},
        {with_u16(good, 28, 8), "unsupported BMP bit depth 8"},
        {with_u16(good, 28, 16), "unsupported BMP bit depth 16"},
        {with_u16(good, 28, 0), "unsupported BMP bit depth 0"},
        {with_u32(good, 30, 1), "unsupported BMP compression 1"},
        {with_u32(good, 30, 3), "unsupported BMP compression 3 at 24 bits"},
        {with_u32(good_fields, 54, 0x00FF00FF), "unsupported BMP colour masks"},
        {with_u32(good_fields, 54, 0x0000FF00), "unsupported BMP colour masks"},  // = green
        {good_fields.substr(0, 60), "truncated BMP colour masks"},
        {with_u32(good, 18, 0), "bad BMP width 0"},
        {with_u32(good, 18, 0xFFFFFFFD), "bad BMP width -3"},
        {with_u32(good, 22, 0), "bad BMP height 0"},
        {with_u32(good, 18, 16385), "over the limit of 16384"},
        {with_u32(good, 22, 0x80000000), "over the limit of 16384"},  // top-down -2^31
        {with_u32(with_u32(good, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF), "over the limit"},
        {with_u32(good, 10, 20), "bad BMP pixel data offset 20"},
        {with_u32(good, 10, 0xFFFFFFFF), "truncated pixel data"},
        {good.substr(0, good.size() - 4), "truncated pixel data"},
        // The largest allowed size with no data behind it fails before allocating.
        {with_u32(with_u32(good, 18, 16384), 22, 16384), "truncated pixel data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        expect_invalid_picture(c.bytes, c.fault);
    }
}

TEST(DecodePicture, RejectsMalformedPpmAndUnknownData) {
    const std::vector<unsigned> rgb = sample_rgb();
    struct Case {
        std::string bytes;
        std::string fault;
    };
    const std::vector<Case> cases = {
        {"", "no picture data"},
        {"B", "not a BMP or PPM picture"},
        {"GIF89a", "not a BMP or PPM picture"},
        {"P3\n1 1\n255\n0 0 0\n", "unsupported Netpbm type P3"},
        {"P6", "truncated PPM header: no width"},
        {"P63 2 255 ", "no whitespace after P6"},
        {"P6 3", "truncated PPM header: no height"},
        {"P6 3 2 # only a comment", "truncated PPM header: no maxval"},
        {"P6 3 x 255 ", "expected height"},
        {"P6 -3 2 255 ", "expected width"},
        {"P6 0 2 255 ", "bad PPM size 0x2"},
        {"P6 3 0 255 ", "bad PPM size 3x0"},
        {"P6 16385 1 255 ", "over the limit of 16384"},
        {"P6 99999999999999999999 1 255 ", "width is too large"},
        {"P6 3 2 0 ", "unsupported PPM maxval 0"},
        {"P6 3 2 256 ", "unsupported PPM maxval 256"},
        {"P6 3 2 65535 ", "unsupported PPM maxval 65535"},
        {"P6 3 2 255", "truncated PPM header"},
        {make_ppm("P6 3 2 255x", rgb), "no whitespace after maxval"},
        {make_ppm("P6 3 2 255\n", rgb).substr(0, 20), "truncated pixel data"},
        {"P6 16384 16384 255\n", "truncated pixel data"},
        {make_ppm("P6 1 1 100\n", {50, 101, 0}), "PPM sample 101 above maxval 100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        expect_invalid_picture(c.bytes, c.fault);
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
            const Picture picture(width, height, pixels);
            const std::string bmp = encode_bmp(picture);
            const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
            EXPECT_EQ(bmp.size(), 54u + stride * height);
            EXPECT_EQ(bmp, with_u32(bmp, 2, static_cast<std::uint32_t>(bmp.size())))
                << "the file size field matches";
            const PicturePtr decoded = decode_picture(bmp, "round-trip");
            EXPECT_EQ(decoded->width(), width);
            EXPECT_EQ(decoded->height(), height);
            EXPECT_EQ(decoded->pixels(), pixels);
        }
    }
}

TEST(EncodeBmp, IgnoresTheTopByte) {
    const Picture picture(2, 1, {static_cast<ColorValue>(0x80000005u), -1});
    EXPECT_EQ(decode_picture(encode_bmp(picture), "p")->pixels(),
              (std::vector<ColorValue>{0x000005, 0xFFFFFF}));
}

class PictureFile : public ::testing::Test {
  protected:
    void SetUp() override {
        // Other build directories may run the same test at the same time.
        dir_ = std::filesystem::temp_directory_path() /
               ("tintbox-picture-" + std::to_string(std::random_device()()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(PictureFile, LoadsAFileAndNamesItInErrors) {
    const std::string path = (dir_ / "sample.bmp").string();
    std::ofstream(path, std::ios::binary) << make_bmp({}, 3, 2, kSample);
    EXPECT_EQ(load_picture_file(path)->pixels(), kSample);

    const std::string broken = (dir_ / "broken.bmp").string();
    std::ofstream(broken, std::ios::binary) << make_bmp({}, 3, 2, kSample).substr(0, 60);
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

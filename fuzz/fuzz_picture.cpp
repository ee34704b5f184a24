// Feeds arbitrary bytes to the picture decoder. Anything it accepts must survive a trip
// through the BMP encoder unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tintbox::PicturePtr picture;
    try {
        picture = tintbox::decode_picture(bytes, "fuzz");
    } catch (const tintbox::Error& error) {
        if (error.kind() != tintbox::ErrorKind::InvalidPicture) {
            std::abort();
        }
        return 0;
    }
    const tintbox::PicturePtr again =
        tintbox::decode_picture(tintbox::encode_bmp(*picture), "again");
    if (again->width() != picture->width() || again->height() != picture->height() ||
        again->pixels() != picture->pixels()) {
        std::abort();
    }
    return 0;
}

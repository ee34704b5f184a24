// Feeds arbitrary text to the bag parser. A bag it accepts must serialize to a text that
// parses back to the same serialization.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tintbox/error.hpp"
#include "tintbox/property_bag.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string serialized;
    try {
        serialized = tintbox::serialize_property_bag(tintbox::parse_property_bag(text, "fuzz"));
    } catch (const tintbox::Error& error) {
        if (error.kind() != tintbox::ErrorKind::BadPropertyBag) {
            std::abort();
        }
        return 0;
    }
    const std::string again =
        tintbox::serialize_property_bag(tintbox::parse_property_bag(serialized, "again"));
    if (again != serialized) {
        std::abort();
    }
    return 0;
}

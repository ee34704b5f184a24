#include "persistence.hpp"

#include <cstdio>
#include <limits>
#include <string>
#include <type_traits>

#include "control_object.hpp"
#include "ole_picture.hpp"
#include "text.hpp"

namespace tintbox::windows {
namespace {

constexpr char kStreamName[] = "the control's stream";
constexpr std::size_t kStreamChunk = 1 << 20;

// Clears a VARIANT when it goes.
struct VariantHolder {
    VARIANT value;
    VariantHolder() { VariantInit(&value); }
    VariantHolder(const VariantHolder&) = delete;
    VariantHolder& operator=(const VariantHolder&) = delete;
    ~VariantHolder() { VariantClear(&value); }
};

std::string hex(HRESULT code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string bytes_of_array(SAFEARRAY* array) {
    void* data = nullptr;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayAccessData(array, &data))) {
        throw Error(ErrorKind::InvalidPicture, "the stored picture data is no byte array");
    }
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(upper - lower + 1));
    SafeArrayUnaccessData(array);
    return bytes;
}

void read_exact(IStream& stream, char* data, std::size_t size) {
    ULONG got = 0;
    if (FAILED(stream.Read(data, static_cast<ULONG>(size), &got)) || got != size) {
        throw Error(ErrorKind::BadPropertyBag,
                    std::string(kStreamName) + ": ends before the control's data does");
    }
}

void write_exact(IStream& stream, const char* data, std::size_t size) {
    ULONG written = 0;
    const HRESULT result = stream.Write(data, static_cast<ULONG>(size), &written);
    if (FAILED(result) || written != size) {
        throw Error(ErrorKind::FileError,
                    std::string(kStreamName) + ": cannot be written (" + hex(result) + ")");
    }
}

}  // namespace

PropertyValue HostPropertyBag::ReadProperty(const std::string& name,
                                            const PropertyValue& default_value) {
    const bool wants_boolean = std::holds_alternative<bool>(default_value);
    VariantHolder stored;
    V_VT(&stored.value) = wants_boolean ? VT_BOOL : VT_EMPTY;  // the type the bag should give
    const HRESULT read = bag_.Read(wide_of_utf8(name).c_str(), &stored.value, log_);
    if (read == E_INVALIDARG) {
        return default_value;  // the bag does not hold it
    }
    if (FAILED(read)) {
        throw Error(ErrorKind::BadPropertyBag,
                    "the host's property bag cannot read " + quoted(name) + " (" + hex(read) + ")");
    }
    VARIANT& value = stored.value;
    if (wants_boolean) {
        if (FAILED(VariantChangeType(&value, &value, 0, VT_BOOL))) {
            throw Error(ErrorKind::InvalidPropertyValue,
                        "the stored " + quoted(name) + " is not a boolean");
        }
        return V_BOOL(&value) != VARIANT_FALSE;
    }
    switch (V_VT(&value)) {
        case VT_EMPTY:
        case VT_NULL:
            return std::monostate();
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            const ComRef<IPictureDisp> picture = as_picture_object(V_UNKNOWN(&value));
            PicturePtr pixels = control_.adopt_picture(picture.get());
            return pixels ? PropertyValue(std::move(pixels)) : PropertyValue();
        }
        case VT_ARRAY | VT_UI1: {
            const ComRef<IPictureDisp> picture = load_ole_picture(bytes_of_array(V_ARRAY(&value)));
            PicturePtr pixels = control_.adopt_picture(picture.get());
            return pixels ? PropertyValue(std::move(pixels)) : PropertyValue();
        }
        case VT_BSTR:
            return from_bstr(V_BSTR(&value));
        default:
            if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4))) {
                return static_cast<std::int32_t>(V_I4(&value));
            }
            throw Error(ErrorKind::InvalidPropertyValue,
                        "the stored " + quoted(name) + " has a type the control cannot take");
    }
}

void HostPropertyBag::WriteProperty(const std::string& name, const PropertyValue& value,
                                    const PropertyValue& default_value) {
    if (same_property_value(value, default_value)) {
        return;  // a default is not stored: reading the missing entry gives it back
    }
    VariantHolder stored;
    VARIANT& out = stored.value;
    std::visit(
        [&](const auto& item) {
            using Item = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<Item, bool>) {
                V_VT(&out) = VT_BOOL;
                V_BOOL(&out) = item ? VARIANT_TRUE : VARIANT_FALSE;
            } else if constexpr (std::is_same_v<Item, std::int32_t>) {
                V_VT(&out) = VT_I4;
                V_I4(&out) = item;
            } else if constexpr (std::is_same_v<Item, std::u16string>) {
                V_BSTR(&out) = to_bstr(item);
                V_VT(&out) = VT_BSTR;
            } else if constexpr (std::is_same_v<Item, PicturePtr>) {
                // The control writes its own picture: the object that stands for it.
                V_DISPATCH(&out) = control_.picture_object().detach();
                V_VT(&out) = VT_DISPATCH;
            }
        },
        value);
    const HRESULT written = bag_.Write(wide_of_utf8(name).c_str(), &out);
    if (FAILED(written)) {
        throw Error(ErrorKind::FileError, "the host's property bag cannot store " + quoted(name) +
                                              " (" + hex(written) + ")");
    }
}

MemoryPropertyBag read_stream_bag(IStream& stream) {
    unsigned char header[4];
    read_exact(stream, reinterpret_cast<char*>(header), sizeof header);
    const std::uint32_t length = header[0] | (header[1] << 8) | (header[2] << 16) |
                                 (static_cast<std::uint32_t>(header[3]) << 24);
    // Read in pieces: a damaged length fails at the stream's end, not in one huge
    // allocation.
    std::string text;
    while (text.size() < length) {
        const std::size_t piece = std::min<std::size_t>(kStreamChunk, length - text.size());
        const std::size_t at = text.size();
        text.resize(at + piece);
        read_exact(stream, text.data() + at, piece);
    }
    return parse_property_bag(text, kStreamName);
}

void write_stream_bag(IStream& stream, const MemoryPropertyBag& bag) {
    const std::string text = serialize_property_bag(bag);
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw Error(ErrorKind::FileError, std::string(kStreamName) + ": the data is too large");
    }
    const auto length = static_cast<std::uint32_t>(text.size());
    const char header[4] = {static_cast<char>(length & 0xFF), static_cast<char>(length >> 8),
                            static_cast<char>(length >> 16), static_cast<char>(length >> 24)};
    write_exact(stream, header, sizeof header);
    write_exact(stream, text.data(), text.size());
}

std::uint64_t stream_bag_size(const MemoryPropertyBag& bag) {
    return 4 + serialize_property_bag(bag).size();
}

}  // namespace tintbox::windows

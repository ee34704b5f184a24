#include "arguments.hpp"

#include <cstring>
#include <utility>
#include <vector>

#include "text/text.hpp"
#include "type_library.hpp"

namespace tintbox::shell {
namespace {

const char* type_name(std::int32_t type) noexcept {
    switch (type) {
        case TINTBOX_VT_EMPTY:
            return "Empty";
        case TINTBOX_VT_I2:
            return "Integer";
        case TINTBOX_VT_I4:
            return "Long";
        case TINTBOX_VT_BOOL:
            return "Boolean";
        case TINTBOX_VT_UTF16:
            return "String (UTF-16)";
        case TINTBOX_VT_UTF8:
            return "String (UTF-8)";
        case TINTBOX_VT_PICTURE:
            return "Picture";
        default:
            return "an unknown type";
    }
}

void copy_units(TintboxText& text, const void* units, std::size_t count, std::size_t unit_size) {
    if (count > 0) {
        std::memcpy(text.data, units, count * unit_size);
    }
    if (count < text.capacity) {
        std::memset(static_cast<char*>(text.data) + count * unit_size, 0, unit_size);
    }
    text.length = count;
}

}  // namespace

std::vector<MemberValue> Arguments::read(const PicturePtr& current_picture) const {
    std::vector<MemberValue> values;
    values.reserve(member_.param_count);
    for (std::size_t index = 0; index < member_.param_count; ++index) {
        values.push_back(value(static_cast<int>(index), current_picture));
    }
    return values;
}

MemberValue Arguments::value(int index, const PicturePtr& current_picture) const {
    const MemberParam& declared = param(index);
    // A written text goes back in the encoding it came in.
    if (declared.written() && declared.type != MemberType::String) {
        require_declared_type(index);
    }
    switch (declared.type) {
        case MemberType::Integer:
            return static_cast<std::int16_t>(number(index, INT16_MIN, INT16_MAX));
        case MemberType::Long:
            return number(index, INT32_MIN, INT32_MAX);
        case MemberType::Boolean:
            return number(index, INT32_MIN, INT32_MAX) != 0;
        case MemberType::String:
            return text(index);
        case MemberType::Picture:
            return picture(index, current_picture);
        case MemberType::Empty:
            break;
    }
    throw mismatch(index);
}

void Arguments::write_back(const std::vector<MemberValue>& values) const {
    for (std::size_t index = 0; index < member_.param_count; ++index) {
        if (!param(static_cast<int>(index)).written()) {
            continue;
        }
        if (const auto* text = std::get_if<std::u16string>(&values[index])) {
            set_text(static_cast<int>(index), *text);
        } else {
            args_[index] = result(values[index]);
        }
    }
}

TintboxVariant Arguments::result(const MemberValue& value) {
    TintboxVariant out{};
    out.type = variant_type(type_of(value));
    if (const auto* integer = std::get_if<std::int16_t>(&value)) {
        out.value.i2 = *integer;
    } else if (const auto* long_value = std::get_if<std::int32_t>(&value)) {
        out.value.i4 = *long_value;
    } else if (const auto* boolean = std::get_if<bool>(&value)) {
        out.value.boolean = *boolean ? TINTBOX_TRUE : TINTBOX_FALSE;
    } else if (const auto* picture = std::get_if<PicturePtr>(&value)) {
        if (*picture) {
            out.value.picture = {(*picture)->width(), (*picture)->height(),
                                 (*picture)->pixels().data()};
        }
    } else if (std::holds_alternative<std::u16string>(value)) {
        // A variant's text lives in the caller's buffer: only a written-back argument has one.
        throw CallFault{TINTBOX_E_INTERNAL, "a String result has no buffer to go to"};
    }
    return out;
}

std::int32_t Arguments::number(int index, std::int32_t min, std::int32_t max) const {
    const TintboxVariant& arg = args_[index];
    std::int32_t value = 0;
    switch (arg.type) {
        case TINTBOX_VT_I2:
            value = arg.value.i2;
            break;
        case TINTBOX_VT_I4:
            value = arg.value.i4;
            break;
        case TINTBOX_VT_BOOL:
            value = arg.value.boolean;
            break;
        default:
            throw mismatch(index);
    }
    if (value < min || value > max) {
        throw CallFault{TINTBOX_E_OVERFLOW, where(index) + ": " + std::to_string(value) +
                                                " does not fit " +
                                                type_name(variant_type(param(index).type))};
    }
    return value;
}

void Arguments::require_declared_type(int index) const {
    if (args_[index].type != variant_type(param(index).type)) {
        throw mismatch(index);
    }
}

std::u16string Arguments::text(int index) const {
    const TintboxText& text = args_[index].value.text;
    if (args_[index].type != TINTBOX_VT_UTF8 && args_[index].type != TINTBOX_VT_UTF16) {
        throw mismatch(index);
    }
    // Without data, a capacity would still let the terminator be written back.
    if ((text.data == nullptr && (text.length > 0 || text.capacity > 0)) ||
        text.capacity < text.length) {
        throw CallFault{TINTBOX_E_INVALID_ARGUMENT,
                        where(index) +
                            ": a written-back text needs data and a capacity "
                            "of at least its length"};
    }
    if (args_[index].type == TINTBOX_VT_UTF8) {
        return text::utf16_from_utf8_lenient(
            std::string_view(static_cast<const char*>(text.data), text.length));
    }
    std::u16string units(text.length, u'\0');
    if (text.length > 0) {
        std::memcpy(units.data(), text.data, text.length * sizeof(char16_t));
    }
    return units;
}

void Arguments::set_text(int index, const std::u16string& value) const {
    TintboxText& text = args_[index].value.text;
    if (args_[index].type == TINTBOX_VT_UTF8) {
        const std::string bytes = text::utf8_from_utf16_lenient(value);
        copy_units(text, bytes.data(), bytes.size(), 1);
    } else {
        copy_units(text, value.data(), value.size(), sizeof(char16_t));
    }
}

PicturePtr Arguments::picture(int index, const PicturePtr& current) const {
    const TintboxVariant& arg = args_[index];
    if (arg.type == TINTBOX_VT_EMPTY ||
        (arg.type == TINTBOX_VT_PICTURE && arg.value.picture.pixels == nullptr)) {
        return nullptr;
    }
    if (arg.type != TINTBOX_VT_PICTURE) {
        throw mismatch(index);
    }
    const TintboxPicture& given = arg.value.picture;
    if (current && given.pixels == current->pixels().data() && given.width == current->width() &&
        given.height == current->height()) {
        return current;
    }
    std::vector<ColorValue> pixels;
    // Sides outside the picture's limits are left to its constructor to refuse, before
    // anything is read from the host's buffer.
    if (given.width > 0 && given.height > 0 && given.width <= Picture::kMaxSide &&
        given.height <= Picture::kMaxSide) {
        pixels.assign(given.pixels, given.pixels + static_cast<std::size_t>(given.width) *
                                                       static_cast<std::size_t>(given.height));
    }
    return std::make_shared<const Picture>(given.width, given.height, std::move(pixels));
}

std::string Arguments::where(int index) const {
    return std::string(member_.name) + ": argument " + std::to_string(index + 1) + " (" +
           param(index).name + ")";
}

CallFault Arguments::mismatch(int index) const {
    return {TINTBOX_E_TYPE_MISMATCH, where(index) + ": expected " +
                                         type_name(variant_type(param(index).type)) + ", got " +
                                         type_name(args_[index].type)};
}

}  // namespace tintbox::shell

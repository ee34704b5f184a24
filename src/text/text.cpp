#include "text.hpp"

namespace tintbox::text {

namespace {
constexpr char kUpperHexDigits[] = "0123456789ABCDEF";
constexpr char16_t kReplacement = u'\uFFFD';
}  // namespace

char upper_hex_digit(unsigned value) noexcept {
    return kUpperHexDigits[value & 15];
}

int upper_hex_digit_value(char c) noexcept {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

int hex_digit_value(char c) noexcept {
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return upper_hex_digit_value(c);
}

void append_utf8(std::string& out, std::uint32_t code_point) {
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | (code_point >> 6));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        out += static_cast<char>(0xE0 | (code_point >> 12));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code_point >> 18));
        out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

bool decode_utf8(std::string_view text, std::size_t& at, std::uint32_t& code_point) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    std::uint32_t code = 0;
    if (lead < 0x80) {
        code_point = lead;
        ++at;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return false;
    }
    if (text.size() - at < length) {
        return false;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return false;
    }
    code_point = code;
    at += length;
    return true;
}

void append_utf16(std::u16string& out, std::uint32_t code_point) {
    if (code_point >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(code_point);
    }
}

std::u16string utf16_from_utf8_lenient(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        std::uint32_t code_point = 0;
        if (decode_utf8(utf8, at, code_point)) {
            append_utf16(out, code_point);
        } else {
            out += kReplacement;
            ++at;
        }
    }
    return out;
}

bool utf16_from_utf8_strict(std::string_view utf8, std::u16string& out) {
    out.clear();
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        std::uint32_t code_point = 0;
        if (!decode_utf8(utf8, at, code_point)) {
            return false;
        }
        append_utf16(out, code_point);
    }
    return true;
}

std::string utf8_from_utf16_lenient(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t code = utf16[i];
        if (is_high_surrogate(code) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00u);
        } else if (is_high_surrogate(code) || is_low_surrogate(code)) {
            code = kReplacement;
        }
        append_utf8(out, code);
    }
    return out;
}

void append_unicode_escape(std::string& out, char16_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += upper_hex_digit(static_cast<unsigned>(unit) >> shift);
    }
}

bool read_unicode_escape_digits(std::string_view text, std::size_t at, bool any_case,
                                char16_t& unit) {
    if (text.size() < at || text.size() - at < 4) {
        return false;
    }
    unsigned value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const int digit = any_case ? hex_digit_value(text[i]) : upper_hex_digit_value(text[i]);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    unit = static_cast<char16_t>(value);
    return true;
}

std::string excerpt(std::string_view utf8, std::size_t max_bytes) {
    std::string out;
    std::size_t at = 0;
    while (at < utf8.size()) {
        std::uint32_t code_point = 0;
        const std::size_t start = at;
        if (!decode_utf8(utf8, at, code_point)) {
            code_point = kReplacement;
            at = start + 1;
        }
        std::string piece;
        if (code_point < 0x20 || code_point == 0x7F) {
            append_unicode_escape(piece, static_cast<char16_t>(code_point));  // NUL and co
        } else {
            append_utf8(piece, code_point);
        }
        if (out.size() + piece.size() > max_bytes) {
            return out + "...";
        }
        out += piece;
    }
    return out;
}

}  // namespace tintbox::text

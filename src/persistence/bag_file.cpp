// The property-bag file: a versioned, line-based text format.
//
//     TintboxPropertyBag 1
//     Enabled=bool:False
//     Picture=picture:Qk02AAAAAAAAADYAAAAoAAAA...
//     end
//
// One entry a line, `Name=type:value`, sorted by name. Types:
//   bool     True or False
//   int      a decimal 32-bit integer
//   text     UTF-16 text as UTF-8; a backslash, control characters and unpaired surrogates
//            are written as \\ and \uXXXX (one UTF-16 code unit), so every text round-trips
//   picture  base64 (RFC 4648, padded) of the picture as a 24-bit BMP
//   nothing  an empty value
// Name bytes outside '!'..'~', and '=' and '\', are written as \xHH. The closing `end`
// line tells a complete file from a truncated one. Lines end in LF; CRLF is accepted.
#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/file_io.hpp"
#include "text/text.hpp"
#include "tintbox/error.hpp"
#include "tintbox/property_bag.hpp"

namespace tintbox {

namespace {

constexpr std::string_view kMagic = "TintboxPropertyBag";
constexpr unsigned kVersion = 1;
constexpr std::string_view kEndMarker = "end";

// Room for the largest picture (16384 x 16384 as a 32-bit BMP) in base64, and more.
constexpr std::uint64_t kMaxBagFileBytes =
    (std::uint64_t{Picture::kMaxSide} * Picture::kMaxSide * 4 + (1u << 20)) / 3 * 4 + (1u << 20);

// ---- base64 ----

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64_encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group =
            (std::uint32_t(static_cast<unsigned char>(bytes[at])) << 16) |
            (std::uint32_t(static_cast<unsigned char>(bytes[at + 1])) << 8) |
            static_cast<unsigned char>(bytes[at + 2]);
        out += kBase64Alphabet[group >> 18];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += kBase64Alphabet[(group >> 6) & 63];
        out += kBase64Alphabet[group & 63];
    }
    const std::size_t rest = bytes.size() - at;
    if (rest > 0) {
        std::uint32_t group = std::uint32_t(static_cast<unsigned char>(bytes[at])) << 16;
        if (rest == 2) {
            group |= std::uint32_t(static_cast<unsigned char>(bytes[at + 1])) << 8;
        }
        out += kBase64Alphabet[group >> 18];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += rest == 2 ? kBase64Alphabet[(group >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

int base64_value(char c) {
    const std::size_t found = std::string_view(kBase64Alphabet).find(c);
    return found == std::string_view::npos ? -1 : static_cast<int>(found);
}

// Strict decoding: whole padded groups, padding only at the end, no stray characters and
// no set bits after the last byte, so one byte string has exactly one encoding.
bool base64_decode(std::string_view text, std::string& out) {
    if (text.size() % 4 != 0) {
        return false;
    }
    out.clear();
    out.reserve(text.size() / 4 * 3);
    for (std::size_t at = 0; at < text.size(); at += 4) {
        const bool last = at + 4 == text.size();
        const std::size_t padding =
            last ? (text[at + 3] == '=' ? (text[at + 2] == '=' ? 2 : 1) : 0) : 0;
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4 - padding; ++i) {
            const int value = base64_value(text[at + i]);
            if (value < 0) {
                return false;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        group <<= 6 * padding;
        const std::uint32_t unused_bits = padding == 2 ? 0xFFFFu : padding == 1 ? 0xFFu : 0;
        if ((group & unused_bits) != 0) {
            return false;
        }
        out += static_cast<char>(group >> 16);
        if (padding < 2) {
            out += static_cast<char>((group >> 8) & 0xFF);
        }
        if (padding < 1) {
            out += static_cast<char>(group & 0xFF);
        }
    }
    return true;
}

// ---- names ----

bool is_plain_name_byte(unsigned char c) {
    return c >= 0x21 && c <= 0x7E && c != '=' && c != '\\';
}

std::string escape_name(const std::string& name) {
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_plain_name_byte(byte)) {
            out += c;
        } else {
            out += "\\x";
            out += text::upper_hex_digit(byte >> 4);
            out += text::upper_hex_digit(byte);
        }
    }
    return out;
}

bool unescape_name(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '\\') {
            if (text.size() - at < 4) {
                return false;
            }
            // Upper-case only, as written: one name has one encoding.
            const int high = text::upper_hex_digit_value(text[at + 2]);
            const int low = text::upper_hex_digit_value(text[at + 3]);
            if (text[at + 1] != 'x' || high < 0 || low < 0) {
                return false;
            }
            out += static_cast<char>(high * 16 + low);
            at += 3;
        } else if (is_plain_name_byte(byte)) {
            out += text[at];
        } else {
            return false;
        }
    }
    return true;
}

// ---- texts ----

std::string escape_text(const std::u16string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        if (unit == u'\\') {
            out += "\\\\";
        } else if (unit >= 0x20 && unit <= 0x7E) {
            out += static_cast<char>(unit);
        } else if (text::is_high_surrogate(unit) && at + 1 < text.size() &&
                   text::is_low_surrogate(text[at + 1])) {
            text::append_utf8(out, 0x10000 + ((std::uint32_t(unit) - 0xD800) << 10) +
                                       (std::uint32_t(text[at + 1]) - 0xDC00));
            ++at;
        } else if (unit >= 0xA0 && !text::is_high_surrogate(unit) &&
                   !text::is_low_surrogate(unit)) {
            text::append_utf8(out, unit);
        } else {
            // Control characters (C0, DEL, C1) and unpaired surrogates.
            text::append_unicode_escape(out, unit);
        }
    }
    return out;
}

bool unescape_text(std::string_view text, std::u16string& out) {
    out.clear();
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '\\') {
            if (at + 1 < text.size() && text[at + 1] == '\\') {
                out += u'\\';
                at += 2;
                continue;
            }
            char16_t unit = 0;
            if (at + 1 >= text.size() || text[at + 1] != 'u' ||
                !text::read_unicode_escape_digits(text, at + 2, false, unit)) {
                return false;
            }
            out += unit;
            at += 6;
        } else if (byte >= 0x20 && byte <= 0x7E) {
            out += static_cast<char16_t>(byte);
            ++at;
        } else if (byte < 0x80) {
            return false;  // control characters are always escaped
        } else {
            std::uint32_t code_point = 0;
            if (!text::decode_utf8(text, at, code_point)) {
                return false;
            }
            text::append_utf16(out, code_point);
        }
    }
    return true;
}

// ---- entries ----

std::string serialize_value(const PropertyValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return "nothing:";
            } else if constexpr (std::is_same_v<T, bool>) {
                return v ? "bool:True" : "bool:False";
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                return "int:" + std::to_string(v);
            } else if constexpr (std::is_same_v<T, std::u16string>) {
                return "text:" + escape_text(v);
            } else {
                // The bag stores a missing picture as Nothing, so the pointer is set.
                return "picture:" + base64_encode(encode_bmp(*v));
            }
        },
        value);
}

// Reads a bag text line by line without keeping a list of lines, so that a file of a
// billion empty lines costs no more memory than the file itself.
class BagParser {
  public:
    BagParser(std::string_view text, const std::string& source_name)
        : text_(text), source_name_(source_name) {}

    MemoryPropertyBag parse() {
        std::string_view line;
        if (!next_line(line)) {
            fail(1, "empty file, not a Tintbox property bag");
        }
        check_header(line);
        check_end_marker();
        MemoryPropertyBag bag;
        while (at_ < end_marker_at_) {
            next_line(line);
            parse_entry(line_number_, line, bag);
        }
        return bag;
    }

  private:
    [[noreturn]] void fail(std::size_t line_number, const std::string& fault) const {
        throw Error(ErrorKind::BadPropertyBag,
                    source_name_ + ": line " + std::to_string(line_number) + ": " + fault);
    }

    // The next line without its LF or CRLF; false at the end of the text.
    bool next_line(std::string_view& line) {
        if (at_ >= text_.size()) {
            return false;
        }
        std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        line = text_.substr(at_, end - at_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        at_ = end + 1;
        ++line_number_;
        return true;
    }

    // A complete file ends with the end marker (its final line break may be missing).
    void check_end_marker() {
        std::string_view body = text_;
        if (!body.empty() && body.back() == '\n') {
            body.remove_suffix(1);
        }
        const std::size_t last_break = body.rfind('\n');
        const auto last_line_number =
            static_cast<std::size_t>(std::count(body.begin(), body.end(), '\n')) + 1;
        std::string_view last_line =
            last_break == std::string_view::npos ? body : body.substr(last_break + 1);
        if (!last_line.empty() && last_line.back() == '\r') {
            last_line.remove_suffix(1);
        }
        if (last_break == std::string_view::npos || last_line != kEndMarker) {
            fail(last_line_number, "no end marker: the file is truncated");
        }
        end_marker_at_ = last_break + 1;
    }

    void check_header(std::string_view header) const {
        if (header.substr(0, kMagic.size()) != kMagic || header.size() == kMagic.size() ||
            header[kMagic.size()] != ' ') {
            fail(1, "not a Tintbox property bag (bad header)");
        }
        const std::string_view version_text = header.substr(kMagic.size() + 1);
        unsigned version = 0;
        const auto [end, error] = std::from_chars(
            version_text.data(), version_text.data() + version_text.size(), version);
        if (error != std::errc() || end != version_text.data() + version_text.size()) {
            fail(1, "bad version in header");
        }
        if (version != kVersion) {
            fail(1, "version " + std::to_string(version) + " is not supported (this build reads " +
                        "version " + std::to_string(kVersion) + ")");
        }
    }

    void parse_entry(std::size_t line_number, std::string_view line, MemoryPropertyBag& bag) {
        if (line == kEndMarker) {
            fail(line_number + 1, "data after the end marker");
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            fail(line_number, "expected Name=type:value");
        }
        const std::string_view escaped_name = line.substr(0, equals);
        std::string name;
        if (!unescape_name(escaped_name, name)) {
            fail(line_number, "bad property name");
        }
        // A name can be as long as the file: a message shows an excerpt of it.
        const std::string quoted = "\"" + text::excerpt(escaped_name) + "\"";
        const std::string_view typed_value = line.substr(equals + 1);
        const std::size_t colon = typed_value.find(':');
        if (colon == std::string_view::npos) {
            fail(line_number, "no type for " + quoted);
        }
        const std::string_view type = typed_value.substr(0, colon);
        const std::string_view value_text = typed_value.substr(colon + 1);
        if (bag.entries().count(name) != 0) {
            fail(line_number, "duplicate property " + quoted);
        }
        bag.set_entry(name, parse_value(line_number, quoted, type, value_text));
    }

    PropertyValue parse_value(std::size_t line_number, const std::string& quoted,
                              std::string_view type, std::string_view text) const {
        const std::string bad_value = "bad " + std::string(type) + " value for " + quoted;
        if (type == "nothing") {
            if (!text.empty()) {
                fail(line_number, bad_value);
            }
            return std::monostate{};
        }
        if (type == "bool") {
            if (text == "True") {
                return true;
            }
            if (text == "False") {
                return false;
            }
            fail(line_number, bad_value);
        }
        if (type == "int") {
            std::int32_t number = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), number);
            if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
                fail(line_number, bad_value);
            }
            return number;
        }
        if (type == "text") {
            std::u16string decoded;
            if (!unescape_text(text, decoded)) {
                fail(line_number, bad_value);
            }
            return decoded;
        }
        if (type == "picture") {
            std::string bytes;
            if (!base64_decode(text, bytes)) {
                fail(line_number, "bad base64 in picture " + quoted);
            }
            try {
                return decode_picture(
                    bytes,
                    source_name_ + ": line " + std::to_string(line_number) + ": picture " + quoted);
            } catch (const Error& error) {
                // The file is what is corrupt; the picture's fault is in the detail.
                throw Error(ErrorKind::BadPropertyBag, error.detail());
            }
        }
        // Type names are short and plain in a sound file; a long or binary one is garbage.
        const bool printable_type =
            type.size() <= 16 &&
            std::all_of(type.begin(), type.end(), [](char c) { return c >= 0x21 && c <= 0x7E; });
        fail(line_number, printable_type
                              ? "unknown type \"" + std::string(type) + "\" for " + quoted
                              : "unknown type for " + quoted);
    }

    std::string_view text_;
    const std::string& source_name_;
    std::size_t at_ = 0;             // where the next line starts
    std::size_t line_number_ = 0;    // of the line last read
    std::size_t end_marker_at_ = 0;  // where the end marker's line starts
};

}  // namespace

std::string serialize_property_bag(const MemoryPropertyBag& bag) {
    std::string out = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    for (const auto& [name, value] : bag.entries()) {
        out += escape_name(name);
        out += '=';
        out += serialize_value(value);
        out += '\n';
    }
    out += kEndMarker;
    out += '\n';
    return out;
}

MemoryPropertyBag parse_property_bag(std::string_view text, const std::string& source_name) {
    return BagParser(text, source_name).parse();
}

void save_property_bag(const MemoryPropertyBag& bag, const std::string& path) {
    detail::write_file_atomically(path, serialize_property_bag(bag));
}

MemoryPropertyBag load_property_bag(const std::string& path) {
    return parse_property_bag(detail::read_whole_file(path, kMaxBagFileBytes),
                              detail::path_in_message(path));
}

}  // namespace tintbox

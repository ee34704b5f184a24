// Text encoding shared by the library, the shell and the drivers: UTF-8 <-> UTF-16,
// \uXXXX escapes and hexadecimal digits. The control works on UTF-16 texts; files,
// scripts and C hosts speak UTF-8.
//
// Two kinds of conversion, named as such: *lenient* ones replace what cannot be
// converted with U+FFFD (for texts that are shown or handed on), *strict* ones refuse
// it (for stored files, where one text has exactly one encoding).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tintbox::text {

constexpr bool is_high_surrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool is_low_surrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// "0123456789ABCDEF"[value & 15].
char upper_hex_digit(unsigned value) noexcept;
// The value of a hexadecimal digit, either case; -1 for any other character.
int hex_digit_value(char c) noexcept;
// The value of an upper-case hexadecimal digit; -1 for anything else, lower case too.
int upper_hex_digit_value(char c) noexcept;

// Appends the UTF-8 form of one code point (at most U+10FFFF, not a surrogate).
void append_utf8(std::string& out, std::uint32_t code_point);
// Decodes the UTF-8 sequence that starts at `at` and advances past it. False for an
// overlong form, a surrogate, a code point above U+10FFFF or a cut or malformed
// sequence; `at` is then unchanged.
bool decode_utf8(std::string_view text, std::size_t& at, std::uint32_t& code_point);
// Appends one code point as UTF-16 (a surrogate pair above U+FFFF).
void append_utf16(std::u16string& out, std::uint32_t code_point);

// Each malformed byte becomes U+FFFD.
std::u16string utf16_from_utf8_lenient(std::string_view utf8);
// False (and `out` unspecified) when the text is not well-formed UTF-8.
bool utf16_from_utf8_strict(std::string_view utf8, std::u16string& out);
// Each unpaired surrogate becomes U+FFFD.
std::string utf8_from_utf16_lenient(std::u16string_view utf16);

// Appends "\uXXXX" with four upper-case digits: one UTF-16 code unit.
void append_unicode_escape(std::string& out, char16_t unit);
// Reads the four hexadecimal digits of a \uXXXX escape at text[at..at+3] (either case
// when `any_case`, upper case only otherwise); false when they are not all there.
bool read_unicode_escape_digits(std::string_view text, std::size_t at, bool any_case,
                                char16_t& unit);

// At most `max_bytes` of `utf8`, cut at a character boundary, with any malformed
// sequence replaced, control characters (a NUL too) written as \uXXXX, and "..." when
// something was cut: a caller's text as it may appear inside a message.
std::string excerpt(std::string_view utf8, std::size_t max_bytes = 40);

}  // namespace tintbox::text

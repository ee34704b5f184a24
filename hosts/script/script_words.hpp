// The words of a script line and the printed forms of values: the tokenizer, the
// parsers of numbers, booleans, buttons and keys, and the formatters of the output.
// A word that is not what its command needs is a ScriptError.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/tintbox_internals.hpp"

namespace tintbox::script {

// The longest script line, in bytes; a longer one is a script error (a file without
// line breaks, say /dev/zero, is not read into memory whole).
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// A malformed line: the runner prints `LINE: message` and stops. Deliberately not a
// std::exception, so that the catch of the control's failures around each command
// cannot mistake it for one.
class ScriptError {
  public:
    explicit ScriptError(std::string message) : message_(std::move(message)) {}
    const std::string& message() const noexcept { return message_; }

  private:
    std::string message_;
};

[[noreturn]] void fail(const std::string& message);

// One word of a script line: a bare word, or a text in double quotes with its escapes
// decoded.
struct Token {
    std::string raw;      // as written (bare words) or decoded to UTF-8 (quoted texts)
    std::u16string text;  // the word as a text argument
    bool quoted = false;
};
using Words = std::vector<Token>;

// Splits one line into words, dropping a comment (a word starting with '#'). Throws
// std::invalid_argument for an unterminated or badly escaped text.
Words tokenize(std::string_view line);

// A word as a message shows it: short, and escaped when it is not plain ASCII.
std::string shown(std::string_view word);

// The word itself; a quoted text where a keyword or name is needed is a script error.
const std::string& bare(const Token& word, const char* what);
void expect_words(const Words& words, std::size_t count, const char* usage);

// A well-formed integer: decimal with an optional sign (of any size: one outside 64 bits
// reads as the nearest 64-bit value, so that every range check refuses it), or 0x and
// one to eight hexadecimal digits taken as a 32-bit pattern (0x80000004 is -2147483644).
std::optional<std::int64_t> integer_from(std::string_view word);
// Twips: a decimal number with an optional sign and fraction (1845.5), or 0x and a
// 32-bit pattern as above.
std::optional<Twips> twips_from(std::string_view word);

std::int64_t integer_arg(const Token& word);
std::int32_t int32_arg(const Token& word);
std::int16_t int16_arg(const Token& word);
Twips twips_arg(const Token& word);
bool bool_arg(const Token& word);
std::int16_t button_arg(const Token& word);
// "left right", or "none".
std::string buttons_text(std::int16_t buttons);
const std::map<std::string, Key, std::less<>>& key_names();

// The printed forms of values.
std::string format_text(std::u16string_view text);
std::string format_twips(Twips value);
std::string format_bool(bool value);

}  // namespace tintbox::script

// Sections: the tokenizer - numbers and other words - printed forms.
#include "script_words.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "text/text.hpp"

namespace tintbox::script {

void fail(const std::string& message) {
    throw ScriptError(message);
}

std::string shown(std::string_view word) {
    constexpr std::size_t kLongest = 40;
    const bool plain =
        std::all_of(word.begin(), word.end(), [](char c) { return c > ' ' && c < 0x7F; });
    const std::string_view head = word.substr(0, kLongest);
    const std::string tail = word.size() > kLongest ? "..." : "";
    if (plain)
        return "'" + std::string(head) + tail + "'";
    return format_text(text::utf16_from_utf8_lenient(head)) + tail;
}

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Decodes the text between a pair of double quotes starting at line[pos] (the opening
// quote); returns the position after the closing quote.
std::size_t read_quoted(std::string_view line, std::size_t pos, std::u16string& text) {
    std::string plain;  // UTF-8 run not yet converted
    auto flush = [&] {
        text += text::utf16_from_utf8_lenient(plain);
        plain.clear();
    };
    for (std::size_t i = pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            flush();
            return i + 1;
        }
        if (c != '\\') {
            plain += c;
            continue;
        }
        if (++i == line.size())
            break;
        switch (line[i]) {
            case '"':
                plain += '"';
                break;
            case '\\':
                plain += '\\';
                break;
            case 'n':
                plain += '\n';
                break;
            case 't':
                plain += '\t';
                break;
            case 'u': {
                char16_t unit = 0;
                if (!text::read_unicode_escape_digits(line, i + 1, true, unit)) {
                    throw std::invalid_argument("\\u needs four hexadecimal digits");
                }
                i += 4;
                flush();
                text += unit;
                break;
            }
            default:
                throw std::invalid_argument(std::string("unknown escape \\") + line[i] +
                                            " in a text");
        }
    }
    throw std::invalid_argument("text without its closing quote");
}

}  // namespace

// ---- Numbers --------------------------------------------------------------------------

// A decimal integer with an optional sign, or 0x and one to eight hexadecimal digits,
// taken as a 32-bit pattern (0x80000004 is -2147483644).
std::optional<std::int64_t> integer_from(std::string_view word) {
    if (word.size() > 2 && word[0] == '0' && word[1] == 'x') {
        const std::string_view digits = word.substr(2);
        if (digits.size() > 8)
            return std::nullopt;
        std::uint32_t pattern = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), pattern, 16);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return static_cast<std::int32_t>(pattern);
    }
    std::string_view digits = word;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits[0] < '0' || digits[0] > '9')
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (end != digits.data() + digits.size() ||
        (ec != std::errc() && ec != std::errc::result_out_of_range)) {
        return std::nullopt;
    }
    constexpr auto kLargest = std::numeric_limits<std::int64_t>::max();
    if (ec == std::errc::result_out_of_range || magnitude > std::uint64_t{kLargest}) {
        return negative ? std::numeric_limits<std::int64_t>::min() : kLargest;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

std::int64_t integer_arg(const Token& word) {
    if (!word.quoted) {
        if (auto value = integer_from(word.raw))
            return *value;
    }
    fail("malformed number " + shown(word.raw));
}

namespace {

// An integer that the driver's own command takes as Int.
template <class Int>
Int fitting_arg(const Token& word) {
    const std::int64_t value = integer_arg(word);
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        fail("number " + shown(word.raw) + " does not fit " + std::to_string(sizeof(Int) * 8) +
             " bits");
    }
    return static_cast<Int>(value);
}

}  // namespace

std::int32_t int32_arg(const Token& word) {
    return fitting_arg<std::int32_t>(word);
}

std::int16_t int16_arg(const Token& word) {
    return fitting_arg<std::int16_t>(word);
}

// Twips: an integer as above, or a decimal number with a fraction (1845.5).
std::optional<Twips> twips_from(std::string_view word) {
    if (word.substr(0, 2) == "0x") {
        if (auto pattern = integer_from(word))
            return static_cast<Twips>(*pattern);
        return std::nullopt;
    }
    std::string_view digits = word;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-'))
        digits.remove_prefix(1);
    const auto point = digits.find('.');
    const auto is_digits = [](std::string_view part) {
        if (part.empty())
            return false;
        for (char c : part) {
            if (c < '0' || c > '9')
                return false;
        }
        return true;
    };
    const bool well_formed =
        point == std::string_view::npos
            ? is_digits(digits)
            : is_digits(digits.substr(0, point)) && is_digits(digits.substr(point + 1));
    if (!well_formed) {
        return std::nullopt;
    }
    float value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return word[0] == '-' ? -value : value;
}

Twips twips_arg(const Token& word) {
    if (!word.quoted) {
        if (auto value = twips_from(word.raw))
            return *value;
    }
    fail("malformed number " + shown(word.raw));
}

bool bool_arg(const Token& word) {
    if (!word.quoted) {
        if (word.raw == "True" || word.raw == "-1")
            return true;
        if (word.raw == "False" || word.raw == "0")
            return false;
    }
    fail("expected True or False, not " + shown(word.raw));
}

std::int16_t button_arg(const Token& word) {
    if (!word.quoted) {
        if (word.raw == "left")
            return kLeftButton;
        if (word.raw == "right")
            return kRightButton;
        if (word.raw == "middle")
            return kMiddleButton;
    }
    fail("unknown mouse button " + shown(word.raw) + " (left, right or middle)");
}

std::string buttons_text(std::int16_t buttons) {
    if (buttons == 0)
        return "none";
    std::string text;
    for (const auto& [bit, name] : {std::pair<std::int16_t, const char*>{kLeftButton, "left"},
                                    {kRightButton, "right"},
                                    {kMiddleButton, "middle"}}) {
        if ((buttons & bit) == 0)
            continue;
        if (!text.empty())
            text += ' ';
        text += name;
    }
    return text;
}

const std::map<std::string, Key, std::less<>>& key_names() {
    static const std::map<std::string, Key, std::less<>> names = {
        {"Backspace", Key::Backspace},
        {"Delete", Key::Delete},
        {"Left", Key::Left},
        {"Right", Key::Right},
        {"Home", Key::Home},
        {"End", Key::End},
        {"Shift+Left", Key::ShiftLeft},
        {"Shift+Right", Key::ShiftRight},
        {"Shift+Home", Key::ShiftHome},
        {"Shift+End", Key::ShiftEnd},
        {"Ctrl+A", Key::CtrlA},
        {"PageUp", Key::PageUp},
        {"PageDown", Key::PageDown},
        {"Up", Key::Up},
        {"Down", Key::Down},
        {"Escape", Key::Escape},
        {"Ctrl+C", Key::CtrlC},
        {"Ctrl+X", Key::CtrlX},
        {"Ctrl+V", Key::CtrlV},
        {"Ctrl+Z", Key::CtrlZ},
        {"Ctrl+Shift+Z", Key::CtrlShiftZ},
    };
    return names;
}

const std::string& bare(const Token& word, const char* what) {
    if (word.quoted)
        fail(std::string("expected ") + what + ", not a quoted text");
    return word.raw;
}

void expect_words(const Words& words, std::size_t count, const char* usage) {
    if (words.size() != count)
        fail(std::string("usage: ") + usage);
}

Words tokenize(std::string_view line) {
    Words words;
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && is_blank(line[i]))
            ++i;
        if (i == line.size() || line[i] == '#')
            break;
        Token word;
        if (line[i] == '"') {
            word.quoted = true;
            i = read_quoted(line, i, word.text);
            if (i < line.size() && !is_blank(line[i])) {
                throw std::invalid_argument("a text must be followed by a blank");
            }
            word.raw = text::utf8_from_utf16_lenient(word.text);
        } else {
            const std::size_t start = i;
            while (i < line.size() && !is_blank(line[i])) {
                if (line[i] == '"')
                    throw std::invalid_argument("a quote inside a word");
                ++i;
            }
            word.raw = std::string(line.substr(start, i - start));
            word.text = text::utf16_from_utf8_lenient(word.raw);
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string format_text(std::u16string_view text) {
    std::string printed = "\"";
    for (char16_t unit : text) {
        switch (unit) {
            case u'"':
                printed += "\\\"";
                break;
            case u'\\':
                printed += "\\\\";
                break;
            case u'\n':
                printed += "\\n";
                break;
            case u'\t':
                printed += "\\t";
                break;
            default:
                if (unit >= 0x20 && unit <= 0x7E) {
                    printed += static_cast<char>(unit);
                } else {
                    text::append_unicode_escape(printed, unit);
                }
        }
    }
    printed += '"';
    return printed;
}

std::string format_twips(Twips value) {
    if (value == 0)
        return "0";  // also for -0
    char buffer[128];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

std::string format_bool(bool value) {
    return value ? "True" : "False";
}

}  // namespace tintbox::script

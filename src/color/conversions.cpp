// Value conversions and input filters; see tintbox/conversions.hpp.
#include "tintbox/conversions.hpp"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "text/text.hpp"
#include "tintbox/error.hpp"

namespace tintbox {
namespace {

constexpr bool is_decimal_digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

constexpr char16_t ascii_upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? c - 32 : c;
}

constexpr bool is_hex_digit(char16_t c) {
    return is_decimal_digit(c) || (c >= u'A' && c <= u'F');
}

template <class Int>
Int round_to(double value, const char* type_name) {
    const double rounded = std::nearbyint(value);  // the default mode rounds ties to even
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        throw Error(ErrorKind::Overflow, "value does not fit a " + std::string(type_name));
    }
    return static_cast<Int>(rounded);
}

}  // namespace

std::u16string DecimalDigitsOnly(std::u16string_view text) {
    std::u16string result;
    result.reserve(text.size());
    for (char16_t c : text) {
        if (is_decimal_digit(c)) {
            result.push_back(c);
        }
    }
    return result;
}

std::u16string HexDigitsOnly(std::u16string_view text) {
    std::u16string result;
    result.reserve(text.size());
    for (char16_t c : text) {
        const char16_t upper = ascii_upper(c);
        if (is_hex_digit(upper)) {
            result.push_back(upper);
        }
    }
    return result;
}

std::int32_t HexToDec(std::u16string_view text) {
    std::int32_t sum = 0;
    double weight = 1;  // 16^k, exact in a double for every length that can avoid overflow
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        const char16_t c = ascii_upper(*it);
        const int digit = is_decimal_digit(c) ? c - u'0' : static_cast<int>(c) - 55;
        sum = ToInt32(static_cast<double>(sum) + digit * weight);
        weight *= 16;
    }
    return sum;
}

std::int32_t Dec(std::u16string& number) {
    number = HexDigitsOnly(number);
    if (number.size() > 7) {
        return 0;
    }
    return HexToDec(number);
}

void SepRGB(std::int32_t value, std::int32_t& red, std::int32_t& green, std::int32_t& blue) {
    red = value & 255;
    green = (value / 256) & 255;
    blue = (value / 65536) & 255;
}

RgbComponents SplitRGB(std::int32_t value) {
    RgbComponents components;
    SepRGB(value, components.red, components.green, components.blue);
    return components;
}

double ClampValue(double value, double max, double min) {
    if (value > max) {
        return max;
    }
    if (value < min) {
        return min;
    }
    return value;
}

double Val(std::u16string_view text) {
    // Copy the leading number's characters into a narrow buffer for strtod.
    std::string number;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n')) {
        ++i;
    }
    auto take_digits = [&] {
        while (i < text.size() && is_decimal_digit(text[i])) {
            number.push_back(static_cast<char>(text[i++]));
        }
    };
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        number.push_back(static_cast<char>(text[i++]));
    }
    take_digits();
    if (i < text.size() && text[i] == u'.') {
        number.push_back('.');
        ++i;
        take_digits();
    }
    const std::size_t mantissa_end = number.size();
    if (i < text.size() && (ascii_upper(text[i]) == u'E' || ascii_upper(text[i]) == u'D')) {
        number.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            number.push_back(static_cast<char>(text[i++]));
        }
        const std::size_t before = number.size();
        take_digits();
        if (number.size() == before) {
            number.resize(mantissa_end);  // "1e" is just 1
        }
    }
    if (number.empty()) {
        return 0;
    }
    // A whole number of up to 15 digits, which is what the fields hold, is exact in a
    // double: summed here, it spares the eyedropper's ticks strtod's general parse.
    const bool has_sign = number[0] == '+' || number[0] == '-';
    const std::size_t digits = number.size() - (has_sign ? 1 : 0);
    if (digits > 0 && digits <= 15 && number.find_first_of(".e") == std::string::npos) {
        std::int64_t whole = 0;
        for (std::size_t d = has_sign ? 1 : 0; d < number.size(); ++d) {
            whole = whole * 10 + (number[d] - '0');
        }
        const auto value = static_cast<double>(whole);
        return number[0] == '-' ? -value : value;  // "-0" stays the negative zero
    }
    return std::strtod(number.c_str(), nullptr);
}

std::int16_t ToInt16(double value) {
    return round_to<std::int16_t>(value, "16-bit integer");
}

std::int32_t ToInt32(double value) {
    return round_to<std::int32_t>(value, "32-bit integer");
}

std::u16string DecimalForm(std::int64_t value) {
    char16_t buffer[24];
    char16_t* end = buffer + 24;
    char16_t* p = end;
    const bool negative = value < 0;
    // Work on the magnitude as unsigned so that the most negative value converts too.
    std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        *--p = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        *--p = u'-';
    }
    return std::u16string(p, end);
}

std::u16string HexForm(std::int32_t value) {
    char16_t buffer[8];
    char16_t* end = buffer + 8;
    char16_t* p = end;
    auto bits = static_cast<std::uint32_t>(value);
    do {
        *--p = static_cast<char16_t>(text::upper_hex_digit(bits));
        bits >>= 4;
    } while (bits != 0);
    return std::u16string(p, end);
}

std::int32_t CombineRGB(std::int16_t red, std::int16_t green, std::int16_t blue) {
    auto limit = [](std::int16_t component) -> std::int32_t {
        return component > 255 ? 255 : component;
    };
    return limit(red) + 256 * limit(green) + 65536 * limit(blue);
}

}  // namespace tintbox

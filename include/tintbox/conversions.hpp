/// \file
/// Value conversions and input filters shared by the colour core, the editors and hosts.
///
/// Texts are UTF-16 (one character = one code unit). Every function here is pure; the
/// ones that can fail raise Error(ErrorKind::Overflow).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tintbox/types.hpp"

namespace tintbox {

/// Keeps only "0".."9", in order. No trimming, no limit.
std::u16string DecimalDigitsOnly(std::u16string_view text);

/// Upper-cases ASCII letters, then keeps only "0".."9" and "A".."F", in order.
std::u16string HexDigitsOnly(std::u16string_view text);

/// Sums the digits from the right, "0".."9" as themselves and every other character as
/// its code minus 55 after ASCII upper-casing. Overflow when the running sum leaves the
/// 32-bit range. Allocates nothing.
std::int32_t HexToDec(std::u16string_view text);

/// Cleans `number` in place with HexDigitsOnly; more than 7 clean digits give 0, otherwise
/// HexToDec of the clean text. Never fails.
std::int32_t Dec(std::u16string& number);

/// Splits a value into Red = v AND 255, Green = (v div 256) AND 255, Blue = (v div 65536)
/// AND 255, with div truncating toward zero. Allocates nothing, never fails.
void SepRGB(std::int32_t value, std::int32_t& red, std::int32_t& green, std::int32_t& blue);

/// A colour's three components, 0 to 255 each.
struct RgbComponents {
    std::int32_t red = 0;    ///< the low byte
    std::int32_t green = 0;  ///< the second byte
    std::int32_t blue = 0;   ///< the third byte
};
/// SepRGB with its three outputs returned together.
RgbComponents SplitRGB(std::int32_t value);

/// Value if it is not above max and not below min; the upper bound is tested first.
double ClampValue(double value, double max, double min);

/// The leading decimal number of a text (optional blanks, sign, digits, fraction and
/// exponent), 0 when there is none.
double Val(std::u16string_view text);

///@{
/// Nearest integer, ties to even; Overflow outside the type's range (and for NaN).
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);
///@}

/// Shortest decimal notation, "-" for negatives, "0" for zero.
std::u16string DecimalForm(std::int64_t value);

/// Upper-case hexadecimal digits of the 32-bit two's-complement value, no leading zeros.
std::u16string HexForm(std::int32_t value);

/// r + 256 g + 65536 b, a component above 255 counting as 255.
std::int32_t CombineRGB(std::int16_t red, std::int16_t green, std::int16_t blue);

/// The colour of a whole text in a notation that people copy from the web: "#RGB" (each
/// digit doubled), "#RRGGBB", "rgb(r, g, b)" with decimal components 0 to 255, or one of
/// the 148 CSS colour names. Letters in either case, blanks around the notation and its
/// components ignored. Nothing for any other text, a notation with more around it too.
std::optional<ColorValue> ColorFromNotation(std::u16string_view text);

}  // namespace tintbox

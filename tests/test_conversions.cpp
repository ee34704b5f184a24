// Conversions and input filters: the tables every editor and host relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#include "tintbox/conversions.hpp"
#include "tintbox/error.hpp"

namespace {

using tintbox::Error;
using tintbox::ErrorKind;

struct FilterCase {
    std::u16string input;
    std::u16string decimal;
    std::u16string hex;
};

TEST(InputFilters, KeepOnlyTheirDigitsInOrder) {
    const FilterCase cases[] = {
        {u"12a3", u"123", u"12A3"},
        {u"-5", u"5", u"5"},
        {u"", u"", u""},
        {u"#ff 00 zz", u"00", u"FF00"},
        {u"g", u"", u""},
        {u"1.5e3", u"153", u"15E3"},
        {u"\u0661\uFF11x", u"", u""},  // non-ASCII digits are not digits here
        {u"abcdefABCDEF", u"", u"ABCDEFABCDEF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tintbox::DecimalDigitsOnly(c.input), c.decimal);
        EXPECT_EQ(tintbox::HexDigitsOnly(c.input), c.hex);
    }
}

TEST(HexToDec, WeighsEveryCharacterFromTheRight) {
    const std::pair<std::u16string, std::int32_t> cases[] = {
        {u"", 0},
        {u"ff", 255},
        {u"FFFFFF", 16777215},
        {u"7FFFFFFF", 2147483647},
        {u"1G", 32},  // G counts 16
        {u"Z", 35},
        {u" ", -23},  // a blank counts its code minus 55
        {u"00000000000000001", 1},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(tintbox::HexToDec(text), expected) << std::string(text.begin(), text.end());
    }
}

TEST(HexToDec, OverflowsBeyondThe32BitRange) {
    for (std::u16string text : {u"80000000", u"FFFFFFFF", u"100000000"}) {
        try {
            tintbox::HexToDec(text);
            ADD_FAILURE() << "no overflow";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::Overflow);
        }
    }
}

TEST(Dec, CleansItsArgumentAndLimitsTheLength) {
    const struct {
        std::u16string number;
        std::int32_t result;
        std::u16string cleaned;
    } cases[] = {
        {u"#1a2B3d", 1715005, u"1A2B3D"},
        {u"0x10", 16, u"010"},
        {u"FFFFFFF", 268435455, u"FFFFFFF"},
        {u"FFFFFFFF", 0, u"FFFFFFFF"},
        {u"00000001", 0, u"00000001"},
        {u"xyz", 0, u""},
        {u"", 0, u""},
    };
    for (const auto& c : cases) {
        std::u16string number = c.number;
        EXPECT_EQ(tintbox::Dec(number), c.result);
        EXPECT_EQ(number, c.cleaned);
    }
}

TEST(SepRGB, SplitsWithTruncatingDivision) {
    const struct {
        std::int32_t value, red, green, blue;
    } cases[] = {
        {0x123456, 86, 52, 18}, {16777215, 255, 255, 255}, {16777216, 0, 0, 0},  {-1, 255, 0, 0},
        {-257, 255, 255, 0},    {-16777216, 0, 0, 0},      {INT32_MIN, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::int32_t r = -7, g = -7, b = -7;
        tintbox::SepRGB(c.value, r, g, b);
        EXPECT_EQ(r, c.red) << c.value;
        EXPECT_EQ(g, c.green) << c.value;
        EXPECT_EQ(b, c.blue) << c.value;
    }
}

TEST(ClampValue, TestsTheUpperBoundFirst) {
    EXPECT_EQ(tintbox::ClampValue(300, 255, 0), 255);
    EXPECT_EQ(tintbox::ClampValue(-5, 255, 0), 0);
    EXPECT_EQ(tintbox::ClampValue(7, 255, 0), 7);
    // Min above Max: above Max gives Max; below Min but not above Max gives Min.
    EXPECT_EQ(tintbox::ClampValue(20, 10, 15), 10);
    EXPECT_EQ(tintbox::ClampValue(5, 10, 15), 15);
}

TEST(Val, ReadsTheLeadingNumber) {
    const std::pair<std::u16string, double> cases[] = {
        {u"", 0},
        {u"255", 255},
        {u"007", 7},
        {u"12abc", 12},
        {u"  -3.5", -3.5},
        {u"1e3", 1000},
        {u"1e", 1},
        {u"abc", 0},
        {u".5", 0.5},
        {u"+8", 8},
        {u"99999999999", 99999999999.0},
        {u"-42", -42},
        {u"999999999999999", 999999999999999.0},    // the longest whole number summed
        {u"9999999999999999", 9999999999999999.0},  // one digit more: strtod's
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_DOUBLE_EQ(tintbox::Val(text), expected);
    }
}

TEST(IntegerConversion, RoundsTiesToEvenAndOverflowsOutsideTheRange) {
    EXPECT_EQ(tintbox::ToInt16(0.5), 0);
    EXPECT_EQ(tintbox::ToInt16(1.5), 2);
    EXPECT_EQ(tintbox::ToInt16(2.5), 2);
    EXPECT_EQ(tintbox::ToInt16(-2.5), -2);
    EXPECT_EQ(tintbox::ToInt16(32767.4), 32767);
    EXPECT_EQ(tintbox::ToInt16(-32768.5), -32768);
    EXPECT_EQ(tintbox::ToInt32(2147483647.4), 2147483647);
    EXPECT_EQ(tintbox::ToInt32(-2147483648.5), INT32_MIN);
    for (double bad : {32767.5, -32768.6, 1e300, std::nan("")}) {
        EXPECT_THROW(tintbox::ToInt16(bad), Error) << bad;
    }
    for (double bad : {2147483647.5, -2147483649.0}) {
        EXPECT_THROW(tintbox::ToInt32(bad), Error) << bad;
    }
}

TEST(TextForms, AreShortestWithoutLeadingZeros) {
    EXPECT_EQ(tintbox::DecimalForm(0), u"0");
    EXPECT_EQ(tintbox::DecimalForm(-42), u"-42");
    EXPECT_EQ(tintbox::DecimalForm(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(tintbox::HexForm(0), u"0");
    EXPECT_EQ(tintbox::HexForm(15), u"F");
    EXPECT_EQ(tintbox::HexForm(33023), u"80FF");
    EXPECT_EQ(tintbox::HexForm(-1), u"FFFFFFFF");
}

TEST(CombineRGB, CountsComponentsAbove255As255) {
    EXPECT_EQ(tintbox::CombineRGB(255, 128, 0), 33023);
    EXPECT_EQ(tintbox::CombineRGB(300, 300, 300), 16777215);
    EXPECT_EQ(tintbox::CombineRGB(0, 0, 1), 65536);
}

TEST(ColorFromNotation, ReadsAWholeWebNotationAndNothingElse) {
    struct Row {
        std::u16string text;
        std::optional<tintbox::ColorValue> color;  // 0xBBGGRR
    };
    const Row rows[] = {
        {u"#abc", 0xCCBBAA},
        {u" \t#1E90ff\r\n", 0xFF901E},
        {u"rgb(1,2,3)", 0x030201},
        {u"RGB( 255 , 0 ,\t128 )", 0x8000FF},
        {u"rgb(007,0,0)", 0x000007},
        {u"DodgerBlue", 0xFF901E},
        {u"aliceblue", 0xFFF8F0},    // first of the names
        {u"yellowgreen", 0x32CD9A},  // last of them
        {u"rebeccapurple", 0x993366},
        {u"black", 0x000000},
        {u"", std::nullopt},
        {u"#", std::nullopt},
        {u"#12", std::nullopt},
        {u"#1234", std::nullopt},
        {u"#abg", std::nullopt},
        {u"# abc", std::nullopt},
        {u"abc", std::nullopt},
        {u"0x00FF00", std::nullopt},
        {u"rgb(256,0,0)", std::nullopt},
        {u"rgb(1,2)", std::nullopt},
        {u"rgb(1,2,3,4)", std::nullopt},
        {u"rgb(1,,3)", std::nullopt},
        {u"rgb(-1,2,3)", std::nullopt},
        {u"rgb(1.5,2,3)", std::nullopt},
        {u"rgb(1,2,3", std::nullopt},
        {u"rgb (1,2,3)", std::nullopt},
        {u"rgb(1,2,3) x", std::nullopt},
        {u"tomatoes", std::nullopt},
        {u"\uFF52\uFF45\uFF44", std::nullopt},  // "red" in full-width letters
    };
    for (const Row& row : rows) {
        EXPECT_EQ(tintbox::ColorFromNotation(row.text), row.color)
            << std::string(row.text.begin(), row.text.end());
    }
}

// Counts allocations made on this thread while a scope runs.
int g_allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
// The library's nothrow allocations (std::stable_sort's buffer, say) must come from
// the same heap that the replaced delete gives back to.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST(HotConversions, AllocateNothing) {
    const std::u16string text = u"1A2B3C";
    const int before = g_allocations;
    std::int32_t r = 0, g = 0, b = 0;
    for (int i = 0; i < 100; ++i) {
        tintbox::SepRGB(i * 977, r, g, b);
        r += tintbox::HexToDec(text);
    }
    EXPECT_EQ(g_allocations, before);
    EXPECT_NE(r + g + b, 0);
}

}  // namespace

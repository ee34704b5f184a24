// The text-encoding module: conversions between UTF-8 and UTF-16, escapes, excerpts.
#include <gtest/gtest.h>

#include "text/text.hpp"

namespace tintbox::text {
namespace {

TEST(Utf, LenientConversionsRoundTripAndReplaceWhatIsMalformed) {
    const std::u16string sample = u"a\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(utf16_from_utf8_lenient(utf8_from_utf16_lenient(sample)), sample);
    EXPECT_EQ(utf16_from_utf8_lenient("\xff"), u"\uFFFD");
    EXPECT_EQ(utf16_from_utf8_lenient("\xe4\xb8"), u"\uFFFD\uFFFD");  // a cut sequence
    EXPECT_EQ(utf8_from_utf16_lenient(u"\xD800"), "\xEF\xBF\xBD");    // a lone surrogate
}

TEST(Utf, StrictDecodingRefusesEveryMalformedForm) {
    struct Row {
        const char* utf8;
        bool well_formed;
    };
    const Row rows[] = {
        {"plain", true},
        {"\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xED\xA0\x80", false},      // an encoded surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE4\xB8", false},          // cut
        {"\x80", false},              // a continuation byte alone
    };
    for (const Row& row : rows) {
        std::u16string out;
        EXPECT_EQ(utf16_from_utf8_strict(row.utf8, out), row.well_formed) << row.utf8;
    }
}

TEST(Escapes, UnicodeEscapeDigitsRespectTheCaseRule) {
    char16_t unit = 0;
    EXPECT_TRUE(read_unicode_escape_digits("00e9", 0, true, unit));
    EXPECT_EQ(unit, u'\u00e9');
    EXPECT_FALSE(read_unicode_escape_digits("00e9", 0, false, unit));
    EXPECT_FALSE(read_unicode_escape_digits("00E", 0, true, unit));
    std::string out;
    append_unicode_escape(out, u'\u001F');
    EXPECT_EQ(out, "\\u001F");
}

TEST(Excerpt, StaysShortAndValidUtf8) {
    EXPECT_EQ(excerpt("short"), "short");
    EXPECT_EQ(excerpt(std::string(100, 'x'), 10), "xxxxxxxxxx...");
    // Never cuts inside a character, and replaces malformed bytes.
    EXPECT_EQ(excerpt("ab\xC3\xA9", 3), "ab...");
    EXPECT_EQ(excerpt(std::string("a\0b", 3)), "a\\u0000b");  // a message never holds a NUL
    std::u16string decoded;
    EXPECT_TRUE(utf16_from_utf8_strict(excerpt("a\xff\xfe" + std::string(60, 'z')), decoded));
}

}  // namespace
}  // namespace tintbox::text

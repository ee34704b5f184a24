// The in-memory property bag, the bag file format and its atomic save.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "temp_folder.hpp"
#include "tintbox/error.hpp"
#include "tintbox/property_bag.hpp"

namespace tintbox {
namespace {

PicturePtr make_picture(std::vector<ColorValue> pixels, std::int32_t width = 2) {
    const auto height = static_cast<std::int32_t>(pixels.size()) / width;
    return std::make_shared<const Picture>(width, height, std::move(pixels));
}

// Bags read from a file hold new picture objects: compare pictures by their pixels.
void expect_same_entries(const MemoryPropertyBag& expected, const MemoryPropertyBag& actual) {
    ASSERT_EQ(expected.entries().size(), actual.entries().size());
    auto other = actual.entries().begin();
    for (const auto& [name, value] : expected.entries()) {
        SCOPED_TRACE(name);
        ASSERT_EQ(name, other->first);
        ASSERT_EQ(value.index(), other->second.index());
        if (const auto* picture = std::get_if<PicturePtr>(&value)) {
            const auto& read = std::get<PicturePtr>(other->second);
            EXPECT_EQ((*picture)->width(), read->width());
            EXPECT_EQ((*picture)->pixels(), read->pixels());
        } else {
            EXPECT_TRUE(same_property_value(value, other->second));
        }
        ++other;
    }
}

void expect_bad_bag(const std::string& text, const std::string& where_and_fault) {
    try {
        parse_property_bag(text, "host.tbag");
        ADD_FAILURE() << "parsed although expected " << where_and_fault;
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::BadPropertyBag);
        EXPECT_EQ(error.detail().rfind("host.tbag: " + where_and_fault, 0), 0u) << error.detail();
    }
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

MemoryPropertyBag varied_bag() {
    MemoryPropertyBag bag;
    bag.set_entry("Picture", make_picture({0x000000, 0xFFFFFF, 0x123456, 0xABCDEF, 1, 2}));
    bag.set_entry("Enabled", false);
    bag.set_entry("Lowest", std::int32_t{-2147483647 - 1});
    bag.set_entry("Highest", std::int32_t{2147483647});
    bag.set_entry("Nothing", std::monostate{});
    bag.set_entry("Empty", std::u16string());
    // Non-ASCII, a surrogate pair, unpaired surrogates, controls, and the format's own
    // punctuation.
    bag.set_entry("Caption",
                  std::u16string(u"Gr\u00FC\u00DFe \u4E2D \U0001F3A8 \\u0041 = : \t\r\n") +
                      char16_t(0xD800) + u"x" + char16_t(0xDFFF) + char16_t(0x7F) + char16_t(0x85));
    bag.set_entry("odd = name\\ \n\x01\xFF", true);
    bag.set_entry("", std::int32_t{0});
    return bag;
}

TEST(MemoryPropertyBag, StoresOnlyValuesThatDifferFromTheDefault) {
    MemoryPropertyBag bag;
    EXPECT_TRUE(std::get<bool>(bag.ReadProperty("Enabled", true)));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(bag.ReadProperty("Picture", {})));

    bag.WriteProperty("Enabled", true, true);
    EXPECT_TRUE(bag.entries().empty());
    bag.WriteProperty("Enabled", false, true);
    EXPECT_FALSE(std::get<bool>(bag.ReadProperty("Enabled", true)));
    // Writing the default again removes the stored value.
    bag.WriteProperty("Enabled", true, true);
    EXPECT_TRUE(bag.entries().empty());

    // A value of another type is a different value, even when it looks alike.
    bag.WriteProperty("Enabled", std::int32_t{-1}, true);
    EXPECT_EQ(bag.entries().count("Enabled"), 1u);
    bag.WriteProperty("Text", std::u16string(), PropertyValue{});
    EXPECT_EQ(bag.entries().count("Text"), 1u);
}

TEST(MemoryPropertyBag, PicturesKeepTheirIdentity) {
    const PicturePtr picture = make_picture({1, 2});
    const PicturePtr twin = make_picture({1, 2});
    EXPECT_TRUE(same_property_value(picture, picture));
    EXPECT_FALSE(same_property_value(picture, twin));

    MemoryPropertyBag bag;
    bag.WriteProperty("Picture", picture, PropertyValue{});
    EXPECT_EQ(std::get<PicturePtr>(bag.ReadProperty("Picture", {})), picture);

    // A null picture is no picture: the same as Nothing, and never stored as a picture.
    EXPECT_TRUE(same_property_value(PicturePtr(), PropertyValue{}));
    bag.WriteProperty("Picture", PicturePtr(), PropertyValue{});
    EXPECT_TRUE(bag.entries().empty());
    bag.set_entry("Picture", PicturePtr());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(bag.entries().at("Picture")));
}

TEST(BagFormat, RoundTripsEveryKindOfValue) {
    const MemoryPropertyBag bag = varied_bag();
    const std::string text = serialize_property_bag(bag);
    expect_same_entries(bag, parse_property_bag(text, "mem"));
    EXPECT_EQ(serialize_property_bag(parse_property_bag(text, "mem")), text);

    // Files edited on Windows keep working.
    std::string crlf;
    for (const char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    expect_same_entries(bag, parse_property_bag(crlf, "mem"));

    // The last newline is not needed to tell a complete file.
    expect_same_entries(bag, parse_property_bag(text.substr(0, text.size() - 1), "mem"));
}

TEST(BagFormat, ReadsAVersionOneFileWrittenElsewhere) {
    const std::string path = std::string(TINTBOX_TEST_DATA_DIR) + "/sample-v1.tbag";
    MemoryPropertyBag bag = load_property_bag(path);
    EXPECT_EQ(std::get<std::int32_t>(bag.ReadProperty("Count", {})), -42);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(bag.ReadProperty("Empty", true)));
    EXPECT_FALSE(std::get<bool>(bag.ReadProperty("Enabled", true)));
    EXPECT_EQ(std::get<std::u16string>(bag.ReadProperty("Name", {})),
              std::u16string(u"Caf\u00E9 \u2615 \U0001F600 tab\t back\\slash ") + char16_t(0xD800) +
                  u" =:");
    const auto picture = std::get<PicturePtr>(bag.ReadProperty("Picture", {}));
    EXPECT_EQ(picture->pixels(), (std::vector<ColorValue>{0x563412, 0x0080FF}));
    EXPECT_EQ(std::get<std::int32_t>(bag.ReadProperty("a=b\n", {})), 2147483647);
    // Writing it again gives the same bytes: the format has not drifted.
    EXPECT_EQ(serialize_property_bag(bag), read_file(path));
}

TEST(BagFormat, RejectsCorruptFiles) {
    const std::string header = "TintboxPropertyBag 1\n";
    const auto with_entry = [&](const std::string& line) { return header + line + "\nend\n"; };
    struct Case {
        std::string text;
        std::string where_and_fault;
    };
    const std::vector<Case> cases = {
        {"", "line 1: empty file"},
        {std::string("\x00\xFF\xFE garbage\n", 12), "line 1: not a Tintbox property bag"},
        {"TintboxPropertyBag\nend\n", "line 1: not a Tintbox property bag"},
        {"TintboxPropertyBag 2\nend\n", "line 1: version 2 is not supported"},
        {"TintboxPropertyBag 99999999999\nend\n", "line 1: bad version"},
        {"TintboxPropertyBag 1\n", "line 1: no end marker"},
        {"TintboxPropertyBag 1\nEnabled=bool:False\n", "line 2: no end marker"},
        {"TintboxPropertyBag 1\nEnabled=bool:False\nend\n\n", "line 4: no end marker"},
        {header + "end\nend\n", "line 3: data after the end marker"},
        {with_entry("Enabled"), "line 2: expected Name=type:value"},
        {with_entry("Enabled=False"), "line 2: no type for \"Enabled\""},
        {with_entry("Enabled=boolean:True"), "line 2: unknown type \"boolean\" for \"Enabled\""},
        {with_entry("E=\x01\x02:1"), "line 2: unknown type for \"E\""},
        {with_entry("Bad\\x4=int:1"), "line 2: bad property name"},
        {with_entry("Sp ace=int:1"), "line 2: bad property name"},
        {header + "A=int:1\nA=int:2\nend\n", "line 3: duplicate property \"A\""},
        {header + "A\\x41=int:1\nAA=int:2\nend\n", "line 3: duplicate property \"AA\""},
        {with_entry("E=bool:true"), "line 2: bad bool value for \"E\""},
        {with_entry("N=int:"), "line 2: bad int value"},
        {with_entry("N=int:2147483648"), "line 2: bad int value"},
        {with_entry("N=int:+1"), "line 2: bad int value"},
        {with_entry("N=nothing:x"), "line 2: bad nothing value"},
        {with_entry("T=text:\\q"), "line 2: bad text value for \"T\""},
        {with_entry("T=text:\\u12G4"), "line 2: bad text value"},
        {with_entry("T=text:a\\"), "line 2: bad text value"},
        {with_entry("T=text:tab\there"), "line 2: bad text value"},
        {with_entry("T=text:\xC0\x80"), "line 2: bad text value"},          // overlong
        {with_entry("T=text:\xED\xA0\x80"), "line 2: bad text value"},      // surrogate
        {with_entry("T=text:\xF4\x90\x80\x80"), "line 2: bad text value"},  // > U+10FFFF
        {with_entry("T=text:\xE2\x82"), "line 2: bad text value"},          // cut short
        {with_entry("P=picture:Qk0"), "line 2: bad base64 in picture \"P\""},
        {with_entry("P=picture:QR=="), "line 2: bad base64"},  // stray bits after the byte
        {with_entry("P=picture:AA==AAAA"), "line 2: bad base64"},
        {with_entry("P=picture:"), "line 2: picture \"P\": no picture data"},
        {with_entry("P=picture:Qk14eA=="), "line 2: picture \"P\": truncated BMP header"},
        // A long name shows as an excerpt, not whole.
        {with_entry(std::string(1 << 12, 'N') + "=bool:1"),
         "line 2: bad bool value for \"" + std::string(40, 'N') + "...\""},
        {with_entry(std::string(1 << 12, 'N') + "=1"),
         "line 2: no type for \"" + std::string(40, 'N') + "...\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where_and_fault);
        expect_bad_bag(c.text, c.where_and_fault);
    }
}

TEST(BagFormat, EveryTruncationIsDetected) {
    const std::string text = serialize_property_bag(varied_bag());
    // Only the final newline may go missing.
    for (std::size_t length = 0; length + 1 < text.size(); ++length) {
        try {
            parse_property_bag(text.substr(0, length), "cut");
            ADD_FAILURE() << "a file cut to " << length << " bytes was accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::BadPropertyBag) << error.detail();
        }
    }
}

class BagFile : public ::testing::Test {
  protected:
    std::vector<std::string> names_in_dir() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder folder_{"tintbox-bag-"};
    const std::filesystem::path dir_ = folder_.path();
};

TEST_F(BagFile, SavesOverAnOldFileAndLoadsBack) {
    const std::string path = (dir_ / "form.tbag").string();
    std::ofstream(path) << std::string(100000, 'x');
    const MemoryPropertyBag bag = varied_bag();
    save_property_bag(bag, path);
    EXPECT_EQ(read_file(path), serialize_property_bag(bag));
    expect_same_entries(bag, load_property_bag(path));
    EXPECT_EQ(names_in_dir(), std::vector<std::string>{"form.tbag"}) << "no temporary left";
}

TEST_F(BagFile, FailedSaveLeavesTheTargetAndNoTemporary) {
    MemoryPropertyBag bag;
    bag.set_entry("Enabled", false);

    // The target is a directory: the rename fails after the temporary was written.
    const std::filesystem::path occupied = dir_ / "occupied";
    std::filesystem::create_directories(occupied / "keep");
    const std::string missing_dir = (dir_ / "no-such-dir" / "form.tbag").string();
    for (const std::string& path : {occupied.string(), missing_dir}) {
        SCOPED_TRACE(path);
        try {
            save_property_bag(bag, path);
            ADD_FAILURE() << "saved";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::FileError);
            EXPECT_EQ(error.detail().rfind(path + ": cannot write: ", 0), 0u) << error.detail();
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(occupied / "keep"));
    EXPECT_EQ(names_in_dir(), std::vector<std::string>{"occupied"});
}

TEST_F(BagFile, LoadErrorsNameTheFile) {
    const std::string missing = (dir_ / "missing.tbag").string();
    try {
        load_property_bag(missing);
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::FileError);
        EXPECT_EQ(error.detail(), missing + ": cannot read: No such file or directory");
    }

    const std::string corrupt = (dir_ / "corrupt.tbag").string();
    std::ofstream(corrupt) << "TintboxPropertyBag 1\nEnabled=bool:False\n";
    try {
        load_property_bag(corrupt);
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::BadPropertyBag);
        EXPECT_EQ(error.detail(), corrupt + ": line 2: no end marker: the file is truncated");
    }
}

}  // namespace
}  // namespace tintbox

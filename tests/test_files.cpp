// What the picture and property-bag files refuse: anything but a regular file (at once,
// never waiting for a FIFO's writer), a name with a NUL in it; and what they take: a file
// name as long as the file system allows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "temp_folder.hpp"
#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"
#include "tintbox/property_bag.hpp"

namespace tintbox {
namespace {

class Files : public ::testing::Test {
  protected:
    std::size_t entries_in_dir() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_),
                                                      std::filesystem::directory_iterator()));
    }

    TempFolder folder_{"tintbox-files-"};
    const std::filesystem::path dir_ = folder_.path();
};

MemoryPropertyBag disabled_bag() {
    MemoryPropertyBag bag;
    bag.set_entry("Enabled", false);
    return bag;
}

// Runs `action` and returns the detail of the FileError it must throw.
std::string file_error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), ErrorKind::FileError) << error.detail();
        return error.detail();
    }
    ADD_FAILURE() << "no error";
    return "";
}

TEST_F(Files, LoadingRefusesEverythingButARegularFileAtOnce) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: opening it would wait
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {"/dev/zero", "it is not a regular file"},  // endless: would be read for seconds
        {fifo, "it is not a regular file"},
        {dir_.string(), "it is a directory"},
    };
    for (const auto& special : cases) {
        SCOPED_TRACE(special.path);
        const std::string expected = special.path + ": cannot read: " + special.reason;
        EXPECT_EQ(file_error_of([&] { load_property_bag(special.path); }), expected);
        EXPECT_EQ(file_error_of([&] { load_picture_file(special.path); }), expected);
    }
}

TEST_F(Files, SavingNeverReplacesADeviceAFifoOrADirectory) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir_.string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(file_error_of([&] {
                      save_property_bag(disabled_bag(), path);
                  }).rfind(path + ": cannot write: it is ", 0),
                  0u);
    }
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    EXPECT_EQ(entries_in_dir(), 1u) << "no temporary left";
}

TEST_F(Files, AFileNameAsLongAsTheFileSystemAllowsSavesAndLoads) {
    const std::string path = (dir_ / std::string(255, 'n')).string();
    save_property_bag(disabled_bag(), path);
    EXPECT_EQ(load_property_bag(path).entries(), disabled_bag().entries());
    EXPECT_EQ(entries_in_dir(), 1u) << "no temporary left";
}

TEST_F(Files, ANulInsideAFileNameIsRefusedAndNothingIsWritten) {
    using namespace std::string_literals;
    const std::string path = (dir_ / "form"s).string() + "\0.tbag"s;
    const std::string message = file_error_of([&] { save_property_bag(disabled_bag(), path); });
    EXPECT_NE(message.find("cannot write: the file name contains a NUL character"),
              std::string::npos);
    EXPECT_EQ(message.find('\0'), std::string::npos) << "a C host would read it cut short";
    EXPECT_EQ(entries_in_dir(), 0u) << "no file under the name cut at the NUL";
    for (const auto& load : std::initializer_list<std::function<void()>>{
             [&] { load_property_bag(path); }, [&] { load_picture_file(path); }}) {
        EXPECT_NE(file_error_of(load).find("the file name contains a NUL character"),
                  std::string::npos);
    }
}

TEST_F(Files, MessagesShowAShortExcerptOfALongName) {
    const std::string path = (dir_ / std::string(200, 'm')).string() + "/missing\xFF";
    const std::string detail = file_error_of([&] { load_property_bag(path); });
    EXPECT_LT(detail.size(), 160u) << detail;
    EXPECT_EQ(detail.find('\xFF'), std::string::npos) << "malformed UTF-8 is replaced";
}

}  // namespace
}  // namespace tintbox

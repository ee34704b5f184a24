// What the picture and property-bag files refuse: anything but a regular file (at once,
// never waiting for a FIFO's writer), a read-only file, a name with a NUL in it; what
// they take: a file name as long as the file system allows; what a save keeps of the
// file it replaces (mode, owner, symbolic links) and what it cleans up of saves that
// were killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
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

std::string contents_of(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::set<std::string> names_in(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Each row saves through `saved` after `prepare` and checks the file at `written`.
TEST_F(Files, SavingKeepsTheModeTheOwnerAndTheLinksOfTheFile) {
    std::filesystem::create_directory(dir_ / "sub");
    const std::string expected = serialize_property_bag(disabled_bag());
    struct stat before {};
    const struct {
        const char* what;
        std::function<void()> prepare;
        const char* saved;
        const char* written;
    } rows[] = {
        {"a private file stays private, with its owner and group",
         [&] {
             std::ofstream(dir_ / "private.tbag") << "old";
             ASSERT_EQ(::chmod((dir_ / "private.tbag").c_str(), 0600), 0);
             if (::geteuid() == 0) {  // only the superuser may give a file away
                 ASSERT_EQ(::chown((dir_ / "private.tbag").c_str(), 65534, 65534), 0);
             }
         },
         "private.tbag", "private.tbag"},
        {"a chain of relative links is written through to its end",
         [&] {
             std::ofstream(dir_ / "sub" / "real.tbag") << "old";
             ASSERT_EQ(::chmod((dir_ / "sub" / "real.tbag").c_str(), 0640), 0);
             std::filesystem::create_symlink("sub/real.tbag", dir_ / "first-link");
             std::filesystem::create_symlink("first-link", dir_ / "second-link");
         },
         "second-link", "sub/real.tbag"},
        {"a dangling link names the file to create",
         [&] { std::filesystem::create_symlink(dir_ / "sub" / "new.tbag", dir_ / "dangling"); },
         "dangling", "sub/new.tbag"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        row.prepare();
        const std::filesystem::path written = dir_ / row.written;
        const bool existed = ::stat(written.c_str(), &before) == 0;
        save_property_bag(disabled_bag(), (dir_ / row.saved).string());
        EXPECT_EQ(contents_of(written), expected);
        struct stat after {};
        ASSERT_EQ(::lstat(written.c_str(), &after), 0);
        EXPECT_TRUE(S_ISREG(after.st_mode));
        if (existed) {
            EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
            EXPECT_EQ(after.st_uid, before.st_uid);
            EXPECT_EQ(after.st_gid, before.st_gid);
        }
        EXPECT_EQ(std::filesystem::is_symlink(dir_ / row.saved), row.saved != row.written);
    }
    EXPECT_EQ(names_in(dir_ / "sub"), (std::set<std::string>{"new.tbag", "real.tbag"}))
        << "no temporary left";
}

TEST_F(Files, SavingRefusesToReplaceAReadOnlyFile) {
    const std::filesystem::path path = dir_ / "locked.tbag";
    std::ofstream(path) << "old";
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(file_error_of([&] { save_property_bag(disabled_bag(), path.string()); }),
              path.string() + ": cannot write: the file is read-only");
    EXPECT_EQ(contents_of(path), "old");
    EXPECT_EQ(entries_in_dir(), 1u) << "no temporary left";
}

// A save killed in the middle of writing leaves its temporary file; the next save of the
// same file removes it once its writer has ended and it has not been written to for a
// while, and leaves every other file alone.
TEST_F(Files, TheNextSaveRemovesWhatAKilledSaveOfTheSameFileLeft) {
    const std::string target = (dir_ / "form.tbag").string();
    const std::string other = (dir_ / "other.tbag").string();
    MemoryPropertyBag large;
    large.set_entry("Caption", std::u16string(1 << 16, u'x'));

    // A child saves `path` and is stopped by the file size limit in the middle of it:
    // killed, or kept waiting (alive) when `stays_alive`. Returns the temporary it left.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    static int ready_writer;
    ready_writer = ready[1];
    std::vector<pid_t> waiting;
    const auto interrupted_save = [&](const std::string& path, bool stays_alive) {
        const std::set<std::string> before = names_in(dir_);
        const pid_t child = ::fork();
        if (child == 0) {
            const struct rlimit no_core { 0, 0 }, small{4096, 4096};
            ::setrlimit(RLIMIT_CORE, &no_core);
            ::setrlimit(RLIMIT_FSIZE, &small);
            if (stays_alive) {
                ::signal(SIGXFSZ, [](int) {
                    const char byte = 1;
                    if (::write(ready_writer, &byte, 1) == 1) {
                        for (;;) {
                            ::pause();
                        }
                    }
                });
            }
            try {
                save_property_bag(large, path);
            } catch (...) {
            }
            ::_exit(0);
        }
        if (stays_alive) {
            char byte = 0;
            EXPECT_EQ(::read(ready[0], &byte, 1), 1);
            waiting.push_back(child);
        } else {
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
        }
        std::set<std::string> left = names_in(dir_);
        for (const std::string& name : before) {
            left.erase(name);
        }
        EXPECT_EQ(left.size(), 1u);
        return left.empty() ? dir_ : dir_ / *left.begin();
    };
    const auto age = [](const std::filesystem::path& path) {
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        return path;
    };
    save_property_bag(disabled_bag(), target);
    const struct {
        const char* what;
        std::filesystem::path left;
        const char* left_for;
        bool removed;
    } rows[] = {
        {"this file's, its writer killed", age(interrupted_save(target, false)), "form.tbag", true},
        {"this file's, its writer killed, written just now", interrupted_save(target, false),
         "form.tbag", false},
        {"this file's, its writer still running", age(interrupted_save(target, true)), "form.tbag",
         false},
        {"another file's", age(interrupted_save(other, false)), "other.tbag", false},
    };
    save_property_bag(disabled_bag(), target);
    for (const pid_t child : waiting) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    ::close(ready[0]);
    ::close(ready[1]);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_NE(row.left.filename().string().find(row.left_for), std::string::npos)
            << "the temporary names its target";
        EXPECT_EQ(std::filesystem::exists(row.left), !row.removed);
    }
    EXPECT_EQ(contents_of(target), serialize_property_bag(disabled_bag()));
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

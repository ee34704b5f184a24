#include "file_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "../text/text.hpp"
#include "tintbox/error.hpp"

#if defined(__unix__) || defined(__APPLE__)
// Non-blocking opening and fsync: the only ways not to wait on a FIFO and to get the
// data onto the disk before the rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define TINTBOX_POSIX_FILES 1
#endif

namespace tintbox::detail {

namespace {

constexpr std::size_t kLongestPathInMessage = 100;

Error file_error(const std::string& path, const char* doing, const std::string& reason) {
    return Error(ErrorKind::FileError, path_in_message(path) + ": cannot " + doing + ": " + reason);
}

// The C library would read a name only up to its first NUL: a different file.
void refuse_embedded_nul(const std::string& path, const char* doing) {
    if (path.find('\0') != std::string::npos) {
        throw file_error(path, doing, "the file name contains a NUL character");
    }
}

// Opens `path` for reading if it is a regular file, and gives its size. A directory, a
// device or a FIFO is refused at once: opening a FIFO without a writer would wait.
std::FILE* open_regular_file(const std::string& path, std::uint64_t& size) {
    const auto not_regular = [&](bool directory) {
        return file_error(path, "read",
                          directory ? "it is a directory" : "it is not a regular file");
    };
#ifdef TINTBOX_POSIX_FILES
    // Non-blocking, so that the open itself never waits; the check on the opened file
    // leaves no moment in which the name could be swapped.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw file_error(path, "read", std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int fault = errno;
        ::close(fd);
        throw file_error(path, "read", std::strerror(fault));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw not_regular(S_ISDIR(info.st_mode));
    }
    size = static_cast<std::uint64_t>(info.st_size);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        const int fault = errno;
        ::close(fd);
        throw file_error(path, "read", std::strerror(fault));
    }
    return file;
#else
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw not_regular(std::filesystem::is_directory(status));
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw file_error(path, "read", std::strerror(errno));
    }
    size = std::filesystem::file_size(path, error);
    return file;
#endif
}

// A temporary file in the target's folder that is removed unless it was renamed over
// the target. Its name does not grow with the target's (".tintbox-", 16 hexadecimal
// digits, ".tmp"), so a target name near the length limit still works.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target) : target_(target) {
        const std::filesystem::path folder = std::filesystem::path(target).parent_path();
        std::random_device random;
        for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
            const std::uint64_t suffix = (std::uint64_t{random()} << 32) | random();
            std::string name = ".tintbox-";
            for (int shift = 60; shift >= 0; shift -= 4) {
                name += text::upper_hex_digit(static_cast<unsigned>(suffix >> shift));
            }
            path_ = (folder / (name + ".tmp")).string();
            file_ = std::fopen(path_.c_str(), "wbx");  // exclusive: never reuse a file
            if (!file_ && errno != EEXIST) {
                break;
            }
        }
        if (!file_) {
            throw failure();
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ~TemporaryFile() {
        if (file_) {
            std::fclose(file_);
        }
        if (!renamed_) {
            std::remove(path_.c_str());
        }
    }

    void write_all_and_replace_target(std::string_view contents) {
        if (std::fwrite(contents.data(), 1, contents.size(), file_) != contents.size() ||
            std::fflush(file_) != 0) {
            throw failure();
        }
#ifdef TINTBOX_POSIX_FILES
        // The data must be on the disk before the rename makes it the file.
        if (fsync(fileno(file_)) != 0) {
            throw failure();
        }
#endif
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0 || std::rename(path_.c_str(), target_.c_str()) != 0) {
            throw failure();
        }
        renamed_ = true;
    }

  private:
    Error failure() const {
        return file_error(target_, "write", std::strerror(errno));
    }

    const std::string& target_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool renamed_ = false;
};

}  // namespace

std::string path_in_message(std::string_view path) {
    return text::excerpt(path, kLongestPathInMessage);
}

std::string read_whole_file(const std::string& path, std::uint64_t max_bytes) {
    refuse_embedded_nul(path, "read");
    std::uint64_t size = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_regular_file(path, size),
                                                         &std::fclose);
    const auto too_large = [&] {
        return file_error(path, "read",
                          "file is larger than " + std::to_string(max_bytes) + " bytes");
    };
    if (size > max_bytes) {
        throw too_large();
    }
    std::string contents;
    contents.reserve(static_cast<std::size_t>(size));
    char chunk[1 << 16];
    while (true) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got == 0) {
            break;
        }
        if (contents.size() + got > max_bytes) {  // the file grew while it was read
            throw too_large();
        }
        contents.append(chunk, got);
    }
    if (std::ferror(file.get())) {
        throw file_error(path, "read", std::strerror(errno));
    }
    return contents;
}

void write_file_atomically(const std::string& path, std::string_view contents) {
    refuse_embedded_nul(path, "write");
    // Renaming over a device, a FIFO or a directory would replace it with a file.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw file_error(path, "write",
                         std::filesystem::is_directory(status) ? "it is a directory"
                                                               : "it is not a regular file");
    }
    TemporaryFile temporary(path);
    temporary.write_all_and_replace_target(contents);
}

}  // namespace tintbox::detail

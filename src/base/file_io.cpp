#include "file_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "tintbox/error.hpp"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>  // fsync: the only way to get the data onto the disk before the rename
#define TINTBOX_HAVE_FSYNC 1
#endif

namespace tintbox::detail {

namespace {

// A temporary file beside the target that is removed unless it was renamed over it.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target) : target_(target) {
        std::random_device random;
        for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
            const std::uint64_t suffix = (std::uint64_t{random()} << 32) | random();
            path_ = target + ".tmp-" + std::to_string(suffix);
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
#ifdef TINTBOX_HAVE_FSYNC
        if (fsync(fileno(file_)) != 0) {
            throw failure();
        }
#endif
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0) {
            throw failure();
        }
        if (std::rename(path_.c_str(), target_.c_str()) != 0) {
            throw failure();
        }
        renamed_ = true;
    }

  private:
    Error failure() const {
        return Error(ErrorKind::FileError, target_ + ": cannot write: " + std::strerror(errno));
    }

    const std::string& target_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool renamed_ = false;
};

}  // namespace

std::string read_whole_file(const std::string& path, std::uint64_t max_bytes) {
    const auto cannot_read = [&](const std::string& reason) {
        return Error(ErrorKind::FileError, path + ": cannot read: " + reason);
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        throw cannot_read(std::strerror(errno));
    }
    std::string contents;
    char chunk[1 << 16];
    while (true) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got == 0) {
            break;
        }
        if (contents.size() + got > max_bytes) {
            throw cannot_read("file is larger than " + std::to_string(max_bytes) + " bytes");
        }
        contents.append(chunk, got);
    }
    if (std::ferror(file.get())) {
        throw cannot_read(std::strerror(errno));
    }
    return contents;
}

void write_file_atomically(const std::string& path, std::string_view contents) {
    TemporaryFile temporary(path);
    temporary.write_all_and_replace_target(contents);
}

}  // namespace tintbox::detail

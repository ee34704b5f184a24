#include "file_io.hpp"

#include <algorithm>
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

#ifdef _WIN32
// Windows opens files by UTF-16 names (the narrow functions take the ANSI code page,
// which cannot name every file) and replaces a file only through MoveFileExW.
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>

#include "../text/text.hpp"
#endif

namespace tintbox::detail {

namespace {

#ifdef _WIN32

// The UTF-16 name of a UTF-8 path; Error(FileError) for a path that is no UTF-8.
std::wstring wide_path(const std::string& path) {
    std::u16string wide;
    if (!text::utf16_from_utf8_strict(path, wide)) {
        throw Error(ErrorKind::FileError, text::excerpt(path) + ": the name is not UTF-8");
    }
    return std::wstring(wide.begin(), wide.end());
}

std::string system_message(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string message = length ? std::string(buffer, length) : "error " + std::to_string(code);
    LocalFree(buffer);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message;
}

std::FILE* open_for_reading(const std::string& path) {
    return _wfopen(wide_path(path).c_str(), L"rb");
}

// A temporary file beside the target that is removed unless it was moved over it.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target)
        : target_(target), wide_target_(wide_path(target)) {
        std::random_device random;
        for (int attempt = 0; attempt < 16 && file_ == INVALID_HANDLE_VALUE; ++attempt) {
            const std::uint64_t suffix = (std::uint64_t{random()} << 32) | random();
            path_ = wide_target_ + L".tmp-" + std::to_wstring(suffix);
            // CREATE_NEW: never reuse a file.
            file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file_ == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
                break;
            }
        }
        if (file_ == INVALID_HANDLE_VALUE) {
            throw failure();
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ~TemporaryFile() {
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
        }
        if (!moved_) {
            DeleteFileW(path_.c_str());
        }
    }

    void write_all_and_replace_target(std::string_view contents) {
        while (!contents.empty()) {
            const DWORD piece =
                static_cast<DWORD>(std::min<std::size_t>(contents.size(), 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_, contents.data(), piece, &written, nullptr) || written == 0) {
                throw failure();
            }
            contents.remove_prefix(written);
        }
        if (!FlushFileBuffers(file_)) {
            throw failure();
        }
        const BOOL closed = CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        if (!closed || !MoveFileExW(path_.c_str(), wide_target_.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            throw failure();
        }
        moved_ = true;
    }

  private:
    Error failure() const {
        return Error(ErrorKind::FileError,
                     target_ + ": cannot write: " + system_message(GetLastError()));
    }

    const std::string& target_;
    std::wstring wide_target_;
    std::wstring path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool moved_ = false;
};

#else

std::FILE* open_for_reading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

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

#endif

}  // namespace

std::string read_whole_file(const std::string& path, std::uint64_t max_bytes) {
    const auto cannot_read = [&](const std::string& reason) {
        return Error(ErrorKind::FileError, path + ": cannot read: " + reason);
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_for_reading(path), &std::fclose);
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

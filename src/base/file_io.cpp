#include "file_io.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "text/text.hpp"
#include "tintbox/error.hpp"

#if defined(__unix__) || defined(__APPLE__)
// Non-blocking opening and fsync: the only ways not to wait on a FIFO and to get the
// data onto the disk before the rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define TINTBOX_POSIX_FILES 1
#endif

#ifdef _WIN32
// Windows names files in UTF-16 (the narrow functions take the ANSI code page, which
// cannot name every file), writes a file through with FlushFileBuffers and replaces one
// only through MoveFileExW.
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace tintbox::detail {

namespace {

constexpr std::size_t kLongestPathInMessage = 100;

Error file_error(const std::string& path, const char* doing, const std::string& reason) {
    return Error(ErrorKind::FileError, path_in_message(path) + ": cannot " + doing + ": " + reason);
}

#ifdef _WIN32
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
#endif

// The name as the system takes it: the UTF-16 of the UTF-8 name on Windows, the bytes
// themselves elsewhere.
std::filesystem::path native_path(const std::string& path, const char* doing) {
#ifdef _WIN32
    std::u16string wide;
    if (!text::utf16_from_utf8_strict(path, wide)) {
        throw file_error(path, doing, "the file name is not UTF-8");
    }
    return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#else
    (void)doing;
    return std::filesystem::path(path);
#endif
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
    const std::filesystem::path native = native_path(path, "read");
    std::error_code error;
    const auto status = std::filesystem::status(native, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw not_regular(std::filesystem::is_directory(status));
    }
#ifdef _WIN32
    std::FILE* file = _wfopen(native.c_str(), L"rb");
#else
    std::FILE* file = std::fopen(native.c_str(), "rb");
#endif
    if (file == nullptr) {
        throw file_error(path, "read", std::strerror(errno));
    }
    size = std::filesystem::file_size(native, error);
    return file;
#endif
}

// A temporary file in the target's folder that is removed unless it was renamed over
// the target. Its name does not grow with the target's (".tintbox-", 16 hexadecimal
// digits, ".tmp"), so a target name near the length limit still works.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target)
        : target_(target), native_target_(native_path(target, "write")) {
        const std::filesystem::path folder = native_target_.parent_path();
        std::random_device random;
        for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
            const std::uint64_t suffix = (std::uint64_t{random()} << 32) | random();
            std::string name = ".tintbox-";
            for (int shift = 60; shift >= 0; shift -= 4) {
                name += text::upper_hex_digit(static_cast<unsigned>(suffix >> shift));
            }
            path_ = folder / (name + ".tmp");
            file_ = open_new_file(path_);  // exclusive: never reuse a file
            if (!file_ && errno != EEXIST) {
                break;
            }
        }
        if (!file_) {
            throw failure(std::strerror(errno));
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ~TemporaryFile() {
        if (file_) {
            std::fclose(file_);
        }
        if (!renamed_) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }

    void write_all_and_replace_target(std::string_view contents) {
        if (std::fwrite(contents.data(), 1, contents.size(), file_) != contents.size() ||
            std::fflush(file_) != 0) {
            throw failure(std::strerror(errno));
        }
        // The data must be on the disk before the rename makes it the file.
#ifdef TINTBOX_POSIX_FILES
        if (fsync(fileno(file_)) != 0) {
            throw failure(std::strerror(errno));
        }
#elif defined(_WIN32)
        if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_))))) {
            throw failure(system_message(GetLastError()));
        }
#endif
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0) {
            throw failure(std::strerror(errno));
        }
#ifdef _WIN32
        // rename() refuses an existing target on Windows.
        if (!MoveFileExW(path_.c_str(), native_target_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            throw failure(system_message(GetLastError()));
        }
#else
        if (std::rename(path_.c_str(), native_target_.c_str()) != 0) {
            throw failure(std::strerror(errno));
        }
#endif
        renamed_ = true;
    }

  private:
    // A new file at `path` opened for writing; null with errno EEXIST when one is there.
    static std::FILE* open_new_file(const std::filesystem::path& path) {
#ifdef _WIN32
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            errno = GetLastError() == ERROR_FILE_EXISTS ? EEXIST : EACCES;
            return nullptr;
        }
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        std::FILE* file = descriptor < 0 ? nullptr : _fdopen(descriptor, "wb");
        if (!file) {
            if (descriptor < 0) {
                CloseHandle(handle);
            } else {
                _close(descriptor);  // closes the handle too
            }
            DeleteFileW(path.c_str());
            errno = EMFILE;
        }
        return file;
#else
        return std::fopen(path.c_str(), "wbx");
#endif
    }

    Error failure(const std::string& reason) const {
        return file_error(target_, "write", reason);
    }

    const std::string& target_;
    std::filesystem::path native_target_;
    std::filesystem::path path_;
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
    const auto status = std::filesystem::status(native_path(path, "write"), error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw file_error(path, "write",
                         std::filesystem::is_directory(status) ? "it is a directory"
                                                               : "it is not a regular file");
    }
    TemporaryFile temporary(path);
    temporary.write_all_and_replace_target(contents);
}

}  // namespace tintbox::detail

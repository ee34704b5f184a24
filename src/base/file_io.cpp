#include "file_io.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <type_traits>

#include "text/text.hpp"
#include "tintbox/error.hpp"

#if defined(__unix__) || defined(__APPLE__)
// Non-blocking opening and fsync: the only ways not to wait on a FIFO and to get the
// data onto the disk before the rename. Owner, group and mode: what a replaced file
// keeps. kill(pid, 0): whether the writer of a left-over temporary file still runs.
#include <fcntl.h>
#include <signal.h>
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
constexpr int kMostLinksFollowed = 40;  // as Linux itself follows
// How much of the target's name a temporary file's name repeats, for a person's eye.
constexpr std::size_t kTargetNameInTemporary = 32;
// A temporary file whose writer has ended is removed only once it is this old: a
// process of another machine sharing the folder may still be writing it.
constexpr auto kAbandonedAfter = std::chrono::minutes(10);

using NativeString = std::filesystem::path::string_type;

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

// The file that saving `path` replaces: the end of its chain of symbolic links, so that
// a link is written through and stays a link. A dangling link names the file to create.
std::filesystem::path final_target(const std::string& path) {
    std::filesystem::path target = native_path(path, "write");
    for (int links = 0; links < kMostLinksFollowed; ++links) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
            return target;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error) {
            throw file_error(path, "write", error.message());
        }
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    throw file_error(path, "write", "too many levels of symbolic links");
}

std::filesystem::path folder_of(const std::filesystem::path& target) {
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

std::string hex_digits(std::uint64_t value, int digits) {
    std::string out;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += text::upper_hex_digit(static_cast<unsigned>(value >> shift));
    }
    return out;
}

// How every temporary file of `target` begins: "." and the start of the target's name
// (for a person), ".tintbox-" and a hash of the whole name (so that a save finds its
// own target's left-overs and no one else's), then "-". The writer's process id, "-",
// eight random hexadecimal digits and ".tmp" follow. The name stays short whatever the
// target's, so a target name near the length limit still works.
NativeString temporary_prefix(const std::filesystem::path& target) {
    const NativeString name = target.filename().native();
    std::uint64_t hash = 0xCBF29CE484222325;  // FNV-1a
    std::string readable;
    for (const auto unit : name) {
        const auto code = static_cast<std::make_unsigned_t<NativeString::value_type>>(unit);
        hash = (hash ^ code) * 0x100000001B3;
        if (readable.size() < kTargetNameInTemporary) {
            const bool plain = (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') ||
                               (code >= 'a' && code <= 'z') || code == '.' || code == '-';
            readable += plain ? static_cast<char>(code) : '_';
        }
    }
    return std::filesystem::path("." + readable + ".tintbox-" + hex_digits(hash, 16) + "-")
        .native();
}

std::uint64_t current_process_id() {
#ifdef _WIN32
    return GetCurrentProcessId();
#elif defined(TINTBOX_POSIX_FILES)
    return static_cast<std::uint64_t>(::getpid());
#else
    return 0;
#endif
}

// Whether the process `id` of this machine has ended; false when that cannot be told.
bool process_has_ended(std::uint64_t id) {
#ifdef _WIN32
    if (id > MAXDWORD) {
        return false;
    }
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        return GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
    }
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#elif defined(TINTBOX_POSIX_FILES)
    const auto pid = static_cast<pid_t>(id);
    if (pid <= 0 || static_cast<std::uint64_t>(pid) != id) {
        return false;
    }
    return ::kill(pid, 0) != 0 && errno == ESRCH;
#else
    (void)id;
    return false;
#endif
}

// The writer's process id in the name of a temporary file of the target whose names
// begin with `prefix`; false for any other name.
bool writer_of_temporary(const NativeString& name, const NativeString& prefix,
                         std::uint64_t& writer) {
    const NativeString suffix = std::filesystem::path(".tmp").native();
    if (name.size() < prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix)) {
        return false;
    }
    writer = 0;
    std::size_t at = prefix.size();
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && at - prefix.size() < 19;
         ++at) {
        writer = writer * 10 + static_cast<std::uint64_t>(name[at] - '0');
    }
    return at > prefix.size() && at < name.size() && name[at] == '-';
}

// Removes what earlier saves of `target` left behind when their process died in the
// middle (a kill, a power cut): the temporary files of this target whose writer has
// ended and that have not been written to for a while. Nothing else is touched, and a
// file that cannot be removed stays.
void remove_abandoned_temporaries(const std::filesystem::path& target) {
    const NativeString prefix = temporary_prefix(target);
    const auto now = std::filesystem::file_time_type::clock::now();
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder_of(target), error), end;
         !error && entry != end; entry.increment(error)) {
        std::uint64_t writer = 0;
        std::error_code ignored;
        if (!writer_of_temporary(entry->path().filename().native(), prefix, writer) ||
            !entry->is_regular_file(ignored)) {
            continue;
        }
        const auto written = entry->last_write_time(ignored);
        if (ignored || now - written < kAbandonedAfter || !process_has_ended(writer)) {
            continue;
        }
        std::filesystem::remove(entry->path(), ignored);
    }
}

// A temporary file in the target's folder that is removed unless it was renamed over
// the target. Replacing an existing file, it takes that file's owner and group (where
// the saver may give them) and its mode, and is open to no one else before that.
class TemporaryFile {
  public:
    TemporaryFile(const std::string& path, const std::filesystem::path& target, bool replaces)
        : path_(path), target_(target) {
        const NativeString prefix = temporary_prefix(target);
        const std::string writer = std::to_string(current_process_id()) + "-";
        std::random_device random;
        for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
            temporary_ =
                folder_of(target) /
                (prefix +
                 std::filesystem::path(writer + hex_digits(random(), 8) + ".tmp").native());
            file_ = open_new_file(temporary_, replaces);  // exclusive: never reuse a file
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
            std::filesystem::remove(temporary_, ignored);
        }
    }

#ifdef TINTBOX_POSIX_FILES
    void take_owner_and_mode_of(const struct stat& replaced) {
        const int descriptor = fileno(file_);
        // A saver who may not give the file its owner may still keep its group.
        if (::fchown(descriptor, replaced.st_uid, replaced.st_gid) != 0) {
            const int group_kept = ::fchown(descriptor, static_cast<uid_t>(-1), replaced.st_gid);
            static_cast<void>(group_kept);  // else the saver's group, as for a new file
        }
        // After fchown, which clears the set-id bits.
        if (::fchmod(descriptor, replaced.st_mode & 07777) != 0) {
            throw failure(std::strerror(errno));
        }
    }
#endif

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
        if (!MoveFileExW(temporary_.c_str(), target_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            throw failure(system_message(GetLastError()));
        }
#else
        if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            throw failure(std::strerror(errno));
        }
#endif
        renamed_ = true;
    }

  private:
    // A new file at `path` opened for writing, for its owner alone when `private_file`;
    // null with errno EEXIST when one is there.
    static std::FILE* open_new_file(const std::filesystem::path& path, bool private_file) {
#ifdef _WIN32
        (void)private_file;
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
#elif defined(TINTBOX_POSIX_FILES)
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                      private_file ? 0600 : 0666);
        if (descriptor < 0) {
            return nullptr;
        }
        std::FILE* file = ::fdopen(descriptor, "wb");
        if (!file) {
            const int fault = errno;
            ::close(descriptor);
            ::unlink(path.c_str());
            errno = fault;
        }
        return file;
#else
        (void)private_file;
        return std::fopen(path.c_str(), "wbx");
#endif
    }

    Error failure(const std::string& reason) const {
        return file_error(path_, "write", reason);
    }

    const std::string& path_;  // as the caller named it, for messages
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
    bool renamed_ = false;
};

// Whether the saver may not write to the existing `target`: no write permission at all
// (which the superuser would otherwise override), or none for this user.
bool is_read_only(const std::filesystem::path& target, std::filesystem::perms permissions) {
    using std::filesystem::perms;
    if ((permissions & (perms::owner_write | perms::group_write | perms::others_write)) ==
        perms::none) {
        return true;
    }
#ifdef TINTBOX_POSIX_FILES
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
#else
    (void)target;
    return false;
#endif
}

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
    const std::filesystem::path target = final_target(path);
    // Renaming over a device, a FIFO or a directory would replace it with a file.
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    const bool replaces = !error && std::filesystem::exists(status);
    if (replaces && !std::filesystem::is_regular_file(status)) {
        throw file_error(path, "write",
                         std::filesystem::is_directory(status) ? "it is a directory"
                                                               : "it is not a regular file");
    }
    if (replaces && is_read_only(target, status.permissions())) {
        throw file_error(path, "write", "the file is read-only");
    }
    remove_abandoned_temporaries(target);
    TemporaryFile temporary(path, target, replaces);
#ifdef TINTBOX_POSIX_FILES
    struct stat replaced {};
    if (replaces && ::stat(target.c_str(), &replaced) == 0) {
        temporary.take_owner_and_mode_of(replaced);
    }
#endif
    temporary.write_all_and_replace_target(contents);
}

}  // namespace tintbox::detail

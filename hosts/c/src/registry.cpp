#include "registry.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include "type_library.hpp"

namespace tintbox::shell {
namespace {

struct Entry {
    std::string path;  // relative to the registry directory
    std::string content;
};

std::string version_text() {
    const TintboxTypeLibrary& library = type_library();
    return std::to_string(library.major_version) + "." + std::to_string(library.minor_version);
}

std::vector<Entry> registry_entries(const std::string& library_path) {
    const TintboxTypeLibrary& library = type_library();
    const std::string libid = guid_string(library.libid);
    const std::string clsid = guid_string(library.clsid);
    const std::string version = version_text();

    std::vector<Entry> entries;
    entries.push_back({"classes/" + clsid,
                       "Name=" + std::string(library.class_name) + "\n" +
                           "ProgID=" TINTBOX_PROGID "\n" + "InprocServer=" + library_path + "\n" +
                           "ThreadingModel=Apartment\n" + "TypeLib=" + libid + "\n" + "Version=" +
                           version + "\n" + "Control=\n" + "ToolboxBitmap=" + library_path + "," +
                           std::to_string(TINTBOX_ID_TOOLBOX_BITMAP) + "\n"});
    entries.push_back(
        {"progids/" TINTBOX_PROGID, "CLSID=" + clsid + "\n" + "Name=" + library.class_name + "\n"});
    entries.push_back({"typelibs/" + libid, "Name=" + std::string(library.name) + "\n" +
                                                "Version=" + version + "\n" +
                                                "Locale=" + std::to_string(library.locale_id) +
                                                "\n" + "Path=" + library_path + "\n"});
    for (int i = 0; i < library.interface_count; ++i) {
        const TintboxInterfaceInfo& info = library.interfaces[i];
        entries.push_back({"interfaces/" + guid_string(info.iid),
                           "Name=" + std::string(info.name) + "\n" + "TypeLib=" + libid + "\n" +
                               "Version=" + version + "\n"});
    }
    return entries;
}

constexpr const char* kSubdirectories[] = {"classes", "progids", "typelibs", "interfaces"};

// A temporary file whose process has ended is removed only once it is this old: a
// process of another machine sharing the folder may still be writing it.
constexpr std::time_t kAbandonedAfterSeconds = 10 * 60;

// The process id in `name` when it is one of the temporary names of the entry file
// `entry_name`: "<entry>.tmp<pid>" (staged) or "<entry>.tmp<pid>.previous"; 0 otherwise.
pid_t writer_of_temporary(std::string_view name, std::string_view entry_name) {
    const std::string_view marker = ".tmp";
    if (name.substr(0, entry_name.size()) != entry_name ||
        name.substr(entry_name.size(), marker.size()) != marker) {
        return 0;
    }
    name.remove_prefix(entry_name.size() + marker.size());
    long long pid = 0;
    std::size_t digits = 0;
    for (; digits < name.size() && digits < 10 && name[digits] >= '0' && name[digits] <= '9';
         ++digits) {
        pid = pid * 10 + (name[digits] - '0');
    }
    const std::string_view rest = name.substr(digits);
    const bool whole = digits > 0 && (rest.empty() || rest == ".previous");
    return whole && pid == static_cast<pid_t>(pid) ? static_cast<pid_t>(pid) : 0;
}

// Removes what registrations killed in the middle left beside the entries: their
// staged files and second names of previous entries, once their process has ended and
// they have not been written to for a while. A second name is never the only name of
// an entry, so nothing registered goes with it.
void remove_abandoned_temporaries(const std::string& root, const std::vector<Entry>& entries) {
    const std::time_t now = std::time(nullptr);
    for (const char* subdirectory : kSubdirectories) {
        const std::string folder = root + "/" + subdirectory;
        DIR* listing = ::opendir(folder.c_str());
        if (listing == nullptr) {
            continue;
        }
        while (const dirent* found = ::readdir(listing)) {
            pid_t writer = 0;
            for (const Entry& entry : entries) {
                const std::string_view entry_path = entry.path;
                const std::size_t slash = entry_path.find('/');
                if (writer == 0 && entry_path.substr(0, slash) == subdirectory) {
                    writer = writer_of_temporary(found->d_name, entry_path.substr(slash + 1));
                }
            }
            const std::string path = folder + "/" + found->d_name;
            struct stat info {};
            if (writer > 0 && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                now - info.st_mtime >= kAbandonedAfterSeconds && ::kill(writer, 0) != 0 &&
                errno == ESRCH) {
                ::unlink(path.c_str());
            }
        }
        ::closedir(listing);
    }
}

bool make_directory(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) == 0) {
        return true;
    }
    struct stat info {};
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool make_directories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string parent = path.substr(0, slash);
        if (!make_directory(parent)) {
            return false;
        }
    }
    return make_directory(path);
}

bool write_file(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    while (ok && !content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        ok = written > 0;
        if (ok) {
            content.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    // The entry must be on disk before the rename makes it visible.
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

// One registry file on its way into place.
struct Placement {
    std::string target;
    std::string staged;    // the new content, written beforehand
    std::string previous;  // a second name of the entry that was there before, if any
    bool kept_previous = false;

    bool place() {
        ::unlink(previous.c_str());  // left by a process that died here
        if (::link(target.c_str(), previous.c_str()) == 0) {
            kept_previous = true;
        } else if (errno != ENOENT) {
            return false;
        }
        return std::rename(staged.c_str(), target.c_str()) == 0;
    }

    // Undoes place() after it succeeded. Should the previous entry not go back, its
    // second name stays: a left-over file rather than a lost entry.
    void put_back() {
        if (kept_previous) {
            std::rename(previous.c_str(), target.c_str());
            kept_previous = false;
        } else {
            ::unlink(target.c_str());
        }
    }
};

}  // namespace

std::string registry_directory() {
    const auto value_of = [](const char* name) -> std::string {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    };
    std::string directory = value_of("TINTBOX_REGISTRY_DIR");
    if (!directory.empty()) {
        return directory;
    }
    // XDG says to ignore a relative XDG_DATA_HOME.
    directory = value_of("XDG_DATA_HOME");
    if (!directory.empty() && directory.front() == '/') {
        return directory + "/tintbox/registry";
    }
    directory = value_of("HOME");
    if (!directory.empty()) {
        return directory + "/.local/share/tintbox/registry";
    }
    return "";
}

TintboxStatus register_server(const std::string& library_path) {
    const std::string root = registry_directory();
    // A line break in the path would split its line of the entry.
    if (root.empty() || library_path.find('\n') != std::string::npos || !make_directories(root)) {
        return TINTBOX_E_REGISTRY;
    }
    for (const char* subdirectory : kSubdirectories) {
        if (!make_directory(root + "/" + subdirectory)) {
            return TINTBOX_E_REGISTRY;
        }
    }

    const std::vector<Entry> entries = registry_entries(library_path);
    remove_abandoned_temporaries(root, entries);

    // Stage every file under a temporary name first. Then put them in place one by one,
    // keeping each previous entry under a second name (a hard link) until all are in
    // place: a failure at any step puts the previous registration back whole and removes
    // what this call wrote.
    const std::string process = std::to_string(::getpid());
    std::vector<Placement> placements;
    for (const Entry& entry : entries) {
        const std::string target = root + "/" + entry.path;
        placements.push_back(
            {target, target + ".tmp" + process, target + ".tmp" + process + ".previous"});
    }
    bool ok = true;
    std::size_t staged = 0;
    while (ok && staged < entries.size()) {
        ok = write_file(placements[staged].staged, entries[staged].content);
        ++staged;  // a failed write may still have left its file
    }
    std::size_t placed = 0;
    while (ok && placed < placements.size()) {
        ok = placements[placed].place();
        placed += ok ? 1 : 0;
    }
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (!ok && i < placed) {
            placements[i].put_back();
        } else if (!ok && i < staged) {
            ::unlink(placements[i].staged.c_str());
        }
        if (placements[i].kept_previous) {
            ::unlink(placements[i].previous.c_str());
        }
    }
    return ok ? TINTBOX_OK : TINTBOX_E_REGISTRY;
}

TintboxStatus unregister_server() {
    const std::string root = registry_directory();
    if (root.empty()) {
        return TINTBOX_E_REGISTRY;
    }
    bool ok = true;
    for (const Entry& entry : registry_entries("")) {
        const std::string path = root + "/" + entry.path;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != ENOTDIR) {
            ok = false;
        }
    }
    return ok ? TINTBOX_OK : TINTBOX_E_REGISTRY;
}

}  // namespace tintbox::shell

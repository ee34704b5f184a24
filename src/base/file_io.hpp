// Whole-file reading and atomic writing for the picture and property-bag files
// (private to the library).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tintbox::detail {

// A file name as a message shows it: a short excerpt in valid UTF-8.
std::string path_in_message(std::string_view path);

// The bytes of a regular file. Error(FileError) naming the path when it cannot be read,
// is not a regular file (a directory, a device, a FIFO: refused at once, never waited
// for), is larger than max_bytes (refused before anything is read) or its name holds a
// NUL character.
std::string read_whole_file(const std::string& path, std::uint64_t max_bytes);

// Writes `contents` to a temporary file in the folder of the file it replaces (with a
// short name of its own that names that file, so that a name near the length limit
// still works), flushes it to the disk and renames it over that file, so that a crash
// or a full disk never leaves a half-written file. A symbolic link at `path` is written
// through to the end of its chain and stays a link; a replaced file keeps its mode, and
// its owner and group where the saver may give them. Temporary files of the same file
// that a killed save left (their writer ended, untouched for ten minutes) are removed
// first. Error(FileError) naming the path when any step fails, when the file exists and
// is not a regular file or is read-only, or when its name holds a NUL character; the
// temporary file is removed then.
void write_file_atomically(const std::string& path, std::string_view contents);

}  // namespace tintbox::detail

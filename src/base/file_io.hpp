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

// Writes `contents` to a temporary file in the folder of `path` (with a short name of
// its own, so that a name near the length limit still works), flushes it to the disk
// and renames it over `path`, so that a crash or a full disk never leaves a
// half-written file. Error(FileError) naming the path when any step fails, when `path`
// exists and is not a regular file, or when its name holds a NUL character; the
// temporary file is removed then.
void write_file_atomically(const std::string& path, std::string_view contents);

}  // namespace tintbox::detail

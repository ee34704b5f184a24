// Whole-file reading and atomic writing for the picture and property-bag files
// (private to the library).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tintbox::detail {

// The file's bytes. Error(FileError) naming the path when it cannot be read or is
// larger than max_bytes.
std::string read_whole_file(const std::string& path, std::uint64_t max_bytes);

// Writes `contents` to a temporary file beside `path`, flushes it to the disk and
// renames it over `path`, so that a crash or a full disk never leaves a half-written
// file. Error(FileError) naming the path when any step fails; the temporary file is
// removed then.
void write_file_atomically(const std::string& path, std::string_view contents);

}  // namespace tintbox::detail

// Reading whole files for the picture and property-bag loaders (private to the library).
#pragma once

#include <cstdint>
#include <string>

namespace tintbox::detail {

// The file's bytes; Error(FileError) naming the path when it cannot be read or is larger
// than max_bytes.
std::string read_whole_file(const std::string& path, std::uint64_t max_bytes);

}  // namespace tintbox::detail

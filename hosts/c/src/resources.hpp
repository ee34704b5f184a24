// The library's resources: the toolbox bitmap and the version information that carries
// the self-registration marker. The Designer plugin shows the same bitmap.
#pragma once

#include <string_view>

namespace tintbox::shell {

// A complete 16 x 15-pixel, 24-bit BMP file.
std::string_view toolbox_bitmap() noexcept;

// "Key=Value" lines, among them the marker line "OLESelfRegister=".
std::string_view version_info() noexcept;

}  // namespace tintbox::shell

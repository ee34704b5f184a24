// Texts between the control (UTF-16 in std::u16string, UTF-8 in messages) and COM (BSTR,
// wide strings).
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

namespace tintbox::windows {

std::u16string from_bstr(BSTR text);
// A new BSTR; throws std::bad_alloc when there is no memory for it.
BSTR to_bstr(std::u16string_view text);
BSTR to_bstr(std::wstring_view text);
// Malformed UTF-8 becomes U+FFFD.
std::wstring wide_of_utf8(std::string_view text);

}  // namespace tintbox::windows

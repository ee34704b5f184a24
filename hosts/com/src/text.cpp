#include "text.hpp"

#include <new>

#include "text/text.hpp"

namespace tintbox::windows {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");

std::u16string from_bstr(BSTR text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR to_bstr(std::u16string_view text) {
    return to_bstr(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
}

BSTR to_bstr(std::wstring_view text) {
    BSTR result = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!result) {
        throw std::bad_alloc();
    }
    return result;
}

std::wstring wide_of_utf8(std::string_view text) {
    const std::u16string wide = tintbox::text::utf16_from_utf8_lenient(text);
    return std::wstring(wide.begin(), wide.end());
}

}  // namespace tintbox::windows

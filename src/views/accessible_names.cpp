#include "tintbox/accessible_names.hpp"

#include <cstdio>

namespace tintbox {

const AccessibleName* accessible_name(std::string_view view) noexcept {
    for (const AccessibleName& entry : kAccessibleNames) {
        if (view == entry.view) {
            return &entry;
        }
    }
    return nullptr;
}

const char* accessible_focus_stand_in(std::string_view view) noexcept {
    return view == "txtHidden" ? "Colors" : nullptr;
}

bool is_swatch(std::string_view view) noexcept {
    return view == "picOldColor" || view == "picNewColor";
}

std::string color_description(std::int32_t color, std::string_view pattern) {
    const int red = color & 0xFF;
    const int green = (color >> 8) & 0xFF;
    const int blue = (color >> 16) & 0xFF;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02X%02X%02X", red, green, blue);
    const std::string fills[] = {digits, std::to_string(red), std::to_string(green),
                                 std::to_string(blue)};
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '4') {
            text += fills[next - '1'];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace tintbox

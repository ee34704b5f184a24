#include "headless_platform.hpp"

namespace tintbox {

Screen::Context FakeScreen::acquire_context() {
    ++open_contexts_;
    return next_context_++;
}

ColorValue FakeScreen::pixel(Context context, ScreenPoint point) {
    if (unreadable_ || context == 0) {
        return kFailedReading;
    }
    auto found = pixels_.find({point.x, point.y});
    return found == pixels_.end() ? fill_ : found->second;
}

void FakeScreen::release_context(Context) {
    --open_contexts_;
}

void FakeScreen::fill(ColorValue color) {
    pixels_.clear();
    fill_ = color;
}

float DefaultFontMetrics::char_width_pixels(char16_t c) {
    switch (c) {
        case u'1':
        case u'i':
        case u'l':
        case u'I':
            return 4;
        case u'M':
        case u'W':
        case u'm':
        case u'w':
            return 9;
        case u'A':
        case u'B':
        case u'C':
        case u'D':
            return 7;
        default:
            return 6;
    }
}

float DefaultFontMetrics::text_width_pixels(std::u16string_view text) const {
    float width = 0;
    for (char16_t c : text) {
        width += char_width_pixels(c);
    }
    return width;
}

ColorValue resolve_system_color(ColorValue color) {
    if ((static_cast<std::uint32_t>(color) & 0xFF000000u) != 0x80000000u) {
        return color;
    }
    switch (color & 0xFF) {
        case 5:  // window
            return 0xFFFFFF;
        case 8:   // window text
        case 18:  // button text
            return 0x000000;
        case 4:   // menu
        case 15:  // button face
            return 0xF0F0F0;
        case 16:  // button shadow
            return 0xA0A0A0;
        case 20:  // button highlight
            return 0xFFFFFF;
        case 13:  // highlight
            return 0xD77800;
        case 14:  // highlight text
            return 0xFFFFFF;
        default:
            return 0xC0C0C0;
    }
}

}  // namespace tintbox

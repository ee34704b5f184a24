// What assistive technology is told about the views a person can reach, for every front
// end: a name and a description per view (the same texts serve as tooltips), and how a
// swatch's colour is announced. The views that only the control's own logic uses
// (txtHidden, txtHidden2, the pair fields over txtWebHex, the labels, the frames and the
// colour strips) have no entry: front ends keep them out of the accessibility tree.
// The texts are English; a front end passes them through its own translation.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tintbox/types.hpp"

namespace tintbox {

struct AccessibleNames {
    const char* view;
    const char* name;
    const char* description;  // empty where it follows the state (the swatches)
};

// Every view a person can reach.
inline constexpr AccessibleNames kAccessibleNames[] = {
    {"picOldColor", "Previous colour", ""},
    {"picNewColor", "New colour", ""},
    {"hsRed", "Red", "Red component, 0 to 255"},
    {"txtRed", "Red value", "Red component as a number, 0 to 255"},
    {"hsGreen", "Green", "Green component, 0 to 255"},
    {"txtGreen", "Green value", "Green component as a number, 0 to 255"},
    {"hsBlue", "Blue", "Blue component, 0 to 255"},
    {"txtBlue", "Blue value", "Blue component as a number, 0 to 255"},
    {"txtDec", "Colour number, decimal", "The whole colour as a decimal number, 0 to 16777215"},
    {"txtHex", "Colour number, hexadecimal, blue first",
     "The whole colour as a hexadecimal number: blue, green and red digit pairs"},
    {"txtWebHex", "Web colour, red green blue",
     "The colour as on the web: red, green and blue digit pairs"},
    {"Colors", "Colour spectrum",
     "Press or drag with the left button to pick a colour; hold the right button to pick "
     "any pixel of the screen; Escape puts the colour back"},
};

// The entry of a view a person can reach; null for every other view.
inline const AccessibleNames* accessible_names(std::string_view view) noexcept {
    for (const AccessibleNames& entry : kAccessibleNames) {
        if (view == entry.view) {
            return &entry;
        }
    }
    return nullptr;
}

// The swatches, whose description is their colour.
inline bool is_swatch(std::string_view view) noexcept {
    return view == "picOldColor" || view == "picNewColor";
}

// "#3C8DDC, red 60, green 141, blue 220": a swatch's colour as it is announced.
inline std::string color_description(ColorValue color) {
    const int red = color & 0xFF;
    const int green = (color >> 8) & 0xFF;
    const int blue = (color >> 16) & 0xFF;
    char text[64];
    std::snprintf(text, sizeof text, "#%02X%02X%02X, red %d, green %d, blue %d", red, green, blue,
                  red, green, blue);
    return text;
}

}  // namespace tintbox

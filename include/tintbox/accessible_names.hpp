/// \file
/// What assistive technology hears of the control, for every front end: a name for the
/// control, and a name and a description for each view a person can reach. The texts are
/// English source texts; a front end passes each through its toolkit's translation
/// (context "Tintbox") before it hands it on. The views that only the control's own logic
/// uses (txtHidden, txtHidden2, the pair fields over txtWebHex, the labels, the frames
/// and the colour strips) have no entry: front ends keep them from assistive technology.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tintbox {

/// The texts of one reachable view.
struct AccessibleName {
    const char* view;         ///< the view's name
    const char* name;         ///< what the view is called
    const char* description;  ///< how to use it; empty for the swatches (see below)
};

/// The whole control.
inline constexpr const char* kControlAccessibleName = "Colour picker";

/// One entry per reachable view.
inline constexpr AccessibleName kAccessibleNames[] = {
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

/// The entry of a view; null for a view a person does not reach.
const AccessibleName* accessible_name(std::string_view view) noexcept;

/// The reachable view that assistive technology is told has the keyboard focus while a
/// view that only parks it holds it: the spectrum ("Colors") for txtHidden, which takes
/// the keys during and after a pick; null for every other view.
const char* accessible_focus_stand_in(std::string_view view) noexcept;

/// Whether a view is a swatch, whose description is its colour (color_description) and
/// changes with it.
bool is_swatch(std::string_view view) noexcept;

/// How a swatch's colour is announced: "%1" is the web notation's six digits, "%2" to
/// "%4" the red, green and blue numbers ("#3C8DDC, red 60, green 141, blue 220").
inline constexpr const char* kColorDescription = "#%1, red %2, green %3, blue %4";
/// `pattern` (kColorDescription or its translation) filled in for `color` (0x00BBGGRR).
std::string color_description(std::int32_t color, std::string_view pattern = kColorDescription);

}  // namespace tintbox

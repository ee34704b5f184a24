/// \file
/// Small vocabulary types shared by the core, the view layer and every host.
#pragma once

#include <cstdint>

namespace tintbox {

/// A colour as 0x00BBGGRR: red in the low byte. Valid colours are 0 to 16777215; a reading
/// that fails gives -1. A value whose top byte is 0x80 names a system colour by its index.
using ColorValue = std::int32_t;

/// Positions and sizes in twips (1/1440 inch), single precision as the views report them.
using Twips = float;

/// What a colour reading that failed gives.
inline constexpr ColorValue kFailedReading = -1;
/// White.
inline constexpr ColorValue kWhite = 0xFFFFFF;

///@{
/// System colours by index (0x80000000 | index).
inline constexpr ColorValue kSystemMenu = static_cast<ColorValue>(0x80000004u);
inline constexpr ColorValue kSystemWindow = static_cast<ColorValue>(0x80000005u);
inline constexpr ColorValue kSystemWindowText = static_cast<ColorValue>(0x80000008u);
inline constexpr ColorValue kSystemButtonFace = static_cast<ColorValue>(0x8000000Fu);
///@}

/// Mouse button codes as the mouse events carry them; MouseMove carries the set of held
/// buttons as a bit mask of these.
enum MouseButton : std::int16_t {
    kNoButton = 0,
    kLeftButton = 1,
    kRightButton = 2,
    kMiddleButton = 4,
};

/// Arguments of MouseDown, MouseMove and MouseUp: x and y in twips relative to the view.
struct MouseEvent {
    std::int16_t button = 0;     ///< the button that changed; for moves, the held set
    std::int16_t modifiers = 0;  ///< 1 Shift, 2 Ctrl, 4 Alt; unused by the control
    Twips x = 0;                 ///< twips from the view's left edge
    Twips y = 0;                 ///< twips from the view's top edge
};

/// A point on the screen, in the screen's pixels.
struct ScreenPoint {
    std::int32_t x = 0;  ///< pixels from the left edge of the (virtual) screen
    std::int32_t y = 0;  ///< pixels from the top edge
};

}  // namespace tintbox

// Xlib access kept in its own file: the X11 headers define macros (None, Bool, Status...)
// that clash with Qt's.
#pragma once

#include "tintbox/types.hpp"

namespace tintbox::qtskin {

// The pointer's position on the root window; false when it cannot be read.
bool x11_pointer_position(void* display, int& x, int& y);
// The colour of one root-window pixel; -1 outside the screen or when the read fails.
ColorValue x11_root_pixel(void* display, int x, int y);

}  // namespace tintbox::qtskin

// The screen of the X server named by DISPLAY, read through a connection of the control's
// own: what the eyedropper reads when Qt runs offscreen inside a host on X11. Kept apart:
// X11 headers define macros that clash with Qt's.
#pragma once

#include <memory>

#include "tintbox/platform.hpp"

namespace tintbox::shell {

// Null when there is no X server to connect to.
std::shared_ptr<Screen> open_x11_screen();

}  // namespace tintbox::shell

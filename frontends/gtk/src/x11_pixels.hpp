// The screen of an X server read through GDK's Xlib connection. Kept apart: X11 headers
// define macros (None, Status, Bool) that clash with the control's names.
#pragma once

#include <gdk/gdk.h>

#include "tintbox/types.hpp"

namespace tintbox::gtkskin {

class X11Pixels {
  public:
    // Null when `display` is not an X11 display.
    static X11Pixels* open(GdkDisplay* display);
    // The pointer in root-window pixels; false when it is on no screen of this display.
    bool pointer(ScreenPoint& position) const;
    // One pixel of the root window, -1 off the screen or when the server refuses the
    // read (XWayland refuses every one).
    ColorValue pixel(ScreenPoint point) const;

  private:
    explicit X11Pixels(GdkDisplay* display) : display_(display) {}
    GdkDisplay* display_;
};

}  // namespace tintbox::gtkskin

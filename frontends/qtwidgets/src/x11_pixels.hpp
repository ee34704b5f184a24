// The screen of an X server read through Qt's own xcb connection. Kept apart from the
// Qt code: X11 headers define macros that clash with Qt's.
#pragma once

#include <cstdint>
#include <memory>

#include "tintbox/types.hpp"

struct xcb_connection_t;

namespace tintbox::qtskin {

// Pointer positions and pixels are in root-window pixels, so every screen of the desktop
// reads right and no scale factor applies.
class X11ScreenReader {
  public:
    explicit X11ScreenReader(xcb_connection_t* connection);
    ~X11ScreenReader();
    X11ScreenReader(const X11ScreenReader&) = delete;
    X11ScreenReader& operator=(const X11ScreenReader&) = delete;

    // The pointer's position, false when the pointer is on no screen of this display.
    // The pixels around the pointer's last position come in the same round trip, so the
    // pixel read that follows usually needs none of its own.
    bool pointer(ScreenPoint& position);
    // The colour of one pixel, -1 off the screen or when the server refuses the read.
    ColorValue pixel(ScreenPoint point);
    // Drops the pixels fetched with the pointer: nothing read is kept between ticks.
    void forget();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tintbox::qtskin

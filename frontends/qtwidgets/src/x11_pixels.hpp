// The screen of an X server, read over an xcb connection. Kept apart from the Qt code:
// X11 headers define macros that clash with Qt's.
#pragma once

#include <cstdint>
#include <memory>

#include "tintbox/types.hpp"

struct xcb_connection_t;
struct _XDisplay;

namespace tintbox::qtskin {

// Pointer positions and pixels are in root-window pixels, so every screen of the desktop
// reads right and no scale factor applies.
class X11ScreenReader {
  public:
    // `connection` is the toolkit's (Qt's), on which `display` was opened: an eyedropper
    // run reads over a connection of its own to the same display, made at its first read
    // and closed when the run ends. Qt reads its connection on a thread of its own, and
    // every reply on Qt's connection waits for that thread to hand it over; on a
    // connection of our own the tick's round trip is the socket's alone. Without a
    // display name (or when it cannot connect) the run reads over `connection`.
    X11ScreenReader(xcb_connection_t* connection, _XDisplay* display);
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
    // The eyedropper's run ended: its connection is closed.
    void end_run();
    // Whether the server gives the root window's pixels at all (XWayland refuses every
    // read, BadMatch); asked over the toolkit's connection, outside any run.
    bool root_readable();

  private:
    ColorValue read_one(xcb_connection_t* over, ScreenPoint point);

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tintbox::qtskin

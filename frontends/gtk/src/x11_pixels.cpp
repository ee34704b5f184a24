#include "x11_pixels.hpp"

#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

namespace tintbox::gtkskin {

#ifdef GDK_WINDOWING_X11
namespace {

int component(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0) {
        ++shift;
    }
    const unsigned long max = mask >> shift;
    return static_cast<int>((((pixel & mask) >> shift) * 255UL + max / 2) / max);
}

}  // namespace

X11Pixels* X11Pixels::open(GdkDisplay* display) {
    return display != nullptr && GDK_IS_X11_DISPLAY(display) ? new X11Pixels(display) : nullptr;
}

bool X11Pixels::pointer(ScreenPoint& position) const {
    Display* x = gdk_x11_display_get_xdisplay(display_);
    Window root = DefaultRootWindow(x);
    Window child = 0;
    int root_x = 0, root_y = 0, child_x = 0, child_y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(x, root, &root, &child, &root_x, &root_y, &child_x, &child_y, &mask)) {
        return false;
    }
    position = {root_x, root_y};
    return true;
}

ColorValue X11Pixels::pixel(ScreenPoint point) const {
    Display* x = gdk_x11_display_get_xdisplay(display_);
    const int screen = DefaultScreen(x);
    if (point.x < 0 || point.y < 0 || point.x >= DisplayWidth(x, screen) ||
        point.y >= DisplayHeight(x, screen)) {
        return -1;
    }
    gdk_x11_display_error_trap_push(display_);
    XImage* image = XGetImage(x, RootWindow(x, screen), point.x, point.y, 1, 1, AllPlanes, ZPixmap);
    const bool failed = gdk_x11_display_error_trap_pop(display_) != 0 || image == nullptr;
    if (failed) {
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return -1;
    }
    const unsigned long value = XGetPixel(image, 0, 0);
    const Visual* visual = DefaultVisual(x, screen);
    const ColorValue color = component(value, visual->red_mask) |
                             (component(value, visual->green_mask) << 8) |
                             (component(value, visual->blue_mask) << 16);
    XDestroyImage(image);
    return color;
}
#else
X11Pixels* X11Pixels::open(GdkDisplay*) {
    return nullptr;
}
bool X11Pixels::pointer(ScreenPoint&) const {
    return false;
}
ColorValue X11Pixels::pixel(ScreenPoint) const {
    return -1;
}
#endif

}  // namespace tintbox::gtkskin

#include "x11_pixels.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace tintbox::qtskin {
namespace {

// A failed XGetImage (a point off the screen) must not reach the default handler,
// which ends the process.
int ignore_error(Display*, XErrorEvent*) {
    return 0;
}

int component(unsigned long pixel, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0) {
        ++shift;
    }
    const unsigned long max = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<int>((value * 255UL + max / 2) / max);
}

}  // namespace

bool x11_pointer_position(void* display, int& x, int& y) {
    auto* dpy = static_cast<Display*>(display);
    Window root = 0;
    Window child = 0;
    int window_x = 0;
    int window_y = 0;
    unsigned int mask = 0;
    return XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &window_x, &window_y,
                         &mask) != 0;
}

ColorValue x11_root_pixel(void* display, int x, int y) {
    if (x < 0 || y < 0) {
        return -1;
    }
    auto* dpy = static_cast<Display*>(display);
    const int screen = DefaultScreen(dpy);
    XErrorHandler previous = XSetErrorHandler(ignore_error);
    XImage* image = XGetImage(dpy, RootWindow(dpy, screen), x, y, 1, 1, AllPlanes, ZPixmap);
    XSetErrorHandler(previous);
    if (image == nullptr) {
        return -1;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);

    Visual* visual = DefaultVisual(dpy, screen);
    int red = 0;
    int green = 0;
    int blue = 0;
    if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
        red = component(pixel, visual->red_mask);
        green = component(pixel, visual->green_mask);
        blue = component(pixel, visual->blue_mask);
    } else {
        XColor color{};
        color.pixel = pixel;
        XQueryColor(dpy, DefaultColormap(dpy, screen), &color);
        red = color.red >> 8;
        green = color.green >> 8;
        blue = color.blue >> 8;
    }
    return red | (green << 8) | (blue << 16);
}

}  // namespace tintbox::qtskin

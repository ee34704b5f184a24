// The native GTK widget as a person meets it, on a real X server with real input (the
// XTest extension): a press on the spectrum picks the pixel shown there, typing goes
// through the model into a field, Tab follows the control's tab order and leaves it at
// the end, the right button reads the screen live, and a held press on a scroll bar's
// track pages it to the pointer. Each step checks the colour and the changed signal. Run
// under Xvfb (run_under_xvfb.sh); GDK_SCALE=2 runs it at 2x.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/x11/gdkx.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tintbox-gtk/tintbox-gtk-picker.h"
#include "tintbox/tintbox.hpp"
#include "tintbox/views.hpp"

namespace {

int failures = 0;

#define CHECK(condition)                                                                       \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: CHECK(%s) failed\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                                        \
        }                                                                                      \
    } while (0)

// Runs the main loop until `done` (at most some thousands of passes).
bool pump_until(const std::function<bool()>& done) {
    for (int pass = 0; pass < 5000; ++pass) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (done()) {
            return true;
        }
        g_usleep(1000);
    }
    return false;
}

// The spectrum picture: its left half one colour, its right half another.
constexpr guint8 kLeft[3] = {0x3C, 0x8D, 0xDC};
constexpr guint8 kRight[3] = {0xA0, 0xB0, 0xC0};
constexpr int kSide = 64;

GdkTexture* halves_picture() {
    std::vector<guint8> pixels;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const guint8* color = x < kSide / 2 ? kLeft : kRight;
            pixels.insert(pixels.end(), color, color + 3);
        }
    }
    GBytes* bytes = g_bytes_new(pixels.data(), pixels.size());
    GdkTexture* texture = gdk_memory_texture_new(kSide, kSide, GDK_MEMORY_R8G8B8, bytes, kSide * 3);
    g_bytes_unref(bytes);
    return texture;
}

constexpr gint32 color_of(const guint8 (&rgb)[3]) {
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
}

struct Host {
    GtkWidget* window = nullptr;
    GtkWidget* picker = nullptr;
    GtkWidget* entry = nullptr;
    Display* xdisplay = nullptr;
    int changes = 0;
    std::string last_source;

    TintboxGtkPicker* self() const { return TINTBOX_GTK_PICKER(picker); }

    GtkWidget* child(const char* name) const {
        for (GtkWidget* c = gtk_widget_get_first_child(picker); c;
             c = gtk_widget_get_next_sibling(c)) {
            if (std::string(gtk_widget_get_name(c)) == name) {
                return c;
            }
        }
        return nullptr;
    }
    std::string focus_name() const {
        GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window));
        return focus == nullptr ? ""
               : focus == entry || gtk_widget_is_ancestor(focus, entry)
                   ? "entry"
                   : gtk_widget_get_name(focus);
    }

    // The root-window pixel of a point of `widget` (logical pixels).
    void screen_point(GtkWidget* widget, double x, double y, int& root_x, int& root_y) const {
        double wx = 0, wy = 0;
        gtk_widget_translate_coordinates(widget, window, x, y, &wx, &wy);
        double sx = 0, sy = 0;
        gtk_native_get_surface_transform(GTK_NATIVE(window), &sx, &sy);
        GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
        const int scale = gdk_surface_get_scale_factor(surface);
        Window unused = 0;
        XTranslateCoordinates(xdisplay, gdk_x11_surface_get_xid(surface),
                              DefaultRootWindow(xdisplay), static_cast<int>((wx + sx) * scale),
                              static_cast<int>((wy + sy) * scale), &root_x, &root_y, &unused);
    }
    void move_to(GtkWidget* widget, double x, double y) const {
        int rx = 0, ry = 0;
        screen_point(widget, x, y, rx, ry);
        XTestFakeMotionEvent(xdisplay, -1, rx, ry, CurrentTime);
        XSync(xdisplay, False);
        pump_until([] { return true; });
    }
    void button(unsigned number, bool down) const {
        XTestFakeButtonEvent(xdisplay, number, down, CurrentTime);
        XSync(xdisplay, False);
    }
    void click(GtkWidget* widget, double x_at, double y_at) const {
        move_to(widget, x_at, y_at);
        button(1, true);
        button(1, false);
    }
    void key(KeySym symbol, bool down) const {
        XTestFakeKeyEvent(xdisplay, XKeysymToKeycode(xdisplay, symbol), down, CurrentTime);
        XSync(xdisplay, False);
    }
    void tap(KeySym symbol) const {
        key(symbol, true);
        key(symbol, false);
    }
};

// A part of a GTK widget, by its CSS name.
GtkWidget* descendant(GtkWidget* widget, const char* css_name) {
    for (GtkWidget* c = gtk_widget_get_first_child(widget); c; c = gtk_widget_get_next_sibling(c)) {
        GtkWidget* found =
            std::string(gtk_widget_get_css_name(c)) == css_name ? c : descendant(c, css_name);
        if (found != nullptr) {
            return found;
        }
    }
    return nullptr;
}

void on_changed(TintboxGtkPicker* picker, gpointer data) {
    auto* host = static_cast<Host*>(data);
    ++host->changes;
    host->last_source = tintbox_gtk_picker_get_change_source(picker);
}

}  // namespace

int main() {
    gtk_init();
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        std::puts("[  SKIPPED ] needs an X11 display");
        return 77;
    }
    Host host;
    host.xdisplay = gdk_x11_display_get_xdisplay(display);
    host.window = gtk_window_new();
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    host.picker = tintbox_gtk_picker_new();
    host.entry = gtk_entry_new();
    gtk_box_append(GTK_BOX(box), host.picker);
    gtk_box_append(GTK_BOX(box), host.entry);
    gtk_window_set_child(GTK_WINDOW(host.window), box);
    GdkTexture* picture = halves_picture();
    GError* error = nullptr;
    CHECK(tintbox_gtk_picker_set_picture(host.self(), picture, &error));
    CHECK(tintbox_gtk_picker_get_picture(host.self()) == picture);
    g_signal_connect(host.picker, "changed", G_CALLBACK(on_changed), &host);
    gtk_window_present(GTK_WINDOW(host.window));
    GtkWidget* spectrum = host.child("Colors");
    CHECK(pump_until(
        [&] { return gtk_widget_get_mapped(spectrum) && gtk_widget_get_width(spectrum) > 0; }));

    // A press on the spectrum picks the picture pixel drawn under the pointer.
    const double width = gtk_widget_get_width(spectrum);
    const double height = gtk_widget_get_height(spectrum);
    host.click(spectrum, width / 4, height / 2);
    CHECK(pump_until([&] { return tintbox_gtk_picker_get_rgb(host.self()) == color_of(kLeft); }));
    CHECK(host.changes >= 1);
    CHECK(host.last_source == "spectrum");
    host.click(spectrum, width * 3 / 4, height / 2);
    CHECK(pump_until([&] { return tintbox_gtk_picker_get_rgb(host.self()) == color_of(kRight); }));

    // Typing goes through the model: the field takes the focus, Ctrl+A and the digits
    // replace its text, and each keystroke is one change from the field.
    GtkWidget* red = host.child("txtRed");
    host.click(red, 2, gtk_widget_get_height(red) / 2.0);
    CHECK(pump_until([&] { return host.focus_name() == "txtRed"; }));
    host.key(XK_Control_L, true);
    host.tap(XK_a);
    host.key(XK_Control_L, false);
    const int before = host.changes;
    for (KeySym digit : {XK_1, XK_2, XK_8}) {
        host.tap(digit);
    }
    CHECK(pump_until([&] { return tintbox_gtk_picker_get_red(host.self()) == 128; }));
    CHECK(host.changes - before == 3);
    CHECK(host.last_source == "txtRed");
    CHECK(std::string(gtk_editable_get_text(GTK_EDITABLE(red))) == "128");

    // Tab goes where the control's tab order says; past the last stop it leaves for the
    // host's entry, and Shift+Tab from there comes back to the last stop.
    const tintbox::Tintbox design;
    const std::vector<tintbox::View*> stops = design.UserControl().tab_stops();
    std::size_t at = 0;
    while (at < stops.size() && stops[at]->name() != "txtRed") {
        ++at;
    }
    CHECK(at + 1 < stops.size());
    host.tap(XK_Tab);
    CHECK(pump_until([&] { return host.focus_name() == stops[at + 1]->name(); }));
    for (std::size_t i = at + 2; i < stops.size(); ++i) {
        host.tap(XK_Tab);
    }
    CHECK(pump_until([&] { return host.focus_name() == stops.back()->name(); }));
    host.tap(XK_Tab);
    CHECK(pump_until([&] { return host.focus_name() == "entry"; }));
    host.key(XK_Shift_L, true);
    host.tap(XK_Tab);
    host.key(XK_Shift_L, false);
    CHECK(pump_until([&] { return host.focus_name() == stops.back()->name(); }));

    // The eyedropper: while the right button is held on the spectrum, the pixel under the
    // pointer anywhere on the screen is the colour.
    constexpr unsigned long kRootPixel = 0x336699;  // 24-bit TrueColor: 0xRRGGBB
    Window root = DefaultRootWindow(host.xdisplay);
    XSetWindowBackground(host.xdisplay, root, kRootPixel);
    XClearWindow(host.xdisplay, root);
    XSync(host.xdisplay, False);
    host.move_to(spectrum, width / 4, height / 2);
    host.button(3, true);
    int right_edge = 0, bottom_edge = 0;
    host.screen_point(host.window, gtk_widget_get_width(host.window) + 40,
                      gtk_widget_get_height(host.window) + 40, right_edge, bottom_edge);
    XTestFakeMotionEvent(host.xdisplay, -1, right_edge, bottom_edge, CurrentTime);
    XSync(host.xdisplay, False);
    CHECK(pump_until([&] { return tintbox_gtk_picker_get_rgb(host.self()) == 0x996633; }));
    CHECK(host.last_source == "eyedropper");
    host.button(3, false);
    pump_until([] { return true; });

    // The left button held on a bar's track pages the thumb towards the pointer, one
    // LargeChange at a time through the model, until the thumb comes to the pointer; the
    // release ends it.
    GtkWidget* bar = host.child("hsBlue");
    GtkWidget* thumb = descendant(bar, "slider");
    CHECK(thumb != nullptr);
    graphene_rect_t slider{};
    CHECK(gtk_widget_compute_bounds(thumb, bar, &slider));
    const float thumb_was = slider.origin.x;
    tintbox_gtk_picker_set_blue(host.self(), 100);
    CHECK(pump_until([&] {
        return gtk_widget_compute_bounds(thumb, bar, &slider) && slider.origin.x != thumb_was;
    }));
    const double track_x = slider.origin.x + slider.size.width + 2;
    host.move_to(bar, track_x, gtk_widget_get_height(bar) / 2.0);
    host.button(1, true);
    CHECK(pump_until([&] {
        return gtk_widget_compute_bounds(thumb, bar, &slider) &&
               slider.origin.x + slider.size.width >= track_x;
    }));
    CHECK(tintbox_gtk_picker_get_blue(host.self()) > 101);
    host.button(1, false);
    pump_until([] { return true; });
    const int released_at = tintbox_gtk_picker_get_blue(host.self());
    int passes = 0;
    pump_until([&] { return ++passes == 300; });
    CHECK(tintbox_gtk_picker_get_blue(host.self()) == released_at);
    CHECK(gtk_widget_compute_bounds(thumb, bar, &slider) && slider.origin.x <= track_x);
    CHECK(host.last_source == "hsBlue");

    // The properties follow the colour.
    tintbox_gtk_picker_set_rgb(host.self(), 0x010203);
    gint rgb = 0, blue = 0;
    g_object_get(host.picker, "rgb", &rgb, "blue", &blue, nullptr);
    CHECK(rgb == 0x010203 && blue == 1);
    CHECK(host.last_source == "host");

    gtk_window_destroy(GTK_WINDOW(host.window));
    g_object_unref(picture);
    pump_until([] { return true; });
    if (failures == 0) {
        std::puts("[  PASSED  ] the GTK picker as a person uses it");
    }
    return failures == 0 ? 0 : 1;
}

// The contract suite on the GTK 4 front end: a TintboxGtkPicker between two host entries
// in a window on an X server (Xvfb), driven with real input through the XTest extension,
// so GTK routes it as it routes a person's: the grab, the focus, the scroll bars' own
// hit testing. The process draws at one scale factor (GDK_SCALE); each ratio row runs in
// the ctest entry started at its scale.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "contract_gtest.hpp"
#include "tintbox-gtk/tintbox-gtk-picker.h"

// Last: X11's macros (None, Status) clash with the names above.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/x11/gdkx.h>

namespace {

using namespace tintbox::contract;

// Rows that fail on this front end today, each until the work that fixes it lands (none
// now).
const std::vector<std::string> kKnownFailing = {};

// The kit's key codes, qualified: X11 has a KeyCode of its own.
const std::pair<tintbox::KeyCode, KeySym> kXKeys[] = {
    {tintbox::KeyCode::Delete, XK_Delete}, {tintbox::KeyCode::Left, XK_Left},
    {tintbox::KeyCode::Right, XK_Right},   {tintbox::KeyCode::Up, XK_Up},
    {tintbox::KeyCode::Down, XK_Down},     {tintbox::KeyCode::Home, XK_Home},
    {tintbox::KeyCode::End, XK_End},       {tintbox::KeyCode::PageUp, XK_Prior},
    {tintbox::KeyCode::PageDown, XK_Next}, {tintbox::KeyCode::Escape, XK_Escape}};

// A letter key is its lower-case keysym, as a keyboard without Shift reports it.
KeySym x_key(tintbox::KeyCode which) {
    const auto code = static_cast<int>(which);
    if (code >= 'A' && code <= 'Z') {
        return XK_a + (code - 'A');
    }
    for (const auto& [ours, theirs] : kXKeys) {
        if (ours == which) {
            return theirs;
        }
    }
    return NoSymbol;
}

const std::pair<Button, unsigned> kXButtons[] = {{Button::Left, 1}, {Button::Right, 3}};

unsigned x_button(Button which) {
    for (const auto& [ours, theirs] : kXButtons) {
        if (ours == which) {
            return theirs;
        }
    }
    return 0;
}

// Lets GTK take in what the X server sent and run what it queued.
void settle() {
    for (int round = 0; round < 30; ++round) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        g_usleep(1000);
    }
}

void on_changed(TintboxGtkPicker*, gpointer changes) {
    ++*static_cast<int*>(changes);
}

class GtkDriver : public Driver {
  public:
    GtkDriver() : x_(gdk_x11_display_get_xdisplay(gdk_display_get_default())) {
        window_ = gtk_window_new();
        gtk_window_set_default_size(GTK_WINDOW(window_), 420, -1);
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
        before_ = gtk_entry_new();
        picker_ = tintbox_gtk_picker_new();
        after_ = gtk_entry_new();
        gtk_box_append(GTK_BOX(box), before_);
        gtk_box_append(GTK_BOX(box), picker_);
        gtk_box_append(GTK_BOX(box), after_);
        gtk_window_set_child(GTK_WINDOW(window_), box);
        g_signal_connect(picker_, "changed", G_CALLBACK(on_changed), &changes_);
        gtk_window_present(GTK_WINDOW(window_));
        for (int round = 0; round < 100 && !gtk_widget_get_mapped(picker_); ++round) {
            settle();
        }
        // No window manager gives the window the keyboard: the test does, as one would.
        XSetInputFocus(x_, gdk_x11_surface_get_xid(surface()), RevertToParent, CurrentTime);
        XSync(x_, False);
        settle();
        gtk_widget_grab_focus(before_);
        settle();
    }
    ~GtkDriver() override {
        for (unsigned button : {1u, 3u}) {
            if (held_ & (1u << button)) {
                XTestFakeButtonEvent(x_, button, False, CurrentTime);
            }
        }
        XSync(x_, False);
        gtk_window_destroy(GTK_WINDOW(window_));
        settle();
    }
    GtkDriver(const GtkDriver&) = delete;
    GtkDriver& operator=(const GtkDriver&) = delete;

    bool can(Capability capability) const override {
        switch (capability) {
            case Capability::DeviceRatio:
            case Capability::ReadDuringThumbDrag:
            case Capability::ContextMenu:
                return true;
            case Capability::FakeScreen:
                // The widget reads the real screen (gtk.person covers it); it offers no
                // fake one.
                return false;
        }
        return false;
    }

    void set_picture(const Picture& picture) override {
        std::vector<guint8> bytes;
        for (const Color color : picture.pixels) {
            bytes.push_back(static_cast<guint8>(color & 0xFF));
            bytes.push_back(static_cast<guint8>((color >> 8) & 0xFF));
            bytes.push_back(static_cast<guint8>((color >> 16) & 0xFF));
        }
        GBytes* data = g_bytes_new(bytes.data(), bytes.size());
        GdkTexture* texture =
            gdk_memory_texture_new(picture.width, picture.height, GDK_MEMORY_R8G8B8, data,
                                   static_cast<gsize>(picture.width) * 3);
        g_bytes_unref(data);
        EXPECT_TRUE(tintbox_gtk_picker_set_picture(picker(), texture, nullptr));
        g_object_unref(texture);
        host_changed();
    }
    void set_rgb(Color color) override {
        tintbox_gtk_picker_set_rgb(picker(), color);
        host_changed();
    }
    void set_enabled(bool enabled) override {
        tintbox_gtk_picker_set_control_enabled(picker(), enabled);
        host_changed();
    }
    bool set_ratio(double ratio) override { return std::abs(scale() - ratio) < 1e-6; }
    void set_screen_color(Color) override { ADD_FAILURE() << "no fake screen here"; }
    void tick() override { ADD_FAILURE() << "no fake screen here"; }

    void mouse(Mouse action, Button button, const Spot& at) override {
        GtkWidget* view = widget(at.view);
        const double x = at.fx * gtk_widget_get_width(view) + at.dx;
        const double y = at.fy * gtk_widget_get_height(view) + at.dy;
        int root_x = 0;
        int root_y = 0;
        root_point(view, x, y, root_x, root_y);
        send_mouse(action, button, root_x, root_y);
    }
    void mouse_at(Mouse action, Button button, Pixel at) override {
        int root_x = 0;
        int root_y = 0;
        root_point(picker_, 0, 0, root_x, root_y);
        send_mouse(action, button, root_x + at.x, root_y + at.y);
    }
    void key(tintbox::KeyCode key, int modifiers) override { chord(x_key(key), modifiers); }
    void tab(bool backward) override { chord(XK_Tab, backward ? kShift : kNoModifier); }
    void type(const std::string& text) override {
        for (const char character : text) {
            const char name[2] = {character, 0};
            press_key(XStringToKeysym(name), true);
            press_key(XStringToKeysym(name), false);
        }
        input_sent();
    }
    void wheel(const Spot& at, int notches) override {
        mouse(Mouse::Move, Button::Left, at);
        // X11 reports each notch as a press and release of button 4 (away) or 5.
        const unsigned button = notches > 0 ? 4 : 5;
        for (int i = 0; i < std::abs(notches); ++i) {
            XTestFakeButtonEvent(x_, button, True, CurrentTime);
            XTestFakeButtonEvent(x_, button, False, CurrentTime);
        }
        input_sent();
    }
    std::vector<MenuItem> context_menu(const std::string& field) override {
        mouse(Mouse::Press, Button::Right, {field});
        std::vector<MenuItem> items;
        GtkWidget* menu = nullptr;
        for (GtkWidget* child = gtk_widget_get_first_child(picker_); child != nullptr;
             child = gtk_widget_get_next_sibling(child)) {
            if (GTK_IS_POPOVER_MENU(child)) {
                menu = child;
            }
        }
        if (menu != nullptr) {
            read_menu(menu, items);
            gtk_popover_popdown(GTK_POPOVER(menu));
        }
        mouse(Mouse::Release, Button::Right, {field});
        return items;
    }

    FieldState field(const std::string& view) override {
        GtkWidget* text = widget(view);
        if (!GTK_IS_EDITABLE(text)) {
            ADD_FAILURE() << view << " is no field";
            return {};
        }
        int start = 0;
        int end = 0;
        const int caret = gtk_editable_get_position(GTK_EDITABLE(text));
        if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(text), &start, &end)) {
            start = end = caret;
        }
        return {gtk_editable_get_text(GTK_EDITABLE(text)), caret, start, end - start};
    }
    int value(const std::string& scroll_bar) override {
        GtkWidget* bar = widget(scroll_bar);
        if (!GTK_IS_SCROLLBAR(bar)) {
            ADD_FAILURE() << scroll_bar << " is no scroll bar";
            return -1;
        }
        return static_cast<int>(std::lround(
            gtk_adjustment_get_value(gtk_scrollbar_get_adjustment(GTK_SCROLLBAR(bar)))));
    }
    std::string focused() override {
        GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window_));
        if (focus == nullptr || !gtk_widget_is_ancestor(focus, picker_)) {
            return "";
        }
        return gtk_widget_get_name(focus);
    }
    Color rgb() override { return tintbox_gtk_picker_get_rgb(picker()); }
    int changes() override { return changes_; }
    Rect bounds(const std::string& view) override {
        GtkWidget* shown = widget(view);
        double x = 0;
        double y = 0;
        gtk_widget_translate_coordinates(shown, picker_, 0, 0, &x, &y);
        const int ratio = scale();
        return {static_cast<int>(x) * ratio, static_cast<int>(y) * ratio,
                gtk_widget_get_width(shown) * ratio, gtk_widget_get_height(shown) * ratio};
    }
    Color drawn(Pixel at) override {
        const int ratio = scale();
        if (at.x < 0 || at.y < 0 || at.x >= gtk_widget_get_width(picker_) * ratio ||
            at.y >= gtk_widget_get_height(picker_) * ratio) {
            return -1;
        }
        int root_x = 0;
        int root_y = 0;
        root_point(picker_, 0, 0, root_x, root_y);
        XImage* image = XGetImage(x_, DefaultRootWindow(x_), root_x + at.x, root_y + at.y, 1, 1,
                                  AllPlanes, ZPixmap);
        if (image == nullptr) {
            return -1;
        }
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        // Xvfb's 24-bit TrueColor: 0xRRGGBB.
        return static_cast<Color>(((pixel >> 16) & 0xFF) | (pixel & 0xFF00) |
                                  ((pixel & 0xFF) << 16));
    }

  private:
    TintboxGtkPicker* picker() const { return TINTBOX_GTK_PICKER(picker_); }
    GdkSurface* surface() const { return gtk_native_get_surface(GTK_NATIVE(window_)); }
    int scale() const { return gdk_surface_get_scale_factor(surface()); }

    GtkWidget* widget(const std::string& name) const {
        for (GtkWidget* child = gtk_widget_get_first_child(picker_); child != nullptr;
             child = gtk_widget_get_next_sibling(child)) {
            if (name == gtk_widget_get_name(child)) {
                return child;
            }
        }
        throw std::runtime_error("no widget for the view " + name);
    }

    // The root-window device pixel of a logical point of `widget`.
    void root_point(GtkWidget* widget, double x, double y, int& root_x, int& root_y) const {
        double in_window_x = 0;
        double in_window_y = 0;
        gtk_widget_translate_coordinates(widget, window_, x, y, &in_window_x, &in_window_y);
        double surface_x = 0;
        double surface_y = 0;
        gtk_native_get_surface_transform(GTK_NATIVE(window_), &surface_x, &surface_y);
        const int ratio = scale();
        Window child = 0;
        XTranslateCoordinates(x_, gdk_x11_surface_get_xid(surface()), DefaultRootWindow(x_),
                              static_cast<int>(std::floor((in_window_x + surface_x) * ratio)),
                              static_cast<int>(std::floor((in_window_y + surface_y) * ratio)),
                              &root_x, &root_y, &child);
    }

    void send_mouse(Mouse action, Button button, int root_x, int root_y) {
        XTestFakeMotionEvent(x_, -1, root_x, root_y, CurrentTime);
        const unsigned which = x_button(button);
        switch (action) {
            case Mouse::Press:
            case Mouse::DoubleClick: {
                // XTest's events carry the server's time: GTK's own double-click time and
                // distance tell a press from a double click's second press.
                const bool second = action == Mouse::DoubleClick;
                g_object_set(gtk_settings_get_default(), "gtk-double-click-time", second ? 400 : 0,
                             "gtk-double-click-distance", second ? 5 : 0, nullptr);
                held_ |= 1u << which;
                XTestFakeButtonEvent(x_, which, True, CurrentTime);
                break;
            }
            case Mouse::Release:
                held_ &= ~(1u << which);
                XTestFakeButtonEvent(x_, which, False, CurrentTime);
                break;
            case Mouse::Move:
                break;
        }
        input_sent();
    }

    void press_key(KeySym symbol, bool down) {
        XTestFakeKeyEvent(x_, XKeysymToKeycode(x_, symbol), down, CurrentTime);
    }
    // A key with Ctrl and Shift held as `modifiers` says.
    void chord(KeySym key, int modifiers) {
        if ((modifiers & kCtrl) != 0) {
            press_key(XK_Control_L, true);
        }
        if ((modifiers & kShift) != 0) {
            press_key(XK_Shift_L, true);
        }
        press_key(key, true);
        press_key(key, false);
        if ((modifiers & kShift) != 0) {
            press_key(XK_Shift_L, false);
        }
        if ((modifiers & kCtrl) != 0) {
            press_key(XK_Control_L, false);
        }
        input_sent();
    }

    void input_sent() {
        XSync(x_, False);
        settle();
    }
    void host_changed() { settle(); }

    // The items of the open menu as GTK shows them: each model button's text and whether
    // it takes a press.
    static void read_menu(GtkWidget* widget, std::vector<MenuItem>& items) {
        if (std::string(G_OBJECT_TYPE_NAME(widget)) == "GtkModelButton") {
            char* text = nullptr;
            g_object_get(widget, "text", &text, nullptr);
            std::string label;
            for (const char* c = text; c != nullptr && *c != 0; ++c) {
                if (*c != '_') {
                    label += *c;
                }
            }
            g_free(text);
            items.push_back({label, gtk_widget_get_sensitive(widget) != FALSE});
            return;
        }
        for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
             child = gtk_widget_get_next_sibling(child)) {
            read_menu(child, items);
        }
    }

    Display* x_;
    GtkWidget* window_ = nullptr;
    GtkWidget* before_ = nullptr;
    GtkWidget* picker_ = nullptr;
    GtkWidget* after_ = nullptr;
    int changes_ = 0;
    unsigned held_ = 0;
};

class Contract : public testing::TestWithParam<std::size_t> {};

TEST_P(Contract, OnTheGtkWidget) {
    GtkDriver driver;
    check_row(driver, GetParam(), kKnownFailing);
}

INSTANTIATE_TEST_SUITE_P(Rows, Contract, testing::Range<std::size_t>(0, scenarios().size()),
                         row_name);

}  // namespace

int main(int argc, char** argv) {
    gtk_init();
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display)) {
        std::puts("[  SKIPPED ] needs an X11 display");
        return 77;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// GTK's side of the control's platform services (screen, clipboard, font metrics), and
// the conversions between the control's vocabulary and GTK's: texts, colours, pixels
// and twips, pointer shapes.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tintbox/platform.hpp"
#include "tintbox/views.hpp"

namespace tintbox::gtkskin {

std::u16string from_utf8(const char* text);
std::string to_utf8(std::u16string_view text);

// The CSS colour a colour setting draws: RGB values as they are; the system colours of
// the fields, their text and the faces as the theme's named colours, so that a dark or
// high-contrast theme reaches them.
std::string css_color(ColorValue value);
// Whether `value` is one of the theme's colours (CSS names it, and it follows the theme).
bool is_theme_color(ColorValue value);
// The same colour for drawing, looked up in `widget`'s theme.
GdkRGBA rgba_color(GtkWidget* widget, ColorValue value);

// A view's rectangle in the control's logical pixels: each edge lands where the kit's
// geometry puts it (geometry::logical_edge), so views that touch in twips touch on screen.
GdkRectangle view_rect(const View& view, float twips_per_pixel);

// A pointer shape as a cursor: black where drawn, with a one-pixel white outline that
// keeps it visible on dark colours (GDK cannot invert the screen). Full reference.
GdkCursor* make_cursor(const PointerShape& shape);

class X11Pixels;

// The eyedropper's screen: on X11 the pointer and one pixel of the root window through
// Xlib (root-window pixels, so every scale factor reads right). Elsewhere (Wayland,
// XWayland) no program may read the screen: can_read() is false, and the run's end is
// told to `on_run_end` so that the desktop's own picker can be asked.
class GtkScreen : public Screen {
  public:
    explicit GtkScreen(GdkDisplay* display);
    ~GtkScreen() override;

    float twips_per_pixel_x() const override { return 15.0f; }  // 96 logical pixels an inch
    ScreenPoint cursor_position() const override;
    Context acquire_context() override { return 1; }
    ColorValue pixel(Context context, ScreenPoint point) override;
    void release_context(Context) override {}
    bool can_read() const override { return readable_; }
    void eyedropper_ended(bool released) override {
        if (on_run_end_) {
            on_run_end_(released);
        }
    }
    void set_run_end_handler(std::function<void(bool released)> handler) {
        on_run_end_ = std::move(handler);
    }

  private:
    std::unique_ptr<X11Pixels> x11_;
    std::function<void(bool)> on_run_end_;
    bool readable_ = false;
};

// A clipboard of the display (the clipboard, or X11's primary selection). GTK reads a
// clipboard only asynchronously, and the control reads it synchronously (on paste): the
// text is fetched whenever the clipboard changes and kept until the next change.
class GtkClipboardText : public Clipboard {
  public:
    explicit GtkClipboardText(GdkClipboard* clipboard);
    ~GtkClipboardText() override;
    std::u16string text() const override { return text_; }
    void set_text(std::u16string_view text) override;

  private:
    static void changed(GdkClipboard* clipboard, gpointer self);
    static void read(GObject* clipboard, GAsyncResult* result, gpointer self);

    GdkClipboard* clipboard_;
    GCancellable* cancellable_;
    gulong handler_ = 0;
    std::u16string text_;
};

// Text widths in the font of `widget` (the control's fields and labels).
class PangoFontMetrics : public FontMetrics {
  public:
    void set_widget(GtkWidget* widget) { widget_ = widget; }
    float text_width_pixels(std::u16string_view text) const override;

  private:
    GtkWidget* widget_ = nullptr;
};

}  // namespace tintbox::gtkskin

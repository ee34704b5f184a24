#include "gtk_platform.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tintbox/geometry.hpp"
#include "x11_pixels.hpp"

namespace tintbox::gtkskin {

std::u16string from_utf8(const char* text) {
    glong length = 0;
    gunichar2* utf16 = g_utf8_to_utf16(text != nullptr ? text : "", -1, nullptr, &length, nullptr);
    if (utf16 == nullptr) {
        return {};
    }
    std::u16string result(reinterpret_cast<const char16_t*>(utf16),
                          static_cast<std::size_t>(length));
    g_free(utf16);
    return result;
}

std::string to_utf8(std::u16string_view text) {
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                                  static_cast<glong>(text.size()), nullptr, nullptr, nullptr);
    if (utf8 == nullptr) {
        return {};
    }
    std::string result(utf8);
    g_free(utf8);
    return result;
}

namespace {

// The theme's name for a system colour; null for an RGB value.
const char* theme_color_name(ColorValue value) {
    switch (value) {
        case kSystemWindow:
            return "theme_base_color";
        case kSystemWindowText:
            return "theme_text_color";
        case kSystemButtonFace:
        case kSystemMenu:
            return "theme_bg_color";
        default:
            return nullptr;
    }
}

}  // namespace

bool is_theme_color(ColorValue value) {
    return theme_color_name(value) != nullptr;
}

std::string css_color(ColorValue value) {
    if (const char* name = theme_color_name(value)) {
        return std::string("@") + name;
    }
    const ColorValue rgb = resolve_system_color(value);
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF,
                  (rgb >> 16) & 0xFF);
    return text;
}

GdkRGBA rgba_color(GtkWidget* widget, ColorValue value) {
    GdkRGBA color{0, 0, 0, 1};
    if (const char* name = theme_color_name(value)) {
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        if (gtk_style_context_lookup_color(gtk_widget_get_style_context(widget), name, &color)) {
            return color;
        }
        G_GNUC_END_IGNORE_DEPRECATIONS
    }
    const ColorValue rgb = resolve_system_color(value);
    color.red = static_cast<float>(rgb & 0xFF) / 255.0f;
    color.green = static_cast<float>((rgb >> 8) & 0xFF) / 255.0f;
    color.blue = static_cast<float>((rgb >> 16) & 0xFF) / 255.0f;
    return color;
}

GdkRectangle view_rect(const View& view, float twips_per_pixel) {
    const int left = geometry::logical_edge(view.surface_left(), twips_per_pixel);
    const int top = geometry::logical_edge(view.surface_top(), twips_per_pixel);
    const int right = geometry::logical_edge(view.surface_left() + view.Width(), twips_per_pixel);
    const int bottom = geometry::logical_edge(view.surface_top() + view.Height(), twips_per_pixel);
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

GdkCursor* make_cursor(const PointerShape& shape) {
    constexpr int side = 32;
    const auto drawn = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < side && y < side &&
               shape.drawn[static_cast<std::size_t>(y * side + x)];
    };
    std::vector<guchar> pixels(side * side * 4, 0);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    near = near || drawn(x + dx, y + dy);
                }
            }
            guchar* pixel = &pixels[static_cast<std::size_t>((y * side + x) * 4)];
            if (near) {
                const guchar level = drawn(x, y) ? 0 : 255;
                pixel[0] = pixel[1] = pixel[2] = level;
                pixel[3] = 255;
            }
        }
    }
    GBytes* bytes = g_bytes_new(pixels.data(), pixels.size());
    GdkTexture* texture = gdk_memory_texture_new(side, side, GDK_MEMORY_R8G8B8A8, bytes, side * 4);
    g_bytes_unref(bytes);
    GdkCursor* cursor = gdk_cursor_new_from_texture(texture, shape.hot_x, shape.hot_y, nullptr);
    g_object_unref(texture);
    return cursor;
}

// ---- Screen --------------------------------------------------------------------------

GtkScreen::GtkScreen(GdkDisplay* display) : x11_(X11Pixels::open(display)) {
    // XWayland refuses every read of the root window: one read now tells.
    readable_ = x11_ != nullptr && x11_->pixel({0, 0}) >= 0;
}

GtkScreen::~GtkScreen() = default;

ScreenPoint GtkScreen::cursor_position() const {
    ScreenPoint position;
    return x11_ != nullptr && x11_->pointer(position) ? position : ScreenPoint{};
}

ColorValue GtkScreen::pixel(Context, ScreenPoint point) {
    return readable_ ? x11_->pixel(point) : -1;
}

// ---- Clipboard -----------------------------------------------------------------------

GtkClipboardText::GtkClipboardText(GdkClipboard* clipboard)
    : clipboard_(clipboard), cancellable_(g_cancellable_new()) {
    g_object_ref(clipboard_);
    handler_ = g_signal_connect(clipboard_, "changed", G_CALLBACK(changed), this);
    changed(clipboard_, this);
}

GtkClipboardText::~GtkClipboardText() {
    g_cancellable_cancel(cancellable_);
    g_signal_handler_disconnect(clipboard_, handler_);
    g_object_unref(cancellable_);
    g_object_unref(clipboard_);
}

void GtkClipboardText::set_text(std::u16string_view text) {
    text_ = text;
    gdk_clipboard_set_text(clipboard_, to_utf8(text).c_str());
}

void GtkClipboardText::changed(GdkClipboard* clipboard, gpointer self) {
    if (gdk_clipboard_is_local(clipboard)) {
        return;  // set by set_text, which keeps the text
    }
    auto* owner = static_cast<GtkClipboardText*>(self);
    owner->text_.clear();
    gdk_clipboard_read_text_async(clipboard, owner->cancellable_, read, self);
}

void GtkClipboardText::read(GObject* clipboard, GAsyncResult* result, gpointer self) {
    GError* error = nullptr;
    char* text = gdk_clipboard_read_text_finish(GDK_CLIPBOARD(clipboard), result, &error);
    if (error != nullptr) {
        // A cancelled read belongs to a clipboard object that is gone.
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_error_free(error);
        if (!cancelled) {
            static_cast<GtkClipboardText*>(self)->text_.clear();
        }
        return;
    }
    static_cast<GtkClipboardText*>(self)->text_ = from_utf8(text);
    g_free(text);
}

// ---- Fonts ---------------------------------------------------------------------------

float PangoFontMetrics::text_width_pixels(std::u16string_view text) const {
    if (widget_ == nullptr) {
        return DefaultFontMetrics().text_width_pixels(text);
    }
    PangoLayout* layout = gtk_widget_create_pango_layout(widget_, to_utf8(text).c_str());
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    g_object_unref(layout);
    return static_cast<float>(width);
}

}  // namespace tintbox::gtkskin

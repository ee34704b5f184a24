// Qt implementations of the core's platform services (screen, clipboard, font metrics) and the
// one conversion between the core's vocabulary types and Qt's: colours, and the view layer's
// pixel rectangles.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QFontMetricsF>
#include <QPalette>
#include <QPointF>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tintbox/geometry.hpp"
#include "tintbox/input.hpp"
#include "tintbox/platform.hpp"
#include "tintbox/views.hpp"

class QMouseEvent;

namespace tintbox::qtskin {

// The control's UTF-16 texts and Qt's.
inline QString to_qstring(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::u16string_view to_view(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// The colour a colour setting draws: an RGB value as it is; the system colours of the
// fields, their text and the faces from the palette, so that a dark or high-contrast
// theme reaches them (the colours a person picks are never system colours).
QColor to_qcolor(ColorValue value, const QPalette& palette);
ColorValue to_color_value(QRgb rgb);

// A view's rectangle in logical pixels (the view layer's geometry), and the view layer's
// pixel rectangles as Qt's and back.
QRect to_qrect(const geometry::PixelRect& rect);
geometry::PixelRect to_pixel_rect(const QRect& rect);
QRect view_rect(const View& view, float twips_per_pixel);

// Qt's mouse buttons and modifier keys as the view layer names them, and Qt's keys as
// the key chords of tintbox/input.hpp.
std::int16_t button_code(Qt::MouseButton button);
std::int16_t modifier_code(Qt::KeyboardModifiers modifiers);
KeyChord key_chord(int qt_key, Qt::KeyboardModifiers modifiers);

// The pixels around a pointer shape's drawn ones (drawn pixels included): a one-pixel
// outline that keeps the black shape visible on dark colours where the screen cannot be
// inverted. Indexed like PointerShape::drawn.
std::vector<bool> cursor_outline(const PointerShape& shape);
// The shape as a cursor: its drawn pixels black, the outline white.
QCursor pointer_cursor(const PointerShape& shape);

class X11ScreenReader;
class QtScreen;

enum class MouseAction { Press, Release, Move, DoubleClick };

// A person's mouse event in the view layer's terms, read from Qt's event before the
// input session starts (reading the primary selection may run Qt's event loop). Reading
// it also tells the screen where a held pointer went (see QtScreen::pointer_moved).
struct PersonMouse {
    PersonMouse(MouseAction action, const QMouseEvent& event, QPointF twips, QtScreen& screen);
    // The press, release, move or double click on the surface, and X11's habit of pasting
    // the primary selection into the field under a middle press. Call it inside the
    // person's input session.
    void play(Surface& surface) const;

    MouseAction action;
    Twips x;
    Twips y;
    std::int16_t button;
    std::int16_t modifiers;
    std::optional<QString> primary_selection;  // what a middle press pastes
};

// The screen of the eyedropper: the pointer position and one pixel under it.
// On X11 both come from the X server through Qt's own connection (in root-window
// pixels, so every screen of the desktop and any scale factor read right); elsewhere
// from QCursor and a one-pixel QScreen::grabWindow of the screen under the pointer.
class QtScreen : public Screen {
  public:
    QtScreen();
    ~QtScreen() override;

    // The logical DPI (and so the twips per pixel) of the screen that the control is
    // shown on, asked of its widget or item; null: the primary screen's.
    void set_logical_dpi(std::function<qreal()> dpi) { logical_dpi_ = std::move(dpi); }
    // Called whenever a pixel cannot be read (the platform refused or failed).
    void set_unreadable_handler(std::function<void()> handler) {
        on_unreadable_ = std::move(handler);
    }
    // Reads the pointer and pixels through `reader` instead (a windowless host's screen,
    // or a platform reader of its own); null goes back to the platform's.
    void set_reader(std::shared_ptr<Screen> reader);
    // Told when an eyedropper run ends (see Screen::eyedropper_ended), and when the reader
    // changes (and with it whether the screen can be read).
    void set_run_end_handler(std::function<void(bool released)> handler) {
        on_run_end_ = std::move(handler);
    }
    void set_reader_changed_handler(std::function<void()> handler) {
        on_reader_changed_ = std::move(handler);
    }

    // While a button is held the window has the pointer grabbed, so every move of the
    // pointer arrives as a motion event. The skin hands each one in, and the eyedropper's
    // next tick takes the position from it instead of asking the window system: one
    // round trip per tick (the pixel) instead of two. A press or release forgets it, so
    // the first tick after a press asks.
    void pointer_moved(QPointF global_position);
    void forget_pointer() { moved_to_valid_ = false; }

    float twips_per_pixel_x() const override;
    ScreenPoint cursor_position() const override;
    Context acquire_context() override { return 1; }
    ColorValue pixel(Context context, ScreenPoint point) override;
    void release_context(Context context) override;
    // False on Wayland and on an X server that refuses to give its pixels (XWayland).
    bool can_read() const override;
    void eyedropper_ended(bool released) override;

  private:
    ColorValue read_pixel(ScreenPoint point) const;

    std::function<qreal()> logical_dpi_;
#if defined(TINTBOX_QT_HAS_XCB)
    std::unique_ptr<X11ScreenReader> x11_;  // null when not on X11
#endif
    std::function<void()> on_unreadable_;
    std::function<void(bool)> on_run_end_;
    std::function<void()> on_reader_changed_;
    std::shared_ptr<Screen> reader_;
    bool platform_readable_ = true;  // decided once, when the screen is made
    bool moved_to_valid_ = false;
    ScreenPoint moved_to_;  // in the coordinates cursor_position() answers in
};

// The system clipboard through QGuiApplication::clipboard().
class QtClipboard : public Clipboard {
  public:
    std::u16string text() const override;
    void set_text(std::u16string_view text) override;
    // Goes through `source` instead (a windowless host's clipboard); null goes back.
    void set_source(std::shared_ptr<Clipboard> source) { source_ = std::move(source); }

  private:
    std::shared_ptr<Clipboard> source_;
};

// Text widths in the font that the control's fields and labels draw with.
class QtFontMetrics : public FontMetrics {
  public:
    explicit QtFontMetrics(const QFont& font) : metrics_(font) {}
    void set_font(const QFont& font, const QPaintDevice* device) {
        metrics_ = QFontMetricsF(font, device);
        widths_.clear();
    }
    float text_width_pixels(std::u16string_view text) const override;

  private:
    QFontMetricsF metrics_;
    // Widths measured in this font. The labels that size themselves to their caption
    // (the web-hex digit pairs) measure again on every colour the eyedropper reads, and
    // a measurement costs more than the rest of the tick; their captions are few.
    mutable std::unordered_map<std::u16string, float> widths_;
};

}  // namespace tintbox::qtskin

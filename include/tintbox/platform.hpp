/// \file
/// Platform services behind small interfaces: the screen (eyedropper and twips per
/// pixel), the clipboard, font metrics (auto-sized labels, caret placement) and system
/// colours.
/// Headless builds use deterministic stand-ins; the Qt skin supplies real ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tintbox/types.hpp"

namespace tintbox {

/// The screen the eyedropper reads.
class Screen {
  public:
    /// A device context, as acquire_context hands it out.
    using Context = std::uintptr_t;

    virtual ~Screen() = default;
    /// Twips per screen pixel across (15 at 96 dpi).
    virtual float twips_per_pixel_x() const = 0;
    /// The pointer's position in screen pixels; (0, 0) when it cannot be read.
    virtual ScreenPoint cursor_position() const = 0;
    /// A device context for reading pixels of the whole screen; every context taken is
    /// given back with release_context.
    virtual Context acquire_context() = 0;
    /// The colour of one screen pixel, -1 when it cannot be read.
    virtual ColorValue pixel(Context context, ScreenPoint point) = 0;
    /// Gives back a context that acquire_context handed out.
    virtual void release_context(Context context) = 0;
    /// Whether a program may read this screen's pixels at all (on Wayland it may not).
    virtual bool can_read() const { return true; }
    /// The eyedropper's run on the control ended: by the person's release (`released`), or
    /// because its gesture lost the release (Escape, the control switched off or hidden).
    /// A screen that cannot be read may now let the person pick one pixel with the
    /// desktop's own picker; that colour comes back as one more tick.
    virtual void eyedropper_ended(bool released) { static_cast<void>(released); }
};

/// Holds a screen context for one scope and gives it back however the scope ends.
class ScreenContext {
  public:
    /// Takes a context of `screen`.
    explicit ScreenContext(Screen& screen) : screen_(screen), context_(screen.acquire_context()) {}
    ~ScreenContext() { screen_.release_context(context_); }
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;

    /// The colour of one screen pixel, -1 when it cannot be read.
    ColorValue pixel(ScreenPoint point) { return screen_.pixel(context_, point); }

  private:
    Screen& screen_;
    Screen::Context context_;
};

/// The system clipboard's text, for copy, cut and paste in the text fields.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual std::u16string text() const = 0;              ///< empty when it holds no text
    virtual void set_text(std::u16string_view text) = 0;  ///< replaces what it holds
};

/// Text widths in the font of the control's fields and labels.
class FontMetrics {
  public:
    virtual ~FontMetrics() = default;
    /// Width in pixels of the text drawn in the font shared by the control's text fields
    /// and labels.
    virtual float text_width_pixels(std::u16string_view text) const = 0;
};

/// A proportional default that matches the design-time label sizes ("FF" is 12 pixels)
/// and draws "1" narrower than "8", so layout that follows the digits is testable.
class DefaultFontMetrics : public FontMetrics {
  public:
    float text_width_pixels(std::u16string_view text) const override;
    /// The width of one character in this font, in pixels.
    static float char_width_pixels(char16_t c);
};

/// The RGB colour that a colour setting draws: system colours (top byte 0x80) resolved
/// through a fixed headless table, other values unchanged.
ColorValue resolve_system_color(ColorValue color);

}  // namespace tintbox

// The control's platform services on Windows (the screen of the eyedropper, font
// metrics, the clipboard) and the one conversion between the view layer's vocabulary and
// GDI's: colours, twips to pixels, pointer shapes to cursors.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "tintbox/platform.hpp"
#include "tintbox/views.hpp"

namespace tintbox::windows {

// The module this front end is linked into (Tintbox.ocx, or a test program): its window
// classes and cursors belong to it.
HINSTANCE own_module() noexcept;

// The colour a colour setting draws: system colours (top byte 0x80) from GetSysColor,
// so a high-contrast scheme reaches them; RGB values as they are.
COLORREF to_colorref(ColorValue value);

// The view layer's geometry (tintbox/geometry.hpp) in GDI's pixels, one device pixel
// each. A view's edges are converted separately and its size is their difference, so
// views that touch in twips touch on screen. The rectangle is relative to the view's
// parent (the surface, or the view it sits in).
int to_pixels(Twips twips, float twips_per_pixel);
RECT view_rect(const View& view, float twips_per_pixel);
// The surface twips that stand for a pixel: pointer positions and the drawn spectrum both
// go through it, so a pick reads the picture pixel drawn under the pointer.
Twips pixel_to_twips(int pixel, float twips_per_pixel);

// The DPI of a window (its monitor's where Windows tells it, per monitor), or of the
// screen when `window` is null.
UINT dpi_of(HWND window);

// A monochrome cursor whose drawn pixels invert the screen and whose other pixels are
// transparent (AND mask all ones, XOR mask the drawn pixels), hot spot as the shape says;
// the shape's 32 x 32 pixels are for 96 DPI and grow with `dpi`. The caller destroys it
// with DestroyCursor.
HCURSOR create_pointer_cursor(const PointerShape& shape, UINT dpi);

// A test program serves the eyedropper's screen itself by exporting a function of this
// name and type from its executable: every screen pixel is then read through it. The
// name is the seam's only door, so no host passes through it by accident.
inline constexpr char kTestScreenPixel[] = "TintboxTestScreenPixel";
using TestScreenPixel = COLORREF(__cdecl*)(LONG x, LONG y);

// The eyedropper's screen: GetCursorPos, GetDC(0), GetPixel and ReleaseDC, one context a
// tick (or the test program's screen, above). Twips per pixel follow the DPI of the
// window the control shows in, once it has one: taken when the window is set and again
// when it moves to another DPI.
class Win32Screen final : public Screen {
  public:
    Win32Screen();
    void set_window(HWND window) noexcept {
        window_ = window;
        dpi_ = dpi_of(window);
    }
    // The window moved to `dpi` (WM_DPICHANGED), or to what Windows now says (0).
    void set_dpi(UINT dpi) noexcept { dpi_ = dpi > 0 ? dpi : dpi_of(window_); }
    UINT dpi() const noexcept { return window_ != nullptr ? dpi_ : dpi_of(nullptr); }
    float twips_per_pixel_x() const override { return 1440.0f / static_cast<float>(dpi()); }
    ScreenPoint cursor_position() const override;
    Context acquire_context() override;
    ColorValue pixel(Context context, ScreenPoint point) override;
    void release_context(Context context) override;

  private:
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    TestScreenPixel test_pixel_ = nullptr;
};

// Text widths in the font that the control's fields and labels draw with. The font fits
// the fields: the largest pixel height at which every editor shows its longest value in
// full, in the face the container asks for (its ambient font) or the system's message
// font.
class Win32FontMetrics final : public FontMetrics {
  public:
    Win32FontMetrics();
    ~Win32FontMetrics() override;
    Win32FontMetrics(const Win32FontMetrics&) = delete;
    Win32FontMetrics& operator=(const Win32FontMetrics&) = delete;

    // Makes the font anew for `face` (empty: the system's) at `twips_per_pixel`.
    void fit(const std::wstring& face, float twips_per_pixel);
    HFONT font() const noexcept { return font_; }
    const std::wstring& face() const noexcept { return face_; }
    float text_width_pixels(std::u16string_view text) const override;

  private:
    HFONT font_ = nullptr;
    std::wstring face_;
};

// The system clipboard's Unicode text.
class Win32Clipboard final : public Clipboard {
  public:
    std::u16string text() const override;
    void set_text(std::u16string_view text) override;
};

}  // namespace tintbox::windows

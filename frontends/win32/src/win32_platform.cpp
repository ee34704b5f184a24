#include "win32_platform.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tintbox/geometry.hpp"
#include "tintbox/tintbox.hpp"

namespace tintbox::windows {
namespace {

constexpr int kPointerSide = 32;

}  // namespace

// GetDpiForWindow came with Windows 10 (1607); earlier systems have one DPI for all.
UINT dpi_of(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpi_for_window = reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (window != nullptr && dpi_for_window != nullptr) {
        if (const UINT dpi = dpi_for_window(window); dpi > 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

namespace {

// The longest value each editor must show in full.
struct Longest {
    const char* field;
    std::wstring_view text;
};
constexpr Longest kLongestValues[] = {
    {"txtRed", L"255"},      {"txtGreen", L"255"},  {"txtBlue", L"255"},
    {"txtDec", L"16777215"}, {"txtHex", L"FFFFFF"}, {"txtWebHex", L"FFFFFF"},
};

// Whether the font selected into `dc` shows every longest value within its field, beside
// whatever covers the field's right end (the colour strips), with one pixel to spare for
// the caret, and is no taller than the field and one pixel.
bool fits_fields(HDC dc, const Surface& design, float twips_per_pixel) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    for (const Longest& longest : kLongestValues) {
        const View& field = *design.find(longest.field);
        const Twips middle = field.Top() + field.Height() / 2;
        const View* at_right_end = design.view_at(field.Left() + field.Width() - 1, middle);
        const Twips visible = at_right_end != &field && at_right_end != nullptr
                                  ? at_right_end->Left() - field.Left()
                                  : field.Width();
        SIZE size{};
        GetTextExtentPoint32W(dc, longest.text.data(), static_cast<int>(longest.text.size()),
                              &size);
        if (static_cast<float>(size.cx + 1) > visible / twips_per_pixel ||
            static_cast<float>(metrics.tmHeight) > field.Height() / twips_per_pixel + 1) {
            return false;
        }
    }
    return true;
}

}  // namespace

HINSTANCE own_module() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&own_module), &module);
    return module;
}

COLORREF to_colorref(ColorValue value) {
    const auto bits = static_cast<std::uint32_t>(value);
    if ((bits & 0xFF000000u) == 0x80000000u) {
        return GetSysColor(static_cast<int>(bits & 0xFFu));
    }
    return static_cast<COLORREF>(resolve_system_color(value) & kWhite);
}

int to_pixels(Twips twips, float twips_per_pixel) {
    return geometry::logical_edge(twips, twips_per_pixel);
}

RECT view_rect(const View& view, float twips_per_pixel) {
    const geometry::PixelRect rect = geometry::logical_rect(view, twips_per_pixel);
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

Twips pixel_to_twips(int pixel, float twips_per_pixel) {
    return geometry::twips_at(pixel, 0, 1.0, twips_per_pixel);
}

HCURSOR create_pointer_cursor(const PointerShape& shape, UINT dpi) {
    const int side = std::max(kPointerSide, static_cast<int>(kPointerSide * dpi / 96));
    const int row_bytes = (side + 15) / 16 * 2;  // mask rows are whole WORDs
    std::vector<BYTE> and_mask(static_cast<std::size_t>(row_bytes * side), 0xFF);
    std::vector<BYTE> xor_mask(static_cast<std::size_t>(row_bytes * side), 0x00);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int shape_x = x * kPointerSide / side;
            const int shape_y = y * kPointerSide / side;
            if (shape.drawn[static_cast<std::size_t>(shape_y * kPointerSide + shape_x)]) {
                xor_mask[static_cast<std::size_t>(y * row_bytes + x / 8)] |=
                    static_cast<BYTE>(0x80u >> (x % 8));
            }
        }
    }
    return CreateCursor(own_module(), shape.hot_x * side / kPointerSide,
                        shape.hot_y * side / kPointerSide, side, side, and_mask.data(),
                        xor_mask.data());
}

// ---- Screen ----------------------------------------------------------------------------

Win32Screen::Win32Screen()
    : test_pixel_(reinterpret_cast<TestScreenPixel>(
          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), kTestScreenPixel)))) {}

ScreenPoint Win32Screen::cursor_position() const {
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
}

Screen::Context Win32Screen::acquire_context() {
    return reinterpret_cast<Context>(GetDC(nullptr));
}

ColorValue Win32Screen::pixel(Context context, ScreenPoint point) {
    const COLORREF color = test_pixel_ != nullptr
                               ? test_pixel_(point.x, point.y)
                               : GetPixel(reinterpret_cast<HDC>(context), point.x, point.y);
    return color == CLR_INVALID ? kFailedReading : static_cast<ColorValue>(color & kWhite);
}

void Win32Screen::release_context(Context context) {
    ReleaseDC(nullptr, reinterpret_cast<HDC>(context));
}

// ---- Fonts -----------------------------------------------------------------------------

Win32FontMetrics::Win32FontMetrics() {
    fit(L"", 1440.0f / static_cast<float>(dpi_of(nullptr)));
}

Win32FontMetrics::~Win32FontMetrics() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

void Win32FontMetrics::fit(const std::wstring& face, float twips_per_pixel) {
    LOGFONTW base{};
    NONCLIENTMETRICSW system{};
    system.cbSize = sizeof system;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0)) {
        base = system.lfMessageFont;
    }
    if (!face.empty() && face.size() < LF_FACESIZE) {
        std::memcpy(base.lfFaceName, face.c_str(), (face.size() + 1) * sizeof(wchar_t));
    }
    base.lfWidth = 0;
    base.lfEscapement = 0;
    base.lfOrientation = 0;
    const Tintbox design;  // the views at their design-time places
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT fitted = nullptr;
    for (int pixels = 32; pixels > 6; --pixels) {
        base.lfHeight = -pixels;
        HFONT candidate = CreateFontIndirectW(&base);
        const HGDIOBJ old = SelectObject(dc, candidate);
        const bool fits = fits_fields(dc, design.UserControl(), twips_per_pixel);
        SelectObject(dc, old);
        if (fits || pixels == 7) {
            fitted = candidate;
            break;
        }
        DeleteObject(candidate);
    }
    DeleteDC(dc);
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    font_ = fitted;
    face_ = base.lfFaceName;
}

float Win32FontMetrics::text_width_pixels(std::u16string_view text) const {
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font_);
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                          static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return static_cast<float>(size.cx);
}

// ---- Clipboard -------------------------------------------------------------------------

std::u16string Win32Clipboard::text() const {
    std::u16string text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(nullptr)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* characters = static_cast<const char16_t*>(GlobalLock(data))) {
            const std::size_t room = GlobalSize(data) / sizeof(char16_t);
            text.assign(characters, std::find(characters, characters + room, u'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void Win32Clipboard::set_text(std::u16string_view text) {
    if (!OpenClipboard(nullptr)) {
        return;  // another program holds it: the copy does not happen, as in any editor
    }
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(char16_t);
    if (HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (auto* characters = static_cast<char16_t*>(GlobalLock(data))) {
            std::memcpy(characters, text.data(), text.size() * sizeof(char16_t));
            characters[text.size()] = u'\0';
            GlobalUnlock(data);
            if (SetClipboardData(CF_UNICODETEXT, data) == nullptr) {
                GlobalFree(data);
            }
        } else {
            GlobalFree(data);
        }
    }
    CloseClipboard();
}

}  // namespace tintbox::windows

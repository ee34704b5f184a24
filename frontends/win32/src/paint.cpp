#include "paint.hpp"

#include <algorithm>

#include "win32_platform.hpp"

namespace tintbox::windows {
namespace {

void fill(HDC dc, const RECT& rect, COLORREF color) {
    const COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void draw_text(HDC dc, std::u16string_view text, RECT rect, COLORREF color, HFONT font) {
    const HGDIOBJ old_font = SelectObject(dc, font);
    const COLORREF old_color = SetTextColor(dc, color);
    const int old_mode = SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()),
              &rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, old_mode);
    SetTextColor(dc, old_color);
    SelectObject(dc, old_font);
}

RECT offset(RECT rect, POINT by) {
    OffsetRect(&rect, by.x, by.y);
    return rect;
}

// A scroll bar as the SCROLLBAR control draws it: two square arrow buttons and a square
// thumb at the bar's value between them.
void paint_scroll_bar(HDC dc, const ScrollBar& bar, const RECT& rect) {
    const int height = rect.bottom - rect.top;
    const int width = rect.right - rect.left;
    fill(dc, rect, GetSysColor(COLOR_SCROLLBAR));
    const UINT disabled = bar.Enabled() && bar.surface().Enabled() ? 0 : DFCS_INACTIVE;
    RECT left{rect.left, rect.top, rect.left + height, rect.bottom};
    RECT right{rect.right - height, rect.top, rect.right, rect.bottom};
    DrawFrameControl(dc, &left, DFC_SCROLL, DFCS_SCROLLLEFT | disabled);
    DrawFrameControl(dc, &right, DFC_SCROLL, DFCS_SCROLLRIGHT | disabled);
    const int track = width - 3 * height;
    if (track >= 0 && bar.Max() > bar.Min()) {
        const int thumb = rect.left + height +
                          track * (bar.thumb_position() - bar.Min()) / (bar.Max() - bar.Min());
        RECT face{thumb, rect.top, thumb + height, rect.bottom};
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
    }
}

void paint_view_tree(HDC dc, const View& view, POINT parent_origin, const PaintStyle& style) {
    if (!view.Visible() || view.kind() == ViewKind::Timer) {
        return;
    }
    const RECT rect = offset(view_rect(view, style.twips_per_pixel), parent_origin);
    switch (view.kind()) {
        case ViewKind::TextField: {
            const auto& field = static_cast<const TextField&>(view);
            fill(dc, rect, to_colorref(field.BackColor()));
            const bool enabled = field.Enabled() && field.surface().Enabled();
            draw_text(dc, field.Text(), rect,
                      enabled ? to_colorref(field.ForeColor()) : GetSysColor(COLOR_GRAYTEXT),
                      style.font);
            break;
        }
        case ViewKind::ScrollBar:
            paint_scroll_bar(dc, static_cast<const ScrollBar&>(view), rect);
            break;
        case ViewKind::Image: {
            const auto& image = static_cast<const Image&>(view);
            draw_image_pixels(dc, rect,
                              render_image(image, rect.right - rect.left, rect.bottom - rect.top,
                                           style.twips_per_pixel));
            break;
        }
        default:
            paint_box(dc, view, rect, style);
            break;
    }
    const POINT origin{rect.left, rect.top};
    const auto& children = view.children();
    for (auto child = children.rbegin(); child != children.rend(); ++child) {
        paint_view_tree(dc, **child, origin, style);
    }
}

}  // namespace

POINT surface_origin(const View& view, float twips_per_pixel) {
    POINT origin{0, 0};
    for (const View* at = &view; at != nullptr; at = at->parent()) {
        origin.x += to_pixels(at->Left(), twips_per_pixel);
        origin.y += to_pixels(at->Top(), twips_per_pixel);
    }
    return origin;
}

ImagePixels render_image(const Image& image, int width, int height, float twips_per_pixel) {
    ImagePixels rendered;
    rendered.width = std::max(0, width);
    rendered.height = std::max(0, height);
    ColorValue frame = kSystemButtonFace;
    if (image.parent() != nullptr) {
        frame = image.parent()->BackColor();
    }
    const COLORREF beneath = to_colorref(frame);
    const std::uint32_t beneath_pixel =
        (GetRValue(beneath) << 16) | (GetGValue(beneath) << 8) | GetBValue(beneath);
    rendered.pixels.assign(static_cast<std::size_t>(rendered.width) * rendered.height,
                           beneath_pixel);
    const PicturePtr& picture = image.Picture();
    if (!picture) {
        return rendered;
    }
    // The same mapping as a pointer's: surface pixel centres in twips, relative to the image.
    const POINT origin = surface_origin(image, twips_per_pixel);
    std::vector<Twips> column_twips(static_cast<std::size_t>(rendered.width));
    for (int x = 0; x < rendered.width; ++x) {
        column_twips[static_cast<std::size_t>(x)] =
            pixel_to_twips(origin.x + x, twips_per_pixel) - image.surface_left();
    }
    for (int y = 0; y < rendered.height; ++y) {
        const Twips ty = pixel_to_twips(origin.y + y, twips_per_pixel) - image.surface_top();
        std::uint32_t* line = rendered.pixels.data() + static_cast<std::size_t>(y) * rendered.width;
        for (int x = 0; x < rendered.width; ++x) {
            std::int32_t column = 0;
            std::int32_t row = 0;
            if (image.picture_pixel_at(column_twips[static_cast<std::size_t>(x)], ty, column,
                                       row)) {
                const auto color = static_cast<std::uint32_t>(picture->pixel(column, row));
                line[x] = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
            }
        }
    }
    return rendered;
}

void draw_image_pixels(HDC dc, const RECT& dest, const ImagePixels& image) {
    if (image.width == 0 || image.height == 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, 0, 0,
                  image.width, image.height, image.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void paint_box(HDC dc, const View& view, const RECT& rect, const PaintStyle& style) {
    fill(dc, rect, to_colorref(view.BackColor()));
    if (view.kind() == ViewKind::Label) {
        draw_text(dc, static_cast<const Label&>(view).Caption(), rect,
                  to_colorref(view.ForeColor()), style.font);
    } else if (view.border_line()) {
        FrameRect(dc, &rect, GetSysColorBrush(COLOR_BTNSHADOW));
    }
}

void paint_control(HDC dc, const Surface& surface, const PaintStyle& style) {
    const RECT bounds{0, 0, to_pixels(surface.Width(), style.twips_per_pixel),
                      to_pixels(surface.Height(), style.twips_per_pixel)};
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    fill(dc, bounds, style.surface_color);
    const auto& views = surface.views();
    for (auto view = views.rbegin(); view != views.rend(); ++view) {
        if ((*view)->parent() == nullptr) {
            paint_view_tree(dc, **view, POINT{0, 0}, style);
        }
    }
    RestoreDC(dc, saved);
}

}  // namespace tintbox::windows

// Drawing the views with GDI from the view layer's state: the skin's picture boxes,
// image and labels paint through it, and IViewObject::Draw draws the whole control
// through it into any device context (a form designer, a printer, a metafile).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "tintbox/views.hpp"

namespace tintbox::windows {

struct PaintStyle {
    HFONT font = nullptr;           // the fields' and labels' font
    float twips_per_pixel = 15.0f;  // of the pixels drawn on
    COLORREF surface_color = 0;     // the control's own colour between the views
};

// The spectrum image as drawn at one size: each pixel shows the picture pixel that a pick
// at that pixel's centre reads, so what a person sees is what the pick takes; pixels no
// picture covers show the colour of the frame the image sits in.
struct ImagePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows from the top
};
ImagePixels render_image(const Image& image, int width, int height, float twips_per_pixel);
// Puts the pixels into `dest` with StretchDIBits (1:1 on the screen; scaled by the device
// context's mapping when the whole control is drawn into a designer's or printer's rect).
void draw_image_pixels(HDC dc, const RECT& dest, const ImagePixels& image);

// A picture box (back colour, the frames' line) or a label (back colour, caption) filling
// `rect`.
void paint_box(HDC dc, const View& view, const RECT& rect, const PaintStyle& style);

// The top-left corner of a view in surface pixels.
POINT surface_origin(const View& view, float twips_per_pixel);

// The whole control in surface pixels from (0, 0), every visible view from the bottom
// up, clipped to the surface; text fields and scroll bars drawn as the skin's windows
// show them. Scale with the device context's mapping mode.
void paint_control(HDC dc, const Surface& surface, const PaintStyle& style);

}  // namespace tintbox::windows

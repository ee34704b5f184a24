/// \file
/// The one mapping between the surface's twips and the pixels a front end draws on, at any
/// device pixel ratio (0.5 to 8). Every front end draws, hit-tests, invalidates and draws
/// parts through these functions, so that a press on a device pixel acts on what that
/// pixel shows.
///
/// Three units: twips (the views' own), logical pixels (the toolkit's widget coordinates,
/// `twips_per_pixel` twips each) and device pixels (`ratio` of them per logical pixel).
/// Views are placed on whole logical pixels; a logical edge lands on a device pixel edge
/// by rounding half up, as raster painters fill and clip a rectangle whose scaled edges
/// fall between device pixels. So device pixel d lies inside the logical span [a, b)
/// exactly when its centre d + 0.5 lies in (a * ratio, b * ratio].
#pragma once

#include <cstdint>

#include "tintbox/types.hpp"

namespace tintbox {

class View;

namespace geometry {

/// A rectangle of pixels, right and bottom exclusive.
struct PixelRect {
    int left = 0;                                                  ///< the first column
    int top = 0;                                                   ///< the first row
    int right = 0;                                                 ///< the column after the last
    int bottom = 0;                                                ///< the row after the last
    int width() const { return right - left; }                     ///< in pixels
    int height() const { return bottom - top; }                    ///< in pixels
    bool empty() const { return right <= left || bottom <= top; }  ///< no pixel at all
};

/// The logical pixel edge nearest to a twips position.
int logical_edge(Twips twips, float twips_per_pixel);
/// A view's rectangle in logical pixels relative to its parent. Each edge is rounded on its
/// own, so views that touch in twips touch on screen.
PixelRect logical_rect(const View& view, float twips_per_pixel);

/// The device pixel edge that a logical edge lands on (rounded half up).
int device_edge(double logical, double ratio);
/// The device pixels that a logical rectangle covers.
PixelRect device_rect(const PixelRect& logical, double ratio);
/// Every device pixel that painting a logical rectangle may touch, rounded outward: what
/// a front end invalidates when the rectangle changed.
PixelRect device_rect_outward(const PixelRect& logical, double ratio);
/// The device pixel that holds a logical coordinate (a pointer's position).
int device_pixel_at(double logical, double ratio);
/// The logical coordinate that stands for device pixel `device`: inside a logical span
/// exactly when the pixel is (see the top of this file).
double logical_at(int device, double ratio);
/// The same in twips from logical position `origin` (where the surface starts).
Twips twips_at(int device, int origin, double ratio, float twips_per_pixel);

/// The largest logical size whose device edge stays within `device` pixels.
int logical_size_within(int device, double ratio);
/// The smallest logical rectangle whose device pixels hold `device`.
PixelRect logical_rect_covering(const PixelRect& device, double ratio);

/// A host's rectangle (any 32-bit values: a width that runs past INT_MAX, a negative
/// origin) clipped to [0, width) x [0, height), computed in 64 bits.
PixelRect clip(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
               int clip_width, int clip_height);

}  // namespace geometry
}  // namespace tintbox

#include "tintbox/geometry.hpp"

#include <algorithm>
#include <cmath>

#include "tintbox/views.hpp"

namespace tintbox::geometry {
namespace {

// Keeps products that are whole numbers in exact arithmetic (1.9999999 for 2) on the
// right side of a rounding down or up.
constexpr double kSlack = 1e-6;
// How far a device pixel's stand-in point lies before its centre, in logical pixels: less
// than the smallest distance between a pixel centre and a logical edge that it does not
// touch at ratios in quarter steps up to 8 (1/64), more than the rounding of a
// single-precision twips value on any real surface.
constexpr double kInside = 1.0 / 1024;

}  // namespace

int logical_edge(Twips twips, float twips_per_pixel) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / twips_per_pixel));
}

PixelRect logical_rect(const View& view, float twips_per_pixel) {
    const int left = logical_edge(view.Left(), twips_per_pixel);
    const int top = logical_edge(view.Top(), twips_per_pixel);
    const int right = logical_edge(view.Left() + view.Width(), twips_per_pixel);
    const int bottom = logical_edge(view.Top() + view.Height(), twips_per_pixel);
    return {left, top, std::max(left, right), std::max(top, bottom)};
}

int device_edge(double logical, double ratio) {
    return static_cast<int>(std::floor(logical * ratio + 0.5));
}

PixelRect device_rect(const PixelRect& logical, double ratio) {
    return {device_edge(logical.left, ratio), device_edge(logical.top, ratio),
            device_edge(logical.right, ratio), device_edge(logical.bottom, ratio)};
}

PixelRect device_rect_outward(const PixelRect& logical, double ratio) {
    const auto outward = [ratio](int edge, bool low) {
        const double at = edge * ratio;
        return static_cast<int>(low ? std::floor(at + kSlack) : std::ceil(at - kSlack));
    };
    return {outward(logical.left, true), outward(logical.top, true), outward(logical.right, false),
            outward(logical.bottom, false)};
}

int device_pixel_at(double logical, double ratio) {
    return static_cast<int>(std::floor(logical * ratio + kSlack));
}

double logical_at(int device, double ratio) {
    return (device + 0.5) / ratio - kInside;
}

Twips twips_at(int device, int origin, double ratio, float twips_per_pixel) {
    return static_cast<Twips>((logical_at(device, ratio) - origin) * twips_per_pixel);
}

int logical_size_within(int device, double ratio) {
    // device_edge(n) <= device exactly when n * ratio + 0.5 < device + 1.
    int size = static_cast<int>(std::floor((device + 0.5) / ratio));
    while (size > 0 && device_edge(size, ratio) > device) {
        --size;
    }
    return size;
}

PixelRect logical_rect_covering(const PixelRect& device, double ratio) {
    const auto first = [ratio](int pixel) {
        return static_cast<int>(std::floor(logical_at(pixel, ratio)));
    };
    return {first(device.left), first(device.top), first(device.right - 1) + 1,
            first(device.bottom - 1) + 1};
}

PixelRect clip(std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
               int clip_width, int clip_height) {
    const std::int64_t left = std::clamp<std::int64_t>(x, 0, clip_width);
    const std::int64_t top = std::clamp<std::int64_t>(y, 0, clip_height);
    const std::int64_t right =
        std::clamp<std::int64_t>(x + std::max<std::int64_t>(width, 0), left, clip_width);
    const std::int64_t bottom =
        std::clamp<std::int64_t>(y + std::max<std::int64_t>(height, 0), top, clip_height);
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
            static_cast<int>(bottom)};
}

}  // namespace tintbox::geometry

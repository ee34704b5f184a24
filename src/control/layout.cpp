// Layout: the height is fixed; the width either shows the spectrum stretched across the
// rest of the control or drops to the left column alone.
#include <cmath>

#include "tintbox_internals.hpp"

namespace tintbox {

namespace {

// Sums of twips are single precision; one that leaves the float range is an overflow.
float checked(float sum) {
    if (!std::isfinite(sum)) {
        throw Error(ErrorKind::Overflow, "a width or height sum leaves the single-precision range");
    }
    return sum;
}

}  // namespace

void Tintbox::Parts::UserControl_Resize() {
    // At least this many screen pixels must remain right of Frame.Left for the spectrum.
    constexpr float kMinimumSpectrumPixels = 3.0f;
    // The border between ColorFrame and the right edge of Frame, whatever the screen.
    constexpr float kRightBorder = 15.0f;

    const bool too_narrow =
        surface_->Width() < picMinWidth.Width() ||
        checked(Frame.Left() + kMinimumSpectrumPixels * surface_->twips_per_pixel()) >=
            surface_->Width();
    if (too_narrow) {
        surface_->SetWidth(picMinWidth.Width());
    } else {
        Frame.SetWidth(checked(surface_->Width() - Frame.Left()));
        ColorFrame.SetWidth(checked(surface_->Width() - ColorFrame.Left() - kRightBorder));
        Colors.SetWidth(ColorFrame.Width());
    }
    surface_->SetHeight(checked(CornerFrame.Height() + CornerFrame.Top()));
}

}  // namespace tintbox

// Picking: the left button picks from the spectrum picture while it is held; the right
// button starts the eyedropper, which picks the screen pixel under the pointer on every
// tick of its timer. Any release stops both. Where no program may read the screen, the
// desktop's own picker may answer for it once the eyedropper is let go
// (pick_screen_color).
#include "control/tintbox_internals.hpp"

namespace tintbox {

void Tintbox::Parts::Colors_MouseDown(const MouseEvent& event) {
    const bool idle = !SpectrumPressed_ && !tmrGetPixelColor.Enabled();
    if (idle && (event.button == kLeftButton || event.button == kRightButton)) {
        ColorBeforePick_ = CurrentColor_;
    }
    if (event.button == kLeftButton) {
        SpectrumPressed_ = true;
        ChangeSource_ = tags::kColorSpectrum;
        // The colour is written before the focus moves, so an editor that still has the
        // focus runs its LostFocus on the new colour.
        ColorValue picked = ColorFrame.Point(event.x, event.y);
        UpdateColor(picked);
        Colors.SetMouseIcon(txtHidden.MouseIcon());
        Colors.SetMousePointer(kCustomPointer);
        txtHidden.SetFocus();
    } else if (event.button == kRightButton) {
        Colors.SetMouseIcon(txtHidden2.MouseIcon());
        ChangeSource_ = tags::kColorSpectrum;
        Colors.SetMousePointer(kCustomPointer);
        tmrGetPixelColor.SetEnabled(true);
        txtHidden.SetFocus();
    }
}

void Tintbox::Parts::Colors_MouseMove(const MouseEvent& event) {
    if (!SpectrumPressed_) {
        return;
    }
    ChangeSource_ = tags::kColorSpectrum;
    ColorValue picked = ColorFrame.Point(event.x, event.y);
    UpdateColor(picked);
}

void Tintbox::Parts::Colors_MouseUp(const MouseEvent&) {
    const bool eyedropper_ran = tmrGetPixelColor.Enabled();
    SpectrumPressed_ = false;
    tmrGetPixelColor.SetEnabled(false);
    Colors.SetMousePointer(kDefaultPointer);
    if (eyedropper_ran) {
        surface_->screen().eyedropper_ended(!surface_->ending_gesture());
    }
}

// Escape during a drag or an eyedropper run: the colour from before the press comes
// back through the same door as a pick (the release handler then runs as usual).
void Tintbox::Parts::Colors_GestureCancelled() {
    if (!SpectrumPressed_ && !tmrGetPixelColor.Enabled()) {
        return;  // a middle-button press picks nothing
    }
    ChangeSource_ = tags::kColorSpectrum;
    ColorValue restored = ColorBeforePick_;
    UpdateColor(restored);
}

void Tintbox::Parts::tmrGetPixelColor_Timer() {
    Screen& screen = surface_->screen();
    // The context goes back to the screen however this tick ends.
    ScreenContext context(screen);
    ColorValue picked = context.pixel(screen.cursor_position());
    UpdateColor(picked);
}

// A colour that the desktop's picker chose for the eyedropper goes in as one more tick,
// with the tag that the right press sets: a host call made while the person was picking
// must not turn the pick into a read of some editor's text.
void Tintbox::Parts::pick_screen_color(ColorValue color) {
    if (!surface_->Enabled()) {
        return;  // switched off while the person was picking
    }
    ChangeSource_ = tags::kColorSpectrum;
    UpdateColor(color);
}

}  // namespace tintbox

/// \file
/// What a front end needs of the control beyond a host's members (tintbox/tintbox.hpp)
/// and the surface's input functions (tintbox/views.hpp). Hosts need none of it.
#pragma once

#include <string>

#include "tintbox/tintbox.hpp"
#include "tintbox/types.hpp"
#include "tintbox/views.hpp"

namespace tintbox {

/// The two pointer shapes that the spectrum shows: A (a cross with an open centre) and
/// B (A with four corner brackets), 32 x 32 with the hot spot at (15, 15). A front end
/// that hands cursor images to its host (rather than taking each view's pointer shape as
/// it changes) lists them from here.
///@{
PointerShapePtr pointer_shape_a();
PointerShapePtr pointer_shape_b();
///@}

}  // namespace tintbox

namespace tintbox::front_end {

/// The door through which the colour change being made now entered: the name of the
/// editor that has it ("txtRed", "hsGreen", "txtWebHex", ...) or "ColorSpectrum" for the
/// spectrum, the eyedropper, the host's setters and start-up. A front end that reports
/// who changed the colour reads it inside the control's Change event.
const std::string& change_source(const Tintbox& control) noexcept;
/// The change_source of the spectrum, the eyedropper, the host's setters and start-up.
inline constexpr char kSpectrumSource[] = "ColorSpectrum";

/// A screen colour that the desktop's own picker chose for the person (where the screen
/// cannot be read directly): it enters as one eyedropper tick, raising Change once.
void pick_screen_color(Tintbox& control, ColorValue color);

}  // namespace tintbox::front_end

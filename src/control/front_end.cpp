#include "tintbox/front_end.hpp"

#include "control/tintbox_internals.hpp"

namespace tintbox::front_end {

const std::string& change_source(const Tintbox& control) noexcept {
    return TintboxInternals(const_cast<Tintbox&>(control)).ChangeSource();
}

void pick_screen_color(Tintbox& control, ColorValue color) {
    TintboxInternals(control).pick_screen_color(color);
}

}  // namespace tintbox::front_end

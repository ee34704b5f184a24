// White-box access to the control's private procedures, for unit tests and benchmarks
// that need to call them directly or watch their order.
#pragma once

#include <string>

#include "tintbox/tintbox.hpp"

namespace tintbox {

struct TintboxInternals {
    static void UpdateColor(Tintbox& control, const std::string& tag, ColorValue& color) {
        control.ChangeSource_ = tag;
        control.UpdateColor(color);
    }
    static void set_change_source(Tintbox& control, const std::string& tag) {
        control.ChangeSource_ = tag;
    }
};

}  // namespace tintbox

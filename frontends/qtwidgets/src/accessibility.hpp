// What assistive technology sees of the control: one named group whose children are
// the views a person can reach, in reading order, each with a name and a description
// from the shared table (accessible_names.hpp; the same texts serve as tooltips). The
// views that only the control's own logic uses are not in it; while txtHidden parks the
// keyboard focus during and after a pick, the spectrum is the focused object.
#pragma once

#include "accessible_names.hpp"

namespace tintbox::qtskin {

// Installs the control's accessibility factory (once per process).
void install_accessibility();

}  // namespace tintbox::qtskin

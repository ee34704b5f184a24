// The demo's spectrum picture (the control itself ships without one).
#pragma once

#include <QImage>

namespace tintbox::demo {

// Hues across, from white at the top through the full colour in the middle row to black
// at the bottom.
QImage make_spectrum(int width, int height);

}  // namespace tintbox::demo

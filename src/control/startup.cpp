// Start-up: the first procedure of the control; afterwards every view shows black.
#include "tintbox_internals.hpp"

namespace tintbox {

void Tintbox::Parts::UserControl_Initialize() {
    // The pair overlays start below the surface; bring them onto the web-hex row.
    txtWebHexRed.SetTop(txtWebHex.Top());
    txtWebHexGreen.SetTop(txtWebHex.Top());
    txtWebHexBlue.SetTop(txtWebHex.Top());

    ChangeSource_ = tags::kColorSpectrum;
    ColorValue for_display = 0;
    ShowWebHex(for_display);
    ColorValue for_update = 0;
    UpdateColor(for_update);
}

}  // namespace tintbox

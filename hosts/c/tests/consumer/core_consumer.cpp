#include <tintbox/tintbox.hpp>

int main() {
    tintbox::Tintbox control;
    control.SetRGB(0x123456);
    return control.GetRGB() == 0x123456 && control.GetRed() == 0x56 ? 0 : 1;
}

// The web-hex display: txtWebHex shows the colour red pair first, and the three pair
// fields lie exactly over their digits, each drawn in its component's colour. The labels
// measure each pair in the fields' font.
#include "control/tintbox_internals.hpp"

namespace tintbox {
namespace {

std::u16string two_digit_hex(std::int32_t component) {
    std::u16string pair = HexForm(component);
    if (pair.size() == 1) {
        pair.insert(pair.begin(), u'0');
    }
    return pair;
}

}  // namespace

void Tintbox::Parts::ShowWebHex(const ColorValue& Color) {
    const RgbComponents rgb = SplitRGB(Color);

    txtWebHexRed.SetVisible(true);
    txtWebHexGreen.SetVisible(true);
    txtWebHexBlue.SetVisible(true);

    std::u16string red_pair = two_digit_hex(rgb.red);
    std::u16string green_pair = two_digit_hex(rgb.green);
    std::u16string blue_pair = two_digit_hex(rgb.blue);

    lblWebHexRed.SetCaption(red_pair);
    lblWebHexGreen.SetCaption(green_pair);
    lblWebHexBlue.SetCaption(blue_pair);
    lblWebHexRed.Refresh();
    lblWebHexGreen.Refresh();
    lblWebHexBlue.Refresh();

    lblWebHexRed.SetLeft(txtWebHex.Left());
    lblWebHexGreen.SetLeft(lblWebHexRed.Left() + lblWebHexRed.Width());
    lblWebHexBlue.SetLeft(lblWebHexGreen.Left() + lblWebHexGreen.Width());

    txtWebHexRed.SetLeft(lblWebHexRed.Left());
    txtWebHexGreen.SetLeft(lblWebHexGreen.Left());
    txtWebHexBlue.SetLeft(lblWebHexBlue.Left());
    txtWebHexRed.SetWidth(lblWebHexRed.Width());
    txtWebHexGreen.SetWidth(lblWebHexGreen.Width());
    txtWebHexBlue.SetWidth(lblWebHexBlue.Width());

    txtWebHex.SetText(red_pair + green_pair + blue_pair);
    txtWebHexRed.SetText(std::move(red_pair));
    txtWebHexGreen.SetText(std::move(green_pair));
    txtWebHexBlue.SetText(std::move(blue_pair));
}

}  // namespace tintbox

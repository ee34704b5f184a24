// Colour synchronisation: the one routine through which every colour change reaches the
// views, and the commit stage that ends every change with the Change event.
#include "control/tintbox_internals.hpp"

namespace tintbox {
namespace {

bool is_component_tag(const std::string& tag) {
    return tag == tags::kTxtRed || tag == tags::kTxtGreen || tag == tags::kTxtBlue ||
           tag == tags::kHsRed || tag == tags::kHsGreen || tag == tags::kHsBlue;
}

}  // namespace

void Tintbox::Parts::ShowComponents(const ColorValue& Color) {
    const RgbComponents rgb = SplitRGB(Color);
    txtRed.SetText(DecimalForm(rgb.red));
    txtGreen.SetText(DecimalForm(rgb.green));
    txtBlue.SetText(DecimalForm(rgb.blue));
}

std::int16_t Tintbox::Parts::ComponentOf(const TextField& field) const {
    return ToInt16(Val(field.Text()));
}

ColorValue Tintbox::Parts::ColorOfComponentFields() const {
    // Read in this order: red, green, blue.
    const std::int16_t red = ComponentOf(txtRed);
    const std::int16_t green = ComponentOf(txtGreen);
    const std::int16_t blue = ComponentOf(txtBlue);
    return CombineRGB(red, green, blue);
}

void Tintbox::Parts::UpdateColor(ColorValue& Color) {
    // The branch is chosen once, from a copy: the writes below may run handlers, but none
    // of them may redirect this change.
    const std::string source = ChangeSource_;

    if (source == tags::kColorSpectrum) {
        if (Color < 0) {
            Color = CurrentColor_;
        }
        txtDec.SetText(DecimalForm(Color));
        txtHex.SetText(HexForm(Color));
        ShowComponents(Color);
        ShowWebHex(Color);
    } else if (source == tags::kTxtDec) {
        Color = ToInt32(Val(txtDec.Text()));
        txtHex.SetText(HexForm(Color));
        ShowComponents(Color);
        ShowWebHex(Color);
    } else if (source == tags::kTxtHex) {
        const std::u16string hex = txtHex.Text();
        Color = HexToDec(hex);
        txtDec.SetText(DecimalForm(Color));
        ShowComponents(Color);
        ShowWebHex(Color);
    } else if (is_component_tag(source)) {
        Color = ColorOfComponentFields();
        txtDec.SetText(DecimalForm(Color));
        txtHex.SetText(HexForm(Color));
        ShowWebHex(Color);
    } else if (source == tags::kTxtWebHex) {
        std::u16string web = txtWebHex.Text();
        if (web.size() < 6) {
            web.append(6 - web.size(), u'0');
        }
        const std::u16string_view pairs(web);
        const std::u16string_view red_pair = pairs.substr(0, 2);
        const std::u16string_view green_pair = pairs.substr(2, 2);
        const std::u16string_view blue_pair = pairs.substr(pairs.size() - 2);
        txtWebHexRed.SetText(std::u16string(red_pair));
        txtWebHexGreen.SetText(std::u16string(green_pair));
        txtWebHexBlue.SetText(std::u16string(blue_pair));
        txtRed.SetText(DecimalForm(HexToDec(red_pair)));
        txtGreen.SetText(DecimalForm(HexToDec(green_pair)));
        txtBlue.SetText(DecimalForm(HexToDec(blue_pair)));
        Color = ColorOfComponentFields();
        txtDec.SetText(DecimalForm(Color));
        txtHex.SetText(HexForm(Color));
    }

    // Commit stage.
    CurrentColor_ = Color;
    const RgbComponents rgb = SplitRGB(Color);
    picRed.SetBackColor(rgb.red);
    picGreen.SetBackColor(rgb.green * 256);
    picBlue.SetBackColor(rgb.blue * 65536);
    txtWebHexRed.SetForeColor(rgb.red);
    txtWebHexGreen.SetForeColor(rgb.green * 256);
    txtWebHexBlue.SetForeColor(rgb.blue * 65536);
    picNewColor.SetBackColor(Color);
    RaiseChange();
}

void Tintbox::Parts::RaiseChange() {
    ++changes_raised_;
    if (change_handler_) {
        change_handler_();
    }
}

}  // namespace tintbox

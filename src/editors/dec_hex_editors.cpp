// The decimal and hexadecimal editors: the whole colour as a number.
#include "tintbox/tintbox.hpp"

namespace tintbox {
namespace {

constexpr double kLargestColor = 16777215;

}  // namespace

void Tintbox::txtDec_Change() {
    const std::int32_t caret = txtDec.SelStart();
    txtDec.SetText(DecimalDigitsOnly(txtDec.Text()));
    if (Val(txtDec.Text()) > kLargestColor) {
        txtDec.SetText(u"16777215");
    }
    txtDec.SetSelStart(caret);
    if (ChangeSource_ == tags::kTxtDec) {
        ColorValue color = 0;
        UpdateColor(color);
    } else {
        SelectAll(txtDec);
    }
}

void Tintbox::txtHex_Change() {
    const std::int32_t caret = txtHex.SelStart();
    txtHex.SetText(HexDigitsOnly(txtHex.Text()));
    txtHex.SetSelStart(caret);
    if (ChangeSource_ == tags::kTxtHex) {
        ColorValue color = 0;
        UpdateColor(color);
    } else {
        SelectAll(txtHex);
    }
}

void Tintbox::txtDec_LostFocus() {
    txtDec.SetText(DecimalForm(ToInt32(Val(txtDec.Text()))));
    ClickedDec_ = false;
}

void Tintbox::txtHex_LostFocus() {
    if (txtHex.Text().empty()) {
        txtHex.SetText(u"0");
    }
    ClickedHex_ = false;
}

}  // namespace tintbox

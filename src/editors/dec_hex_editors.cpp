// The decimal and hexadecimal editors: the whole colour as a number.
#include "../control/tintbox_internals.hpp"

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
    FinishEditorChange(txtDec, caret, ChangeSource_ == tags::kTxtDec);
}

void Tintbox::txtHex_Change() {
    const std::int32_t caret = txtHex.SelStart();
    txtHex.SetText(HexDigitsOnly(txtHex.Text()));
    FinishEditorChange(txtHex, caret, ChangeSource_ == tags::kTxtHex);
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

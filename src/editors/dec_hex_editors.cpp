// The decimal and hexadecimal editors: the whole colour as a number.
#include "control/tintbox_internals.hpp"

namespace tintbox {
namespace {

constexpr double kLargestColor = 16777215;

}  // namespace

void Tintbox::Parts::txtDec_Change() {
    const std::int32_t caret = txtDec.SelStart();
    txtDec.SetText(DecimalDigitsOnly(txtDec.Text()));
    if (Val(txtDec.Text()) > kLargestColor) {
        txtDec.SetText(u"16777215");
    }
    FinishEditorChange(txtDec, caret, ChangeSource_ == tags::kTxtDec);
}

void Tintbox::Parts::txtHex_Change() {
    const std::int32_t caret = txtHex.SelStart();
    txtHex.SetText(HexDigitsOnly(txtHex.Text()));
    FinishEditorChange(txtHex, caret, ChangeSource_ == tags::kTxtHex);
}

// A colour number pasted as people copy it ("0x00FF00", "&HFF8000", "#1234" that is no
// web colour): the blanks around it and one leading "#", "0x" or "&H" go before
// MaxLength cuts it.
std::u16string Tintbox::Parts::ColorNumberPaste(std::u16string_view pasted) {
    const auto is_blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    const auto trim = [&](std::u16string_view text) {
        while (!text.empty() && is_blank(text.front())) {
            text.remove_prefix(1);
        }
        while (!text.empty() && is_blank(text.back())) {
            text.remove_suffix(1);
        }
        return text;
    };
    std::u16string_view text = trim(pasted);
    for (const std::u16string_view prefix : {u"#", u"0x", u"0X", u"&H", u"&h"}) {
        if (text.substr(0, prefix.size()) == prefix) {
            text = trim(text.substr(prefix.size()));
            break;
        }
    }
    return std::u16string(text);
}

// A whole colour in a web notation ("#abc", "rgb(1, 2, 3)", "tomato") is the colour a
// person means: the field takes its colour number, whatever part of the text was selected.
std::optional<std::u16string> Tintbox::Parts::HexNotationPaste(std::u16string_view pasted) {
    const std::optional<ColorValue> color = ColorFromNotation(pasted);
    if (!color) {
        return std::nullopt;
    }
    return HexForm(*color);
}

void Tintbox::Parts::txtDec_LostFocus() {
    txtDec.SetText(DecimalForm(ToInt32(Val(txtDec.Text()))));
    ClickedDec_ = false;
}

void Tintbox::Parts::txtHex_LostFocus() {
    if (txtHex.Text().empty()) {
        txtHex.SetText(u"0");
    }
    ClickedHex_ = false;
}

}  // namespace tintbox

// The web-hex editor: txtWebHex in web order (red pair first) and the coloured pair
// fields over it, which step aside when the pointer or the focus comes.
#include "control/tintbox_internals.hpp"
#include "text/text.hpp"

namespace tintbox {

void Tintbox::Parts::txtWebHex_Change() {
    const std::int32_t caret = txtWebHex.SelStart();
    txtWebHex.SetText(HexDigitsOnly(txtWebHex.Text()));
    FinishEditorChange(txtWebHex, caret, ChangeSource_ == tags::kTxtWebHex);
}

void Tintbox::Parts::txtWebHex_GotFocus() {
    TextEditor_GotFocus(txtWebHex, tags::kTxtWebHex, ClickedWebHex_);
    txtWebHex.SetForeColor(txtHex.ForeColor());
    txtWebHexRed.SetVisible(false);
    txtWebHexGreen.SetVisible(false);
    txtWebHexBlue.SetVisible(false);
}

void Tintbox::Parts::txtWebHex_LostFocus() {
    const std::size_t length = txtWebHex.Text().size();
    if (length < 6) {
        txtWebHex.SetText(txtWebHex.Text() + std::u16string(6 - length, u'0'));
    }
    ClickedWebHex_ = false;
    txtWebHexRed.SetVisible(true);
    txtWebHexGreen.SetVisible(true);
    txtWebHexBlue.SetVisible(true);
}

// A whole colour in a web notation ("#abc", "rgb(1, 2, 3)", "tomato") is the colour a
// person means: the field takes its six digits, red first, whatever part of the text
// was selected.
std::optional<std::u16string> Tintbox::Parts::WebHexNotationPaste(std::u16string_view pasted) {
    const std::optional<ColorValue> color = ColorFromNotation(pasted);
    if (!color) {
        return std::nullopt;
    }
    const RgbComponents rgb = SplitRGB(*color);
    std::u16string digits;
    for (const std::int32_t component : {rgb.red, rgb.green, rgb.blue}) {
        digits +=
            static_cast<char16_t>(text::upper_hex_digit(static_cast<unsigned>(component) >> 4));
        digits += static_cast<char16_t>(text::upper_hex_digit(static_cast<unsigned>(component)));
    }
    return digits;
}

void Tintbox::Parts::txtWebHexPair_MouseMove(TextField& hovered) {
    txtWebHex.SetForeColor(hovered.ForeColor());
    txtWebHexRed.SetVisible(&hovered != &txtWebHexRed);
    txtWebHexGreen.SetVisible(&hovered != &txtWebHexGreen);
    txtWebHexBlue.SetVisible(&hovered != &txtWebHexBlue);
}

}  // namespace tintbox

// The host's doors to the colour: the public colour methods and conversions.
#include "control/tintbox_internals.hpp"

namespace tintbox {

ColorValue Tintbox::Parts::GetRGB() const {
    return picNewColor.BackColor();
}

void Tintbox::Parts::SetRGB(ColorValue Value) {
    ChangeSource_ = tags::kColorSpectrum;
    const std::int32_t limited = ToInt32(ClampValue(Value, kWhite, 0));
    picOldColor.SetBackColor(limited);
    ColorValue color = limited;
    UpdateColor(color);
}

std::int16_t Tintbox::Parts::GetRed() const {
    return ComponentOf(txtRed);
}
std::int16_t Tintbox::Parts::GetGreen() const {
    return ComponentOf(txtGreen);
}
std::int16_t Tintbox::Parts::GetBlue() const {
    return ComponentOf(txtBlue);
}

void Tintbox::Parts::SetComponent(TextField& field, const char* tag, std::int16_t Value) {
    ChangeSource_ = tag;
    // When this changes the text, the field's handler runs a nested UpdateColor before
    // picOldColor is written below.
    field.SetText(DecimalForm(static_cast<std::int64_t>(ClampValue(Value, 255, 0))));
    picOldColor.SetBackColor(ColorOfComponentFields());
    ColorValue color = 0;
    UpdateColor(color);
}

void Tintbox::Parts::SetRed(std::int16_t Value) {
    SetComponent(txtRed, tags::kTxtRed, Value);
}
void Tintbox::Parts::SetGreen(std::int16_t Value) {
    SetComponent(txtGreen, tags::kTxtGreen, Value);
}
void Tintbox::Parts::SetBlue(std::int16_t Value) {
    SetComponent(txtBlue, tags::kTxtBlue, Value);
}

std::int32_t Tintbox::Parts::Dec(std::u16string& Number) const {
    return tintbox::Dec(Number);
}

void Tintbox::Parts::SepRGB(const std::int32_t& Value, std::int32_t& Red, std::int32_t& Green,
                            std::int32_t& Blue) const {
    // Value is read anew for each output, so a Value that is also one of the outputs
    // sees the outputs written before it.
    Red = Value & 255;
    Green = (Value / 256) & 255;
    Blue = (Value / 65536) & 255;
}

}  // namespace tintbox

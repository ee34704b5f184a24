// Tintbox's public members: each forwards to the object's private parts.
#include "tintbox/tintbox.hpp"

#include <utility>

#include "control/tintbox_parts.hpp"

namespace tintbox {

Tintbox::Tintbox(TintboxPlatform platform) : parts_(std::make_unique<Parts>(std::move(platform))) {}

Tintbox::~Tintbox() = default;

ColorValue Tintbox::GetRGB() const {
    return parts_->GetRGB();
}
void Tintbox::SetRGB(ColorValue Value) {
    parts_->SetRGB(Value);
}
std::int16_t Tintbox::GetRed() const {
    return parts_->GetRed();
}
std::int16_t Tintbox::GetGreen() const {
    return parts_->GetGreen();
}
std::int16_t Tintbox::GetBlue() const {
    return parts_->GetBlue();
}
void Tintbox::SetRed(std::int16_t Value) {
    parts_->SetRed(Value);
}
void Tintbox::SetGreen(std::int16_t Value) {
    parts_->SetGreen(Value);
}
void Tintbox::SetBlue(std::int16_t Value) {
    parts_->SetBlue(Value);
}
std::int32_t Tintbox::Dec(std::u16string& Number) const {
    return parts_->Dec(Number);
}
void Tintbox::SepRGB(const std::int32_t& Value, std::int32_t& Red, std::int32_t& Green,
                     std::int32_t& Blue) const {
    parts_->SepRGB(Value, Red, Green, Blue);
}
const PicturePtr& Tintbox::Picture() const {
    return parts_->Picture();
}
void Tintbox::SetPicture(PicturePtr New_Picture) {
    parts_->SetPicture(std::move(New_Picture));
}
bool Tintbox::Enabled() const {
    return parts_->Enabled();
}
void Tintbox::SetEnabled(bool New_Enabled) {
    parts_->SetEnabled(New_Enabled);
}

void Tintbox::set_change_handler(std::function<void()> handler) {
    parts_->change_handler_ = std::move(handler);
}
std::uint64_t Tintbox::changes_raised() const noexcept {
    return parts_->changes_raised_;
}
void Tintbox::set_error_sink(std::function<void(const Error&)> sink) {
    parts_->surface_->set_error_sink(std::move(sink));
}
void Tintbox::set_property_changed_handler(std::function<void(const std::string&)> handler) {
    parts_->surface_->on_property_changed = std::move(handler);
}
void Tintbox::UserControl_ReadProperties(PropertyBag& PropBag) {
    parts_->UserControl_ReadProperties(PropBag);
}
void Tintbox::UserControl_WriteProperties(PropertyBag& PropBag) {
    parts_->UserControl_WriteProperties(PropBag);
}

Surface& Tintbox::UserControl() noexcept {
    return *parts_->surface_;
}
const Surface& Tintbox::UserControl() const noexcept {
    return *parts_->surface_;
}

}  // namespace tintbox

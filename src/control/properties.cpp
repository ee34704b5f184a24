// The persisted properties Picture and Enabled, and the property-bag events.
#include "tintbox_internals.hpp"

namespace tintbox {
namespace {

constexpr char kPictureKey[] = "Picture";
constexpr char kEnabledKey[] = "Enabled";

PicturePtr as_picture(const PropertyValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return nullptr;
    }
    if (const auto* picture = std::get_if<PicturePtr>(&value)) {
        return *picture;
    }
    throw Error(ErrorKind::InvalidPropertyValue, "the stored \"Picture\" is not a picture");
}

bool as_boolean(const PropertyValue& value) {
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag;
    }
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return *number != 0;
    }
    throw Error(ErrorKind::InvalidPropertyValue, "the stored \"Enabled\" is not a boolean");
}

PropertyValue picture_value(const PicturePtr& picture) {
    return picture ? PropertyValue(picture) : PropertyValue();
}

}  // namespace

const PicturePtr& Tintbox::Parts::Picture() const {
    return Colors.Picture();
}

void Tintbox::Parts::SetPicture(PicturePtr New_Picture) {
    Colors.SetPicture(std::move(New_Picture));
    surface_->PropertyChanged(kPictureKey);
}

bool Tintbox::Parts::Enabled() const {
    return surface_->Enabled();
}

void Tintbox::Parts::SetEnabled(bool New_Enabled) {
    surface_->SetEnabled(New_Enabled);
    surface_->PropertyChanged(kEnabledKey);
    switch_editors(New_Enabled);
}

void Tintbox::Parts::switch_editors(bool enabled) {
    for (View* view : std::initializer_list<View*>{&hsRed, &hsGreen, &hsBlue, &txtRed, &txtGreen,
                                                   &txtBlue, &txtWebHexRed, &txtWebHexGreen,
                                                   &txtWebHexBlue, &txtDec, &txtHex}) {
        view->SetEnabled(enabled);
    }
}

void Tintbox::Parts::UserControl_ReadProperties(PropertyBag& PropBag) {
    SetPicture(as_picture(PropBag.ReadProperty(kPictureKey, PropertyValue())));
    // The editors follow as they do for the property: a control that says it is enabled
    // while its editors take nothing would be stuck until Enabled is set again.
    const bool enabled = as_boolean(PropBag.ReadProperty(kEnabledKey, true));
    surface_->SetEnabled(enabled);
    switch_editors(enabled);
}

void Tintbox::Parts::UserControl_WriteProperties(PropertyBag& PropBag) {
    PropBag.WriteProperty(kPictureKey, picture_value(Picture()), PropertyValue());
    PropBag.WriteProperty(kEnabledKey, surface_->Enabled(), true);
}

}  // namespace tintbox

// The member table of tintbox/members.hpp: the declarations that the type library, the C
// header and the hosts follow, and each member's call on the control.
#include "tintbox/members.hpp"

#include <iterator>

#include "tintbox/tintbox.hpp"

namespace tintbox {
namespace {

constexpr unsigned kIn = kParamIn;
constexpr unsigned kOut = kParamOut;
constexpr unsigned kByRef = kParamByRef;

// The colour methods take their arguments by reference, as the control's form declares
// them; only Dec and SepRGB write into theirs.
const MemberParam kLongValue[] = {{"Value", MemberType::Long, kIn | kByRef}};
const MemberParam kIntegerValue[] = {{"Value", MemberType::Integer, kIn | kByRef}};
const MemberParam kDecParams[] = {{"Number", MemberType::String, kIn | kOut | kByRef}};
const MemberParam kSepRGBParams[] = {
    {"Value", MemberType::Long, kIn | kByRef},
    {"Red", MemberType::Long, kOut | kByRef},
    {"Green", MemberType::Long, kOut | kByRef},
    {"Blue", MemberType::Long, kOut | kByRef},
};
// An object is passed as itself.
const MemberParam kNewPicture[] = {{"New_Picture", MemberType::Picture, kIn}};
const MemberParam kNewEnabled[] = {{"New_Enabled", MemberType::Boolean, kIn}};

using Args = std::vector<MemberValue>;

template <class T>
T& arg(Args& args, std::size_t index) {
    return std::get<T>(args[index]);
}

// Results of members without one.
MemberValue none() {
    return {};
}

MemberValue call_get_rgb(Tintbox& control, Args&) {
    return std::int32_t{control.GetRGB()};
}

MemberValue call_set_rgb(Tintbox& control, Args& args) {
    control.SetRGB(arg<std::int32_t>(args, 0));
    return none();
}

MemberValue call_get_red(Tintbox& control, Args&) {
    return control.GetRed();
}

MemberValue call_get_green(Tintbox& control, Args&) {
    return control.GetGreen();
}

MemberValue call_get_blue(Tintbox& control, Args&) {
    return control.GetBlue();
}

MemberValue call_set_red(Tintbox& control, Args& args) {
    control.SetRed(arg<std::int16_t>(args, 0));
    return none();
}

MemberValue call_set_green(Tintbox& control, Args& args) {
    control.SetGreen(arg<std::int16_t>(args, 0));
    return none();
}

MemberValue call_set_blue(Tintbox& control, Args& args) {
    control.SetBlue(arg<std::int16_t>(args, 0));
    return none();
}

MemberValue call_dec(Tintbox& control, Args& args) {
    return control.Dec(arg<std::u16string>(args, 0));
}

MemberValue call_sep_rgb(Tintbox& control, Args& args) {
    std::int32_t red = 0;
    std::int32_t green = 0;
    std::int32_t blue = 0;
    control.SepRGB(arg<std::int32_t>(args, 0), red, green, blue);
    args[1] = red;
    args[2] = green;
    args[3] = blue;
    return none();
}

MemberValue call_get_picture(Tintbox& control, Args&) {
    return control.Picture();
}

MemberValue call_set_picture(Tintbox& control, Args& args) {
    control.SetPicture(arg<PicturePtr>(args, 0));
    return none();
}

MemberValue call_get_enabled(Tintbox& control, Args&) {
    return control.Enabled();
}

MemberValue call_set_enabled(Tintbox& control, Args& args) {
    control.SetEnabled(arg<bool>(args, 0));
    return none();
}

constexpr MemberKind kMethod = MemberKind::Method;
constexpr MemberKind kGet = MemberKind::PropertyGet;

template <std::size_t N>
constexpr std::size_t count(const MemberParam (&)[N]) {
    return N;
}

// Slot order of _Tintbox.
const Member kDispatchMembers[] = {
    {"GetRGB", 0x60030002, kMethod, MemberType::Long, nullptr, 0, call_get_rgb},
    {"SetRGB", 0x60030003, kMethod, MemberType::Empty, kLongValue, count(kLongValue), call_set_rgb},
    {"GetRed", 0x60030004, kMethod, MemberType::Integer, nullptr, 0, call_get_red},
    {"GetGreen", 0x60030005, kMethod, MemberType::Integer, nullptr, 0, call_get_green},
    {"GetBlue", 0x60030006, kMethod, MemberType::Integer, nullptr, 0, call_get_blue},
    {"SetRed", 0x60030007, kMethod, MemberType::Empty, kIntegerValue, count(kIntegerValue),
     call_set_red},
    {"SetGreen", 0x60030008, kMethod, MemberType::Empty, kIntegerValue, count(kIntegerValue),
     call_set_green},
    {"SetBlue", 0x60030009, kMethod, MemberType::Empty, kIntegerValue, count(kIntegerValue),
     call_set_blue},
    {"Dec", 0x6003000B, kMethod, MemberType::Long, kDecParams, count(kDecParams), call_dec},
    {"SepRGB", 0x60030033, kMethod, MemberType::Empty, kSepRGBParams, count(kSepRGBParams),
     call_sep_rgb},
    {"Picture", 0x68030001, kGet, MemberType::Picture, nullptr, 0, call_get_picture},
    {"Picture", 0x68030001, MemberKind::PropertyPutRef, MemberType::Empty, kNewPicture,
     count(kNewPicture), call_set_picture},
    {"Enabled", 0x68030000, kGet, MemberType::Boolean, nullptr, 0, call_get_enabled},
    {"Enabled", 0x68030000, MemberKind::PropertyPut, MemberType::Empty, kNewEnabled,
     count(kNewEnabled), call_set_enabled},
};

const Member kEventMembers[] = {
    {"Change", 1, kMethod, MemberType::Empty, nullptr, 0, nullptr},
};

}  // namespace

MemberList dispatch_members() noexcept {
    return {kDispatchMembers, std::size(kDispatchMembers)};
}

MemberList event_members() noexcept {
    return {kEventMembers, std::size(kEventMembers)};
}

const Member* find_member(std::int32_t dispatch_id, MemberKind kind) noexcept {
    for (const Member& member : kDispatchMembers) {
        if (member.dispatch_id == dispatch_id && member.kind == kind) {
            return &member;
        }
    }
    return nullptr;
}

}  // namespace tintbox

#include "type_library.hpp"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace tintbox::shell {
namespace {

constexpr std::int32_t kIn = TINTBOX_PARAM_IN;
constexpr std::int32_t kOut = TINTBOX_PARAM_OUT;
constexpr std::int32_t kByRef = TINTBOX_PARAM_BYREF;

// The String type of the library is recorded as UTF-16, the control's own encoding.
constexpr std::int32_t kString = TINTBOX_VT_UTF16;

const TintboxParamInfo kLongValue[] = {{"Value", TINTBOX_VT_I4, kIn | kByRef}};
const TintboxParamInfo kIntegerValue[] = {{"Value", TINTBOX_VT_I2, kIn | kByRef}};
const TintboxParamInfo kDecParams[] = {{"Number", kString, kIn | kOut | kByRef}};
const TintboxParamInfo kSepRGBParams[] = {
    {"Value", TINTBOX_VT_I4, kIn | kByRef},
    {"Red", TINTBOX_VT_I4, kOut | kByRef},
    {"Green", TINTBOX_VT_I4, kOut | kByRef},
    {"Blue", TINTBOX_VT_I4, kOut | kByRef},
};
const TintboxParamInfo kNewPicture[] = {{"New_Picture", TINTBOX_VT_PICTURE, kIn | kByRef}};
const TintboxParamInfo kNewEnabled[] = {{"New_Enabled", TINTBOX_VT_BOOL, kIn}};

constexpr std::int32_t kMethod = TINTBOX_INVOKE_METHOD;

// Slot order of _Tintbox.
const TintboxMemberInfo kTintboxMembers[] = {
    {"GetRGB", TINTBOX_DISPID_GetRGB, kMethod, TINTBOX_VT_I4, 0, nullptr},
    {"SetRGB", TINTBOX_DISPID_SetRGB, kMethod, TINTBOX_VT_EMPTY, 1, kLongValue},
    {"GetRed", TINTBOX_DISPID_GetRed, kMethod, TINTBOX_VT_I2, 0, nullptr},
    {"GetGreen", TINTBOX_DISPID_GetGreen, kMethod, TINTBOX_VT_I2, 0, nullptr},
    {"GetBlue", TINTBOX_DISPID_GetBlue, kMethod, TINTBOX_VT_I2, 0, nullptr},
    {"SetRed", TINTBOX_DISPID_SetRed, kMethod, TINTBOX_VT_EMPTY, 1, kIntegerValue},
    {"SetGreen", TINTBOX_DISPID_SetGreen, kMethod, TINTBOX_VT_EMPTY, 1, kIntegerValue},
    {"SetBlue", TINTBOX_DISPID_SetBlue, kMethod, TINTBOX_VT_EMPTY, 1, kIntegerValue},
    {"Dec", TINTBOX_DISPID_Dec, kMethod, TINTBOX_VT_I4, 1, kDecParams},
    {"SepRGB", TINTBOX_DISPID_SepRGB, kMethod, TINTBOX_VT_EMPTY, 4, kSepRGBParams},
    {"Picture", TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYGET, TINTBOX_VT_PICTURE, 0, nullptr},
    {"Picture", TINTBOX_DISPID_Picture, TINTBOX_INVOKE_PROPERTYPUTREF, TINTBOX_VT_EMPTY, 1,
     kNewPicture},
    {"Enabled", TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYGET, TINTBOX_VT_BOOL, 0, nullptr},
    {"Enabled", TINTBOX_DISPID_Enabled, TINTBOX_INVOKE_PROPERTYPUT, TINTBOX_VT_EMPTY, 1,
     kNewEnabled},
};

const TintboxMemberInfo kEventMembers[] = {
    {"Change", TINTBOX_DISPID_Change, kMethod, TINTBOX_VT_EMPTY, 0, nullptr},
};

const TintboxInterfaceInfo kInterfaces[] = {
    {"_Tintbox", TINTBOX_IID__Tintbox, TINTBOX_INTERFACE_DISPATCH,
     static_cast<std::int32_t>(std::size(kTintboxMembers)), kTintboxMembers},
    {"__Tintbox", TINTBOX_DIID___Tintbox, TINTBOX_INTERFACE_SOURCE,
     static_cast<std::int32_t>(std::size(kEventMembers)), kEventMembers},
};

const TintboxTypeLibrary kTypeLibrary = {
    "TintboxControl",
    TINTBOX_LIBID_TintboxControl,
    1,
    0,
    0x409,
    "Tintbox",
    TINTBOX_CLSID_Tintbox,
    static_cast<std::int32_t>(std::size(kInterfaces)),
    kInterfaces,
};

char ascii_lower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool same_name(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

const TintboxTypeLibrary& type_library() noexcept {
    return kTypeLibrary;
}

const TintboxInterfaceInfo& dispatch_interface() noexcept {
    return kInterfaces[0];
}

const TintboxMemberInfo* find_member(std::int32_t dispatch_id, std::int32_t invoke_kind,
                                     bool& id_known) noexcept {
    id_known = false;
    for (const TintboxMemberInfo& member : kTintboxMembers) {
        if (member.dispatch_id != dispatch_id) {
            continue;
        }
        id_known = true;
        // A picture is an object, but hosts that only know "put" may set it with that.
        std::int32_t accepted = member.invoke_kind;
        if (accepted == TINTBOX_INVOKE_PROPERTYPUTREF) {
            accepted |= TINTBOX_INVOKE_PROPERTYPUT;
        }
        if ((accepted & invoke_kind) != 0) {
            return &member;
        }
    }
    return nullptr;
}

bool find_dispatch_id(std::string_view name, std::int32_t& dispatch_id) noexcept {
    for (const TintboxMemberInfo& member : kTintboxMembers) {
        if (same_name(name, member.name)) {
            dispatch_id = member.dispatch_id;
            return true;
        }
    }
    return false;
}

bool same_guid(const TintboxGuid& a, const TintboxGuid& b) noexcept {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

std::string guid_string(const TintboxGuid& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0],
                  guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                  guid.data4[6], guid.data4[7]);
    return text;
}

}  // namespace tintbox::shell

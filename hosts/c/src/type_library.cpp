#include "type_library.hpp"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace tintbox::shell {
namespace {

static_assert(TINTBOX_PARAM_IN == kParamIn && TINTBOX_PARAM_OUT == kParamOut &&
                  TINTBOX_PARAM_BYREF == kParamByRef,
              "the C header's parameter flags are the member table's");

// The library's data, made from the member table on first use.
struct LibraryData {
    LibraryData();

    std::vector<TintboxParamInfo> params;  // every member's, one after the other
    std::vector<TintboxMemberInfo> dispatch_infos;
    std::vector<TintboxMemberInfo> event_infos;
    TintboxInterfaceInfo interfaces[2];
    TintboxTypeLibrary library;

  private:
    std::vector<TintboxMemberInfo> infos_of(MemberList members);
};

LibraryData::LibraryData() {
    std::size_t param_count = 0;
    for (const MemberList members : {dispatch_members(), event_members()}) {
        for (const Member& member : members) {
            param_count += member.param_count;
        }
    }
    params.reserve(param_count);  // the member infos point into it
    dispatch_infos = infos_of(dispatch_members());
    event_infos = infos_of(event_members());
    interfaces[0] = {"_Tintbox", TINTBOX_IID__Tintbox, TINTBOX_INTERFACE_DISPATCH,
                     static_cast<std::int32_t>(dispatch_infos.size()), dispatch_infos.data()};
    interfaces[1] = {"__Tintbox", TINTBOX_DIID___Tintbox, TINTBOX_INTERFACE_SOURCE,
                     static_cast<std::int32_t>(event_infos.size()), event_infos.data()};
    library = {"TintboxControl",
               TINTBOX_LIBID_TintboxControl,
               1,
               0,
               0x409,
               "Tintbox",
               TINTBOX_CLSID_Tintbox,
               static_cast<std::int32_t>(std::size(interfaces)),
               interfaces};
}

std::vector<TintboxMemberInfo> LibraryData::infos_of(MemberList members) {
    std::vector<TintboxMemberInfo> infos;
    for (const Member& member : members) {
        const TintboxParamInfo* first =
            member.param_count > 0 ? params.data() + params.size() : nullptr;
        for (std::size_t i = 0; i < member.param_count; ++i) {
            const MemberParam& param = member.params[i];
            params.push_back(
                {param.name, variant_type(param.type), static_cast<std::int32_t>(param.flags)});
        }
        infos.push_back({member.name, member.dispatch_id, invoke_kind_of(member.kind),
                         variant_type(member.result), static_cast<std::int32_t>(member.param_count),
                         first});
    }
    return infos;
}

const LibraryData& library_data() {
    static const LibraryData data;
    return data;
}

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

std::int32_t variant_type(MemberType type) noexcept {
    switch (type) {
        case MemberType::Integer:
            return TINTBOX_VT_I2;
        case MemberType::Long:
            return TINTBOX_VT_I4;
        case MemberType::Boolean:
            return TINTBOX_VT_BOOL;
        case MemberType::String:
            return TINTBOX_VT_UTF16;  // the control's own encoding
        case MemberType::Picture:
            return TINTBOX_VT_PICTURE;
        case MemberType::Empty:
            break;
    }
    return TINTBOX_VT_EMPTY;
}

std::int32_t invoke_kind_of(MemberKind kind) noexcept {
    switch (kind) {
        case MemberKind::PropertyGet:
            return TINTBOX_INVOKE_PROPERTYGET;
        case MemberKind::PropertyPut:
            return TINTBOX_INVOKE_PROPERTYPUT;
        case MemberKind::PropertyPutRef:
            return TINTBOX_INVOKE_PROPERTYPUTREF;
        case MemberKind::Method:
            break;
    }
    return TINTBOX_INVOKE_METHOD;
}

const TintboxTypeLibrary& type_library() {
    return library_data().library;
}

const Member* find_member(std::int32_t dispatch_id, std::int32_t invoke_kind,
                          bool& id_known) noexcept {
    id_known = false;
    for (const Member& member : dispatch_members()) {
        if (member.dispatch_id != dispatch_id) {
            continue;
        }
        id_known = true;
        // A picture is an object, but hosts that only know "put" may set it with that.
        std::int32_t accepted = invoke_kind_of(member.kind);
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
    for (const Member& member : dispatch_members()) {
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

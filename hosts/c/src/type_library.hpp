// The type library TintboxControl 1.0 as data, made from the member table
// (tintbox/members.hpp), and the look-ups that dispatch and registration need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tintbox/members.hpp"
#include "tintbox/tintbox_shell.h"

namespace tintbox::shell {

// Made on first use (std::bad_alloc when there is no memory for it), then valid while
// the library is loaded.
const TintboxTypeLibrary& type_library();

// TINTBOX_VT_... of a member's type (TINTBOX_VT_UTF16 for String), and TINTBOX_INVOKE_...
// of its kind.
std::int32_t variant_type(MemberType type) noexcept;
std::int32_t invoke_kind_of(MemberKind kind) noexcept;

// The member of _Tintbox with this dispatch id that answers `invoke_kind`, or null.
// `id_known` tells whether some member has the id at all.
const Member* find_member(std::int32_t dispatch_id, std::int32_t invoke_kind,
                          bool& id_known) noexcept;

// The dispatch id of a member name, ASCII letters compared without case; false when no
// member has the name.
bool find_dispatch_id(std::string_view name, std::int32_t& dispatch_id) noexcept;

bool same_guid(const TintboxGuid& a, const TintboxGuid& b) noexcept;

// "{8A5AE6DE-FBA5-4570-A3E5-45047F4049F8}"
std::string guid_string(const TintboxGuid& guid);

}  // namespace tintbox::shell

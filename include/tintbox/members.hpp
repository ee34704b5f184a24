/// \file
/// The control's automation members, once: for each member of the dispatch interface
/// _Tintbox and of the event interface __Tintbox its name, dispatch id, kind, result
/// type and parameters, and the call that performs it on a Tintbox.
///
/// Every host dispatches through this table: the C interface of the in-process server,
/// COM's IDispatch in Tintbox.ocx and the script driver's `call`. Each host converts its
/// own values (a TintboxVariant, a VARIANT, a script's words) to MemberValues and back,
/// with its own rules and errors for a value that does not fit; the members themselves
/// are performed here alone. The declarations that other readers need (tintbox.idl, the C
/// header's TINTBOX_DISPID_*, the Windows identifiers, the Python package's ids) are
/// checked against this table by a test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "tintbox/picture.hpp"

namespace tintbox {

class Tintbox;

/// The type of a parameter or result, named as Automation names them.
enum class MemberType { Empty, Integer, Long, Boolean, String, Picture };

/// A parameter's or result's value; the alternative's index is its MemberType. Empty is
/// the result of a member without one; a null PicturePtr is no picture (Nothing).
using MemberValue =
    std::variant<std::monostate, std::int16_t, std::int32_t, bool, std::u16string, PicturePtr>;

/// The type of the value a MemberValue holds.
inline MemberType type_of(const MemberValue& value) noexcept {
    return static_cast<MemberType>(value.index());
}

/// How a member is called: a method, or a property's get, put or put by reference.
enum class MemberKind { Method, PropertyGet, PropertyPut, PropertyPutRef };

/// Parameter flags, as a type library records them.
inline constexpr unsigned kParamIn = 1;     ///< the member reads the argument
inline constexpr unsigned kParamOut = 2;    ///< the member writes its value into the argument
inline constexpr unsigned kParamByRef = 4;  ///< declared by reference

/// A parameter of a member, as the type library declares it.
struct MemberParam {
    const char* name;  ///< exact: a named argument's id is the parameter's position
    MemberType type;   ///< the declared type
    unsigned flags;    ///< kParam...

    bool read() const noexcept { return (flags & kParamIn) != 0; }      ///< kParamIn is set
    bool written() const noexcept { return (flags & kParamOut) != 0; }  ///< kParamOut is set
};

/// One member of an interface: its declaration and how to call it.
struct Member {
    const char* name;           ///< as hosts call it by name
    std::int32_t dispatch_id;   ///< a property's get and put share theirs
    MemberKind kind;            ///< how it is called
    MemberType result;          ///< Empty when the member has no result
    const MemberParam* params;  ///< in declaration order
    std::size_t param_count;    ///< how many `params` there are
    /// Performs the member on `control`. `args` holds param_count values in declaration
    /// order, each of its parameter's type (a parameter that is only written may hold
    /// any value); the call replaces the written ones with the member's values and
    /// returns the result (Empty when none). The control's errors are thrown as
    /// tintbox::Error, as its public methods throw them; a host writes arguments back only
    /// after a call that returned. Null for an event: the control raises it.
    MemberValue (*call)(Tintbox& control, std::vector<MemberValue>& args);
};

/// A run of members in slot order.
struct MemberList {
    const Member* first;  ///< the first member
    std::size_t count;    ///< how many there are

    ///@{
    /// The members as a range.
    const Member* begin() const noexcept { return first; }
    const Member* end() const noexcept { return first + count; }
    std::size_t size() const noexcept { return count; }
    const Member& operator[](std::size_t index) const noexcept { return first[index]; }
    ///@}
};

/// The members of _Tintbox: the methods, then Picture's and Enabled's get and put.
MemberList dispatch_members() noexcept;
/// The events of __Tintbox: Change, raised after every colour update.
MemberList event_members() noexcept;
/// The member of _Tintbox with this dispatch id and kind, or null.
const Member* find_member(std::int32_t dispatch_id, MemberKind kind) noexcept;

}  // namespace tintbox

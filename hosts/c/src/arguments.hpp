// The arguments of one call through the C ABI: each variant read as its parameter's
// type into the member table's values, and the written ones and the result turned back
// into variants, with a fault that names the member and parameter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tintbox/members.hpp"
#include "tintbox/picture.hpp"
#include "tintbox/tintbox_shell.h"

namespace tintbox::shell {

// A call that the shell refuses before or after the control runs.
struct CallFault {
    TintboxStatus status;
    std::string message;
};

// Reads and writes the arguments of one call, naming the member and parameter in every
// fault.
class Arguments {
  public:
    Arguments(const Member& member, TintboxVariant* args) : member_(member), args_(args) {}

    // Every argument as its parameter's type. `current_picture` is the control's picture:
    // handing back its own pixels sets that very object again.
    std::vector<MemberValue> read(const PicturePtr& current_picture) const;
    // Writes the member's values into the arguments it writes.
    void write_back(const std::vector<MemberValue>& values) const;
    // A member's result, with the type the member declares; a picture points into the
    // control's own copy.
    static TintboxVariant result(const MemberValue& value);

  private:
    MemberValue value(int index, const PicturePtr& current_picture) const;

    // A read-only Integer, Long or Boolean parameter: any of I2, I4 and BOOL that fits.
    std::int32_t number(int index, std::int32_t min, std::int32_t max) const;
    // A written Integer, Long or Boolean parameter: it must be of the declared type.
    void require_declared_type(int index) const;

    // A String parameter (UTF8 or UTF16), which the member may write back: data for its
    // length and room for what the member writes (no data at all only with no length and
    // no capacity).
    std::u16string text(int index) const;
    // Writes a text back in the argument's own encoding. The members only ever shorten
    // a text, so it fits the capacity that text() checked.
    void set_text(int index, const std::u16string& value) const;

    // A Picture parameter: PICTURE, or EMPTY / null pixels for Nothing.
    PicturePtr picture(int index, const PicturePtr& current) const;

    const MemberParam& param(int index) const { return member_.params[index]; }
    std::string where(int index) const;
    CallFault mismatch(int index) const;

    const Member& member_;
    TintboxVariant* args_;
};

}  // namespace tintbox::shell

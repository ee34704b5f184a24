// The arguments of one call through the C ABI: reading each variant as its parameter's
// type and writing the results back, with a fault that names the member and parameter.
#pragma once

#include <cstdint>
#include <string>

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
    Arguments(const TintboxMemberInfo& member, TintboxVariant* args)
        : member_(member), args_(args) {}

    // A read-only Integer, Long or Boolean parameter: any of I2, I4 and BOOL that fits.
    std::int32_t number(int index, std::int32_t min, std::int32_t max) const;
    bool boolean(int index) const { return number(index, INT32_MIN, INT32_MAX) != 0; }

    // A Long parameter that the member writes back: it must be a Long.
    void require_long(int index) const;
    void set_long(int index, std::int32_t value) const { args_[index].value.i4 = value; }

    // A String parameter that the member writes back: data for its length and room for
    // what the member writes (no data at all only with no length and no capacity).
    std::u16string text(int index) const;
    // Writes a text back in the argument's own encoding. The members only ever shorten
    // a text, so it fits the capacity that text() checked.
    void set_text(int index, const std::u16string& value) const;

    // A Picture parameter: PICTURE, or EMPTY / null pixels for Nothing. `current` is the
    // control's picture: handing back its own pixels sets that very object again.
    PicturePtr picture(int index, const PicturePtr& current) const;

  private:
    const TintboxParamInfo& param(int index) const { return member_.params[index]; }
    std::string where(int index) const;
    CallFault mismatch(int index) const;

    const TintboxMemberInfo& member_;
    TintboxVariant* args_;
};

}  // namespace tintbox::shell

// IDispatch::Invoke as the type library declares each member: the member is found by
// dispatch id and kind of call, the arguments may be passed by position or by name (a
// parameter's dispatch id is its position, as GetIDsOfNames answers), every argument is
// converted to its declared type the way Automation converts (DISP_E_TYPEMISMATCH or
// DISP_E_OVERFLOW when it cannot be; a NaN is refused as an overflow), and a
// by-reference parameter that the member writes is copied back into the caller's
// variable, also when a script passes it as a reference to a VARIANT.
#pragma once

#include <oaidl.h>

#include <vector>

namespace tintbox::windows {

class DispatchCall {
  public:
    DispatchCall() = default;
    DispatchCall(const DispatchCall&) = delete;
    DispatchCall& operator=(const DispatchCall&) = delete;
    ~DispatchCall();

    // Finds the member, matches the arguments to its parameters and converts them. On
    // failure returns the HRESULT for Invoke to return (DISP_E_PARAMNOTFOUND for a
    // named argument that names no parameter, or one already given), with
    // *argument_error (when given) the index in rgvarg of the argument at fault.
    HRESULT prepare(ITypeInfo& info, DISPID id, WORD flags, DISPPARAMS* params,
                    UINT* argument_error);

    INVOKEKIND kind() const noexcept { return kind_; }
    std::size_t argument_count() const noexcept { return arguments_.size(); }
    // Argument `index` in declaration order, converted to its declared type (an object
    // parameter comes as VT_DISPATCH, possibly null).
    VARIANT& argument(std::size_t index) noexcept { return arguments_[index].value; }
    // Marks argument `index` as written by the member: finish() copies it back.
    void written(std::size_t index) noexcept { arguments_[index].written = true; }
    // Copies written arguments back into the caller's variables and moves `value` (of the
    // declared result type; VT_EMPTY for none) into the caller's result.
    void finish(VARIANT& value, VARIANT* result);

  private:
    struct Argument {
        VARIANT value;    // of the declared type
        VARIANT* caller;  // the caller's VARIANT
        bool written = false;
    };
    INVOKEKIND kind_ = INVOKE_FUNC;
    std::vector<Argument> arguments_;
};

}  // namespace tintbox::windows

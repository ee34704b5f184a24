#include "dispatch.hpp"

#include <cmath>

#include "com_ref.hpp"

namespace tintbox::windows {
namespace {

// A parameter or result as the type library declares it.
struct Slot {
    VARTYPE type;       // VT_DISPATCH for an object
    bool by_reference;  // declared [in, out] T*
};

Slot slot_of(const TYPEDESC& declared) {
    if (declared.vt == VT_PTR) {
        const VARTYPE target = declared.lptdesc->vt;
        if (target == VT_USERDEFINED) {
            return {VT_DISPATCH, false};  // an interface pointer: an object passed as such
        }
        return {target, true};
    }
    return {declared.vt, false};
}

// Looks through references to VARIANTs (how scripts pass their variables).
VARIANT* innermost(VARIANT* value) {
    while (V_VT(value) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(value)) {
        value = V_VARIANTREF(value);
    }
    return value;
}

// The first kind of call in `flags` that the member has, found in the type library.
HRESULT find_member(ITypeInfo& info, DISPID id, WORD flags, UINT& index, INVOKEKIND& kind) {
    ComRef<ITypeInfo2> info2;
    if (FAILED(info.QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(info2.put())))) {
        return E_UNEXPECTED;
    }
    static constexpr struct {
        WORD flag;
        INVOKEKIND kind;
    } kKinds[] = {{DISPATCH_METHOD, INVOKE_FUNC},
                  {DISPATCH_PROPERTYGET, INVOKE_PROPERTYGET},
                  {DISPATCH_PROPERTYPUT, INVOKE_PROPERTYPUT},
                  {DISPATCH_PROPERTYPUTREF, INVOKE_PROPERTYPUTREF}};
    for (const auto& candidate : kKinds) {
        if ((flags & candidate.flag) &&
            SUCCEEDED(info2->GetFuncIndexOfMemId(id, candidate.kind, &index))) {
            kind = candidate.kind;
            return S_OK;
        }
    }
    return DISP_E_MEMBERNOTFOUND;
}

// A NaN is no number and no truth value: only a text may be made of it.
bool is_nan(const VARIANT& value) {
    switch (V_VT(&value)) {
        case VT_R4:
            return std::isnan(V_R4(&value));
        case VT_R8:
            return std::isnan(V_R8(&value));
        case VT_DATE:
            return std::isnan(V_DATE(&value));
        case VT_BYREF | VT_R4:
            return V_R4REF(&value) && std::isnan(*V_R4REF(&value));
        case VT_BYREF | VT_R8:
            return V_R8REF(&value) && std::isnan(*V_R8REF(&value));
        case VT_BYREF | VT_DATE:
            return V_DATEREF(&value) && std::isnan(*V_DATEREF(&value));
        default:
            return false;
    }
}

// The caller's argument for each parameter, in declaration order. The positional
// arguments come first (rgvarg holds them last first, after the named ones); a named
// argument's id is its parameter's position, and a property put's DISPID_PROPERTYPUT
// names the value, the last parameter. A name that is no free parameter of the member
// is DISP_E_PARAMNOTFOUND, with *argument_error its index in rgvarg.
HRESULT place_arguments(INVOKEKIND kind, DISPPARAMS& params, UINT count,
                        std::vector<VARIANT*>& placed, UINT* argument_error) {
    if (params.cArgs != count || (count > 0 && !params.rgvarg)) {
        return DISP_E_BADPARAMCOUNT;
    }
    if (params.cNamedArgs > params.cArgs || (params.cNamedArgs > 0 && !params.rgdispidNamedArgs)) {
        return E_INVALIDARG;
    }
    const bool put = kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF;
    placed.assign(count, nullptr);
    const UINT positional = params.cArgs - params.cNamedArgs;
    for (UINT i = 0; i < positional; ++i) {
        placed[i] = &params.rgvarg[params.cArgs - 1 - i];
    }
    for (UINT named = 0; named < params.cNamedArgs; ++named) {
        const DISPID id = params.rgdispidNamedArgs[named];
        const DISPID position = put && id == DISPID_PROPERTYPUT ? DISPID(count) - 1 : id;
        if (position < 0 || UINT(position) >= count || placed[position]) {
            if (argument_error) {
                *argument_error = named;
            }
            return DISP_E_PARAMNOTFOUND;
        }
        placed[position] = &params.rgvarg[named];
    }
    return S_OK;
}

// Converts a caller's argument to its declared type. A typed reference (VT_BYREF | T)
// to a by-reference parameter must be of the declared type, as Automation requires:
// the member writes through it.
HRESULT convert(VARIANT& caller, Slot slot, VARIANT& out) {
    VARIANT* source = innermost(&caller);
    if (slot.by_reference && (V_VT(source) & VT_BYREF) && V_VT(source) != (VT_BYREF | slot.type)) {
        return DISP_E_TYPEMISMATCH;
    }
    if (slot.type != VT_BSTR && is_nan(*source)) {
        return DISP_E_OVERFLOW;  // as Automation answers for any value no number can hold
    }
    if (slot.type == VT_DISPATCH) {
        const VARTYPE type = V_VT(source) & ~VT_BYREF;
        if (type != VT_DISPATCH && type != VT_UNKNOWN) {
            return DISP_E_TYPEMISMATCH;  // only an object (or Nothing) is an object
        }
    }
    return VariantChangeType(&out, source, 0, slot.type);
}

// Copies `value` into the caller's variable; a value passed as a constant stays as it is.
void write_back(VARIANT& caller, VARIANT& value) {
    if (!(V_VT(&caller) & VT_BYREF)) {
        return;
    }
    VARIANT* target = innermost(&caller);
    switch (V_VT(target)) {
        case VT_BYREF | VT_I2:
            *V_I2REF(target) = V_I2(&value);
            return;
        case VT_BYREF | VT_I4:
            *V_I4REF(target) = V_I4(&value);
            return;
        case VT_BYREF | VT_BOOL:
            *V_BOOLREF(target) = V_BOOL(&value);
            return;
        case VT_BYREF | VT_BSTR:
            SysFreeString(*V_BSTRREF(target));
            *V_BSTRREF(target) = SysAllocStringLen(V_BSTR(&value), SysStringLen(V_BSTR(&value)));
            return;
        default:
            // A VARIANT the reference leads to: it takes the declared type.
            VariantClear(target);
            VariantCopy(target, &value);
            return;
    }
}

}  // namespace

DispatchCall::~DispatchCall() {
    for (Argument& argument : arguments_) {
        VariantClear(&argument.value);
    }
}

HRESULT DispatchCall::prepare(ITypeInfo& info, DISPID id, WORD flags, DISPPARAMS* params,
                              UINT* argument_error) {
    if (!params) {
        return E_INVALIDARG;
    }
    UINT index = 0;
    if (const HRESULT found = find_member(info, id, flags, index, kind_); FAILED(found)) {
        return found;
    }
    FUNCDESC* description = nullptr;
    if (const HRESULT got = info.GetFuncDesc(index, &description); FAILED(got)) {
        return got;
    }
    const UINT count = static_cast<UINT>(description->cParams);
    std::vector<Slot> slots;
    for (UINT i = 0; i < count; ++i) {
        slots.push_back(slot_of(description->lprgelemdescParam[i].tdesc));
    }
    info.ReleaseFuncDesc(description);

    std::vector<VARIANT*> placed;
    if (const HRESULT placing = place_arguments(kind_, *params, count, placed, argument_error);
        FAILED(placing)) {
        return placing;
    }
    arguments_.resize(count);
    for (UINT i = 0; i < count; ++i) {
        VariantInit(&arguments_[i].value);
        arguments_[i].caller = placed[i];
    }
    for (UINT i = 0; i < count; ++i) {
        if (const HRESULT converted = convert(*arguments_[i].caller, slots[i], arguments_[i].value);
            FAILED(converted)) {
            if (argument_error) {
                *argument_error = static_cast<UINT>(arguments_[i].caller - params->rgvarg);
            }
            return converted;
        }
    }
    return S_OK;
}

void DispatchCall::finish(VARIANT& value, VARIANT* result) {
    for (Argument& argument : arguments_) {
        if (argument.written) {
            write_back(*argument.caller, argument.value);
        }
    }
    if (result) {
        VariantInit(result);
        *result = value;  // moves: the caller owns it now
        VariantInit(&value);
    } else {
        VariantClear(&value);
    }
}

}  // namespace tintbox::windows

#include "dispatch.hpp"

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

HRESULT check_named_arguments(INVOKEKIND kind, const DISPPARAMS& params) {
    const bool put = kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF;
    if (params.cNamedArgs == 0) {
        return S_OK;
    }
    if (put && params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
        params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT) {
        return S_OK;
    }
    return DISP_E_NONAMEDARGS;
}

// Converts a caller's argument to its declared type. A typed reference (VT_BYREF | T)
// to a by-reference parameter must be of the declared type, as Automation requires:
// the member writes through it.
HRESULT convert(VARIANT& caller, Slot slot, VARIANT& out) {
    VARIANT* source = innermost(&caller);
    if (slot.by_reference && (V_VT(source) & VT_BYREF) && V_VT(source) != (VT_BYREF | slot.type)) {
        return DISP_E_TYPEMISMATCH;
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
    if (const HRESULT named = check_named_arguments(kind_, *params); FAILED(named)) {
        return named;
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

    if (params->cArgs != count || (count > 0 && !params->rgvarg)) {
        return DISP_E_BADPARAMCOUNT;
    }
    arguments_.resize(count);
    for (UINT i = 0; i < count; ++i) {
        Argument& argument = arguments_[i];
        VariantInit(&argument.value);
        const UINT position = count - 1 - i;  // rgvarg holds the arguments last first
        argument.caller = &params->rgvarg[position];
    }
    for (UINT i = 0; i < count; ++i) {
        if (const HRESULT converted = convert(*arguments_[i].caller, slots[i], arguments_[i].value);
            FAILED(converted)) {
            if (argument_error) {
                *argument_error = count - 1 - i;
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

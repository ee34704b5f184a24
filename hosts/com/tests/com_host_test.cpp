// A COM client of Tintbox.ocx, as a C++ host uses it: checks the registered type library
// member by member, calls every member by dispatch id and by named arguments, counts
// Change through a connection point, reads the control's picture as data, round-trips the
// properties through a property bag, a stream, a compound file and OLE pictures, and sees
// the library agree to unload once everything is released.
//
// Sections: helpers; type library; calls by dispatch id; errors; events; pictures; the
// control's picture as data; persistence; resources; registry transactions; server
// lifetime (last: it needs every object of the other cases released).
#include <windows.h>

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <tintbox/version.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "check.hpp"
#include "com_ref.hpp"
#include "identifiers.hpp"
#include "registry_transaction.hpp"
#include "resources.hpp"

using namespace tintbox::windows;

namespace {

// ---- Helpers ----------------------------------------------------------------------------

struct Variant {
    VARIANT value;
    Variant() { VariantInit(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&value); }
};

VARIANT make(VARTYPE type, const void* payload, std::size_t size) {
    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = type;
    std::memcpy(&V_I8(&value), payload, size);
    return value;
}
VARIANT long_value(LONG number) {
    return make(VT_I4, &number, sizeof number);
}
VARIANT long_ref(LONG* number) {
    return make(VT_BYREF | VT_I4, &number, sizeof number);
}
VARIANT short_ref(SHORT* number) {
    return make(VT_BYREF | VT_I2, &number, sizeof number);
}
VARIANT text_ref(BSTR* text) {
    return make(VT_BYREF | VT_BSTR, &text, sizeof text);
}
VARIANT variant_ref(VARIANT* inner) {
    return make(VT_BYREF | VT_VARIANT, &inner, sizeof inner);
}
VARIANT double_value(double number) {
    return make(VT_R8, &number, sizeof number);
}
VARIANT object_value(IDispatch* object) {
    return make(VT_DISPATCH, &object, sizeof object);
}
VARIANT bool_value(bool flag) {
    const VARIANT_BOOL value = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return make(VT_BOOL, &value, sizeof value);
}

struct CallResult {
    HRESULT status = E_FAIL;
    Variant result;
    EXCEPINFO exception{};
    UINT argument_error = ~0u;
    ~CallResult() {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
};

// Calls a member with its arguments in declaration order (the caller keeps ownership).
void call(IDispatch& object, DISPID id, WORD flags, std::vector<VARIANT> arguments,
          CallResult& out) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    out.status = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &out.result.value,
                               &out.exception, &out.argument_error);
}

HRESULT call_status(IDispatch& object, DISPID id, WORD flags, std::vector<VARIANT> arguments) {
    CallResult result;
    call(object, id, flags, std::move(arguments), result);
    return result.status;
}

LONG get_long(IDispatch& object, DISPID id) {
    CallResult result;
    call(object, id, DISPATCH_METHOD, {}, result);
    CHECK_EQ(result.status, S_OK);
    return V_VT(&result.result.value) == VT_I4 ? V_I4(&result.result.value) : -999;
}

SHORT get_short(IDispatch& object, DISPID id) {
    CallResult result;
    call(object, id, DISPATCH_METHOD, {}, result);
    CHECK_EQ(result.status, S_OK);
    return V_VT(&result.result.value) == VT_I2 ? V_I2(&result.result.value) : -999;
}

void set_rgb(IDispatch& object, LONG color) {
    CHECK_EQ(call_status(object, dispid::kSetRGB, DISPATCH_METHOD, {long_ref(&color)}), S_OK);
}

ComRef<IDispatch> create_control() {
    ComRef<IDispatch> control;
    const HRESULT created = CoCreateInstance(kClsId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             reinterpret_cast<void**>(control.put()));
    CHECK_EQ(created, S_OK);
    return control;
}

bool same_object(IUnknown* a, IUnknown* b) {
    if (!a || !b) {
        return a == b;
    }
    ComRef<IUnknown> identity_a;
    ComRef<IUnknown> identity_b;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity_a.put()));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity_b.put()));
    return identity_a.get() == identity_b.get();
}

// A bitmap picture of `width` x `height` colours 0x00BBGGRR, rows from the top.
ComRef<IPictureDisp> make_picture(LONG width, LONG height, const std::vector<COLORREF>& colors) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        pixels[i] = RGB(GetBValue(colors[i]), GetGValue(colors[i]), GetRValue(colors[i]));
    }
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    ComRef<IPictureDisp> picture;
    CHECK_EQ(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                                      reinterpret_cast<void**>(picture.put())),
             S_OK);
    return picture;
}

// The colours of a bitmap, rows from the top.
std::vector<COLORREF> colors_of(HBITMAP bitmap) {
    BITMAP header{};
    GetObjectW(bitmap, sizeof header, &header);
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), header.bmWidth, -header.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<std::size_t>(header.bmWidth) * header.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, bitmap, 0, header.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    std::vector<COLORREF> colors;
    for (DWORD pixel : pixels) {
        colors.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return colors;
}

std::vector<COLORREF> colors_of(IPictureDisp& picture) {
    ComRef<IPicture> readable;
    picture.QueryInterface(IID_IPicture, reinterpret_cast<void**>(readable.put()));
    OLE_HANDLE handle = 0;
    readable->get_Handle(&handle);
    return colors_of(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
}

ComRef<IPictureDisp> get_picture(IDispatch& control) {
    CallResult result;
    call(control, dispid::kPicture, DISPATCH_PROPERTYGET, {}, result);
    CHECK_EQ(result.status, S_OK);
    CHECK_EQ(V_VT(&result.result.value), VT_DISPATCH);
    ComRef<IPictureDisp> picture;
    if (V_DISPATCH(&result.result.value)) {
        V_DISPATCH(&result.result.value)
            ->QueryInterface(IID_IPictureDisp, reinterpret_cast<void**>(picture.put()));
    }
    return picture;
}

HRESULT set_picture(IDispatch& control, IPictureDisp* picture) {
    return call_status(control, dispid::kPicture, DISPATCH_PROPERTYPUTREF, {object_value(picture)});
}

bool get_enabled(IDispatch& control) {
    CallResult result;
    call(control, dispid::kEnabled, DISPATCH_PROPERTYGET, {}, result);
    CHECK_EQ(V_VT(&result.result.value), VT_BOOL);
    return V_BOOL(&result.result.value) != VARIANT_FALSE;
}

void set_enabled(IDispatch& control, bool enabled) {
    CHECK_EQ(call_status(control, dispid::kEnabled, DISPATCH_PROPERTYPUT, {bool_value(enabled)}),
             S_OK);
}

// A COM object of the test: reference counted, answering for the interfaces it lists.
template <typename Interface>
class TestObject : public Interface {
  public:
    explicit TestObject(std::vector<IID> iids) : iids_(std::move(iids)) {}
    virtual ~TestObject() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        for (const IID& known : iids_) {
            if (iid == known || iid == IID_IUnknown) {
                *out = static_cast<Interface*>(this);
                AddRef();
                return S_OK;
            }
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  private:
    std::vector<IID> iids_;
    ULONG references_ = 1;
};

// Counts the events of __Tintbox; may run an action inside each Change.
class EventSink final : public TestObject<IDispatch> {
  public:
    EventSink() : TestObject({IID_IDispatch, kIidEventInterface}) {}
    int changes = 0;
    int other_events = 0;
    std::function<void()> on_change;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id == dispid::kChange && params && params->cArgs == 0) {
            ++changes;
            if (on_change) {
                on_change();
            }
        } else {
            ++other_events;
        }
        return S_OK;
    }
};

class PropertySink final : public TestObject<IPropertyNotifySink> {
  public:
    PropertySink() : TestObject({IID_IPropertyNotifySink}) {}
    std::vector<DISPID> changed;
    HRESULT STDMETHODCALLTYPE OnChanged(DISPID id) override {
        changed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnRequestEdit(DISPID) override { return S_OK; }
};

// A container's property bag in memory; remembers which names were read.
class MemoryBag final : public TestObject<IPropertyBag> {
  public:
    MemoryBag() : TestObject({IID_IPropertyBag}) {}
    ~MemoryBag() override {
        for (auto& entry : entries) {
            VariantClear(&entry.second);
        }
    }
    std::map<std::wstring, VARIANT> entries;
    std::vector<std::wstring> reads;

    void put(const std::wstring& name, VARIANT value) { entries[name] = value; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        reads.push_back(name);
        const auto found = entries.find(name);
        if (found == entries.end()) {
            return E_INVALIDARG;
        }
        VariantInit(value);
        return VariantCopy(value, &found->second);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, value);
        VariantClear(&entries[name]);
        entries[name] = copy;
        return S_OK;
    }
};

template <typename Interface>
ComRef<Interface> query(IUnknown* object, const IID& iid) {
    ComRef<Interface> result;
    object->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
    return result;
}

ComRef<IConnectionPoint> connection_point(IDispatch& control, const IID& iid) {
    const auto container =
        query<IConnectionPointContainer>(&control, IID_IConnectionPointContainer);
    ComRef<IConnectionPoint> point;
    CHECK(container);
    if (container) {
        CHECK_EQ(container->FindConnectionPoint(iid, point.put()), S_OK);
    }
    return point;
}

}  // namespace

// ---- Type library -----------------------------------------------------------------------

namespace {

struct ExpectedParameter {
    const wchar_t* name;
    VARTYPE type;  // VT_PTR for an object (IPictureDisp*)
    bool by_reference;
};

struct ExpectedMember {
    const wchar_t* name;
    DISPID id;
    INVOKEKIND kind;
    VARTYPE result;  // VT_VOID, or VT_PTR for IPictureDisp*
    std::vector<ExpectedParameter> parameters;
};

const std::vector<ExpectedMember>& expected_members() {
    static const std::vector<ExpectedMember> members = {
        {L"GetRGB", dispid::kGetRGB, INVOKE_FUNC, VT_I4, {}},
        {L"SetRGB", dispid::kSetRGB, INVOKE_FUNC, VT_VOID, {{L"Value", VT_I4, true}}},
        {L"GetRed", dispid::kGetRed, INVOKE_FUNC, VT_I2, {}},
        {L"GetGreen", dispid::kGetGreen, INVOKE_FUNC, VT_I2, {}},
        {L"GetBlue", dispid::kGetBlue, INVOKE_FUNC, VT_I2, {}},
        {L"SetRed", dispid::kSetRed, INVOKE_FUNC, VT_VOID, {{L"Value", VT_I2, true}}},
        {L"SetGreen", dispid::kSetGreen, INVOKE_FUNC, VT_VOID, {{L"Value", VT_I2, true}}},
        {L"SetBlue", dispid::kSetBlue, INVOKE_FUNC, VT_VOID, {{L"Value", VT_I2, true}}},
        {L"Dec", dispid::kDec, INVOKE_FUNC, VT_I4, {{L"Number", VT_BSTR, true}}},
        {L"SepRGB",
         dispid::kSepRGB,
         INVOKE_FUNC,
         VT_VOID,
         {{L"Value", VT_I4, true},
          {L"Red", VT_I4, true},
          {L"Green", VT_I4, true},
          {L"Blue", VT_I4, true}}},
        {L"Picture", dispid::kPicture, INVOKE_PROPERTYGET, VT_PTR, {}},
        {L"Picture",
         dispid::kPicture,
         INVOKE_PROPERTYPUTREF,
         VT_VOID,
         {{L"New_Picture", VT_PTR, false}}},
        {L"Enabled", dispid::kEnabled, INVOKE_PROPERTYGET, VT_BOOL, {}},
        {L"Enabled",
         dispid::kEnabled,
         INVOKE_PROPERTYPUT,
         VT_VOID,
         {{L"New_Enabled", VT_BOOL, false}}},
    };
    return members;
}

ComRef<ITypeLib> registered_library() {
    ComRef<ITypeLib> library;
    CHECK_EQ(LoadRegTypeLib(kLibId, kTypeLibMajor, kTypeLibMinor, kTypeLibLocale, library.put()),
             S_OK);
    return library;
}

// An IPictureDisp reference: VT_PTR to the user-defined type stdole.IPictureDisp (an
// alias of the dispatch interface Picture, whose GUID is IID_IPictureDisp).
void check_is_picture_pointer(ITypeInfo& owner, const TYPEDESC& type) {
    if (type.vt != VT_PTR || type.lptdesc->vt != VT_USERDEFINED) {
        testing::fail(__FILE__, __LINE__, "not a pointer to a user-defined type");
        return;
    }
    ComRef<ITypeInfo> target;
    CHECK_EQ(owner.GetRefTypeInfo(type.lptdesc->hreftype, target.put()), S_OK);
    for (int depth = 0; target && depth < 4; ++depth) {
        TYPEATTR* attributes = nullptr;
        if (FAILED(target->GetTypeAttr(&attributes))) {
            break;
        }
        const bool alias =
            attributes->typekind == TKIND_ALIAS && attributes->tdescAlias.vt == VT_USERDEFINED;
        const HREFTYPE aliased = alias ? attributes->tdescAlias.hreftype : 0;
        const GUID guid = attributes->guid;
        target->ReleaseTypeAttr(attributes);
        if (!alias) {
            CHECK(guid == IID_IPictureDisp);
            return;
        }
        ComRef<ITypeInfo> next;
        target->GetRefTypeInfo(aliased, next.put());
        target = next;
    }
    testing::fail(__FILE__, __LINE__, "the picture type cannot be resolved");
}

}  // namespace

TEST(type_library_has_its_name_version_and_locale) {
    const ComRef<ITypeLib> library = registered_library();
    if (!library) {
        return;
    }
    TLIBATTR* attributes = nullptr;
    CHECK_EQ(library->GetLibAttr(&attributes), S_OK);
    CHECK(attributes->guid == kLibId);
    CHECK_EQ(attributes->lcid, kTypeLibLocale);
    CHECK_EQ(attributes->wMajorVerNum, 1);
    CHECK_EQ(attributes->wMinorVerNum, 0);
    library->ReleaseTLibAttr(attributes);
    BSTR name = nullptr;
    library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    CHECK(name && std::wstring(name) == L"TintboxControl");
    SysFreeString(name);
}

TEST(dispatch_interface_declares_every_member_as_the_table_says) {
    const ComRef<ITypeLib> library = registered_library();
    ComRef<ITypeInfo> info;
    if (!library || FAILED(library->GetTypeInfoOfGuid(kIidDispatchInterface, info.put()))) {
        testing::fail(__FILE__, __LINE__, "no _Tintbox in the type library");
        return;
    }
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    CHECK_EQ(attributes->typekind, TKIND_DISPATCH);
    const UINT function_count = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    const auto& expected = expected_members();
    CHECK_EQ(function_count, expected.size());
    for (UINT index = 0; index < function_count && index < expected.size(); ++index) {
        const ExpectedMember& member = expected[index];
        FUNCDESC* function = nullptr;
        info->GetFuncDesc(index, &function);
        BSTR names[8] = {};
        UINT name_count = 0;
        info->GetNames(function->memid, names, 8, &name_count);
        // A property's get has no parameter names; its put lists the value's name.
        CHECK(names[0] && std::wstring(names[0]) == member.name);
        CHECK_EQ(function->memid, member.id);
        CHECK_EQ(function->invkind, member.kind);
        CHECK_EQ(function->funckind, FUNC_DISPATCH);
        CHECK_EQ(function->elemdescFunc.tdesc.vt, member.result);
        if (member.result == VT_PTR) {
            check_is_picture_pointer(*info, function->elemdescFunc.tdesc);
        }
        CHECK_EQ(static_cast<std::size_t>(function->cParams), member.parameters.size());
        for (SHORT p = 0; p < function->cParams && p < SHORT(member.parameters.size()); ++p) {
            const ExpectedParameter& parameter = member.parameters[p];
            const ELEMDESC& declared = function->lprgelemdescParam[p];
            const USHORT flags = declared.paramdesc.wParamFlags;
            if (parameter.type == VT_PTR) {
                check_is_picture_pointer(*info, declared.tdesc);
            } else if (parameter.by_reference) {
                CHECK_EQ(declared.tdesc.vt, VT_PTR);
                CHECK_EQ(declared.tdesc.lptdesc->vt, parameter.type);
            } else {
                CHECK_EQ(declared.tdesc.vt, parameter.type);
            }
            CHECK_EQ((flags & PARAMFLAG_FIN) != 0, true);
            CHECK_EQ((flags & PARAMFLAG_FOUT) != 0, parameter.by_reference);
            // The put of a property has only the value: GetNames does not name it.
            if (member.kind == INVOKE_FUNC) {
                CHECK(static_cast<UINT>(p + 1) < name_count && names[p + 1] &&
                      std::wstring(names[p + 1]) == parameter.name);
            }
        }
        for (BSTR& name : names) {
            SysFreeString(name);
        }
        info->ReleaseFuncDesc(function);
    }
}

TEST(event_interface_and_class_are_declared) {
    const ComRef<ITypeLib> library = registered_library();
    if (!library) {
        return;
    }
    ComRef<ITypeInfo> events;
    CHECK_EQ(library->GetTypeInfoOfGuid(kIidEventInterface, events.put()), S_OK);
    if (events) {
        FUNCDESC* change = nullptr;
        CHECK_EQ(events->GetFuncDesc(0, &change), S_OK);
        CHECK_EQ(change->memid, dispid::kChange);
        CHECK_EQ(change->cParams, 0);
        CHECK_EQ(change->elemdescFunc.tdesc.vt, VT_VOID);
        events->ReleaseFuncDesc(change);
        BSTR name = nullptr;
        UINT count = 0;
        events->GetNames(dispid::kChange, &name, 1, &count);
        CHECK(name && std::wstring(name) == L"Change");
        SysFreeString(name);
    }
    ComRef<ITypeInfo> coclass;
    CHECK_EQ(library->GetTypeInfoOfGuid(kClsId, coclass.put()), S_OK);
    if (!coclass) {
        return;
    }
    TYPEATTR* attributes = nullptr;
    coclass->GetTypeAttr(&attributes);
    CHECK_EQ(attributes->typekind, TKIND_COCLASS);
    CHECK_EQ(attributes->cImplTypes, 2);
    CHECK((attributes->wTypeFlags & TYPEFLAG_FCANCREATE) != 0);
    CHECK((attributes->wTypeFlags & TYPEFLAG_FCONTROL) != 0);
    coclass->ReleaseTypeAttr(attributes);
    const struct {
        GUID iid;
        INT flags;
    } implemented[] = {{kIidDispatchInterface, IMPLTYPEFLAG_FDEFAULT},
                       {kIidEventInterface, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
    for (UINT i = 0; i < 2; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        coclass->GetImplTypeFlags(i, &flags);
        coclass->GetRefTypeOfImplType(i, &reference);
        ComRef<ITypeInfo> interface_info;
        coclass->GetRefTypeInfo(reference, interface_info.put());
        TYPEATTR* interface_attributes = nullptr;
        interface_info->GetTypeAttr(&interface_attributes);
        CHECK(interface_attributes->guid == implemented[i].iid);
        CHECK_EQ(flags, implemented[i].flags);
        interface_info->ReleaseTypeAttr(interface_attributes);
    }
}

TEST(the_object_names_its_class_and_event_interface) {
    const ComRef<IDispatch> control = create_control();
    const auto class_info = query<IProvideClassInfo2>(control.get(), IID_IProvideClassInfo2);
    CHECK(class_info);
    ComRef<ITypeInfo> info;
    CHECK_EQ(class_info->GetClassInfo(info.put()), S_OK);
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    CHECK(attributes->guid == kClsId);
    info->ReleaseTypeAttr(attributes);
    GUID source{};
    CHECK_EQ(class_info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    CHECK(source == kIidEventInterface);
    CHECK_EQ(class_info->GetGUID(99, &source), E_INVALIDARG);
    UINT count = 0;
    CHECK_EQ(control->GetTypeInfoCount(&count), S_OK);
    CHECK_EQ(count, 1u);
}

TEST(program_id_leads_to_the_class) {
    CLSID found{};
    CHECK_EQ(CLSIDFromProgID(kProgId, &found), S_OK);
    CHECK(found == kClsId);
    CHECK_EQ(CLSIDFromProgID(kVersionedProgId, &found), S_OK);
    CHECK(found == kClsId);
}

// ---- Calls by dispatch id -------------------------------------------------------------

TEST(names_give_the_dispatch_ids_of_the_table) {
    const ComRef<IDispatch> control = create_control();
    for (const ExpectedMember& member : expected_members()) {
        std::wstring name = member.name;
        for (wchar_t& c : name) {
            c = towlower(c);  // names are matched without case
        }
        LPOLESTR names[] = {name.data()};
        DISPID id = 0;
        CHECK_EQ(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        CHECK_EQ(id, member.id);
    }
    wchar_t unknown[] = L"Paint";
    LPOLESTR names[] = {unknown};
    DISPID id = 0;
    CHECK_EQ(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
             DISP_E_UNKNOWNNAME);
}

TEST(colour_methods_by_dispatch_id) {
    const ComRef<IDispatch> control = create_control();
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 0);
    LONG color = 0x123456;
    set_rgb(*control, color);
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 0x123456);
    CHECK_EQ(get_short(*control, dispid::kGetRed), 0x56);
    CHECK_EQ(get_short(*control, dispid::kGetGreen), 0x34);
    CHECK_EQ(get_short(*control, dispid::kGetBlue), 0x12);

    const struct {
        DISPID setter;
        DISPID getter;
        SHORT value;
        SHORT shown;
    } components[] = {
        {dispid::kSetRed, dispid::kGetRed, 300, 255},
        {dispid::kSetGreen, dispid::kGetGreen, -5, 0},
        {dispid::kSetBlue, dispid::kGetBlue, 200, 200},
    };
    for (const auto& component : components) {
        SHORT value = component.value;
        CHECK_EQ(call_status(*control, component.setter, DISPATCH_METHOD, {short_ref(&value)}),
                 S_OK);
        CHECK_EQ(value, component.value);  // by reference, but never written
        CHECK_EQ(get_short(*control, component.getter), component.shown);
    }
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 255 + 200 * 65536);
    // A Long constant for an Integer parameter converts as Automation converts.
    CHECK_EQ(call_status(*control, dispid::kSetRed, DISPATCH_METHOD, {long_value(7)}), S_OK);
    CHECK_EQ(get_short(*control, dispid::kGetRed), 7);
    LONG white = 0x7FFFFFFF;
    set_rgb(*control, white);
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 0xFFFFFF);
    CHECK_EQ(white, 0x7FFFFFFF);
}

TEST(dec_writes_the_cleaned_text_back) {
    const ComRef<IDispatch> control = create_control();
    {
        BSTR number = SysAllocString(L"#1a2B3d");
        CallResult result;
        call(*control, dispid::kDec, DISPATCH_METHOD, {text_ref(&number)}, result);
        CHECK_EQ(result.status, S_OK);
        CHECK_EQ(V_I4(&result.result.value), 1715005);
        CHECK(std::wstring(number) == L"1A2B3D");
        SysFreeString(number);
    }
    {
        // How scripts pass a variable: a reference to a VARIANT holding the text.
        Variant inner;
        V_VT(&inner.value) = VT_BSTR;
        V_BSTR(&inner.value) = SysAllocString(L"ff 00 zz");
        CallResult result;
        call(*control, dispid::kDec, DISPATCH_METHOD, {variant_ref(&inner.value)}, result);
        CHECK_EQ(result.status, S_OK);
        CHECK_EQ(V_I4(&result.result.value), 65280);
        CHECK_EQ(V_VT(&inner.value), VT_BSTR);
        CHECK(std::wstring(V_BSTR(&inner.value)) == L"FF00");
    }
    {
        // A variable holding a number becomes the cleaned text.
        Variant inner;
        V_VT(&inner.value) = VT_I4;
        V_I4(&inner.value) = 123;
        CallResult result;
        call(*control, dispid::kDec, DISPATCH_METHOD, {variant_ref(&inner.value)}, result);
        CHECK_EQ(V_I4(&result.result.value), 0x123);
        CHECK_EQ(V_VT(&inner.value), VT_BSTR);
    }
}

TEST(sep_rgb_fills_its_three_longs) {
    const ComRef<IDispatch> control = create_control();
    const struct {
        LONG value;
        LONG red, green, blue;
    } rows[] = {{0x123456, 0x56, 0x34, 0x12}, {-257, 255, 255, 0}, {16777216, 0, 0, 0}};
    for (const auto& row : rows) {
        LONG value = row.value;
        LONG red = -1;
        Variant green;  // a script's variable, Empty before the call
        LONG blue = -1;
        CHECK_EQ(call_status(*control, dispid::kSepRGB, DISPATCH_METHOD,
                             {long_ref(&value), long_ref(&red), variant_ref(&green.value),
                              long_ref(&blue)}),
                 S_OK);
        CHECK_EQ(value, row.value);
        CHECK_EQ(red, row.red);
        CHECK_EQ(V_VT(&green.value), VT_I4);
        CHECK_EQ(V_I4(&green.value), row.green);
        CHECK_EQ(blue, row.blue);
    }
}

// A call as VBA's `Member Name:=value` and keyword arguments make it: the names are
// resolved with GetIDsOfNames, the positional arguments come first in declaration order.
void call_named(IDispatch& object, const std::wstring& member,
                const std::vector<VARIANT>& positional,
                const std::vector<std::pair<std::wstring, VARIANT>>& named, CallResult& out) {
    std::vector<std::wstring> names = {member};
    for (const auto& argument : named) {
        names.push_back(argument.first);
    }
    std::vector<LPOLESTR> pointers;
    for (std::wstring& name : names) {
        pointers.push_back(name.data());
    }
    std::vector<DISPID> ids(names.size());
    CHECK_EQ(object.GetIDsOfNames(IID_NULL, pointers.data(), UINT(pointers.size()),
                                  LOCALE_USER_DEFAULT, ids.data()),
             S_OK);
    std::vector<VARIANT> arguments;  // the named ones, then the positional ones last first
    for (const auto& argument : named) {
        arguments.push_back(argument.second);
    }
    arguments.insert(arguments.end(), positional.rbegin(), positional.rend());
    DISPPARAMS params{arguments.data(), ids.data() + 1, UINT(arguments.size()), UINT(named.size())};
    out.status = object.Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               &out.result.value, &out.exception, &out.argument_error);
}

TEST(named_arguments_reach_their_parameters_in_any_order) {
    const ComRef<IDispatch> control = create_control();
    LONG color = 0x336699;
    CallResult set;
    call_named(*control, L"SetRGB", {}, {{L"Value", long_ref(&color)}}, set);
    CHECK_EQ(set.status, S_OK);
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 0x336699);

    LONG value = 0x123456;
    LONG red = -1;
    LONG green = -1;
    LONG blue = -1;
    const std::pair<std::wstring, VARIANT> by_name[] = {{L"Value", long_ref(&value)},
                                                        {L"Red", long_ref(&red)},
                                                        {L"Green", long_ref(&green)},
                                                        {L"Blue", long_ref(&blue)}};
    const struct {
        const char* what;
        std::size_t positional;          // the first parameters, by position
        std::vector<std::size_t> named;  // the others, in the order the caller names them
    } rows[] = {
        {"every argument named, out of order", 0, {3, 0, 1, 2}},
        {"the value by position, the rest named", 1, {2, 3, 1}},
        {"two by position, two named backwards", 2, {3, 2}},
    };
    for (const auto& row : rows) {
        red = green = blue = -1;
        std::vector<VARIANT> positional;
        for (std::size_t i = 0; i < row.positional; ++i) {
            positional.push_back(by_name[i].second);
        }
        std::vector<std::pair<std::wstring, VARIANT>> named;
        for (std::size_t parameter : row.named) {
            named.push_back(by_name[parameter]);
        }
        CallResult result;
        call_named(*control, L"SepRGB", positional, named, result);
        if (result.status != S_OK || red != 0x56 || green != 0x34 || blue != 0x12) {
            testing::fail(__FILE__, __LINE__, row.what);
        }
    }

    // Dispatch ids that name no free parameter.
    const struct {
        const char* what;
        DISPID id;
    } strangers[] = {
        {"beyond the last parameter", 1},
        {"before the first", -7},
        {"the value of a property put, on a method", DISPID_PROPERTYPUT},
    };
    for (const auto& stranger : strangers) {
        VARIANT argument = long_ref(&color);
        DISPID id = stranger.id;
        DISPPARAMS params{&argument, &id, 1, 1};
        UINT argument_error = ~0u;
        const HRESULT status = control->Invoke(dispid::kSetRGB, IID_NULL, 0, DISPATCH_METHOD,
                                               &params, nullptr, nullptr, &argument_error);
        if (status != DISP_E_PARAMNOTFOUND || argument_error != 0) {
            testing::fail(__FILE__, __LINE__, stranger.what);
        }
    }
    // Value and Red by position, then Green by name and the value named once more.
    VARIANT twice[] = {long_ref(&green), long_ref(&value), long_ref(&red), long_ref(&value)};
    DISPID ids[] = {2, 0};
    DISPPARAMS params{twice, ids, 4, 2};
    UINT argument_error = ~0u;
    CHECK_EQ(control->Invoke(dispid::kSepRGB, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                             nullptr, &argument_error),
             DISP_E_PARAMNOTFOUND);
    CHECK_EQ(argument_error, 1u);
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 0x336699);
}

TEST(enabled_property_by_dispatch_id) {
    const ComRef<IDispatch> control = create_control();
    CHECK_EQ(get_enabled(*control), true);
    set_enabled(*control, false);
    CHECK_EQ(get_enabled(*control), false);
    // Any number converts to a Boolean.
    CHECK_EQ(call_status(*control, dispid::kEnabled, DISPATCH_PROPERTYPUT, {long_value(5)}), S_OK);
    CHECK_EQ(get_enabled(*control), true);
}

// ---- Errors -----------------------------------------------------------------------------

TEST(calls_that_do_not_fit_the_declaration_fail_as_automation_says) {
    const ComRef<IDispatch> control = create_control();
    LONG color = 5;
    BSTR text = SysAllocString(L"not a number");
    VARIANT text_value;
    VariantInit(&text_value);
    V_VT(&text_value) = VT_BSTR;
    V_BSTR(&text_value) = text;
    VARIANT not_a_number = double_value(NAN);
    const struct {
        const char* what;
        DISPID id;
        WORD flags;
        std::vector<VARIANT> arguments;
        HRESULT expected;
    } rows[] = {
        {"Integer overflow",
         dispid::kSetRed,
         DISPATCH_METHOD,
         {long_value(40000)},
         DISP_E_OVERFLOW},
        {"text for a Long", dispid::kSetRGB, DISPATCH_METHOD, {text_value}, DISP_E_TYPEMISMATCH},
        {"Long reference for a String",
         dispid::kDec,
         DISPATCH_METHOD,
         {long_ref(&color)},
         DISP_E_TYPEMISMATCH},
        {"a number for a Picture",
         dispid::kPicture,
         DISPATCH_PROPERTYPUTREF,
         {long_value(1)},
         DISP_E_TYPEMISMATCH},
        {"too few arguments",
         dispid::kSepRGB,
         DISPATCH_METHOD,
         {long_ref(&color)},
         DISP_E_BADPARAMCOUNT},
        {"too many arguments",
         dispid::kGetRGB,
         DISPATCH_METHOD,
         {long_value(1)},
         DISP_E_BADPARAMCOUNT},
        {"unknown dispatch id", 0x60030099, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {"property put on a method",
         dispid::kSetRGB,
         DISPATCH_PROPERTYPUT,
         {long_value(1)},
         DISP_E_MEMBERNOTFOUND},
        {"Picture by value, not by reference",
         dispid::kPicture,
         DISPATCH_PROPERTYPUT,
         {object_value(nullptr)},
         DISP_E_MEMBERNOTFOUND},
        {"Enabled set by reference",
         dispid::kEnabled,
         DISPATCH_PROPERTYPUTREF,
         {bool_value(true)},
         DISP_E_MEMBERNOTFOUND},
        {"NaN for a Long", dispid::kSetRGB, DISPATCH_METHOD, {double_value(NAN)}, DISP_E_OVERFLOW},
        {"NaN in a script's variable for an Integer",
         dispid::kSetRed,
         DISPATCH_METHOD,
         {variant_ref(&not_a_number)},
         DISP_E_OVERFLOW},
        {"NaN for a Boolean",
         dispid::kEnabled,
         DISPATCH_PROPERTYPUT,
         {double_value(NAN)},
         DISP_E_OVERFLOW},
    };
    for (const auto& row : rows) {
        const HRESULT status = call_status(*control, row.id, row.flags, row.arguments);
        if (status != row.expected) {
            testing::fail(__FILE__, __LINE__, row.what);
        }
    }
    CallResult overflow;
    call(*control, dispid::kSepRGB, DISPATCH_METHOD,
         {long_ref(&color), long_ref(&color), text_value, long_ref(&color)}, overflow);
    CHECK_EQ(overflow.status, DISP_E_TYPEMISMATCH);
    CHECK_EQ(overflow.argument_error, 1u);  // rgvarg holds the arguments last first

    DISPPARAMS none{};
    CHECK_EQ(control->Invoke(dispid::kGetRGB, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr),
             DISP_E_UNKNOWNINTERFACE);
    CHECK_EQ(get_long(*control, dispid::kGetRGB), 0);  // nothing above changed the colour
    CHECK_EQ(get_enabled(*control), true);
    SysFreeString(text);
}

TEST(an_error_of_the_control_comes_back_as_an_exception_that_names_it) {
    const ComRef<IDispatch> control = create_control();
    // Wider than any picture the spectrum can take.
    const ComRef<IPictureDisp> too_wide = make_picture(20000, 1, std::vector<COLORREF>(20000));
    CallResult result;
    call(*control, dispid::kPicture, DISPATCH_PROPERTYPUTREF, {object_value(too_wide.get())},
         result);
    CHECK_EQ(result.status, DISP_E_EXCEPTION);
    CHECK_EQ(result.exception.scode, CTL_E_INVALIDPICTURE);
    CHECK(result.exception.bstrSource && std::wstring(result.exception.bstrSource) == kSourceName);
    CHECK(result.exception.bstrDescription &&
          std::wstring(result.exception.bstrDescription).find(L"InvalidPicture") == 0);
    CHECK(!get_picture(*control));  // the failed set left no picture behind

    const auto errors = query<ISupportErrorInfo>(control.get(), IID_ISupportErrorInfo);
    CHECK(errors && errors->InterfaceSupportsErrorInfo(IID_IDispatch) == S_OK);
    ComRef<IErrorInfo> info;
    CHECK_EQ(GetErrorInfo(0, info.put()), S_OK);
    BSTR description = nullptr;
    if (info) {
        info->GetDescription(&description);
    }
    CHECK(description &&
          std::wstring(description) == std::wstring(result.exception.bstrDescription));
    SysFreeString(description);

    // Without an EXCEPINFO the error's own code comes back.
    DISPID put = DISPID_PROPERTYPUT;
    VARIANT argument = object_value(too_wide.get());
    DISPPARAMS params{&argument, &put, 1, 1};
    CHECK_EQ(control->Invoke(dispid::kPicture, IID_NULL, 0, DISPATCH_PROPERTYPUTREF, &params,
                             nullptr, nullptr, nullptr),
             CTL_E_INVALIDPICTURE);
}

// ---- Events -------------------------------------------------------------------------------

TEST(change_reaches_every_advised_sink_as_often_as_the_control_raises_it) {
    const ComRef<IDispatch> control = create_control();
    const ComRef<IConnectionPoint> point = connection_point(*control, kIidEventInterface);
    if (!point) {
        return;
    }
    auto* first = new EventSink;
    auto* second = new EventSink;
    DWORD first_cookie = 0;
    DWORD second_cookie = 0;
    CHECK_EQ(point->Advise(first, &first_cookie), S_OK);
    CHECK_EQ(point->Advise(second, &second_cookie), S_OK);
    CHECK(first_cookie != second_cookie);

    // The same counts as the scenario scripts expect of the control.
    const struct {
        const char* what;
        std::function<void()> act;
        int changes;
    } steps[] = {
        {"SetRGB raises Change once", [&] { set_rgb(*control, 0); }, 1},
        {"SetRed that changes the field raises it twice",
         [&] {
             SHORT red = 255;
             call_status(*control, dispid::kSetRed, DISPATCH_METHOD, {short_ref(&red)});
         },
         2},
        {"SetRed with the field's own value raises it once",
         [&] {
             SHORT red = 255;
             call_status(*control, dispid::kSetRed, DISPATCH_METHOD, {short_ref(&red)});
         },
         1},
        {"getters, Dec and SepRGB raise nothing",
         [&] {
             get_long(*control, dispid::kGetRGB);
             BSTR number = SysAllocString(L"ff");
             call_status(*control, dispid::kDec, DISPATCH_METHOD, {text_ref(&number)});
             SysFreeString(number);
         },
         0},
        {"Enabled raises nothing", [&] { set_enabled(*control, false); }, 0},
    };
    for (const auto& step : steps) {
        const int before_first = first->changes;
        const int before_second = second->changes;
        step.act();
        if (first->changes - before_first != step.changes ||
            second->changes - before_second != step.changes) {
            testing::fail(__FILE__, __LINE__, step.what);
        }
    }
    CHECK_EQ(first->other_events, 0);

    CHECK_EQ(point->Unadvise(first_cookie), S_OK);
    CHECK_EQ(point->Unadvise(first_cookie), CONNECT_E_NOCONNECTION);
    const int first_total = first->changes;
    set_rgb(*control, 1);
    CHECK_EQ(first->changes, first_total);
    CHECK_EQ(point->Unadvise(second_cookie), S_OK);
    first->Release();
    second->Release();
}

TEST(a_sink_may_unadvise_and_call_the_control_inside_change) {
    const ComRef<IDispatch> control = create_control();
    const ComRef<IConnectionPoint> point = connection_point(*control, kIidEventInterface);
    if (!point) {
        return;
    }
    auto* leaving = new EventSink;
    auto* staying = new EventSink;
    DWORD leaving_cookie = 0;
    DWORD staying_cookie = 0;
    point->Advise(leaving, &leaving_cookie);
    point->Advise(staying, &staying_cookie);
    LONG seen = -1;
    leaving->on_change = [&] {
        seen = get_long(*control, dispid::kGetRGB);
        point->Unadvise(leaving_cookie);
    };
    leaving->Release();  // the connection point holds the only reference now
    set_rgb(*control, 0x00FF00);
    CHECK_EQ(seen, 0x00FF00);
    CHECK_EQ(staying->changes, 1);
    set_rgb(*control, 0);
    CHECK_EQ(staying->changes, 2);
    point->Unadvise(staying_cookie);
    staying->Release();
}

TEST(connection_points_are_listed_and_refuse_strangers) {
    const ComRef<IDispatch> control = create_control();
    const auto container =
        query<IConnectionPointContainer>(control.get(), IID_IConnectionPointContainer);
    ComRef<IEnumConnectionPoints> points;
    CHECK_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    std::vector<IID> listed;
    IConnectionPoint* point = nullptr;
    while (points->Next(1, &point, nullptr) == S_OK) {
        IID iid{};
        point->GetConnectionInterface(&iid);
        listed.push_back(iid);
        point->Release();
    }
    CHECK_EQ(listed.size(), 2u);
    CHECK(listed.size() == 2 && listed[0] == kIidEventInterface &&
          listed[1] == IID_IPropertyNotifySink);
    ComRef<IConnectionPoint> missing;
    CHECK_EQ(container->FindConnectionPoint(IID_IDispatch, missing.put()), CONNECT_E_NOCONNECTION);

    const ComRef<IConnectionPoint> events = connection_point(*control, kIidEventInterface);
    auto* stranger = new PropertySink;  // no __Tintbox
    DWORD cookie = 0;
    CHECK_EQ(events->Advise(stranger, &cookie), CONNECT_E_CANNOTCONNECT);
    stranger->Release();

    auto* sink = new EventSink;
    events->Advise(sink, &cookie);
    ComRef<IEnumConnections> connections;
    CHECK_EQ(events->EnumConnections(connections.put()), S_OK);
    CONNECTDATA data[2] = {};
    ULONG fetched = 0;
    CHECK_EQ(connections->Next(2, data, &fetched), S_FALSE);
    CHECK_EQ(fetched, 1u);
    CHECK_EQ(data[0].dwCookie, cookie);
    CHECK(same_object(data[0].pUnk, sink));
    data[0].pUnk->Release();
    events->Unadvise(cookie);
    sink->Release();
}

TEST(property_changes_are_told_to_property_notify_sinks) {
    const ComRef<IDispatch> control = create_control();
    const ComRef<IConnectionPoint> point = connection_point(*control, IID_IPropertyNotifySink);
    if (!point) {
        return;
    }
    auto* sink = new PropertySink;
    DWORD cookie = 0;
    CHECK_EQ(point->Advise(sink, &cookie), S_OK);
    set_enabled(*control, false);
    const ComRef<IPictureDisp> picture = make_picture(1, 1, {0x0000FF});
    set_picture(*control, picture.get());
    set_rgb(*control, 5);  // the colour is no persisted property
    CHECK_EQ(sink->changed.size(), 2u);
    CHECK(sink->changed == std::vector<DISPID>({dispid::kEnabled, dispid::kPicture}));
    point->Unadvise(cookie);
    sink->Release();
}

// ---- Pictures -----------------------------------------------------------------------------

TEST(picture_get_returns_the_very_object_that_was_set) {
    const ComRef<IDispatch> control = create_control();
    CHECK(!get_picture(*control));
    const ComRef<IPictureDisp> picture = make_picture(2, 1, {0x0000FF, 0xFF0000});
    CHECK_EQ(set_picture(*control, picture.get()), S_OK);
    CHECK(same_object(get_picture(*control).get(), picture.get()));
    CHECK(same_object(get_picture(*control).get(), picture.get()));
    CHECK_EQ(set_picture(*control, nullptr), S_OK);
    CHECK(!get_picture(*control));
}

// ---- The control's picture as data -----------------------------------------------------

namespace {

// A picture of the data object's in a bitmap the test owns (null when none came).
HBITMAP bitmap_of(const STGMEDIUM& medium, SIZE size) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = nullptr;
    if (medium.tymed == TYMED_GDI) {
        bitmap = static_cast<HBITMAP>(CopyImage(medium.hBitmap, IMAGE_BITMAP, 0, 0, 0));
    } else if (medium.tymed == TYMED_HGLOBAL) {
        const auto* info = static_cast<const BITMAPINFO*>(GlobalLock(medium.hGlobal));
        const auto* bits = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize;
        bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS);
        GlobalUnlock(medium.hGlobal);
    } else if (medium.tymed == TYMED_ENHMF) {
        bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
        HDC dc = CreateCompatibleDC(screen);
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        const RECT bounds{0, 0, size.cx, size.cy};
        PlayEnhMetaFile(dc, medium.hEnhMetaFile, &bounds);
        SelectObject(dc, previous);
        DeleteDC(dc);
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace

TEST(data_object_renders_the_control_with_its_colour) {
    const ComRef<IDispatch> control = create_control();
    set_rgb(*control, 0x336699);
    const auto data = query<IDataObject>(control.get(), IID_IDataObject);
    CHECK(data);
    if (!data) {
        return;
    }
    const auto ole_object = query<IOleObject>(control.get(), IID_IOleObject);
    SIZEL extent{};  // HIMETRIC
    ole_object->GetExtent(DVASPECT_CONTENT, &extent);
    HDC screen = GetDC(nullptr);
    const SIZE size{MulDiv(extent.cx, GetDeviceCaps(screen, LOGPIXELSX), 2540),
                    MulDiv(extent.cy, GetDeviceCaps(screen, LOGPIXELSY), 2540)};
    ReleaseDC(nullptr, screen);

    const struct {
        const char* what;
        CLIPFORMAT format;
        DWORD medium;
    } rows[] = {
        {"an enhanced metafile", CF_ENHMETAFILE, TYMED_ENHMF},
        {"a bitmap", CF_BITMAP, TYMED_GDI},
        {"a device-independent bitmap", CF_DIB, TYMED_HGLOBAL},
    };
    for (const auto& row : rows) {
        FORMATETC format{row.format, nullptr, DVASPECT_CONTENT, -1, row.medium};
        STGMEDIUM medium{};
        if (data->QueryGetData(&format) != S_OK || data->GetData(&format, &medium) != S_OK) {
            testing::fail(__FILE__, __LINE__, row.what);
            continue;
        }
        HBITMAP bitmap = bitmap_of(medium, size);
        ReleaseStgMedium(&medium);
        const std::vector<COLORREF> colors = colors_of(bitmap);
        DeleteObject(bitmap);
        // The two swatches show the colour over many pixels.
        if (std::count(colors.begin(), colors.end(), COLORREF{0x336699}) < 100) {
            testing::fail(__FILE__, __LINE__, row.what);
        }
    }

    const struct {
        const char* what;
        FORMATETC format;
        HRESULT expected;
    } refused[] = {
        {"text", {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
        {"a bitmap in global memory",
         {CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
         DV_E_TYMED},
        {"the icon", {CF_ENHMETAFILE, nullptr, DVASPECT_ICON, -1, TYMED_ENHMF}, DV_E_DVASPECT},
    };
    for (const auto& row : refused) {
        FORMATETC format = row.format;
        STGMEDIUM medium{};
        if (data->QueryGetData(&format) != row.expected ||
            data->GetData(&format, &medium) != row.expected) {
            testing::fail(__FILE__, __LINE__, row.what);
        }
    }

    ComRef<IEnumFORMATETC> formats;
    CHECK_EQ(data->EnumFormatEtc(DATADIR_GET, formats.put()), S_OK);
    FORMATETC listed[4] = {};
    ULONG count = 0;
    if (formats) {
        CHECK_EQ(formats->Next(4, listed, &count), S_FALSE);
    }
    CHECK_EQ(count, 3u);
    for (ULONG i = 0; i < count; ++i) {
        CHECK(listed[i].cfFormat == rows[i].format && listed[i].tymed == rows[i].medium);
    }
    DWORD connection = 1;
    FORMATETC any{CF_ENHMETAFILE, nullptr, DVASPECT_CONTENT, -1, TYMED_ENHMF};
    CHECK_EQ(data->DAdvise(&any, 0, nullptr, &connection), OLE_E_ADVISENOTSUPPORTED);
}

// ---- Persistence ----------------------------------------------------------------------------

TEST(property_bag_round_trip_keeps_the_picture_object_and_enabled) {
    const ComRef<IDispatch> control = create_control();
    const auto persist = query<IPersistPropertyBag>(control.get(), IID_IPersistPropertyBag);
    CLSID class_id{};
    CHECK_EQ(persist->GetClassID(&class_id), S_OK);
    CHECK(class_id == kClsId);

    auto* defaults = new MemoryBag;
    CHECK_EQ(persist->Save(defaults, TRUE, TRUE), S_OK);
    CHECK(defaults->entries.empty());  // a value equal to its default is not written
    defaults->Release();

    const ComRef<IPictureDisp> picture = make_picture(2, 2, {1, 2, 3, 4});
    set_picture(*control, picture.get());
    set_enabled(*control, false);
    auto* bag = new MemoryBag;
    CHECK_EQ(persist->Save(bag, TRUE, FALSE), S_OK);
    CHECK_EQ(bag->entries.size(), 2u);
    CHECK_EQ(V_VT(&bag->entries[L"Enabled"]), VT_BOOL);
    CHECK_EQ(V_BOOL(&bag->entries[L"Enabled"]), VARIANT_FALSE);
    CHECK_EQ(V_VT(&bag->entries[L"Picture"]), VT_DISPATCH);
    CHECK(same_object(V_DISPATCH(&bag->entries[L"Picture"]), picture.get()));

    const ComRef<IDispatch> restored = create_control();
    const auto restored_persist =
        query<IPersistPropertyBag>(restored.get(), IID_IPersistPropertyBag);
    CHECK_EQ(restored_persist->Load(bag, nullptr), S_OK);
    CHECK_EQ(get_enabled(*restored), false);
    CHECK(same_object(get_picture(*restored).get(), picture.get()));
    bag->Release();

    auto* empty = new MemoryBag;
    const ComRef<IDispatch> fresh = create_control();
    CHECK_EQ(query<IPersistPropertyBag>(fresh.get(), IID_IPersistPropertyBag)->Load(empty, nullptr),
             S_OK);
    CHECK_EQ(get_enabled(*fresh), true);
    CHECK(!get_picture(*fresh));
    empty->Release();
}

TEST(property_bag_values_are_converted_or_refused) {
    const struct {
        const char* what;
        VARIANT picture;
        VARIANT enabled;
        HRESULT expected;
        bool enabled_afterwards;
        bool enabled_read;
    } rows[] = {
        {"Enabled as the text False", {}, {}, S_OK, false, true},
        {"a text where the picture belongs", {}, {}, CTL_E_INVALIDPROPERTYVALUE, true, false},
        {"a text that is no boolean", {}, {}, CTL_E_INVALIDPROPERTYVALUE, true, true},
    };
    for (std::size_t row = 0; row < 3; ++row) {
        auto* bag = new MemoryBag;
        VARIANT text;
        VariantInit(&text);
        V_VT(&text) = VT_BSTR;
        if (row == 0) {
            V_BSTR(&text) = SysAllocString(L"False");
            bag->put(L"Enabled", text);
        } else if (row == 1) {
            V_BSTR(&text) = SysAllocString(L"spectrum.bmp");
            bag->put(L"Picture", text);
            bag->put(L"Enabled", bool_value(false));
        } else {
            V_BSTR(&text) = SysAllocString(L"maybe");
            bag->put(L"Enabled", text);
        }
        const ComRef<IDispatch> control = create_control();
        const HRESULT loaded =
            query<IPersistPropertyBag>(control.get(), IID_IPersistPropertyBag)->Load(bag, nullptr);
        if (loaded != rows[row].expected || get_enabled(*control) != rows[row].enabled_afterwards) {
            testing::fail(__FILE__, __LINE__, rows[row].what);
        }
        const bool enabled_read =
            std::find(bag->reads.begin(), bag->reads.end(), L"Enabled") != bag->reads.end();
        if (enabled_read != rows[row].enabled_read) {
            testing::fail(__FILE__, __LINE__, rows[row].what);
        }
        bag->Release();
    }
}

TEST(a_picture_stored_as_image_file_bytes_is_decoded) {
    // A 2 x 1, 24-bit bottom-up BMP file: red, then blue (bytes blue, green, red).
    // clang-format off
    const unsigned char file[] = {
        'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                 // file header
        40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,   // info header
        8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 255, 255, 0, 0, 0, 0};                                    // one row, padded
    // clang-format on
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, sizeof file);
    void* data = nullptr;
    SafeArrayAccessData(bytes, &data);
    std::memcpy(data, file, sizeof file);
    SafeArrayUnaccessData(bytes);
    VARIANT stored;
    VariantInit(&stored);
    V_VT(&stored) = VT_ARRAY | VT_UI1;
    V_ARRAY(&stored) = bytes;
    auto* bag = new MemoryBag;
    bag->put(L"Picture", stored);
    const ComRef<IDispatch> control = create_control();
    CHECK_EQ(query<IPersistPropertyBag>(control.get(), IID_IPersistPropertyBag)->Load(bag, nullptr),
             S_OK);
    const ComRef<IPictureDisp> picture = get_picture(*control);
    CHECK(picture && colors_of(*picture) == std::vector<COLORREF>({0x0000FF, 0xFF0000}));
    bag->Release();
}

TEST(stream_round_trip_keeps_the_pixels_and_enabled) {
    const ComRef<IDispatch> control = create_control();
    const auto persist = query<IPersistStreamInit>(control.get(), IID_IPersistStreamInit);
    CHECK_EQ(persist->InitNew(), S_OK);
    CHECK_EQ(persist->IsDirty(), S_FALSE);
    const std::vector<COLORREF> colors = {0x0000FF, 0x00FF00, 0xFF0000,
                                          0x000000, 0xFFFFFF, 0x123456};
    set_picture(*control, make_picture(3, 2, colors).get());
    set_enabled(*control, false);
    CHECK_EQ(persist->IsDirty(), S_OK);

    ComRef<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    CHECK_EQ(persist->Save(stream.get(), TRUE), S_OK);
    CHECK_EQ(persist->IsDirty(), S_FALSE);
    ULARGE_INTEGER saved_size{};
    const LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_CUR, &saved_size);
    ULARGE_INTEGER most{};
    CHECK_EQ(persist->GetSizeMax(&most), S_OK);
    CHECK(most.QuadPart >= saved_size.QuadPart);
    const char trailer[] = "next";  // what a container stores after the control
    stream->Write(trailer, 4, nullptr);
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);

    const ComRef<IDispatch> restored = create_control();
    const auto restored_persist = query<IPersistStreamInit>(restored.get(), IID_IPersistStreamInit);
    CHECK_EQ(restored_persist->Load(stream.get()), S_OK);
    char after[4] = {};
    ULONG got = 0;
    stream->Read(after, 4, &got);
    CHECK(got == 4 && std::memcmp(after, trailer, 4) == 0);
    CHECK_EQ(get_enabled(*restored), false);
    const ComRef<IPictureDisp> picture = get_picture(*restored);
    CHECK(picture);
    if (picture) {
        CHECK(colors_of(*picture) == colors);
        CHECK(same_object(get_picture(*restored).get(), picture.get()));
    }
}

TEST(a_damaged_stream_is_refused) {
    const ComRef<IDispatch> control = create_control();
    ComRef<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    query<IPersistStreamInit>(control.get(), IID_IPersistStreamInit)->Save(stream.get(), TRUE);
    STATSTG status{};
    stream->Stat(&status, STATFLAG_NONAME);
    const std::vector<ULONGLONG> lengths = {0, 3, 10, status.cbSize.QuadPart - 1};
    for (ULONGLONG length : lengths) {
        ULARGE_INTEGER size{};
        size.QuadPart = length;
        stream->SetSize(size);
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        const ComRef<IDispatch> other = create_control();
        CHECK_EQ(query<IPersistStreamInit>(other.get(), IID_IPersistStreamInit)->Load(stream.get()),
                 CTL_E_INVALIDFILEFORMAT);
    }
}

TEST(storage_round_trip_through_a_compound_file) {
    const ComRef<IDispatch> control = create_control();
    const auto persist = query<IPersistStorage>(control.get(), IID_IPersistStorage);
    CHECK(persist);
    if (!persist) {
        return;
    }
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"tintbox-storage-test.doc";
    ComRef<IStorage> storage;
    CHECK_EQ(StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                              storage.put()),
             S_OK);
    CHECK_EQ(persist->InitNew(storage.get()), S_OK);
    CHECK_EQ(persist->IsDirty(), S_FALSE);
    const std::vector<COLORREF> colors = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456};
    set_picture(*control, make_picture(2, 2, colors).get());
    set_enabled(*control, false);
    CHECK_EQ(persist->IsDirty(), S_OK);
    // As a container saves a document: OleSave writes the class, the control its stream.
    CHECK_EQ(OleSave(persist.get(), storage.get(), TRUE), S_OK);
    CHECK_EQ(persist->SaveCompleted(nullptr), S_OK);
    CHECK_EQ(persist->IsDirty(), S_FALSE);
    CHECK_EQ(persist->HandsOffStorage(), S_OK);
    storage.reset();

    CHECK_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                            storage.put()),
             S_OK);
    ComRef<IDispatch> restored;
    CHECK_EQ(
        OleLoad(storage.get(), IID_IDispatch, nullptr, reinterpret_cast<void**>(restored.put())),
        S_OK);
    if (restored) {
        CHECK_EQ(get_enabled(*restored), false);
        const ComRef<IPictureDisp> picture = get_picture(*restored);
        CHECK(picture && colors_of(*picture) == colors);
    }
    storage.reset();
    DeleteFileW(path.c_str());

    // A storage that never held a control.
    ComRef<IStorage> empty;
    StgCreateDocfile(nullptr,
                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                     empty.put());
    const ComRef<IDispatch> other = create_control();
    CHECK_EQ(query<IPersistStorage>(other.get(), IID_IPersistStorage)->Load(empty.get()),
             STG_E_FILENOTFOUND);
    CHECK_EQ(get_enabled(*other), true);
}

TEST(safe_for_scripting_and_for_initialising_from_a_page) {
    const ComRef<IDispatch> control = create_control();
    const auto safety = query<IObjectSafety>(control.get(), IID_IObjectSafety);
    CHECK(safety);
    if (!safety) {
        return;
    }
    const struct {
        const char* what;
        IID iid;
        DWORD option;  // what a web page's host asks of that interface
    } rows[] = {
        {"IDispatch", IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER},
        {"_Tintbox", kIidDispatchInterface, INTERFACESAFE_FOR_UNTRUSTED_CALLER},
        {"IPersistPropertyBag", IID_IPersistPropertyBag, INTERFACESAFE_FOR_UNTRUSTED_DATA},
        {"IPersistStreamInit", IID_IPersistStreamInit, INTERFACESAFE_FOR_UNTRUSTED_DATA},
        {"IPersistStorage", IID_IPersistStorage, INTERFACESAFE_FOR_UNTRUSTED_DATA},
    };
    for (const auto& row : rows) {
        DWORD supported = 0;
        DWORD enabled = 0;
        if (safety->SetInterfaceSafetyOptions(row.iid, row.option, row.option) != S_OK ||
            safety->GetInterfaceSafetyOptions(row.iid, &supported, &enabled) != S_OK ||
            supported != (INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA) ||
            !(enabled & row.option)) {
            testing::fail(__FILE__, __LINE__, row.what);
        }
    }
    DWORD supported = 0;
    DWORD enabled = 0;
    CHECK_EQ(safety->GetInterfaceSafetyOptions(IID_IOleObject, &supported, &enabled),
             E_NOINTERFACE);
    CHECK_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACE_USES_DISPEX,
                                               INTERFACE_USES_DISPEX),
             E_FAIL);
}

// ---- Resources ----------------------------------------------------------------------------

TEST(the_library_carries_the_toolbox_bitmap_and_the_self_registration_marker) {
    const ComRef<IDispatch> control = create_control();  // loads the library
    const HMODULE library = GetModuleHandleW(L"Tintbox.ocx");
    if (!library) {
        testing::fail(__FILE__, __LINE__, "Tintbox.ocx is not loaded");
        return;
    }
    // The bitmap is the Linux server's, without the BMP file header.
    const std::string_view expected = tintbox::shell::toolbox_bitmap();
    constexpr std::size_t kFileHeader = 14;
    HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(kToolboxBitmapId), RT_BITMAP);
    CHECK(found != nullptr);
    if (found) {
        const auto* data = static_cast<const char*>(LockResource(LoadResource(library, found)));
        const DWORD size = SizeofResource(library, found);
        CHECK_EQ(size, expected.size() - kFileHeader);
        CHECK(size == expected.size() - kFileHeader &&
              std::memcmp(data, expected.data() + kFileHeader, size) == 0);
    }
    HBITMAP bitmap = LoadBitmapW(library, MAKEINTRESOURCEW(kToolboxBitmapId));
    BITMAP header{};
    CHECK(bitmap && GetObjectW(bitmap, sizeof header, &header) == sizeof header);
    CHECK_EQ(header.bmWidth, 16);
    CHECK_EQ(header.bmHeight, 15);
    DeleteObject(bitmap);

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(library, path, MAX_PATH);
    std::vector<BYTE> version(GetFileVersionInfoSizeW(path, nullptr));
    CHECK(!version.empty() &&
          GetFileVersionInfoW(path, 0, static_cast<DWORD>(version.size()), version.data()));
    const struct {
        const wchar_t* key;
        const wchar_t* value;
    } rows[] = {{L"\\StringFileInfo\\040904B0\\OLESelfRegister", L""},
                {L"\\StringFileInfo\\040904B0\\FileVersion", L"" TINTBOX_VERSION},
                {L"\\StringFileInfo\\040904B0\\OriginalFilename", L"Tintbox.ocx"}};
    for (const auto& row : rows) {
        void* value = nullptr;
        UINT length = 0;
        const bool present =
            !version.empty() && VerQueryValueW(version.data(), row.key, &value, &length) && value;
        CHECK(present && std::wstring(static_cast<const wchar_t*>(value)) == row.value);
    }
}

// ---- Registry transactions ---------------------------------------------------------------

namespace {

constexpr wchar_t kScratch[] = L"Software\\TintboxTest";

bool key_exists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

std::wstring default_value(HKEY root, const std::wstring& key) {
    wchar_t text[256] = {};
    DWORD size = sizeof text;
    RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

}  // namespace

TEST(a_failed_registry_transaction_leaves_the_registry_as_it_was) {
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    HKEY scratch = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &scratch,
                    nullptr);
    RegSetKeyValueW(scratch, L"Existing", nullptr, REG_SZ, L"old", 8);
    const std::vector<RegistryEntry> good = {
        {L"New\\Deep\\Key", L"", L"value"},
        {L"New\\Other", L"Name", L"data"},
        {L"Existing", L"", L"replaced"},
        {L"Existing\\Child", L"", L"", false},
    };
    std::vector<RegistryEntry> failing = good;
    failing.push_back({L"New\\" + std::wstring(300, L'x'), L"", L"too long a key name"});
    {
        RegistryTransaction transaction(scratch);
        CHECK(transaction.write(failing) != ERROR_SUCCESS);
        CHECK(key_exists(scratch, L"New\\Deep\\Key"));  // until the transaction goes
    }
    CHECK(!key_exists(scratch, L"New"));
    CHECK(!key_exists(scratch, L"Existing\\Child"));
    CHECK(default_value(scratch, L"Existing") == L"old");
    {
        RegistryTransaction transaction(scratch);
        CHECK_EQ(transaction.write(good), ERROR_SUCCESS);
        transaction.commit();
    }
    CHECK(default_value(scratch, L"New\\Deep\\Key") == L"value");
    CHECK(default_value(scratch, L"Existing") == L"replaced");
    CHECK(key_exists(scratch, L"Existing\\Child"));
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}

// ---- Server lifetime -------------------------------------------------------------------

TEST(the_library_may_unload_once_everything_is_released) {
    const HMODULE library = GetModuleHandleW(L"Tintbox.ocx");
    CHECK(library != nullptr);
    if (!library) {
        return;
    }
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto can_unload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    CHECK_EQ(can_unload(), S_OK);
    {
        const ComRef<IDispatch> control = create_control();
        CHECK_EQ(can_unload(), S_FALSE);
        const ComRef<IConnectionPoint> point = connection_point(*control, kIidEventInterface);
        ComRef<IEnumConnections> connections;
        point->EnumConnections(connections.put());
        CHECK_EQ(can_unload(), S_FALSE);
    }
    CHECK_EQ(can_unload(), S_OK);
    ComRef<IClassFactory> factory;
    CHECK_EQ(CoGetClassObject(kClsId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                              reinterpret_cast<void**>(factory.put())),
             S_OK);
    CHECK_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    CHECK_EQ(can_unload(), S_FALSE);
    CoGetClassObject(kClsId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                     reinterpret_cast<void**>(factory.put()));
    CHECK_EQ(factory->LockServer(FALSE), S_OK);
    CHECK_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
    ComRef<IUnknown> aggregated;
    CHECK_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown,
                                     reinterpret_cast<void**>(aggregated.put())),
             CLASS_E_NOAGGREGATION);
    factory.reset();
    CHECK_EQ(can_unload(), S_OK);
}

int main(int argc, char** argv) {
    if (FAILED(CoInitialize(nullptr))) {
        std::printf("CoInitialize failed\n");
        return 1;
    }
    const int status = testing::run_all(argc, argv);
    CoUninitialize();
    return status;
}

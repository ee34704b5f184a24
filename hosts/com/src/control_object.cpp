// Sections: creation and identity; IDispatch and the members of _Tintbox; events;
// errors; class information and connection points; persistence; safety.
#include "control_object.hpp"

#include <cstring>
#include <new>
#include <string>
#include <variant>
#include <vector>

#include "dispatch.hpp"
#include "errors.hpp"
#include "identifiers.hpp"
#include "ole_picture.hpp"
#include "persistence.hpp"
#include "text.hpp"

namespace tintbox::windows {

// ---- Creation and identity -------------------------------------------------------------

HRESULT ControlObject::create(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    ComRef<ITypeLib> library;
    if (const HRESULT loaded = LoadTypeLibEx(module::path().c_str(), REGKIND_NONE, library.put());
        FAILED(loaded)) {
        return loaded;
    }
    ComRef<ITypeInfo> interface_info;
    ComRef<ITypeInfo> class_info;
    if (FAILED(library->GetTypeInfoOfGuid(kIidDispatchInterface, interface_info.put())) ||
        FAILED(library->GetTypeInfoOfGuid(kClsId, class_info.put()))) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    ControlObject* object = nullptr;
    try {
        object =
            new ControlObject(std::move(library), std::move(interface_info), std::move(class_info));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
    const HRESULT queried = object->QueryInterface(iid, out);
    object->Release();
    return queried;
}

ControlObject::ControlObject(ComRef<ITypeLib> library, ComRef<ITypeInfo> interface_info,
                             ComRef<ITypeInfo> class_info)
    : library_(std::move(library)),
      interface_info_(std::move(interface_info)),
      class_info_(std::move(class_info)),
      events_(*this, kIidEventInterface),
      property_notify_(*this, IID_IPropertyNotifySink),
      screen_(std::make_shared<Win32Screen>()),
      fonts_(std::make_shared<Win32FontMetrics>()),
      control_(TintboxPlatform{screen_, fonts_, std::make_shared<Win32Clipboard>()}),
      surface_color_(GetSysColor(COLOR_BTNFACE)) {
    control_.set_change_handler([this] { raise_change(); });
    control_.set_property_changed_handler(
        [this](const std::string& name) { notify_property_changed(name); });
    control_.set_error_sink([this](const Error& error) {
        if (!handler_error_) {
            handler_error_ = error;
        }
    });
}

ControlObject::~ControlObject() {
    destroying_ = true;
    skin_.reset();  // the windows go before the control they show
    retired_skin_.reset();
    events_.clear();
    property_notify_.clear();
}

HRESULT ControlObject::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidDispatchInterface) {
        *out = static_cast<IDispatch*>(this);
    } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
        *out = static_cast<IProvideClassInfo2*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *out = static_cast<IConnectionPointContainer*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
        *out = static_cast<ISupportErrorInfo*>(this);
    } else if (iid == IID_IPersist || iid == IID_IPersistPropertyBag) {
        *out = static_cast<IPersistPropertyBag*>(this);
    } else if (iid == IID_IPersistStreamInit) {
        *out = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_IPersistStorage) {
        *out = static_cast<IPersistStorage*>(this);
    } else if (iid == IID_IObjectSafety) {
        *out = static_cast<IObjectSafety*>(this);
    } else if (iid == IID_IDataObject) {
        *out = static_cast<IDataObject*>(this);
    } else if (iid == IID_IOleObject) {
        *out = static_cast<IOleObject*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
        *out = static_cast<IOleInPlaceObject*>(this);
    } else if (iid == IID_IOleInPlaceActiveObject) {
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (iid == IID_IOleControl) {
        *out = static_cast<IOleControl*>(this);
    } else if (iid == IID_IViewObject || iid == IID_IViewObject2) {
        *out = static_cast<IViewObject2*>(this);
    } else if (iid == IID_IQuickActivate) {
        *out = static_cast<IQuickActivate*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ControlObject::AddRef() {
    return ++references_;
}

ULONG ControlObject::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

// ---- IDispatch and the members of _Tintbox --------------------------------------------

HRESULT ControlObject::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT ControlObject::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    *out = ComRef<ITypeInfo>(interface_info_).detach();
    return S_OK;
}

HRESULT ControlObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return interface_info_->GetIDsOfNames(names, count, ids);
}

HRESULT ControlObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argument_error) {
    if (iid != IID_NULL) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    DispatchCall call;
    if (const HRESULT prepared = call.prepare(*interface_info_, id, flags, params, argument_error);
        FAILED(prepared)) {
        return prepared;
    }
    // A Change sink may let go of its last reference while the member runs.
    const ComRef<IDispatch> keep_alive = ComRef<IDispatch>::share(this);
    VARIANT value;
    VariantInit(&value);
    handler_error_.reset();
    try {
        call_member(id, call, value);
    } catch (...) {
        VariantClear(&value);
        return report_error(std::current_exception(), exception);
    }
    call.finish(value, result);
    if (skin_) {
        skin_->flush();  // the windows show the call's outcome before it returns
    } else {
        view_changed();
    }
    if (handler_error_) {
        // A handler's error reaches the caller after the call has run to its end; the
        // arguments keep what the call wrote, but a failed call has no result.
        if (result) {
            VariantClear(result);
        }
        const Error error = *std::exchange(handler_error_, std::nullopt);
        return report_error(std::make_exception_ptr(error), exception);
    }
    return S_OK;
}

namespace {

MemberKind member_kind_of(INVOKEKIND kind) noexcept {
    switch (kind) {
        case INVOKE_PROPERTYGET:
            return MemberKind::PropertyGet;
        case INVOKE_PROPERTYPUT:
            return MemberKind::PropertyPut;
        case INVOKE_PROPERTYPUTREF:
            return MemberKind::PropertyPutRef;
        case INVOKE_FUNC:
            break;
    }
    return MemberKind::Method;
}

}  // namespace

void ControlObject::call_member(DISPID id, DispatchCall& call, VARIANT& result) {
    const Member* member = find_member(id, member_kind_of(call.kind()));
    if (!member || member->param_count != call.argument_count()) {
        throw Error(ErrorKind::Internal, "the type library declares a member " +
                                             std::to_string(id) + " that the control lacks");
    }
    std::vector<MemberValue> args;
    for (std::size_t i = 0; i < member->param_count; ++i) {
        args.push_back(member_value(call.argument(i), member->params[i].type));
    }
    result = variant_of(member->call(control_, args));
    for (std::size_t i = 0; i < member->param_count; ++i) {
        if (member->params[i].written()) {
            VARIANT& argument = call.argument(i);
            VariantClear(&argument);
            argument = variant_of(args[i]);
            call.written(i);
        }
    }
}

MemberValue ControlObject::member_value(const VARIANT& value, MemberType type) {
    switch (type) {
        case MemberType::Integer:
            return V_I2(&value);
        case MemberType::Long:
            return static_cast<std::int32_t>(V_I4(&value));
        case MemberType::Boolean:
            return V_BOOL(&value) != VARIANT_FALSE;
        case MemberType::String:
            return from_bstr(V_BSTR(&value));
        case MemberType::Picture:
            return adopt_picture(as_picture_object(V_DISPATCH(&value)).get());
        case MemberType::Empty:
            break;
    }
    return {};
}

VARIANT ControlObject::variant_of(const MemberValue& value) {
    VARIANT out;
    VariantInit(&out);
    if (const auto* integer = std::get_if<std::int16_t>(&value)) {
        V_VT(&out) = VT_I2;
        V_I2(&out) = *integer;
    } else if (const auto* long_value = std::get_if<std::int32_t>(&value)) {
        V_VT(&out) = VT_I4;
        V_I4(&out) = *long_value;
    } else if (const auto* boolean = std::get_if<bool>(&value)) {
        V_VT(&out) = VT_BOOL;
        V_BOOL(&out) = *boolean ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const auto* text = std::get_if<std::u16string>(&value)) {
        V_BSTR(&out) = to_bstr(*text);
        V_VT(&out) = VT_BSTR;
    } else if (std::holds_alternative<PicturePtr>(value)) {
        // The only picture a member gives is the control's own.
        V_VT(&out) = VT_DISPATCH;
        V_DISPATCH(&out) = picture_object().detach();
    }
    return out;
}

ComRef<IPictureDisp> ControlObject::picture_object() {
    if (control_.Picture() != picture_pixels_) {
        // Restored from a stream, which holds pixels: the object is made once.
        picture_pixels_ = control_.Picture();
        picture_ = picture_pixels_ ? ole_picture_of(*picture_pixels_) : ComRef<IPictureDisp>();
    }
    return picture_;
}

PicturePtr ControlObject::adopt_picture(IPictureDisp* picture) {
    PicturePtr pixels = picture ? pixels_of(*picture) : nullptr;
    // Remembered before the control takes the pixels: a property-change sink may read
    // Picture back at once.
    picture_ = ComRef<IPictureDisp>::share(picture);
    picture_pixels_ = pixels;
    return pixels;
}

// ---- Events -------------------------------------------------------------------------

// A container that froze the events (IOleControl::FreezeEvents) cannot take them: the
// Change events raised meanwhile are dropped, as OLE controls do.
void ControlObject::raise_change() {
    if (frozen_events_ > 0) {
        return;
    }
    DISPPARAMS no_arguments{};
    for (const ComRef<IUnknown>& sink : events_.sinks()) {
        // Advise queried the sink for __Tintbox, a dispatch interface.
        reinterpret_cast<IDispatch*>(sink.get())
            ->Invoke(dispid::kChange, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &no_arguments,
                     nullptr, nullptr, nullptr);
    }
}

void ControlObject::notify_property_changed(const std::string& name) {
    dirty_ = true;
    const DISPID id = name == "Picture" ? dispid::kPicture : dispid::kEnabled;
    for (const ComRef<IUnknown>& sink : property_notify_.sinks()) {
        reinterpret_cast<IPropertyNotifySink*>(sink.get())->OnChanged(id);
    }
}

// ---- Errors -------------------------------------------------------------------------

HRESULT ControlObject::InterfaceSupportsErrorInfo(REFIID iid) {
    return iid == IID_IDispatch || iid == kIidDispatchInterface || iid == IID_IPersistPropertyBag ||
                   iid == IID_IPersistStreamInit || iid == IID_IPersistStorage
               ? S_OK
               : S_FALSE;
}

// ---- Class information and connection points ------------------------------------------

HRESULT ControlObject::GetClassInfo(ITypeInfo** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = ComRef<ITypeInfo>(class_info_).detach();
    return S_OK;
}

HRESULT ControlObject::GetGUID(DWORD kind, GUID* out) {
    if (!out) {
        return E_POINTER;
    }
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *out = GUID_NULL;
        return E_INVALIDARG;
    }
    *out = kIidEventInterface;
    return S_OK;
}

HRESULT ControlObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
    try {
        return enumerate_connection_points(*this, {&events_, &property_notify_}, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ControlObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    for (ConnectionPoint* point : {&events_, &property_notify_}) {
        if (point->iid() == iid) {
            point->AddRef();
            *out = point;
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

// ---- Persistence --------------------------------------------------------------------

HRESULT ControlObject::GetClassID(CLSID* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = kClsId;
    return S_OK;
}

HRESULT ControlObject::InitNew() {
    // A new control already holds the defaults: no picture, enabled.
    dirty_ = false;
    return S_OK;
}

HRESULT ControlObject::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) {
        return E_POINTER;
    }
    try {
        HostPropertyBag adapter(*bag, log, *this);
        control_.UserControl_ReadProperties(adapter);
    } catch (...) {
        return report_error(std::current_exception(), nullptr);
    }
    dirty_ = false;
    return S_OK;
}

HRESULT ControlObject::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) {
    if (!bag) {
        return E_POINTER;
    }
    try {
        HostPropertyBag adapter(*bag, nullptr, *this);
        control_.UserControl_WriteProperties(adapter);
    } catch (...) {
        return report_error(std::current_exception(), nullptr);
    }
    if (clear_dirty) {
        dirty_ = false;
    }
    return S_OK;
}

HRESULT ControlObject::IsDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT ControlObject::Load(IStream* stream) {
    if (!stream) {
        return E_POINTER;
    }
    try {
        MemoryPropertyBag bag = read_stream_bag(*stream);
        control_.UserControl_ReadProperties(bag);
    } catch (...) {
        return report_error(std::current_exception(), nullptr);
    }
    dirty_ = false;
    return S_OK;
}

HRESULT ControlObject::Save(IStream* stream, BOOL clear_dirty) {
    if (!stream) {
        return E_POINTER;
    }
    try {
        MemoryPropertyBag bag;
        control_.UserControl_WriteProperties(bag);
        write_stream_bag(*stream, bag);
    } catch (...) {
        return report_error(std::current_exception(), nullptr);
    }
    if (clear_dirty) {
        dirty_ = false;
    }
    return S_OK;
}

HRESULT ControlObject::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) {
        return E_POINTER;
    }
    try {
        MemoryPropertyBag bag;
        control_.UserControl_WriteProperties(bag);
        size->QuadPart = stream_bag_size(bag);
    } catch (...) {
        return report_error(std::current_exception(), nullptr);
    }
    return S_OK;
}

namespace {

// The stream of a storage that holds the control, as OLE controls name it.
constexpr wchar_t kContentsStream[] = L"Contents";

}  // namespace

HRESULT ControlObject::InitNew(IStorage* storage) {
    if (!storage) {
        return E_POINTER;
    }
    return InitNew();
}

HRESULT ControlObject::Load(IStorage* storage) {
    if (!storage) {
        return E_POINTER;
    }
    ComRef<IStream> stream;
    if (const HRESULT opened = storage->OpenStream(
            kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put());
        FAILED(opened)) {
        return opened;
    }
    return Load(stream.get());
}

HRESULT ControlObject::Save(IStorage* storage, BOOL same_as_load) {
    if (!storage) {
        return E_POINTER;
    }
    ComRef<IStream> stream;
    if (const HRESULT created = storage->CreateStream(
            kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put());
        FAILED(created)) {
        return created;
    }
    // A copy saved elsewhere leaves the control as unsaved as it was; after a Save As the
    // container names the new storage in SaveCompleted.
    return Save(stream.get(), same_as_load);
}

// The control keeps no storage between calls: there is none to take or to give back.
HRESULT ControlObject::SaveCompleted(IStorage* new_storage) {
    if (new_storage) {
        dirty_ = false;  // saved as a new document, which is now the control's own
    }
    return S_OK;
}

HRESULT ControlObject::HandsOffStorage() {
    return S_OK;
}

// ---- Safety ---------------------------------------------------------------------------

namespace {

// A script may call every member (none reaches files or the system), and a page may
// initialise the control from any bag or stream (a damaged one is refused).
constexpr DWORD kSafetyOptions =
    INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

bool safety_applies_to(REFIID iid) {
    return iid == IID_IDispatch || iid == kIidDispatchInterface || iid == IID_IPersistPropertyBag ||
           iid == IID_IPersistStreamInit || iid == IID_IPersistStorage;
}

}  // namespace

HRESULT ControlObject::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    if (!supported || !enabled) {
        return E_POINTER;
    }
    if (!safety_applies_to(iid)) {
        *supported = *enabled = 0;
        return E_NOINTERFACE;
    }
    *supported = kSafetyOptions;
    *enabled = safety_options_;
    return S_OK;
}

HRESULT ControlObject::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    if (!safety_applies_to(iid)) {
        return E_NOINTERFACE;
    }
    if (mask & enabled & ~kSafetyOptions) {
        return E_FAIL;  // a safety the control cannot promise
    }
    safety_options_ = (safety_options_ & ~mask) | (enabled & mask);
    return S_OK;
}

}  // namespace tintbox::windows

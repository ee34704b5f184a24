// The COM object of the class Tintbox: the control's public surface (_Tintbox through
// IDispatch), its events (__Tintbox and IPropertyNotifySink through connection points),
// its persistence (IPersistPropertyBag, IPersistStreamInit), its class information and
// rich errors. One tintbox::Tintbox inside does the work.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <memory>
#include <optional>

#include "com_ref.hpp"
#include "connection_points.hpp"
#include "module.hpp"
#include "tintbox/tintbox.hpp"

namespace tintbox::windows {

class DispatchCall;

class ControlObject final : public IDispatch,
                            public IProvideClassInfo2,
                            public IConnectionPointContainer,
                            public ISupportErrorInfo,
                            public IPersistPropertyBag,
                            public IPersistStreamInit,
                            private module::Counted {
  public:
    // A new control with one reference, or the failure's HRESULT.
    static HRESULT create(REFIID iid, void** out);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument_error) override;
    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* out) override;
    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;
    // IPersist, shared by both persistence interfaces
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override;
    // IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty,
                                   BOOL save_all_properties) override;
    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clear_dirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

    // The OLE picture standing for the control's picture: the very object the host set,
    // or for a picture restored from a stream one made once and kept.
    ComRef<IPictureDisp> picture_object();
    // The pixels of an OLE picture (null: Nothing), remembered as the object that stands
    // for them; the caller hands the pixels to the control.
    PicturePtr adopt_picture(IPictureDisp* picture);

  private:
    ControlObject(ComRef<ITypeLib> library, ComRef<ITypeInfo> interface_info,
                  ComRef<ITypeInfo> class_info);
    ~ControlObject();

    void call_member(DISPID id, DispatchCall& call, VARIANT& result);
    void raise_change();
    void notify_property_changed(const std::string& name);

    std::atomic<ULONG> references_{1};
    ComRef<ITypeLib> library_;
    ComRef<ITypeInfo> interface_info_;  // _Tintbox
    ComRef<ITypeInfo> class_info_;      // the coclass Tintbox
    ConnectionPoint events_;            // __Tintbox
    ConnectionPoint property_notify_;   // IPropertyNotifySink
    Tintbox control_;
    ComRef<IPictureDisp> picture_;        // what the host set, or made for a restored picture
    PicturePtr picture_pixels_;           // the control's picture that picture_ stands for
    std::optional<Error> handler_error_;  // the first error a handler reported in a call
    bool dirty_ = false;
};

}  // namespace tintbox::windows

// The COM object of the class Tintbox: the control's public surface (_Tintbox through
// IDispatch), its events (__Tintbox and IPropertyNotifySink through connection points),
// its persistence (IPersistPropertyBag, IPersistStreamInit, IPersistStorage), its class
// information and rich errors, its safety for scripts and web pages (IObjectSafety), and
// its life as an ActiveX control on a container's form or in a document (IOleObject,
// in-place activation, IOleControl, IViewObject2, IQuickActivate, and IDataObject for
// its picture as a metafile or bitmap). One tintbox::Tintbox inside does the work; while
// the control is in-place active a Win32 skin shows it.
#pragma once

#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "com_ref.hpp"
#include "connection_points.hpp"
#include "module.hpp"
#include "skin.hpp"
#include "tintbox/members.hpp"
#include "tintbox/tintbox.hpp"
#include "win32_platform.hpp"

namespace tintbox::windows {

class DispatchCall;

class ControlObject final : public IDispatch,
                            public IProvideClassInfo2,
                            public IConnectionPointContainer,
                            public ISupportErrorInfo,
                            public IPersistPropertyBag,
                            public IPersistStreamInit,
                            public IPersistStorage,
                            public IObjectSafety,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IOleInPlaceActiveObject,
                            public IOleControl,
                            public IViewObject2,
                            public IQuickActivate,
                            public IDataObject,
                            private SkinHost,
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
    // IPersist, shared by the persistence interfaces
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override;
    // IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE InitNew() override;
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty,
                                   BOOL save_all_properties) override;
    // IPersistStreamInit (IsDirty also for IPersistStorage)
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clear_dirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    // IPersistStorage: the storage holds one stream with what IPersistStreamInit writes.
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override;
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL same_as_load) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) override;
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override;
    // IObjectSafety
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                        DWORD* enabled) override;
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask,
                                                        DWORD enabled) override;

    // IOleObject (activation.cpp)
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** out) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR document) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD save_option) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation,
                                           DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** out) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index,
                                     HWND parent, LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override;
    HRESULT STDMETHODCALLTYPE Update() override;
    HRESULT STDMETHODCALLTYPE IsUpToDate() override;
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* out) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* out) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** out) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;
    // IOleWindow, shared by both in-place interfaces
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
    // IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window,
                                           BOOL frame_window) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;
    // IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspect_info,
                                   DVTARGETDEVICE* device, HDC target_dc, HDC dc, LPCRECTL bounds,
                                   LPCRECTL window_bounds,
                                   WINBOOL(STDMETHODCALLTYPE* keep_going)(ULONG_PTR),
                                   ULONG_PTR keep_going_argument) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspect_info,
                                          DVTARGETDEVICE* device, HDC target_dc,
                                          LOGPALETTE** out) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspect_info,
                                     DWORD* out) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** out) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device,
                                        LPSIZEL size) override;
    // IQuickActivate
    HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
    HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
    HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;
    // IDataObject (data_object.cpp): the control's picture, drawn as IViewObject2 draws it
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                      DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** out) override;

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
    // An argument of Invoke, already of its declared type, as the member table's value;
    // and a value of the table as a VARIANT (a new one the caller owns).
    MemberValue member_value(const VARIANT& value, MemberType type);
    VARIANT variant_of(const MemberValue& value);
    void raise_change();
    // The control drawn by Draw at its extent, in a new enhanced metafile or a new
    // bitmap of the screen's pixels; null when GDI has no room for it.
    HENHMETAFILE draw_metafile();
    HBITMAP draw_bitmap();
    void notify_property_changed(const std::string& name);

    // Activation (activation.cpp).
    HRESULT activate(bool ui_activate, IOleClientSite* site, HWND parent, LPCRECT position);
    void ui_activate();
    void ui_deactivate();
    void attach_site(IOleClientSite* site);
    // Reads the container's ambient properties (DISPID_UNKNOWN: all of them).
    void read_ambients(DISPID id);
    void apply_font(IUnknown* font);
    // SkinHost
    void tab_out(bool forward, const MSG& message) override;
    void focus_entered() override;
    void focus_left() override;
    void size_settled() override;
    void view_changed() override;
    // Not while the object is being destroyed: the windows' last messages come then.
    void hold() override {
        if (!destroying_) {
            AddRef();
        }
    }
    void let_go() override {
        if (!destroying_) {
            Release();
        }
    }
    void skin_retired() override { retired_skin_.reset(); }

    std::atomic<ULONG> references_{1};
    ComRef<ITypeLib> library_;
    ComRef<ITypeInfo> interface_info_;  // _Tintbox
    ComRef<ITypeInfo> class_info_;      // the coclass Tintbox
    ConnectionPoint events_;            // __Tintbox
    ConnectionPoint property_notify_;   // IPropertyNotifySink
    std::shared_ptr<Win32Screen> screen_;
    std::shared_ptr<Win32FontMetrics> fonts_;
    Tintbox control_;
    ComRef<IPictureDisp> picture_;        // what the host set, or made for a restored picture
    PicturePtr picture_pixels_;           // the control's picture that picture_ stands for
    std::optional<Error> handler_error_;  // the first error a handler reported in a call
    bool dirty_ = false;
    DWORD safety_options_ = 0;  // INTERFACESAFE_... a web page's host asked for

    // On a container's form.
    ComRef<IOleClientSite> client_site_;
    ComRef<IOleControlSite> control_site_;
    ComRef<IOleInPlaceSite> in_place_site_;  // set while in-place active
    ComRef<IOleInPlaceFrame> frame_;
    ComRef<IOleInPlaceUIWindow> ui_window_;
    ComRef<IOleAdviseHolder> ole_advise_;
    ComRef<IAdviseSink> view_sink_;
    DWORD view_sink_aspects_ = 0;
    DWORD view_sink_flags_ = 0;
    std::unique_ptr<Skin> skin_;          // the windows, while in-place active
    std::unique_ptr<Skin> retired_skin_;  // deactivated while busy; goes when it is done
    bool ui_active_ = false;
    bool user_mode_ = true;       // the container's ambient UserMode: False in a designer
    COLORREF surface_color_;      // the container's ambient BackColor, or the button face
    int frozen_events_ = 0;       // IOleControl::FreezeEvents nesting
    bool settling_size_ = false;  // telling the container the settled size
    bool destroying_ = false;
};

}  // namespace tintbox::windows

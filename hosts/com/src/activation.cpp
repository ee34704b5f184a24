// The control on a container's form: its client site and ambient properties, in-place and
// UI activation, the keyboard's Tab through the container, drawing into a designer's or a
// printer's device context, and quick activation.
//
// Sections: sizes; IOleObject; activation; IOleInPlaceObject and IOleInPlaceActiveObject;
// IOleControl and ambient properties; IViewObject2; IQuickActivate; the skin's host.
#include <olectl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "control_object.hpp"
#include "errors.hpp"
#include "identifiers.hpp"
#include "paint.hpp"

namespace tintbox::windows {
namespace {

// HIMETRIC (1/100 mm) and twips (1/1440 inch): 2540 of the one are 1440 of the other.
LONG himetric_of(Twips twips) {
    return static_cast<LONG>(std::lround(static_cast<double>(twips) * 2540.0 / 1440.0));
}
Twips twips_of(LONG himetric) {
    return static_cast<Twips>(static_cast<double>(himetric) * 1440.0 / 2540.0);
}

// The flags of a control that is active whenever it is visible: it wants its client site
// before it is loaded, has no open (out-of-place) state, and lays itself out on resize.
constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                              OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                              OLEMISC_RECOMPOSEONRESIZE;

constexpr DWORD kShiftModifier = 1;  // KEYMOD_SHIFT of IOleControlSite::TranslateAccelerator

bool read_ambient(IOleClientSite& site, DISPID id, VARIANT& value) {
    ComRef<IDispatch> ambients;
    if (FAILED(site.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambients.put())))) {
        return false;
    }
    DISPPARAMS no_arguments{};
    return SUCCEEDED(ambients->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                      &no_arguments, &value, nullptr, nullptr));
}

}  // namespace

// ---- Sizes -------------------------------------------------------------------------------

HRESULT ControlObject::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size) {
        return E_POINTER;
    }
    if (aspect != DVASPECT_CONTENT) {
        return DV_E_DVASPECT;
    }
    try {
        // The control's layout runs: it keeps its height and clamps its width.
        Surface& surface = control_.UserControl();
        surface.SetWidth(twips_of(size->cx));
        surface.SetHeight(twips_of(size->cy));
    } catch (...) {
        return report_error(std::current_exception(), nullptr);
    }
    if (skin_) {
        skin_->flush();
    }
    return S_OK;
}

HRESULT ControlObject::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) {
        return E_POINTER;
    }
    if (aspect != DVASPECT_CONTENT) {
        return DV_E_DVASPECT;
    }
    const Surface& surface = control_.UserControl();
    *size = SIZEL{himetric_of(surface.Width()), himetric_of(surface.Height())};
    return S_OK;
}

HRESULT ControlObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

HRESULT ControlObject::SetContentExtent(LPSIZEL size) {
    return SetExtent(DVASPECT_CONTENT, size);
}

HRESULT ControlObject::GetContentExtent(LPSIZEL size) {
    return GetExtent(DVASPECT_CONTENT, size);
}

// ---- IOleObject --------------------------------------------------------------------------

void ControlObject::attach_site(IOleClientSite* site) {
    client_site_ = ComRef<IOleClientSite>::share(site);
    control_site_ = client_site_.query<IOleControlSite>(IID_IOleControlSite);
}

HRESULT ControlObject::SetClientSite(IOleClientSite* site) {
    if (!site && in_place_site_) {
        InPlaceDeactivate();
    }
    attach_site(site);
    if (site) {
        read_ambients(DISPID_UNKNOWN);
    }
    return S_OK;
}

HRESULT ControlObject::GetClientSite(IOleClientSite** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = ComRef<IOleClientSite>(client_site_).detach();
    return S_OK;
}

HRESULT ControlObject::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

HRESULT ControlObject::Close(DWORD save_option) {
    InPlaceDeactivate();
    if (client_site_ && dirty_ &&
        (save_option == OLECLOSE_SAVEIFDIRTY || save_option == OLECLOSE_PROMPTSAVE)) {
        client_site_->SaveObject();
    }
    if (ole_advise_) {
        ole_advise_->SendOnClose();
    }
    return S_OK;
}

HRESULT ControlObject::SetMoniker(DWORD, IMoniker*) {
    return E_NOTIMPL;
}

HRESULT ControlObject::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) {
        *out = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT ControlObject::InitFromData(IDataObject*, BOOL, DWORD) {
    return E_NOTIMPL;
}

HRESULT ControlObject::GetClipboardData(DWORD, IDataObject** out) {
    if (out) {
        *out = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT ControlObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                              LPCRECT position) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_UIACTIVATE:
            return activate(true, site, parent, position);
        case OLEIVERB_INPLACEACTIVATE:
            return activate(false, site, parent, position);
        case OLEIVERB_HIDE:
            ui_deactivate();
            if (skin_) {
                skin_->show(false);
            }
            return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE:
            return S_OK;
        case OLEIVERB_OPEN:  // the control lives only on its form
            return OLEOBJ_S_CANNOT_DOVERB_NOW;
        default:
            return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT ControlObject::EnumVerbs(IEnumOLEVERB** out) {
    return OleRegEnumVerbs(kClsId, out);
}

HRESULT ControlObject::Update() {
    return S_OK;
}

HRESULT ControlObject::IsUpToDate() {
    return S_OK;
}

HRESULT ControlObject::GetUserClassID(CLSID* out) {
    return GetClassID(out);
}

HRESULT ControlObject::GetUserType(DWORD form, LPOLESTR* out) {
    return OleRegGetUserType(kClsId, form, out);
}

HRESULT ControlObject::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!ole_advise_) {
        if (const HRESULT made = CreateOleAdviseHolder(ole_advise_.put()); FAILED(made)) {
            return made;
        }
    }
    return ole_advise_->Advise(sink, connection);
}

HRESULT ControlObject::Unadvise(DWORD connection) {
    return ole_advise_ ? ole_advise_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

HRESULT ControlObject::EnumAdvise(IEnumSTATDATA** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return ole_advise_ ? ole_advise_->EnumAdvise(out) : S_OK;
}

HRESULT ControlObject::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) {
        return E_POINTER;
    }
    *status = kMiscStatus;
    return S_OK;
}

HRESULT ControlObject::SetColorScheme(LOGPALETTE*) {
    return E_NOTIMPL;
}

// ---- Activation ----------------------------------------------------------------------------

HRESULT ControlObject::activate(bool ui, IOleClientSite* site, HWND parent, LPCRECT position) {
    if (!client_site_ && site) {
        attach_site(site);
        read_ambients(DISPID_UNKNOWN);
    }
    if (!client_site_) {
        return E_UNEXPECTED;
    }
    if (!in_place_site_) {
        ComRef<IOleInPlaceSite> in_place = client_site_.query<IOleInPlaceSite>(IID_IOleInPlaceSite);
        if (!in_place) {
            return E_NOINTERFACE;
        }
        if (in_place->CanInPlaceActivate() != S_OK) {
            return E_FAIL;
        }
        in_place_site_ = in_place;
        in_place_site_->OnInPlaceActivate();
    }
    HWND window = parent;
    if (FAILED(in_place_site_->GetWindow(&window)) && !window) {
        return E_FAIL;
    }
    RECT place = position ? *position : RECT{};
    RECT clip = place;
    OLEINPLACEFRAMEINFO frame_info{};
    frame_info.cb = sizeof frame_info;
    frame_.reset();
    ui_window_.reset();
    in_place_site_->GetWindowContext(frame_.put(), ui_window_.put(), &place, &clip, &frame_info);
    if (!skin_) {
        try {
            skin_ = std::make_unique<Skin>(control_, *screen_, *fonts_,
                                           static_cast<SkinHost&>(*this), window, place);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        skin_->set_user_mode(user_mode_);
        skin_->set_surface_color(surface_color_);
        const SIZE settled = skin_->pixel_size();
        if (settled.cx != place.right - place.left || settled.cy != place.bottom - place.top) {
            size_settled();  // the layout clamped what the container gave
        }
    }
    skin_->show(true);
    if (ui && user_mode_) {
        ui_activate();
    }
    return S_OK;
}

void ControlObject::ui_activate() {
    if (ui_active_ || !in_place_site_ || !skin_) {
        return;
    }
    ui_active_ = true;  // first: taking the focus below comes back through focus_entered
    in_place_site_->OnUIActivate();
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (frame_) {
        frame_->SetActiveObject(active, L"Tintbox");
        frame_->SetBorderSpace(nullptr);  // no tools of its own
    }
    if (ui_window_) {
        ui_window_->SetActiveObject(active, L"Tintbox");
    }
    skin_->take_focus();
}

void ControlObject::ui_deactivate() {
    if (!ui_active_) {
        return;
    }
    ui_active_ = false;
    if (skin_) {
        skin_->end_gesture();
    }
    if (ui_window_) {
        ui_window_->SetActiveObject(nullptr, nullptr);
    }
    if (frame_) {
        frame_->SetActiveObject(nullptr, nullptr);
    }
    if (in_place_site_) {
        in_place_site_->OnUIDeactivate(FALSE);
    }
}

// ---- IOleInPlaceObject and IOleInPlaceActiveObject ---------------------------------------

HRESULT ControlObject::GetWindow(HWND* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = skin_ ? skin_->window() : nullptr;
    return skin_ ? S_OK : E_FAIL;
}

HRESULT ControlObject::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

HRESULT ControlObject::InPlaceDeactivate() {
    if (!in_place_site_) {
        return S_OK;
    }
    ui_deactivate();
    if (skin_ && skin_->busy()) {
        // A Change handler deactivated the control from inside one of its windows.
        skin_->retire();
        retired_skin_ = std::move(skin_);
    }
    skin_.reset();
    frame_.reset();
    ui_window_.reset();
    const ComRef<IOleInPlaceSite> site = std::move(in_place_site_);
    site->OnInPlaceDeactivate();
    return S_OK;
}

HRESULT ControlObject::UIDeactivate() {
    ui_deactivate();
    return S_OK;
}

HRESULT ControlObject::SetObjectRects(LPCRECT position, LPCRECT clip) {
    if (!position) {
        return E_POINTER;
    }
    if (!skin_) {
        return E_UNEXPECTED;
    }
    skin_->place(*position);
    // Only the part inside the clip rectangle shows (a container's scrolled view).
    RECT visible = *position;
    if (clip) {
        IntersectRect(&visible, position, clip);
    }
    if (EqualRect(&visible, position)) {
        SetWindowRgn(skin_->window(), nullptr, TRUE);
    } else {
        SetWindowRgn(skin_->window(),
                     CreateRectRgn(visible.left - position->left, visible.top - position->top,
                                   visible.right - position->left, visible.bottom - position->top),
                     TRUE);
    }
    return S_OK;
}

HRESULT ControlObject::ReactivateAndUndo() {
    return E_NOTIMPL;
}

HRESULT ControlObject::TranslateAccelerator(LPMSG message) {
    if (!message) {
        return E_INVALIDARG;
    }
    return skin_ && skin_->translate_accelerator(*message) ? S_OK : S_FALSE;
}

// A window of the container deactivated: the release of a held button goes elsewhere.
HRESULT ControlObject::OnFrameWindowActivate(BOOL activate) {
    if (!activate && skin_) {
        skin_->end_gesture();
    }
    return S_OK;
}

HRESULT ControlObject::OnDocWindowActivate(BOOL activate) {
    return OnFrameWindowActivate(activate);
}

HRESULT ControlObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

HRESULT ControlObject::EnableModeless(BOOL) {
    return S_OK;
}

// ---- IOleControl and ambient properties --------------------------------------------------

HRESULT ControlObject::GetControlInfo(CONTROLINFO* info) {
    if (!info) {
        return E_POINTER;
    }
    // No mnemonics: the control's views have no captions with access keys.
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

HRESULT ControlObject::OnMnemonic(MSG*) {
    return S_OK;
}

HRESULT ControlObject::OnAmbientPropertyChange(DISPID id) {
    read_ambients(id);
    return S_OK;
}

HRESULT ControlObject::FreezeEvents(BOOL freeze) {
    if (freeze) {
        ++frozen_events_;
    } else if (frozen_events_ > 0) {
        --frozen_events_;
    }
    return S_OK;
}

void ControlObject::read_ambients(DISPID id) {
    if (!client_site_) {
        return;
    }
    const bool all = id == DISPID_UNKNOWN;
    VARIANT value;
    VariantInit(&value);
    if ((all || id == DISPID_AMBIENT_USERMODE) &&
        read_ambient(*client_site_, DISPID_AMBIENT_USERMODE, value)) {
        // A container without the property runs its controls.
        if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL))) {
            user_mode_ = V_BOOL(&value) != VARIANT_FALSE;
            if (skin_) {
                skin_->set_user_mode(user_mode_);
            }
        }
        VariantClear(&value);
    }
    if ((all || id == DISPID_AMBIENT_BACKCOLOR) &&
        read_ambient(*client_site_, DISPID_AMBIENT_BACKCOLOR, value)) {
        COLORREF color = 0;
        if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4)) &&
            SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(V_I4(&value)), nullptr, &color))) {
            surface_color_ = color;
            if (skin_) {
                skin_->set_surface_color(color);
            }
        }
        VariantClear(&value);
    }
    if ((all || id == DISPID_AMBIENT_FONT) &&
        read_ambient(*client_site_, DISPID_AMBIENT_FONT, value)) {
        if (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) {
            apply_font(V_UNKNOWN(&value));
        }
        VariantClear(&value);
    }
}

// The container's font gives the face; the size always fits the fields.
void ControlObject::apply_font(IUnknown* font) {
    ComRef<IFont> readable;
    if (!font ||
        FAILED(font->QueryInterface(IID_IFont, reinterpret_cast<void**>(readable.put())))) {
        return;
    }
    BSTR name = nullptr;
    if (FAILED(readable->get_Name(&name)) || !name) {
        return;
    }
    const std::wstring face(name, SysStringLen(name));
    SysFreeString(name);
    if (face == fonts_->face()) {
        return;
    }
    fonts_->fit(face, screen_->twips_per_pixel_x());
    if (skin_) {
        skin_->font_changed();
    }
}

// ---- IViewObject2 ------------------------------------------------------------------------

HRESULT ControlObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                            LPCRECTL bounds, LPCRECTL, WINBOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                            ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) {
        return DV_E_DVASPECT;
    }
    if (!dc || !bounds) {
        return E_INVALIDARG;
    }
    const PaintStyle style =
        skin_ ? skin_->paint_style()
              : PaintStyle{fonts_->font(), screen_->twips_per_pixel_x(), surface_color_};
    const Surface& surface = control_.UserControl();
    // The control is drawn in its own pixels and scaled into the bounds, which are in
    // the device context's logical units.
    POINT corners[2] = {{bounds->left, bounds->top}, {bounds->right, bounds->bottom}};
    LPtoDP(dc, corners, 2);
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, std::max(1, to_pixels(surface.Width(), style.twips_per_pixel)),
                   std::max(1, to_pixels(surface.Height(), style.twips_per_pixel)), nullptr);
    SetViewportOrgEx(dc, corners[0].x, corners[0].y, nullptr);
    SetViewportExtEx(dc, corners[1].x - corners[0].x, corners[1].y - corners[0].y, nullptr);
    paint_control(dc, surface, style);
    RestoreDC(dc, saved);
    return S_OK;
}

HRESULT ControlObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** out) {
    if (out) {
        *out = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT ControlObject::Freeze(DWORD, LONG, void*, DWORD*) {
    return E_NOTIMPL;
}

HRESULT ControlObject::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

HRESULT ControlObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    view_sink_ = ComRef<IAdviseSink>::share(sink);
    view_sink_aspects_ = aspects;
    view_sink_flags_ = flags;
    return S_OK;
}

HRESULT ControlObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** out) {
    if (aspects) {
        *aspects = view_sink_aspects_;
    }
    if (flags) {
        *flags = view_sink_flags_;
    }
    if (out) {
        *out = ComRef<IAdviseSink>(view_sink_).detach();
    }
    return S_OK;
}

// ---- IQuickActivate ----------------------------------------------------------------------

HRESULT ControlObject::QuickActivate(QACONTAINER* container, QACONTROL* control) {
    if (!container || !control) {
        return E_POINTER;
    }
    if (container->cbSize < offsetof(QACONTAINER, pUndoMgr) ||
        control->cbSize < sizeof(QACONTROL)) {
        return E_INVALIDARG;
    }
    // The ambient properties come with the call, not through the site's IDispatch.
    attach_site(container->pClientSite);
    user_mode_ = (container->dwAmbientFlags & QACONTAINER_USERMODE) != 0;
    COLORREF back = 0;
    if (SUCCEEDED(OleTranslateColor(container->colorBack, nullptr, &back))) {
        surface_color_ = back;
    }
    apply_font(container->pFont);
    if (container->pAdviseSink) {
        SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    }
    control->dwEventCookie = 0;
    control->dwPropNotifyCookie = 0;
    if (container->pUnkEventSink) {
        events_.Advise(container->pUnkEventSink, &control->dwEventCookie);
    }
    if (container->pPropertyNotifySink) {
        property_notify_.Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
    }
    control->dwMiscStatus = kMiscStatus;
    control->dwViewStatus = VIEWSTATUS_OPAQUE;  // every pixel of the control is painted
    control->dwPointerActivationPolicy = 0;
    return S_OK;
}

// ---- The skin's host -----------------------------------------------------------------------

// Tab past the control's last stop: the container's site moves its focus on; a container
// without one gets the next tab stop of the window the control sits in.
void ControlObject::tab_out(bool forward, const MSG& message) {
    if (control_site_) {
        MSG copy = message;
        if (control_site_->TranslateAccelerator(&copy, forward ? 0 : kShiftModifier) == S_OK) {
            return;
        }
    }
    if (!skin_) {
        return;
    }
    const HWND surface = skin_->window();
    const HWND next = GetNextDlgTabItem(GetParent(surface), surface, !forward);
    if (next && next != surface) {
        SetFocus(next);
    }
}

void ControlObject::focus_entered() {
    if (!ui_active_ && user_mode_) {
        ui_activate();
    }
    if (control_site_) {
        control_site_->OnFocus(TRUE);
    }
}

void ControlObject::focus_left() {
    if (control_site_) {
        control_site_->OnFocus(FALSE);
    }
}

void ControlObject::size_settled() {
    if (!skin_ || !in_place_site_ || settling_size_) {
        return;
    }
    settling_size_ = true;
    RECT position{};
    GetWindowRect(skin_->window(), &position);
    MapWindowPoints(nullptr, GetParent(skin_->window()), reinterpret_cast<POINT*>(&position), 2);
    const SIZE size = skin_->pixel_size();
    position.right = position.left + size.cx;
    position.bottom = position.top + size.cy;
    in_place_site_->OnPosRectChange(&position);
    settling_size_ = false;
}

void ControlObject::view_changed() {
    if (view_sink_ && (view_sink_aspects_ & DVASPECT_CONTENT)) {
        const ComRef<IAdviseSink> sink = view_sink_;
        if (view_sink_flags_ & ADVF_ONLYONCE) {
            view_sink_.reset();
        }
        sink->OnViewChange(DVASPECT_CONTENT, -1);
    }
}

}  // namespace tintbox::windows

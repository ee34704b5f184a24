// The container of the Windows form tests: a form (a top-level window with a button after
// the control) whose site serves IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
// IOleControlSite and the ambient properties through IDispatch, with the control placed
// on it and activated in place; and a person's input through the real window system with
// SendInput (mouse moves, buttons and keys as the hardware would give them; under Wine
// these travel through the X server), pumping messages as a container does: the
// UI-active object's TranslateAccelerator first, then IsDialogMessage for the form's own
// Tab.
//
// Sections: helpers; the container; a person's input.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <functional>
#include <vector>

#include "check.hpp"
#include "com_ref.hpp"
#include "identifiers.hpp"

namespace tintbox::windows::form {

// ---- Helpers ---------------------------------------------------------------------------

inline int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

inline int pixels(int twips) {
    return static_cast<int>(std::lround(twips * screen_dpi() / 1440.0));
}

// A picture of width x height colours (0x00BBGGRR), row by row from the top.
inline ComRef<IPictureDisp> picture_of(int width, int height, const std::vector<COLORREF>& colors) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        pixels[i] =
            (GetRValue(colors[i]) << 16) | (GetGValue(colors[i]) << 8) | GetBValue(colors[i]);
    }
    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    ComRef<IPictureDisp> picture;
    OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE,
                             reinterpret_cast<void**>(picture.put()));
    return picture;
}

inline HRESULT invoke(IDispatch& object, DISPID id, WORD flags, VARIANT* argument,
                      VARIANT* result) {
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    return object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                         nullptr);
}

inline LONG get_rgb(IDispatch& control) {
    VARIANT result;
    VariantInit(&result);
    invoke(control, dispid::kGetRGB, DISPATCH_METHOD, nullptr, &result);
    return V_VT(&result) == VT_I4 ? V_I4(&result) : -999;
}

inline void set_rgb(IDispatch& control, LONG color) {
    VARIANT argument;
    V_VT(&argument) = VT_BYREF | VT_I4;
    V_I4REF(&argument) = &color;
    CHECK_EQ(invoke(control, dispid::kSetRGB, DISPATCH_METHOD, &argument, nullptr), S_OK);
}

inline void set_picture(IDispatch& control, IPictureDisp* picture) {
    VARIANT argument;
    V_VT(&argument) = VT_DISPATCH;
    V_DISPATCH(&argument) = picture;
    CHECK_EQ(invoke(control, dispid::kPicture, DISPATCH_PROPERTYPUTREF, &argument, nullptr), S_OK);
}

// ---- The container -----------------------------------------------------------------------

// Counts Change through the control's connection point.
class ChangeSink final : public IDispatch {
  public:
    int changes = 0;
    std::function<void()> on_change;  // the host's handler, if it has one
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidEventInterface) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }   // lives as long as its form
    ULONG STDMETHODCALLTYPE Release() override { return 1; }  //
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id == dispid::kChange) {
            ++changes;
            if (on_change) {
                on_change();
            }
        }
        return S_OK;
    }
};

// The form's site for the control: one object serves every container interface.
class Site final : public IOleClientSite,
                   public IOleInPlaceSite,
                   public IOleInPlaceFrame,
                   public IOleControlSite,
                   public IDispatch {
  public:
    HWND form = nullptr;
    RECT position{};
    bool user_mode = true;
    ComRef<IFontDisp> font;  // the ambient font, when the form has one
    ComRef<IOleInPlaceActiveObject> active;
    ComRef<IOleInPlaceObject> in_place;
    int in_place_activations = 0;
    int in_place_deactivations = 0;
    int ui_activations = 0;
    std::vector<RECT> requested_rects;  // OnPosRectChange
    int focus_in = 0;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == IID_IOleControlSite) {
            *out = static_cast<IOleControlSite*>(this);
        } else if (iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
        *out = form;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        ++in_place_activations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override {
        ++ui_activations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, LPRECT place,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        *frame = this;
        AddRef();
        *document = nullptr;
        *place = position;
        *clip = position;
        info->fMDIApp = FALSE;
        info->hwndFrame = form;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        ++in_place_deactivations;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    // The control asks for the size its layout settled on: the form agrees.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override {
        requested_rects.push_back(*rect);
        position = *rect;
        if (in_place) {
            in_place->SetObjectRects(rect, rect);
        }
        return S_OK;
    }
    // IOleInPlaceUIWindow and IOleInPlaceFrame
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
        active = ComRef<IOleInPlaceActiveObject>::share(object);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL*, POINTF*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL got) override {
        focus_in += got ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }
    // IDispatch: the ambient properties
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (!result) {
            return E_POINTER;
        }
        switch (id) {
            case DISPID_AMBIENT_USERMODE:
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = user_mode ? VARIANT_TRUE : VARIANT_FALSE;
                return S_OK;
            case DISPID_AMBIENT_FONT:
                if (!font) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = ComRef<IFontDisp>(font).detach();
                return S_OK;
            case DISPID_AMBIENT_BACKCOLOR:
                V_VT(result) = VT_I4;
                V_I4(result) = static_cast<LONG>(0x80000000u | COLOR_BTNFACE);
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    ULONG references = 0;
};

inline int g_form_clicks = 0;  // presses that reached the form itself (the designer's)

inline LRESULT CALLBACK form_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN) {
        ++g_form_clicks;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

inline constexpr COLORREF kKnownColor = RGB(0x33, 0x66, 0x99);

inline LRESULT CALLBACK colour_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kKnownColor);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

inline void register_classes() {
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    WNDCLASSW form{};
    form.lpfnWndProc = form_procedure;
    form.hInstance = GetModuleHandleW(nullptr);
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = L"TintboxTestForm";
    RegisterClassW(&form);
    WNDCLASSW colour = form;
    colour.lpfnWndProc = colour_procedure;
    colour.lpszClassName = L"TintboxTestColour";
    RegisterClassW(&colour);
}

// The form window with its button after the control. One serves every case: without a
// window manager Wine takes its time to show and to take away a top-level window.
inline HWND form_window(HWND& next_button) {
    static HWND form = nullptr;
    static HWND next = nullptr;
    if (!form) {
        register_classes();
        // The control at (8, 8), the button below it.
        const int below = 8 + pixels(3375) + 8;
        RECT frame{0, 0, 16 + pixels(4770) + 200, below + 26 + 8};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        form = CreateWindowExW(0, L"TintboxTestForm", L"Tintbox on a form",
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        next = CreateWindowExW(0, L"BUTTON", L"Next", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 8, below,
                               80, 26, form, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(form, SW_SHOW);
        UpdateWindow(form);
    }
    SetForegroundWindow(form);
    next_button = next;
    return form;
}

// One form with the control placed on it, in-place active; torn down as a container
// does: deactivated, closed, its site taken away, released.
class Form {
  public:
    // A form in run (user_mode) or design mode, the control showing `picture`, if any.
    explicit Form(bool user_mode, const ComRef<IPictureDisp>& picture = {}) {
        site.user_mode = user_mode;
        site.form = form_window(next_button);
        site.position = RECT{8, 8, 8 + pixels(4770), 8 + pixels(3375)};

        CHECK_EQ(CoCreateInstance(kClsId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(object.put())),
                 S_OK);
        if (!object) {
            return;
        }
        DWORD status = 0;
        object->GetMiscStatus(DVASPECT_CONTENT, &status);
        CHECK((status & OLEMISC_SETCLIENTSITEFIRST) != 0);
        CHECK((status & OLEMISC_ACTIVATEWHENVISIBLE) != 0);
        CHECK_EQ(object->SetClientSite(&site), S_OK);
        control = query<IDispatch>(IID_IDispatch);
        ComRef<IPersistStreamInit> persist = query<IPersistStreamInit>(IID_IPersistStreamInit);
        CHECK_EQ(persist->InitNew(), S_OK);
        const ComRef<IConnectionPointContainer> points =
            query<IConnectionPointContainer>(IID_IConnectionPointContainer);
        points->FindConnectionPoint(kIidEventInterface, events.put());
        CHECK_EQ(events->Advise(&sink, &cookie), S_OK);
        if (picture) {
            set_picture(*control, picture.get());
        }
        site.in_place = query<IOleInPlaceObject>(IID_IOleInPlaceObject);
        CHECK_EQ(
            object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.form, &site.position),
            S_OK);
        HWND window = nullptr;
        CHECK_EQ(site.in_place->GetWindow(&window), S_OK);
        control_window = window;
        settle();
        sink.changes = 0;
    }
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    ~Form() {
        if (object) {
            events->Unadvise(cookie);
            events.reset();
            site.in_place->InPlaceDeactivate();
            site.in_place.reset();
            site.active.reset();
            object->Close(OLECLOSE_NOSAVE);
            object->SetClientSite(nullptr);
            control.reset();
            object.reset();
        }
        settle();
    }

    template <typename Interface>
    ComRef<Interface> query(REFIID iid) {
        ComRef<Interface> result;
        object->QueryInterface(iid, reinterpret_cast<void**>(result.put()));
        return result;
    }

    // Runs the message loop until nothing is left to do. SendInput has queued the input
    // by the time it returns, so once no input, posted or sent message waits (three
    // rounds of `round` milliseconds in a row), everything the input causes has
    // happened, however slow the machine; five seconds at most.
    void settle(DWORD round = 10) {
        const DWORD start = GetTickCount();
        for (int quiet = 0; quiet < 3 && GetTickCount() - start < 5000;) {
            pump(round);
            const DWORD waiting =
                HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE));
            quiet = waiting == 0 ? quiet + 1 : 0;
        }
    }

    // Runs the message loop as a container does for `milliseconds`, or until `done`.
    void pump(DWORD milliseconds, const std::function<bool()>& done = nullptr) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            if (done && done()) {
                return;
            }
            MSG message;
            if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                continue;
            }
            if (message.message == WM_TIMER && message.hwnd == control_window) {
                if (clock_held) {
                    continue;
                }
                ++clock_ticks;
            }
            const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
            if (key && site.active && site.active->TranslateAccelerator(&message) == S_OK) {
                continue;
            }
            if (IsDialogMessageW(site.form, &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    // Lets the held clock run until one WM_TIMER reaches the control and handles what it
    // causes. The control's clock has a period of 10 ms: when none comes within a second,
    // the clock is stopped.
    void tick_clock() {
        const int before = clock_ticks;
        clock_held = false;
        pump(1000, [&] { return clock_ticks != before; });
        clock_held = true;
        settle();
    }

    // Waits until the screen shows `color` at a point of the control: Wine hands a
    // window's drawing to the X server on its own schedule.
    void wait_for_screen(POINT point, COLORREF color) {
        const POINT at = on_screen(point);
        pump(5000, [&] {
            HDC screen = GetDC(nullptr);
            const COLORREF seen = GetPixel(screen, at.x, at.y);
            ReleaseDC(nullptr, screen);
            return seen == color;
        });
    }

    // A point of the control (pixels relative to it) on the screen.
    POINT on_screen(POINT point) const {
        ClientToScreen(control_window, &point);
        return point;
    }

    // The focused window's rectangle relative to the control, in pixels.
    RECT focus_rect() const {
        RECT rect{};
        GetWindowRect(GetFocus(), &rect);
        MapWindowPoints(nullptr, control_window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    Site site;
    ChangeSink sink;
    ComRef<IOleObject> object;
    ComRef<IDispatch> control;
    ComRef<IConnectionPoint> events;
    DWORD cookie = 0;
    HWND control_window = nullptr;
    HWND next_button = nullptr;
    // While held, the control's clock (WM_TIMER to its window) waits for tick_clock.
    bool clock_held = false;
    int clock_ticks = 0;  // WM_TIMER messages the control's window handled
};

// ---- A person's input --------------------------------------------------------------------

inline void send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    CHECK_EQ(sent, static_cast<UINT>(inputs.size()));
}

inline INPUT mouse_input(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = dx;
    input.mi.dy = dy;
    return input;
}

inline INPUT key_input(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// The input that moves the pointer to a screen point, in the normalised coordinates of
// SendInput: the smallest that the window system maps back (rounding down) onto that
// very pixel.
inline INPUT pointer_to(POINT screen) {
    const auto normal = [](LONG value, LONG size) {
        return static_cast<LONG>((value * 65536 + size - 1) / size);
    };
    return mouse_input(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                       normal(screen.x, GetSystemMetrics(SM_CXSCREEN)),
                       normal(screen.y, GetSystemMetrics(SM_CYSCREEN)));
}

inline void move_to(Form& form, POINT screen) {
    send({pointer_to(screen)});
    form.settle();
}

inline void click(Form& form, POINT screen, DWORD down = MOUSEEVENTF_LEFTDOWN,
                  DWORD up = MOUSEEVENTF_LEFTUP) {
    move_to(form, screen);
    send({mouse_input(down)});
    form.settle();
    send({mouse_input(up)});
    form.settle();
}

inline void press_key(Form& form, WORD key, WORD modifier = 0) {
    std::vector<INPUT> inputs;
    if (modifier) {
        inputs.push_back(key_input(modifier, false));
    }
    inputs.push_back(key_input(key, false));
    inputs.push_back(key_input(key, true));
    if (modifier) {
        inputs.push_back(key_input(modifier, true));
    }
    send(inputs);
    form.settle();
}

inline void type_text(Form& form, const char* digits) {
    for (const char* c = digits; *c; ++c) {
        press_key(form, static_cast<WORD>(*c));
    }
}

}  // namespace tintbox::windows::form

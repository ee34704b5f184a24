// A minimal ActiveX container written for the test: a form (a top-level window with a
// button after the control) whose site serves IOleClientSite, IOleInPlaceSite,
// IOleInPlaceFrame, IOleControlSite and the ambient properties through IDispatch. It
// places Tintbox.ocx on the form, activates it in place and drives a person's input
// through the real window system with SendInput (mouse moves, buttons and keys as the
// hardware would give them; under Wine these travel through the X server), pumping
// messages as a container does: the UI-active object's TranslateAccelerator first, then
// IsDialogMessage for the form's own Tab.
//
// Screen positions come from the control's design geometry in twips, at the screen's
// DPI. Screenshots of the activated control are written as BMP files into the folder
// that TINTBOX_SCREENSHOTS names (or the current folder) and checked for the swatch's
// colour.
//
// Sections: helpers; the container; a person's input; test cases.
#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "check.hpp"
#include "com_ref.hpp"
#include "identifiers.hpp"

using namespace tintbox::windows;

namespace {

// ---- Helpers ---------------------------------------------------------------------------

std::string g_screenshot_folder = ".";

// Design geometry of the views the test touches, in twips relative to the control.
struct TwipsRect {
    int left, top, width, height;
};
constexpr TwipsRect kColors = {1815, 15, 2940, 3345};  // inside ColorFrame at (1815, 15)
constexpr TwipsRect kNewColor = {15, 600, 1665, 600};
constexpr TwipsRect kTxtRed = {1305, 1350, 345, 195};
constexpr TwipsRect kTxtGreen = {1305, 1710, 345, 195};
constexpr TwipsRect kTxtWebHex = {30, 3150, 1635, 195};
// The editors in tab order after txtRed: hsGreen, txtGreen, hsBlue, txtBlue, txtDec,
// txtHex, txtWebHex.
constexpr TwipsRect kTabWalk[] = {
    {0, 1680, 1215, 255},  {1305, 1710, 345, 195}, {0, 2040, 1215, 255},  {1305, 2070, 345, 195},
    {30, 2430, 1635, 195}, {30, 2790, 1635, 195},  {30, 3150, 1635, 195},
};

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int pixels(int twips) {
    return static_cast<int>(std::lround(twips * screen_dpi() / 1440.0));
}

// A point of a view, as fractions of its size, in pixels relative to the control.
POINT point_in(const TwipsRect& rect, double fx, double fy) {
    return POINT{pixels(rect.left) +
                     static_cast<int>((pixels(rect.left + rect.width) - pixels(rect.left)) * fx),
                 pixels(rect.top) +
                     static_cast<int>((pixels(rect.top + rect.height) - pixels(rect.top)) * fy)};
}

// A spectrum picture of 4 x 4 blocks, each its own colour (0x00BBGGRR).
constexpr int kBlocks = 4;
COLORREF block_color(int column, int row) {
    return RGB(40 + 60 * column, 200 - 50 * row, 30 + 30 * column + 20 * row);
}

ComRef<IPictureDisp> block_picture() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kBlocks, -kBlocks, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int row = 0; row < kBlocks; ++row) {
        for (int column = 0; column < kBlocks; ++column) {
            const COLORREF color = block_color(column, row);
            pixels[row * kBlocks + column] =
                (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
        }
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

HRESULT invoke(IDispatch& object, DISPID id, WORD flags, VARIANT* argument, VARIANT* result) {
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    return object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr,
                         nullptr);
}

LONG get_rgb(IDispatch& control) {
    VARIANT result;
    VariantInit(&result);
    invoke(control, dispid::kGetRGB, DISPATCH_METHOD, nullptr, &result);
    return V_VT(&result) == VT_I4 ? V_I4(&result) : -999;
}

SHORT get_red(IDispatch& control) {
    VARIANT result;
    VariantInit(&result);
    invoke(control, dispid::kGetRed, DISPATCH_METHOD, nullptr, &result);
    return V_VT(&result) == VT_I2 ? V_I2(&result) : -999;
}

void set_rgb(IDispatch& control, LONG color) {
    VARIANT argument;
    V_VT(&argument) = VT_BYREF | VT_I4;
    V_I4REF(&argument) = &color;
    CHECK_EQ(invoke(control, dispid::kSetRGB, DISPATCH_METHOD, &argument, nullptr), S_OK);
}

void set_picture(IDispatch& control, IPictureDisp* picture) {
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

int g_form_clicks = 0;  // presses that reached the form itself (the designer's)

LRESULT CALLBACK form_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN) {
        ++g_form_clicks;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

constexpr COLORREF kKnownColor = RGB(0x33, 0x66, 0x99);

LRESULT CALLBACK colour_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
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

void register_classes() {
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
HWND form_window(HWND& next_button) {
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
    explicit Form(bool user_mode, bool with_picture = true) {
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
        if (with_picture) {
            set_picture(*control, block_picture().get());
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
    // rounds in a row), everything the input causes has happened, however slow the
    // machine; five seconds at most.
    void settle() {
        const DWORD start = GetTickCount();
        for (int quiet = 0; quiet < 3 && GetTickCount() - start < 5000;) {
            pump(10);
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
};

bool focus_is(const Form& form, const TwipsRect& view) {
    const RECT rect = form.focus_rect();
    const POINT corner = point_in(view, 0, 0);
    return rect.left == corner.x && rect.top == corner.y;
}

// ---- A person's input --------------------------------------------------------------------

void send(std::vector<INPUT> inputs) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    CHECK_EQ(sent, static_cast<UINT>(inputs.size()));
}

INPUT mouse_input(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = dx;
    input.mi.dy = dy;
    return input;
}

INPUT key_input(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

// Moves the pointer to a screen point, in the normalised coordinates of SendInput.
void move_to(Form& form, POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const auto normal = [](int value, int size) {
        return static_cast<LONG>((value * 65536 + size / 2) / size);
    };
    send({mouse_input(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, normal(screen.x, width),
                      normal(screen.y, height))});
    form.settle();
}

void click(Form& form, POINT screen, DWORD down = MOUSEEVENTF_LEFTDOWN,
           DWORD up = MOUSEEVENTF_LEFTUP) {
    move_to(form, screen);
    send({mouse_input(down)});
    form.settle();
    send({mouse_input(up)});
    form.settle();
}

void press_key(Form& form, WORD key, WORD modifier = 0) {
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

void type_text(Form& form, const char* digits) {
    for (const char* c = digits; *c; ++c) {
        press_key(form, static_cast<WORD>(*c));
    }
}

// A 24-bit picture to draw or copy into, and to save as a BMP file.
class Capture {
  public:
    Capture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    ~Capture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF pixel(POINT at) const {
        GdiFlush();
        return GetPixel(dc_, at.x, at.y);
    }
    void save(const std::string& path) const {
        GdiFlush();
        const int stride = (width_ * 3 + 3) & ~3;
        BITMAPINFOHEADER header = {
            sizeof(BITMAPINFOHEADER), width_, height_, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height_);
        FILE* out = std::fopen(path.c_str(), "wb");
        CHECK(out != nullptr);
        if (out) {
            std::fwrite(&file, sizeof file, 1, out);
            std::fwrite(&header, sizeof header, 1, out);
            std::fwrite(bits_, static_cast<std::size_t>(stride) * height_, 1, out);
            std::fclose(out);
        }
    }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    void* bits_ = nullptr;
};

// The screen's pixels of a window, saved as a BMP; returns the colour at `at` (pixels
// relative to the window's client area).
COLORREF screenshot(HWND window, const std::string& path, POINT at) {
    RECT rect{};
    GetClientRect(window, &rect);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    Capture capture(rect.right - rect.left, rect.bottom - rect.top);
    HDC screen = GetDC(nullptr);
    BitBlt(capture.dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left,
           rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    capture.save(path);
    return capture.pixel(at);
}

// The pointer shown now: its hot spot and, for a monochrome cursor, which pixels invert
// the screen (AND mask 1, XOR mask 1) and whether every other one is transparent (AND 1,
// XOR 0).
struct PointerSeen {
    bool monochrome = false;
    DWORD hot_x = 0;
    DWORD hot_y = 0;
    bool others_transparent = true;
    std::vector<bool> inverting;  // row * 32 + column
    bool inverts(int column, int row) const {
        return inverting.size() == 32 * 32 &&
               inverting[static_cast<std::size_t>(row * 32 + column)];
    }
};

PointerSeen current_pointer() {
    PointerSeen seen;
    CURSORINFO info{};
    info.cbSize = sizeof info;
    ICONINFO icon{};
    if (!GetCursorInfo(&info) || !info.hCursor || !GetIconInfo(info.hCursor, &icon)) {
        return seen;
    }
    seen.monochrome = icon.hbmColor == nullptr;
    seen.hot_x = icon.xHotspot;
    seen.hot_y = icon.yHotspot;
    BITMAP header{};
    GetObjectW(icon.hbmMask, sizeof header, &header);
    if (seen.monochrome && header.bmWidth == 32 && header.bmHeight == 64) {
        HDC memory = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(memory, icon.hbmMask);
        for (int row = 0; row < 32; ++row) {
            for (int column = 0; column < 32; ++column) {
                const bool and_bit = GetPixel(memory, column, row) != 0;
                const bool xor_bit = GetPixel(memory, column, row + 32) != 0;
                seen.inverting.push_back(and_bit && xor_bit);
                seen.others_transparent = seen.others_transparent && and_bit;
            }
        }
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    DeleteObject(icon.hbmMask);
    if (icon.hbmColor) {
        DeleteObject(icon.hbmColor);
    }
    return seen;
}

// Cursor A is the open cross; cursor B adds the corner brackets.
void check_pointer(bool corner_brackets) {
    const PointerSeen pointer = current_pointer();
    CHECK(pointer.monochrome);
    CHECK_EQ(pointer.hot_x, 15ul);
    CHECK_EQ(pointer.hot_y, 15ul);
    CHECK(pointer.others_transparent);
    CHECK(pointer.inverts(15, 8) && pointer.inverts(23, 16) && pointer.inverts(8, 15));
    CHECK(!pointer.inverts(15, 15) && !pointer.inverts(14, 14));  // the open centre
    CHECK_EQ(pointer.inverts(5, 5), corner_brackets);
    CHECK_EQ(pointer.inverts(26, 22), corner_brackets);
}

}  // namespace

// ---- Test cases ----------------------------------------------------------------------------

TEST(activation_shows_the_control_in_its_own_window_at_the_site) {
    Form form(true);
    CHECK(form.control_window != nullptr);
    CHECK_EQ(GetParent(form.control_window), form.site.form);
    CHECK(IsWindowVisible(form.control_window) != FALSE);
    CHECK_EQ(form.site.in_place_activations, 1);
    RECT rect{};
    GetWindowRect(form.control_window, &rect);
    CHECK_EQ(rect.right - rect.left, pixels(4770));
    CHECK_EQ(rect.bottom - rect.top, pixels(3375));
    SIZEL extent{};
    CHECK_EQ(form.object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    // The width the form gave, in HIMETRIC (8414 for 318 pixels at 96 dpi).
    CHECK_EQ(extent.cx, std::lround((rect.right - rect.left) * 2540.0 / screen_dpi()));
    CHECK_EQ(extent.cy, 5953L);  // 3375 twips

    // UI activation: the frame hears of the active object, and the keyboard focus goes
    // to the first tab stop (hsRed).
    CHECK(!form.site.active);
    CHECK_EQ(form.object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &form.site, 0, form.site.form,
                                 &form.site.position),
             S_OK);
    form.settle();
    CHECK_EQ(form.site.ui_activations, 1);
    CHECK(form.site.active);
    CHECK(focus_is(form, TwipsRect{0, 1320, 1215, 255}));
    CHECK(form.site.focus_in >= 1);
}

TEST(quick_activation_takes_the_site_ambients_and_event_sink_in_one_call) {
    Site site;
    site.user_mode = false;
    ChangeSink sink;
    ComRef<IQuickActivate> quick;
    CHECK_EQ(CoCreateInstance(kClsId, nullptr, CLSCTX_INPROC_SERVER, IID_IQuickActivate,
                              reinterpret_cast<void**>(quick.put())),
             S_OK);
    if (!quick) {
        return;
    }
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pClientSite = &site;
    container.pUnkEventSink = &sink;
    container.dwAmbientFlags = QACONTAINER_USERMODE;
    container.colorBack = 0x80000000u | COLOR_BTNFACE;
    QACONTROL control{};
    control.cbSize = sizeof control;
    CHECK_EQ(quick->QuickActivate(&container, &control), S_OK);
    CHECK((control.dwMiscStatus & OLEMISC_ACTIVATEWHENVISIBLE) != 0);
    CHECK(control.dwEventCookie != 0);
    ComRef<IDispatch> dispatch;
    quick->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
    set_rgb(*dispatch, 0x123456);
    CHECK_EQ(sink.changes, 1);
    SIZEL extent{};
    CHECK_EQ(quick->GetContentExtent(&extent), S_OK);
    CHECK_EQ(extent.cy, 5953L);
    ComRef<IOleObject> object;
    quick->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(object.put()));
    ComRef<IOleClientSite> held;
    object->GetClientSite(held.put());
    CHECK(held.get() == static_cast<IOleClientSite*>(&site));
    held.reset();
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}

TEST(a_click_on_the_spectrum_picks_the_picture_colour_under_the_pointer) {
    Form form(true);
    // SendInput: the press travels through the window system to the spectrum's window.
    move_to(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    send({mouse_input(MOUSEEVENTF_LEFTDOWN)});
    form.settle();
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
    CHECK(form.sink.changes >= 1);
    CHECK(form.site.ui_activations >= 1);  // the click activated the control's UI
    check_pointer(false);                  // cursor A while the left button is held
    send({mouse_input(MOUSEEVENTF_LEFTUP)});
    form.settle();
    click(form, form.on_screen(point_in(kColors, 0.5 / kBlocks, 3.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(0, 3)));

    // The swatch shows the picked colour on the screen.
    const POINT swatch = point_in(kNewColor, 0.5, 0.5);
    form.wait_for_screen(swatch, block_color(0, 3));
    const POINT in_form{swatch.x + form.site.position.left, swatch.y + form.site.position.top};
    const COLORREF seen =
        screenshot(form.site.form, g_screenshot_folder + "/form_host_spectrum.bmp", in_form);
    CHECK_EQ(seen, block_color(0, 3));
}

TEST(typing_into_txtGreen_updates_GetRGB_and_raises_Change) {
    Form form(true);
    set_rgb(*form.control, 0x102030);
    form.sink.changes = 0;
    click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    CHECK(focus_is(form, kTxtGreen));
    press_key(form, 'A', VK_CONTROL);  // select the whole text
    type_text(form, "200");
    CHECK_EQ(get_rgb(*form.control), 0x10C830L);
    CHECK(form.sink.changes >= 3);  // one per keystroke at least

    const POINT swatch = point_in(kNewColor, 0.5, 0.5);
    form.wait_for_screen(swatch, 0x10C830);
    const POINT in_form{swatch.x + form.site.position.left, swatch.y + form.site.position.top};
    const COLORREF seen =
        screenshot(form.site.form, g_screenshot_folder + "/form_host.bmp", in_form);
    CHECK_EQ(seen, static_cast<COLORREF>(0x10C830));
}

TEST(the_scroll_bar_moves_by_a_click_on_its_arrow_and_by_the_arrow_keys) {
    Form form(true);
    constexpr TwipsRect kHsRed = {0, 1320, 1215, 255};
    const POINT right_arrow = point_in(kHsRed, 1.0, 0.5);
    const int arrow = pixels(255) / 2;
    move_to(form, form.on_screen(POINT{right_arrow.x - arrow, right_arrow.y}));
    // Press and release in one go: SCROLLBAR tracks the press in a loop of its own that
    // runs until the release arrives.
    send({mouse_input(MOUSEEVENTF_LEFTDOWN), mouse_input(MOUSEEVENTF_LEFTUP)});
    form.settle();
    CHECK_EQ(get_red(*form.control), static_cast<SHORT>(1));
    CHECK(form.sink.changes >= 1);
    CHECK(focus_is(form, kHsRed));  // the press gave the bar the focus
    press_key(form, VK_RIGHT);
    press_key(form, VK_RIGHT);
    CHECK_EQ(get_red(*form.control), static_cast<SHORT>(3));
    press_key(form, VK_LEFT);
    CHECK_EQ(get_red(*form.control), static_cast<SHORT>(2));
    CHECK_EQ(GetScrollPos(GetFocus(), SB_CTL), 2);  // the bar shows the model's value
}

TEST(tab_walks_the_tab_stops_and_leaves_the_control_at_each_end) {
    Form form(true);
    click(form, form.on_screen(point_in(kTxtRed, 0.3, 0.5)));
    CHECK(focus_is(form, kTxtRed));
    for (const TwipsRect& stop : kTabWalk) {
        press_key(form, VK_TAB);
        CHECK(focus_is(form, stop));
        if (&stop == &kTabWalk[0]) {  // on hsGreen: how a focused scroll bar looks
            screenshot(form.site.form, g_screenshot_folder + "/form_host_tab.bmp", POINT{0, 0});
        }
    }
    press_key(form, VK_TAB);  // past txtWebHex: out to the form's next tab stop
    CHECK_EQ(GetFocus(), form.next_button);
    press_key(form, VK_TAB, VK_SHIFT);  // and back in, at the last stop
    CHECK(focus_is(form, kTxtWebHex));
    for (int i = 0; i < 8; ++i) {
        press_key(form, VK_TAB, VK_SHIFT);
    }
    CHECK(focus_is(form, TwipsRect{0, 1320, 1215, 255}));  // hsRed, the first stop
    press_key(form, VK_TAB, VK_SHIFT);                     // before the first: out of the control
    CHECK(GetFocus() != nullptr && !IsChild(form.control_window, GetFocus()));
}

TEST(right_button_held_over_a_window_of_known_colour_picks_it_on_the_next_tick) {
    Form form(true);
    HWND colour = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"TintboxTestColour", L"",
                                  WS_POPUP | WS_VISIBLE, 600, 400, 80, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(colour);
    form.settle();
    move_to(form, form.on_screen(point_in(kColors, 0.5, 0.5)));
    send({mouse_input(MOUSEEVENTF_RIGHTDOWN)});
    form.settle();
    check_pointer(true);  // cursor B while only the right button is held
    move_to(form, POINT{640, 440});
    form.pump(5000, [&] { return get_rgb(*form.control) == static_cast<LONG>(kKnownColor); });
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(kKnownColor));
    send({mouse_input(MOUSEEVENTF_RIGHTUP)});
    form.settle();
    const int changes = form.sink.changes;
    form.pump(100);
    CHECK_EQ(form.sink.changes, changes);  // the release stopped the eyedropper
    DestroyWindow(colour);
}

TEST(in_design_mode_the_control_shows_and_takes_no_input) {
    Form form(false);
    g_form_clicks = 0;
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    type_text(form, "77");
    CHECK_EQ(get_rgb(*form.control), 0L);
    CHECK_EQ(form.sink.changes, 0);
    CHECK_EQ(g_form_clicks, 2);  // the presses reached the designer's form beneath
    CHECK_EQ(form.site.ui_activations, 0);

    // The designer draws the control through IViewObject2: the swatch shows the colour.
    set_rgb(*form.control, 0x2040C0);
    const ComRef<IViewObject2> view = form.query<IViewObject2>(IID_IViewObject2);
    Capture drawn(2 * pixels(4770), 2 * pixels(3375));
    const RECTL bounds{0, 0, 2 * pixels(4770), 2 * pixels(3375)};  // drawn twice the size
    CHECK_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, drawn.dc(), &bounds,
                        nullptr, nullptr, 0),
             S_OK);
    drawn.save(g_screenshot_folder + "/form_host_design_drawn.bmp");
    const POINT swatch = point_in(kNewColor, 0.5, 0.5);
    CHECK_EQ(drawn.pixel(POINT{2 * swatch.x, 2 * swatch.y}), static_cast<COLORREF>(0x2040C0));

    // Run mode, told through the ambient property, takes input again.
    form.site.user_mode = true;
    ComRef<IOleControl> control = form.query<IOleControl>(IID_IOleControl);
    CHECK_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
}

TEST(a_control_switched_off_greys_its_editors_and_takes_no_input) {
    Form form(true);
    VARIANT off;
    V_VT(&off) = VT_BOOL;
    V_BOOL(&off) = VARIANT_FALSE;
    CHECK_EQ(invoke(*form.control, dispid::kEnabled, DISPATCH_PROPERTYPUT, &off, nullptr), S_OK);
    click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    const HWND green = ChildWindowFromPointEx(form.control_window, point_in(kTxtGreen, 0.3, 0.5),
                                              CWP_SKIPINVISIBLE);
    CHECK(green != nullptr && green != form.control_window && !IsWindowEnabled(green));
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), 0L);
    CHECK_EQ(form.sink.changes, 0);

    VARIANT on = off;
    V_BOOL(&on) = VARIANT_TRUE;
    CHECK_EQ(invoke(*form.control, dispid::kEnabled, DISPATCH_PROPERTYPUT, &on, nullptr), S_OK);
    CHECK(IsWindowEnabled(green) != FALSE);
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
}

TEST(a_change_handler_may_close_the_control_in_the_middle_of_a_click) {
    Form form(true);
    bool closed = false;
    form.sink.on_change = [&] {
        if (!closed) {
            closed = true;
            form.object->Close(OLECLOSE_NOSAVE);  // deactivates: the windows go
        }
    };
    click(form, form.on_screen(point_in(kColors, 2.5 / kBlocks, 1.5 / kBlocks)));
    CHECK(closed);
    CHECK(!IsWindow(form.control_window));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(2, 1)));
    CHECK_EQ(form.site.in_place_deactivations, 1);

    // Activated again, the control takes a person's input as before.
    form.sink.on_change = nullptr;
    CHECK_EQ(form.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &form.site, 0, form.site.form,
                                 &form.site.position),
             S_OK);
    form.site.in_place->GetWindow(&form.control_window);
    form.settle();
    click(form, form.on_screen(point_in(kColors, 0.5 / kBlocks, 0.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(0, 0)));
}

TEST(the_container_resizing_the_control_runs_its_layout) {
    Form form(true);
    // Narrower than the left column: the control keeps its compact width and fixed
    // height, and asks the form for that rectangle.
    RECT narrow{8, 8, 8 + 40, 8 + 500};
    form.site.requested_rects.clear();
    CHECK_EQ(form.site.in_place->SetObjectRects(&narrow, &narrow), S_OK);
    form.settle();
    RECT rect{};
    GetWindowRect(form.control_window, &rect);
    CHECK_EQ(rect.right - rect.left, pixels(1695));
    CHECK_EQ(rect.bottom - rect.top, pixels(3375));
    CHECK(!form.site.requested_rects.empty());
    if (!form.site.requested_rects.empty()) {
        const RECT asked = form.site.requested_rects.back();
        CHECK_EQ(asked.right - asked.left, pixels(1695));
        CHECK_EQ(asked.bottom - asked.top, pixels(3375));
    }
    // Wider: the spectrum follows, still picking what it shows.
    RECT wide{8, 8, 8 + 400, 8 + pixels(3375)};
    CHECK_EQ(form.site.in_place->SetObjectRects(&wide, &wide), S_OK);
    form.settle();
    GetWindowRect(form.control_window, &rect);
    CHECK_EQ(rect.right - rect.left, 400L);
    const TwipsRect stretched{1815, 15, 400 * 1440 / screen_dpi() - 1815 - 15, 3345};
    click(form, form.on_screen(point_in(stretched, 3.5 / kBlocks, 0.5 / kBlocks)));
    CHECK_EQ(get_rgb(*form.control), static_cast<LONG>(block_color(3, 0)));
    SIZEL extent{};
    form.object->GetExtent(DVASPECT_CONTENT, &extent);
    CHECK_EQ(extent.cy, 5953L);
}

TEST(the_ambient_font_gives_the_fields_their_face_and_the_size_still_fits) {
    Form form(true);
    // The font of txtGreen, focused by a click.
    const auto field_font = [&form] {
        click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
        LOGFONTW logical{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetFocus(), WM_GETFONT, 0, 0)),
                   sizeof logical, &logical);
        return logical;
    };
    const LOGFONTW system_font = field_font();
    FONTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.lpstrName = const_cast<LPOLESTR>(L"Courier New");
    description.cySize.int64 = 240000;  // 24 points: far too tall for the fields
    description.sWeight = FW_NORMAL;
    CHECK_EQ(OleCreateFontIndirect(&description, IID_IFontDisp,
                                   reinterpret_cast<void**>(form.site.font.put())),
             S_OK);
    const ComRef<IOleControl> control = form.query<IOleControl>(IID_IOleControl);
    CHECK_EQ(control->OnAmbientPropertyChange(DISPID_AMBIENT_FONT), S_OK);
    LOGFONTW logical = field_font();
    // The face the font names (Wine names the face it maps Courier New to).
    ComRef<IFont> ambient;
    form.site.font->QueryInterface(IID_IFont, reinterpret_cast<void**>(ambient.put()));
    BSTR name = nullptr;
    ambient->get_Name(&name);
    CHECK(name && std::wcscmp(logical.lfFaceName, name) == 0);
    CHECK(std::wcscmp(logical.lfFaceName, system_font.lfFaceName) != 0);
    SysFreeString(name);
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontIndirectW(&logical);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, L"255", 3, &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    CHECK(size.cx + 1 <= pixels(1590) - pixels(1305));  // left of the green strip
    CHECK(metrics.tmHeight <= pixels(1710 + 195) - pixels(1710) + 1);
}

// Last: it needs every control of the other cases released.
TEST(the_library_may_unload_once_the_container_released_the_control) {
    {
        Form form(true);
        click(form, form.on_screen(point_in(kTxtGreen, 0.3, 0.5)));
    }
    const HMODULE library = GetModuleHandleW(L"Tintbox.ocx");
    CHECK(library != nullptr);
    if (!library) {
        return;
    }
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    const auto can_unload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    CHECK_EQ(can_unload(), S_OK);
}

int main(int argc, char** argv) {
    if (FAILED(OleInitialize(nullptr))) {
        std::printf("OleInitialize failed\n");
        return 1;
    }
    if (const char* folder = std::getenv("TINTBOX_SCREENSHOTS")) {
        g_screenshot_folder = folder;
    }
    const int status = testing::run_all(argc, argv);
    OleUninitialize();
    return status;
}

// A person's input: the windows' mouse, key, focus and scroll-bar messages go into the
// view layer's input calls (the ones tintbox-script makes); the skin decides nothing
// itself. EDIT and SCROLLBAR see only what makes them draw: the messages that would let
// them edit or scroll on their own end here.
// Sections: window procedures - mouse - keys and typing - context menu - focus and tab
// order - scroll bars.
#include <windowsx.h>

#include <optional>

#include "accessibility.hpp"
#include "skin.hpp"
#include "tintbox/accessible_names.hpp"
#include "tintbox/input.hpp"

namespace tintbox::windows {
namespace {

// WM_DPICHANGED_AFTERPARENT: the headers declare it for Windows 10 only.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

bool is_mouse_message(UINT message) {
    return message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK;
}

// The virtual keys that chords use besides the letters.
constexpr std::pair<WPARAM, KeyCode> kVirtualKeys[] = {
    {VK_BACK, KeyCode::Backspace}, {VK_DELETE, KeyCode::Delete}, {VK_INSERT, KeyCode::Insert},
    {VK_LEFT, KeyCode::Left},      {VK_RIGHT, KeyCode::Right},   {VK_UP, KeyCode::Up},
    {VK_DOWN, KeyCode::Down},      {VK_HOME, KeyCode::Home},     {VK_END, KeyCode::End},
    {VK_PRIOR, KeyCode::PageUp},   {VK_NEXT, KeyCode::PageDown}, {VK_ESCAPE, KeyCode::Escape},
};

// The table's entry of a view a person reaches; a view that only parks the focus for one
// (txtHidden for the spectrum) is heard as that one when the focus lands on it.
const AccessibleName* accessible_entry(const View& view) {
    const char* stand_in = accessible_focus_stand_in(view.name());
    return accessible_name(stand_in != nullptr ? stand_in : view.name());
}

}  // namespace

// ---- Window procedures -----------------------------------------------------------------

LRESULT CALLBACK Skin::surface_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* skin = reinterpret_cast<Skin*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (skin == nullptr) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    const Inside inside(*skin);
    return skin->surface_message(message, wparam, lparam);
}

LRESULT CALLBACK Skin::view_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* mirror = reinterpret_cast<Mirror*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (mirror == nullptr || mirror->window != window) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    const Inside inside(*mirror->skin);
    return mirror->skin->view_message(*mirror, message, wparam, lparam);
}

LRESULT Skin::surface_message(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (common_message(nullptr, surface_window_, message, wparam, lparam, result)) {
        return result;
    }
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(surface_window_, &paint);
            FillRect(dc, &paint.rcPaint, brush_for(surface_color_));
            EndPaint(surface_window_, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            const Mirror* mirror = mirror_of(reinterpret_cast<HWND>(lparam));
            if (mirror == nullptr || mirror->view->kind() != ViewKind::TextField) {
                break;
            }
            auto dc = reinterpret_cast<HDC>(wparam);
            const COLORREF back = to_colorref(mirror->view->BackColor());
            // A disabled field (WM_CTLCOLORSTATIC) keeps the system's grey text.
            SetTextColor(dc, message == WM_CTLCOLOREDIT ? to_colorref(mirror->view->ForeColor())
                                                        : GetSysColor(COLOR_GRAYTEXT));
            SetBkColor(dc, back);
            return reinterpret_cast<LRESULT>(brush_for(back));
        }
        case WM_HSCROLL:
            bar_scrolled(reinterpret_cast<HWND>(lparam), LOWORD(wparam));
            return 0;
        case WM_TIMER:
            if (wparam == kClockTimer) {
                tick();
                return 0;
            }
            break;
        case kFlushMessage:
            flush();
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse: the release of the held buttons is lost.
            if (!session_.echoing() && reinterpret_cast<HWND>(lparam) != surface_window_ &&
                surface_.held_buttons() != 0) {
                host_call([this] { surface_.end_gesture(); });
            }
            return 0;
        // Windows tells a child window after its parent moved to another DPI; a container
        // may forward its top-level window's WM_DPICHANGED, which names the DPI.
        case WM_DPICHANGED:
            rescale(LOWORD(wparam));
            return 0;
        case kDpiChangedAfterParent:
            rescale(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(surface_window_, message, wparam, lparam);
}

LRESULT Skin::view_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (mirror.view->kind()) {
        case ViewKind::TextField:
            return field_message(mirror, message, wparam, lparam);
        case ViewKind::ScrollBar:
            return bar_message(mirror, message, wparam, lparam);
        default:
            return box_message(mirror, message, wparam, lparam);
    }
}

// What every window of the control does alike: design mode lets the mouse through to the
// form designer beneath; the pointer is the view's; mouse and keys go to the model.
bool Skin::common_message(Mirror* mirror, HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                          LRESULT& result) {
    result = 0;
    if (message == WM_NCHITTEST && !user_mode_) {
        result = HTTRANSPARENT;
        return true;
    }
    if (message == WM_SETCURSOR && user_mode_ && LOWORD(lparam) == HTCLIENT &&
        reinterpret_cast<HWND>(wparam) == window) {
        SetCursor(cursor_for(mirror != nullptr ? mirror->view : nullptr));
        result = TRUE;
        return true;
    }
    // Only from the window's own thread: the pointer in LPARAM means nothing elsewhere.
    if (message == kAccessibleTextMessage && !InSendMessage()) {
        result = accessible_text(mirror, wparam, *reinterpret_cast<std::wstring*>(lparam));
        return true;
    }
    if (message == WM_GETOBJECT && (mirror == nullptr || accessible_entry(*mirror->view))) {
        result = answer_get_object(window, wparam, lparam);
        return result != 0;
    }
    if ((message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) && wheel(message, wparam, lparam)) {
        return true;
    }
    if (is_mouse_message(message)) {
        mouse(window, message, wparam, lparam);
        return true;
    }
    switch (message) {
        case WM_KEYDOWN:
            key_down(window, wparam);
            return true;
        case WM_CHAR:
            character(static_cast<wchar_t>(wparam));
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // EDIT and SCROLLBAR show and hide their caret or focus first.
            if (mirror != nullptr && mirror->original != nullptr) {
                CallWindowProcW(mirror->original, window, message, wparam, lparam);
            }
            if (message == WM_SETFOCUS) {
                focus_in(mirror, reinterpret_cast<HWND>(wparam));
            } else {
                focus_out(reinterpret_cast<HWND>(wparam));
            }
            return true;
        default:
            return false;
    }
}

LRESULT Skin::field_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND window = mirror.window;
    LRESULT result = 0;
    if (common_message(&mirror, window, message, wparam, lparam, result)) {
        return result;
    }
    const auto edit_key = [&](Key key) {
        if (surface_.focused() == mirror.view) {
            person_input([&] { surface_.key(key); });
        }
        return 0;
    };
    switch (message) {
        case WM_GETDLGCODE:
            // No DLGC_HASSETSEL: a dialog's Tab must not select the text by itself.
            return DLGC_WANTCHARS | DLGC_WANTARROWS | keys_wanted(lparam);
        case WM_SETTEXT:
        case EM_REPLACESEL:
            // Only the mirror writes the text; anyone else edits through the model.
            return session_.echoing()
                       ? CallWindowProcW(mirror.original, window, message, wparam, lparam)
                       : 0;
        case WM_PASTE:
            return edit_key(Key::CtrlV);
        case WM_CUT:
            return edit_key(Key::CtrlX);
        case WM_COPY:
            return edit_key(Key::CtrlC);
        case WM_CLEAR:
            return edit_key(Key::Delete);
        case WM_UNDO:
        case EM_UNDO:
            return edit_key(Key::CtrlZ);
        case WM_CONTEXTMENU:
            context_menu(mirror, lparam);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSCHAR:
        // An input method's result comes back as WM_CHAR through DefWindowProc, never
        // into EDIT directly.
        case WM_IME_STARTCOMPOSITION:
        case WM_IME_COMPOSITION:
        case WM_IME_ENDCOMPOSITION:
        case WM_IME_CHAR:
            return DefWindowProcW(window, message, wparam, lparam);
        default:
            return CallWindowProcW(mirror.original, window, message, wparam, lparam);
    }
}

LRESULT Skin::bar_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND window = mirror.window;
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        if (!user_mode_) {
            return 0;
        }
        bar_pressed(mirror);
        // SCROLLBAR tracks the press itself (arrows, page area, thumb) and tells
        // WM_HSCROLL what the person did; see bar_scrolled.
        return CallWindowProcW(mirror.original, window, message, wparam, lparam);
    }
    LRESULT result = 0;
    if (common_message(&mirror, window, message, wparam, lparam, result)) {
        return result;
    }
    switch (message) {
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | keys_wanted(lparam);
        case WM_CONTEXTMENU:
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
            return DefWindowProcW(window, message, wparam, lparam);
        default:
            return CallWindowProcW(mirror.original, window, message, wparam, lparam);
    }
}

LRESULT Skin::box_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam) {
    const HWND window = mirror.window;
    LRESULT result = 0;
    if (common_message(&mirror, window, message, wparam, lparam, result)) {
        return result;
    }
    switch (message) {
        case WM_PAINT:
            paint_box_window(mirror);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole window
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

void Skin::paint_box_window(Mirror& mirror) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(mirror.window, &paint);
    RECT client{};
    GetClientRect(mirror.window, &client);
    if (mirror.view->kind() == ViewKind::Image) {
        if (!mirror.rendered_current) {
            mirror.rendered = render_image(static_cast<const Image&>(*mirror.view), client.right,
                                           client.bottom, twips_per_pixel());
            mirror.rendered_current = true;
        }
        draw_image_pixels(dc, client, mirror.rendered);
    } else {
        paint_box(dc, *mirror.view, client, paint_style());
    }
    EndPaint(mirror.window, &paint);
}

// The name or description of the control (`mirror` null) or of a view a person reaches,
// from the shared table; a swatch is described by its colour now.
bool Skin::accessible_text(const Mirror* mirror, WPARAM kind, std::wstring& text) const {
    const auto wide = [](std::string_view ascii) {
        return std::wstring(ascii.begin(), ascii.end());
    };
    if (mirror == nullptr) {
        text = kind == kAccessibleName ? wide(kControlAccessibleName) : std::wstring();
        return !text.empty();
    }
    const View& view = *mirror->view;
    const AccessibleName* entry = accessible_entry(view);
    if (entry == nullptr) {
        return false;
    }
    if (kind == kAccessibleName) {
        text = wide(entry->name);
    } else {
        text = is_swatch(view.name()) ? wide(color_description(view.BackColor()))
                                      : wide(entry->description);
    }
    return !text.empty();
}

// ---- Mouse -----------------------------------------------------------------------------

void Skin::mouse(HWND source, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!user_mode_) {
        return;
    }
    POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    POINT on_screen = at;
    ClientToScreen(source, &on_screen);
    MapWindowPoints(source, surface_window_, &at, 1);
    const float twips_per_pixel = this->twips_per_pixel();
    const Twips x = pixel_to_twips(at.x, twips_per_pixel);
    const Twips y = pixel_to_twips(at.y, twips_per_pixel);
    auto modifiers =
        static_cast<std::int16_t>(((wparam & MK_SHIFT) ? 1 : 0) | ((wparam & MK_CONTROL) ? 2 : 0) |
                                  (GetKeyState(VK_MENU) < 0 ? 4 : 0));
    std::int16_t button = kNoButton;
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            button = kLeftButton;
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            button = kRightButton;
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            button = kMiddleButton;
            break;
        default:
            break;
    }
    const bool press = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                       message == WM_MBUTTONDOWN || message == WM_LBUTTONDBLCLK ||
                       message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
    person_input([&] {
        switch (message) {
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
                surface_.press(button, x, y, modifiers);
                break;
            case WM_LBUTTONDBLCLK:
            case WM_RBUTTONDBLCLK:
            case WM_MBUTTONDBLCLK:
                surface_.double_click(button, x, y, modifiers);
                break;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP:
            case WM_MBUTTONUP:
                surface_.release(button, x, y, modifiers);
                break;
            default:
                surface_.move(x, y, modifiers);
                break;
        }
        // The surface holds the mouse while a button pressed over the control is held,
        // so the moves and the release outside it reach the view that holds the gesture.
        const bool held = surface_.held_buttons() != 0;
        session_.without_echo([&] {
            if (held && GetCapture() != surface_window_) {
                SetCapture(surface_window_);
            } else if (!held && GetCapture() == surface_window_) {
                ReleaseCapture();
            }
        });
    });
    // The surface held the mouse since the press, so the release never reaches the
    // field's own DefWindowProc, which would turn it into WM_CONTEXTMENU.
    const Mirror* under = message == WM_RBUTTONUP ? mirror_of(WindowFromPoint(on_screen)) : nullptr;
    if (under != nullptr && under->view->kind() == ViewKind::TextField) {
        SendMessageW(under->window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(under->window),
                     MAKELPARAM(on_screen.x, on_screen.y));
    }
    // A press on a view that cannot take the focus (a swatch, a label) leaves it outside
    // the control: the control takes it all the same, which UI-activates it (focus_in).
    if (press && !retired_ && !owns(GetFocus())) {
        take_focus();
    }
}

// Windows counts a wheel's turn in WHEEL_DELTA (120) a notch, positive away from the
// person or to the right; a fine wheel or a touchpad sends parts of a notch, which add
// up. The message comes to the focused window with the pointer's screen position: the
// view layer decides what the notches do over the view there. False lets the message go
// on to the container.
bool Skin::wheel(UINT message, WPARAM wparam, LPARAM lparam) {
    int delta = GET_WHEEL_DELTA_WPARAM(wparam);
    if (message == WM_MOUSEHWHEEL) {
        delta = -delta;  // to the right: towards Max, as a notch towards the person
    }
    if (!user_mode_ || delta == 0) {
        return false;
    }
    const int notches = wheel_notches_.turn(delta);
    POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ScreenToClient(surface_window_, &at);
    const float twips_per_pixel = this->twips_per_pixel();
    const Twips x = pixel_to_twips(at.x, twips_per_pixel);
    const Twips y = pixel_to_twips(at.y, twips_per_pixel);
    bool used = true;  // a part of a notch
    if (notches != 0) {
        person_input([&] { used = surface_.wheel(x, y, notches); });
    }
    return used;
}

// ---- Keys and typing -------------------------------------------------------------------

bool Skin::key_down(HWND source, WPARAM virtual_key) {
    if (!user_mode_) {
        return false;
    }
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (virtual_key == VK_TAB && !control) {
        MSG message{source, WM_KEYDOWN, virtual_key, 0, static_cast<DWORD>(GetMessageTime()), {}};
        tab(!shift, message);
        return true;
    }
    // Alt alone comes as WM_SYSKEYDOWN; with Ctrl it is AltGr, which types.
    const auto modifiers =
        static_cast<std::int16_t>((shift ? kShiftKey : 0) | (control ? kCtrlKey : 0) |
                                  (GetKeyState(VK_MENU) < 0 ? kAltKey : 0));
    const std::optional<Key> command =
        key_command({neutral_key(virtual_key, kVirtualKeys), modifiers});
    if (!command) {
        return false;  // typing comes as WM_CHAR
    }
    bool used = false;
    person_input([&] { used = surface_.key(*command); });
    return used;
}

// Escape cancels the mouse gesture the model holds; otherwise it is the dialog's Cancel.
UINT Skin::keys_wanted(LPARAM message) const {
    const auto* key = reinterpret_cast<const MSG*>(message);
    const bool escape = key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_ESCAPE;
    return escape && user_mode_ && surface_.held_buttons() != 0 && surface_.captured() != nullptr
               ? DLGC_WANTMESSAGE
               : 0;
}

void Skin::character(wchar_t unit) {
    if (!user_mode_) {
        return;
    }
    std::u16string text;
    if (IS_HIGH_SURROGATE(unit)) {
        pending_high_surrogate_ = unit;  // its partner comes with the next WM_CHAR
        return;
    }
    if (IS_LOW_SURROGATE(unit)) {
        if (pending_high_surrogate_ == 0) {
            return;
        }
        text = {static_cast<char16_t>(pending_high_surrogate_), static_cast<char16_t>(unit)};
    } else {
        text = static_cast<char16_t>(unit);
    }
    pending_high_surrogate_ = 0;
    if (is_typed_text(text)) {
        person_input([&] { surface_.type(text); });
    }
}

// ---- Context menu ----------------------------------------------------------------------

namespace {

const wchar_t* menu_text(EditCommand command) {
    switch (command) {
        case EditCommand::Undo:
            return L"&Undo\tCtrl+Z";
        case EditCommand::Redo:
            return L"&Redo\tCtrl+Y";
        case EditCommand::Cut:
            return L"Cu&t\tCtrl+X";
        case EditCommand::Copy:
            return L"&Copy\tCtrl+C";
        case EditCommand::Paste:
            return L"&Paste\tCtrl+V";
        case EditCommand::Delete:
            return L"&Delete\tDel";
        case EditCommand::SelectAll:
            return L"Select &All\tCtrl+A";
    }
    return L"";
}

}  // namespace

// The field's context menu; each command goes into the model as its keys would.
void Skin::context_menu(Mirror& mirror, LPARAM lparam) {
    if (!user_mode_ || surface_.focused() != mirror.view) {
        return;
    }
    const auto items = edit_menu(static_cast<const TextField&>(*mirror.view));
    HMENU menu = CreatePopupMenu();
    for (UINT i = 0; i < items.size(); ++i) {
        if (items[i].group_start) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        }
        AppendMenuW(menu, MF_STRING | (items[i].enabled ? 0 : MF_GRAYED), i + 1,
                    menu_text(items[i].label));
    }
    POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    if (lparam == -1) {  // from the keyboard: below the field
        RECT rect{};
        GetWindowRect(mirror.window, &rect);
        at = POINT{rect.left, rect.bottom};
    }
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
                                         at.y, 0, mirror.window, nullptr));
    DestroyMenu(menu);
    if (chosen > 0 && chosen <= items.size() && surface_.focused() == mirror.view) {
        person_input([&] { surface_.key(items[chosen - 1].command); });
    }
}

// ---- Focus and tab order ---------------------------------------------------------------

bool Skin::translate_accelerator(const MSG& message) {
    if (!user_mode_ || message.message != WM_KEYDOWN || message.wParam != VK_TAB ||
        !owns(message.hwnd) || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) {
        return false;
    }
    const bool forward = GetKeyState(VK_SHIFT) >= 0;
    if (surface_.tab_leaves(forward)) {
        return false;  // past the last stop (or before the first): the container moves on
    }
    person_input([&] { forward ? surface_.tab() : surface_.backtab(); });
    return true;
}

void Skin::tab(bool forward, const MSG& message) {
    if (surface_.tab_leaves(forward)) {
        host_.tab_out(forward, message);
        return;
    }
    person_input([&] { forward ? surface_.tab() : surface_.backtab(); });
}

void Skin::take_focus() {
    if (!owns(GetFocus())) {
        SetFocus(surface_window_);  // focus_in gives it to the model's view
    }
}

void Skin::focus_in(Mirror* mirror, HWND previous) {
    if (!owns(previous)) {
        host_.focus_entered();
    }
    if (session_.echoing() || !user_mode_) {
        return;
    }
    // Windows moved the focus into the control by itself (the container's SetFocus, a
    // form's Tab, the window active again): the model decides which view gets it.
    // Windows does not say whether Tab brought it; Shift held picks the last stop.
    View* received = mirror != nullptr ? mirror->view : nullptr;
    const bool backward = GetKeyState(VK_SHIFT) < 0;
    person_input([&] {
        if (surface_.focus_entered(received, false, backward)) {
            session_.note_focus_moved();
        }
    });
}

void Skin::focus_out(HWND next) {
    if (owns(next)) {
        return;
    }
    host_.focus_left();
    if (session_.echoing()) {
        return;
    }
    // The focus left the control: the editor that had it runs its LostFocus now and its
    // GotFocus when the person comes back.
    host_call([this] { surface_.clear_focus(); });
}

// ---- Scroll bars -------------------------------------------------------------------------

void Skin::bar_pressed(Mirror& mirror) {
    person_input([&] { surface_.scroll_bar_pressed(static_cast<ScrollBar&>(*mirror.view)); });
}

void Skin::bar_scrolled(HWND window, WORD code) {
    Mirror* mirror = mirror_of(window);
    if (mirror == nullptr || mirror->view->kind() != ViewKind::ScrollBar) {
        return;
    }
    auto& bar = static_cast<ScrollBar&>(*mirror->view);
    ScrollAction action = ScrollAction::LineDown;
    switch (code) {
        case SB_LINERIGHT:
            action = ScrollAction::LineDown;
            break;
        case SB_LINELEFT:
            action = ScrollAction::LineUp;
            break;
        case SB_PAGERIGHT:
            action = ScrollAction::PageDown;
            break;
        case SB_PAGELEFT:
            action = ScrollAction::PageUp;
            break;
        case SB_LEFT:
            action = ScrollAction::ToMin;
            break;
        case SB_RIGHT:
            action = ScrollAction::ToMax;
            break;
        case SB_THUMBTRACK:
            mirror->tracking = true;  // the thumb's value is committed on release only
            return;
        case SB_THUMBPOSITION: {
            mirror->tracking = false;
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(window, SB_CTL, &info);
            const auto value = static_cast<std::int16_t>(info.nTrackPos);
            person_input([&] {
                mark(*mirror, Aspect::Value);
                surface_.scroll_to(bar, value);
            });
            return;
        }
        default:  // SB_ENDSCROLL
            mirror->tracking = false;
            mark(*mirror, Aspect::Value);
            return;
    }
    person_input([&] {
        mark(*mirror, Aspect::Value);  // shows the model's value, whatever it did
        surface_.scroll(bar, action);
    });
}

}  // namespace tintbox::windows

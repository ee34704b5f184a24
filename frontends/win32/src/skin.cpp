// The skin's life: its windows, batching the model's changes into one flush, mirroring
// each aspect into the windows, and the clock. A person's input is in skin_input.cpp.
#include "skin.hpp"

#include <algorithm>
#include <string>

#include "tintbox/accessible_names.hpp"

namespace tintbox::windows {
namespace {

int g_skins = 0;  // window classes stay registered while a skin lives

std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

// ---- Life and windows ------------------------------------------------------------------

void Skin::register_classes() {
    if (g_skins++ > 0) {
        return;
    }
    WNDCLASSEXW surface{};
    surface.cbSize = sizeof surface;
    surface.lpfnWndProc = surface_procedure;
    surface.hInstance = own_module();
    surface.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    surface.lpszClassName = kSurfaceClass;
    surface.style = CS_DBLCLKS;
    RegisterClassExW(&surface);
    WNDCLASSEXW box = surface;
    box.lpfnWndProc = view_procedure;
    box.lpszClassName = kBoxClass;
    RegisterClassExW(&box);
}

// Classes a library registers outlive it on Windows: the last skin takes them away, so a
// library loaded again (maybe at another address) registers its own.
void Skin::unregister_classes() {
    if (--g_skins > 0) {
        return;
    }
    UnregisterClassW(kSurfaceClass, own_module());
    UnregisterClassW(kBoxClass, own_module());
}

Skin::Skin(Tintbox& control, Win32Screen& screen, Win32FontMetrics& fonts, SkinHost& host,
           HWND parent, const RECT& position)
    : control_(control),
      surface_(control.UserControl()),
      screen_(screen),
      fonts_(fonts),
      host_(host),
      surface_color_(GetSysColor(COLOR_BTNFACE)) {
    register_classes();
    build(parent, position);
}

Skin::~Skin() {
    end_gesture();  // of a retired skin: the gesture whose press retired it
    if (!retired_) {
        detach_model();
    }
    if (surface_window_ != nullptr) {
        KillTimer(surface_window_, kClockTimer);
        // The windows go with the surface window; they must not call back into the skin.
        SetWindowLongPtrW(surface_window_, GWLP_USERDATA, 0);
        for (Mirror& mirror : mirrors_) {
            if (mirror.window != nullptr) {
                if (mirror.original != nullptr) {
                    SetWindowLongPtrW(mirror.window, GWLP_WNDPROC,
                                      reinterpret_cast<LONG_PTR>(mirror.original));
                }
                SetWindowLongPtrW(mirror.window, GWLP_USERDATA, 0);
            }
        }
        DestroyWindow(surface_window_);
    }
    release_cursors();
    for (auto& entry : brushes_) {
        DeleteObject(entry.second);
    }
    unregister_classes();
}

// The model forgets the skin: a skin made after this one (the control activated again)
// observes it alone.
void Skin::detach_model() {
    for (const auto& view : surface_.views()) {
        view->set_observer(nullptr);
    }
    surface_.on_surface_changed = nullptr;
    screen_.set_window(nullptr);
}

void Skin::retire() {
    end_gesture();
    detach_model();
    retired_ = true;
    KillTimer(surface_window_, kClockTimer);
    ShowWindow(surface_window_, SW_HIDE);
}

Skin::Inside::Inside(Skin& skin) : skin(skin) {
    if (skin.inside_++ == 0) {
        skin.host_.hold();
    }
}

// Nothing of the skin is touched after the host lets go: that may delete it.
Skin::Inside::~Inside() {
    if (--skin.inside_ > 0) {
        return;
    }
    SkinHost& host = skin.host_;
    if (skin.retired_) {
        host.skin_retired();
    }
    host.let_go();
}

void Skin::build(HWND parent, const RECT& position) {
    position_ = position;
    surface_window_ = CreateWindowExW(
        0, kSurfaceClass, L"Tintbox", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP,
        position.left, position.top, position.right - position.left, position.bottom - position.top,
        parent, nullptr, own_module(), nullptr);
    SetWindowLongPtrW(surface_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    screen_.set_window(surface_window_);
    fonts_.fit(fonts_.face(), twips_per_pixel());

    const auto& views = surface_.views();
    mirrors_.resize(views.size());
    session_.reset(views.size());
    for (std::size_t i = 0; i < views.size(); ++i) {
        mirrors_[i].skin = this;
        mirrors_[i].view = views[i].get();
        index_of_[views[i].get()] = i;
    }
    // Views inside another view come after their parent, whose window they go into.
    for (const std::size_t i : surface_.creation_order()) {
        Mirror& mirror = mirrors_[i];
        const View* parent_view = mirror.view->parent();
        create_view_window(mirror, parent_view != nullptr
                                       ? mirrors_[index_of_.at(parent_view)].window
                                       : surface_window_);
    }
    // Views are listed topmost first: each goes below the ones placed before it.
    for (Mirror& mirror : mirrors_) {
        if (mirror.window != nullptr) {
            SetWindowPos(mirror.window, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    for (std::size_t i = 0; i < mirrors_.size(); ++i) {
        mirrors_[i].view->set_observer(
            [this, i](const View&, Aspect aspect) { mark(mirrors_[i], aspect); });
    }
    surface_.on_surface_changed = [this] { session_.note_surface(); };
    timer_changed();
    take_size(position);
}

void Skin::create_view_window(Mirror& mirror, HWND parent) {
    const View& view = *mirror.view;
    const DWORD common = WS_CHILD | WS_CLIPSIBLINGS | (view.tab_stop() ? WS_TABSTOP : 0);
    const wchar_t* window_class = nullptr;
    DWORD style = common;
    switch (view.kind()) {
        case ViewKind::TextField:
            window_class = L"EDIT";
            style |= ES_LEFT | ES_AUTOHSCROLL;
            break;
        case ViewKind::ScrollBar:
            window_class = L"SCROLLBAR";
            style |= SBS_HORZ;
            break;
        case ViewKind::PictureBox:
        case ViewKind::Image:
        case ViewKind::Label:
            window_class = kBoxClass;
            style |= WS_CLIPCHILDREN;
            break;
        case ViewKind::Timer:
            return;
    }
    // The views' windows carry their view's name; a field's text is its content.
    const std::wstring name = view.kind() == ViewKind::TextField
                                  ? std::wstring()
                                  : std::wstring(view.name().begin(), view.name().end());
    mirror.window = CreateWindowExW(0, window_class, name.c_str(), style, 0, 0, 0, 0, parent,
                                    nullptr, own_module(), nullptr);
    SetWindowLongPtrW(mirror.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mirror));
    if (view.kind() == ViewKind::TextField || view.kind() == ViewKind::ScrollBar) {
        mirror.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            mirror.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(view_procedure)));
    }
    if (view.kind() == ViewKind::TextField) {
        SendMessageW(mirror.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.font()), FALSE);
        // The pair fields over txtWebHex are placed by the text's own widths: every field
        // draws its text from its left edge.
        SendMessageW(mirror.window, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        SendMessageW(mirror.window, EM_SETLIMITTEXT, 0, 0);  // the model enforces MaxLength
    }
}

bool Skin::owns(HWND window) const noexcept {
    return window != nullptr && (window == surface_window_ || IsChild(surface_window_, window));
}

HWND Skin::window_of(const View& view) const noexcept {
    const auto found = index_of_.find(&view);
    return found == index_of_.end() ? nullptr : mirrors_[found->second].window;
}

Skin::Mirror* Skin::mirror_of(HWND window) const noexcept {
    if (window == nullptr || window == surface_window_ || !owns(window)) {
        return nullptr;
    }
    return reinterpret_cast<Mirror*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Skin::take_size(const RECT& position) {
    position_ = position;
    const float twips_per_pixel = this->twips_per_pixel();
    host_call([&] {
        surface_.SetWidth(static_cast<Twips>(position.right - position.left) * twips_per_pixel);
        surface_.SetHeight(static_cast<Twips>(position.bottom - position.top) * twips_per_pixel);
    });
    session_.note_surface();
    flush();
}

void Skin::place(const RECT& position) {
    take_size(position);
    const SIZE settled = pixel_size();
    if (settled.cx != position.right - position.left ||
        settled.cy != position.bottom - position.top) {
        host_.size_settled();
    }
}

SIZE Skin::pixel_size() const {
    const float twips_per_pixel = this->twips_per_pixel();
    return SIZE{to_pixels(surface_.Width(), twips_per_pixel),
                to_pixels(surface_.Height(), twips_per_pixel)};
}

void Skin::show(bool visible) {
    ShowWindow(surface_window_, visible ? SW_SHOWNA : SW_HIDE);
    if (!visible) {
        end_gesture();
    }
}

void Skin::set_user_mode(bool user_mode) {
    if (user_mode == user_mode_) {
        return;
    }
    if (!user_mode) {
        end_gesture();
        host_call([this] { surface_.clear_focus(); });
    }
    user_mode_ = user_mode;
    InvalidateRect(surface_window_, nullptr, TRUE);
}

void Skin::set_surface_color(COLORREF color) {
    surface_color_ = color;
    InvalidateRect(surface_window_, nullptr, TRUE);
}

void Skin::font_changed() {
    fonts_.fit(fonts_.face(), twips_per_pixel());
    for (Mirror& mirror : mirrors_) {
        if (mirror.view->kind() == ViewKind::TextField) {
            SendMessageW(mirror.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.font()), TRUE);
        }
        mark(mirror, Aspect::Geometry);
    }
    session_.note_surface();
    flush();
}

PaintStyle Skin::paint_style() const {
    return PaintStyle{fonts_.font(), twips_per_pixel(), surface_color_};
}

void Skin::end_gesture() {
    if (surface_.held_buttons() != 0) {
        host_call([this] { surface_.end_gesture(); });
    }
    if (GetCapture() == surface_window_) {
        session_.without_echo([] { ReleaseCapture(); });
    }
}

// ---- Batching and flush ----------------------------------------------------------------

void Skin::mark(Mirror& mirror, Aspect aspect) {
    session_.note(static_cast<std::size_t>(&mirror - mirrors_.data()), aspect_bit(aspect));
    if (aspect == Aspect::Timer) {
        timer_changed();
    }
}

void Skin::post_flush() {
    PostMessageW(surface_window_, kFlushMessage, 0, 0);
}

void Skin::mirrored(bool changed) {
    if (changed) {
        host_.view_changed();
    }
}

void Skin::report(const std::exception& error) {
    if (const auto* control_error = dynamic_cast<const Error*>(&error)) {
        surface_.report(*control_error);
    } else {
        surface_.report(Error(ErrorKind::Internal, error.what()));
    }
}

// ---- Mirroring -------------------------------------------------------------------------

void Skin::apply(Mirror& mirror, unsigned dirty) {
    const View& view = *mirror.view;
    if (mirror.window == nullptr) {
        return;
    }
    if (dirty & aspect_bit(Aspect::Geometry)) {
        const RECT rect = view_rect(view, twips_per_pixel());
        SetWindowPos(mirror.window, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        mirror.rendered_current = false;
    }
    if (dirty & aspect_bit(Aspect::Visible)) {
        ShowWindow(mirror.window, view.Visible() ? SW_SHOWNA : SW_HIDE);
    }
    if (dirty & aspect_bit(Aspect::Pointer)) {
        apply_pointer(mirror);
    }
    switch (view.kind()) {
        case ViewKind::TextField:
            apply_field(mirror, dirty);
            break;
        case ViewKind::ScrollBar:
            if (dirty & (aspect_bit(Aspect::Value) | aspect_bit(Aspect::Enabled))) {
                apply_bar(mirror);
            }
            break;
        default:
            if (dirty & aspect_bit(Aspect::Picture)) {
                mirror.rendered_current = false;
            }
            if ((dirty & aspect_bit(Aspect::Colors)) && is_swatch(view.name())) {
                // A screen reader reads the swatch's new colour (accessibility.hpp).
                NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, mirror.window, OBJID_CLIENT,
                               CHILDID_SELF);
            }
            if (dirty & (aspect_bit(Aspect::Colors) | aspect_bit(Aspect::Picture) |
                         aspect_bit(Aspect::Text) | aspect_bit(Aspect::Geometry))) {
                InvalidateRect(mirror.window, nullptr, FALSE);
            }
            break;
    }
    // Last: SetScrollInfo enables a SCROLLBAR window whose range it makes scrollable.
    if (dirty & aspect_bit(Aspect::Enabled)) {
        EnableWindow(mirror.window, view.Enabled() && surface_.Enabled());
    }
}

void Skin::apply_field(Mirror& mirror, unsigned dirty) {
    const auto& field = static_cast<const TextField&>(*mirror.view);
    if (dirty & aspect_bit(Aspect::Colors)) {
        InvalidateRect(mirror.window, nullptr, TRUE);  // WM_CTLCOLOREDIT gives the colours
    }
    if (dirty & aspect_bit(Aspect::Text)) {
        const std::wstring text = wide(field.Text());
        const int length = GetWindowTextLengthW(mirror.window);
        std::wstring shown(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(mirror.window, shown.data(), length + 1);
        shown.resize(static_cast<std::size_t>(length));
        if (shown != text) {
            SetWindowTextW(mirror.window, text.c_str());
        }
    }
    if (dirty &
        (aspect_bit(Aspect::Text) | aspect_bit(Aspect::Selection) | aspect_bit(Aspect::Focus))) {
        // EDIT puts its caret at the second position: the selection's moving end.
        const int caret = field.caret();
        const int start = field.SelStart();
        const int anchor = caret == start ? start + field.SelLength() : start;
        SendMessageW(mirror.window, EM_SETSEL, static_cast<WPARAM>(anchor),
                     static_cast<LPARAM>(caret));
    }
}

void Skin::apply_bar(Mirror& mirror) {
    if (mirror.tracking) {
        return;  // SCROLLBAR shows the thumb where the person drags it; mirrored on release
    }
    const auto& bar = static_cast<const ScrollBar&>(*mirror.view);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
    info.nMin = bar.Min();
    info.nMax = bar.Max();
    info.nPage = 0;  // the smallest thumb: as wide as the bar is high
    info.nPos = bar.thumb_position();
    SetScrollInfo(mirror.window, SB_CTL, &info, TRUE);
    // A bar switched off draws its arrows disabled and no thumb, as its window is disabled.
    const bool enabled = bar.Enabled() && surface_.Enabled();
    EnableScrollBar(mirror.window, SB_CTL, enabled ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
}

// While the mouse is captured Windows asks no window for its cursor: the cursor of the
// view that holds the gesture is set at once.
void Skin::apply_pointer(Mirror& mirror) {
    POINT at{};
    GetCursorPos(&at);
    const bool under = WindowFromPoint(at) == mirror.window;
    const bool holding = GetCapture() == surface_window_ && surface_.captured() == mirror.view;
    if (under || holding) {
        SetCursor(cursor_for(mirror.view));
    }
}

void Skin::apply_surface() {
    const SIZE size = pixel_size();
    SetWindowPos(surface_window_, nullptr, position_.left, position_.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    for (Mirror& mirror : mirrors_) {
        if (mirror.view->kind() == ViewKind::TextField ||
            mirror.view->kind() == ViewKind::ScrollBar) {
            mark(mirror, Aspect::Enabled);  // a switched-off control greys its editors
        }
    }
    InvalidateRect(surface_window_, nullptr, TRUE);
}

// The focus follows the model's while it is inside the control, or when a person's input
// in the control moved it there; the skin never pulls it away from a container's window
// on its own.
void Skin::apply_focus(bool moved) {
    const View* focused = surface_.focused();
    HWND target = focused != nullptr ? window_of(*focused) : nullptr;
    if (target == nullptr || GetFocus() == target) {
        return;
    }
    if (!owns(GetFocus()) && !(session_.person() && moved)) {
        return;
    }
    session_.without_echo([target] { SetFocus(target); });
}

HCURSOR Skin::cursor_for(const View* view) {
    if (view != nullptr) {
        switch (view->pointer_kind()) {
            case PointerKind::Icon: {
                const PointerShapePtr& shape = view->MouseIcon();
                auto found = cursors_.find(shape.get());
                if (found == cursors_.end()) {
                    found = cursors_
                                .emplace(shape.get(),
                                         std::make_pair(
                                             shape, create_pointer_cursor(*shape, screen_.dpi())))
                                .first;
                }
                return found->second.second;
            }
            case PointerKind::Text:
                return LoadCursorW(nullptr, IDC_IBEAM);
            case PointerKind::Arrow:
                break;
        }
    }
    return LoadCursorW(nullptr, IDC_ARROW);
}

HBRUSH Skin::brush_for(COLORREF color) {
    auto found = brushes_.find(color);
    if (found == brushes_.end()) {
        found = brushes_.emplace(color, CreateSolidBrush(color)).first;
    }
    return found->second;
}

// ---- The clock -------------------------------------------------------------------------

void Skin::timer_changed() {
    UINT interval = 0;
    for (const auto& view : surface_.views()) {
        if (view->kind() == ViewKind::Timer && view->Enabled()) {
            interval = static_cast<UINT>(std::max(1, static_cast<const Timer&>(*view).Interval()));
        }
    }
    if (interval != 0 && (!clock_running_ || interval != clock_interval_)) {
        SetTimer(surface_window_, kClockTimer, interval, nullptr);
        clock_running_ = true;
        clock_interval_ = interval;
    } else if (interval == 0 && clock_running_) {
        KillTimer(surface_window_, kClockTimer);
        clock_running_ = false;
    }
}

// One interval per WM_TIMER: a stalled message loop does not replay the missed ticks.
void Skin::tick() {
    if (!clock_running_) {
        return;
    }
    session_.tick(surface_, static_cast<std::int32_t>(clock_interval_));
}

// The control's window moved to another DPI (0: the one Windows now gives it). The
// views keep their twips: the font is fitted at the new pixel size, labels that size to
// their caption measure it again, the cursors are made anew at the new size, the windows
// take their places in the new pixels and the container hears of the new extent.
void Skin::rescale(UINT dpi) {
    screen_.set_dpi(dpi);
    release_cursors();
    font_changed();
    host_call([this] {
        for (const auto& view : surface_.views()) {
            if (view->kind() == ViewKind::Label) {
                auto& label = static_cast<Label&>(*view);
                label.SetAutoSize(label.AutoSize());
            }
        }
    });
    host_.size_settled();
}

// A cursor in use is not destroyed: the arrow first.
void Skin::release_cursors() {
    if (cursors_.empty()) {
        return;
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    for (auto& entry : cursors_) {
        DestroyCursor(entry.second.second);
    }
    cursors_.clear();
}

}  // namespace tintbox::windows

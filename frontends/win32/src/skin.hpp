// The Win32 skin: one native window per view (EDIT for text fields, SCROLLBAR for scroll
// bars, a GDI-painted window for picture boxes, the image and labels) inside the
// control's surface window. It mirrors the view layer into the windows and turns a
// person's mouse, keys and focus into the view layer's input calls (the ones
// tintbox-script makes); it decides no behaviour of its own. EDIT and SCROLLBAR are
// subclassed so that they never edit or scroll by themselves: they draw what the model
// says.
//
// Mirroring is batched: a view's observer only marks what changed; one flush at the end
// of each input message or host call (or a posted message for changes made through the
// control directly) writes the changed aspects into the windows. Focus messages that the
// skin's own SetFocus causes are told apart from a person's.
//
// Sections of skin.cpp: life and windows; batching and flush; mirroring; the clock.
// skin_input.cpp: window procedures; mouse; keys; focus and tab order; scroll bars.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "paint.hpp"
#include "tintbox/input.hpp"
#include "tintbox/mirror_session.hpp"
#include "tintbox/tintbox.hpp"
#include "tintbox/views.hpp"
#include "win32_platform.hpp"

namespace tintbox::windows {

inline constexpr wchar_t kSurfaceClass[] = L"TintboxSurface";
inline constexpr wchar_t kBoxClass[] = L"TintboxView";
inline constexpr UINT_PTR kClockTimer = 1;
inline constexpr UINT kFlushMessage = WM_APP + 0x7B0;

// What the skin asks of the object that hosts it in a container.
class SkinHost {
  public:
    // A person's Tab (or Shift+Tab) passes the end of the control's tab order: the
    // container moves its focus on. `message` is the key's message.
    virtual void tab_out(bool forward, const MSG& message) = 0;
    // One of the control's windows received the keyboard focus from outside the control,
    // or the focus went to a window outside it.
    virtual void focus_entered() = 0;
    virtual void focus_left() = 0;
    // The control settled on a size other than the container gave it (its layout keeps
    // the height and clamps the width).
    virtual void size_settled() = 0;
    // What the control shows changed (for a container's view advise sink).
    virtual void view_changed() = 0;
    // The host stays alive while one of the control's windows handles a message: a
    // Change handler may let go of the control meanwhile.
    virtual void hold() = 0;
    virtual void let_go() = 0;
    // A skin retired while busy has handled its last message: the host deletes it now.
    virtual void skin_retired() = 0;

  protected:
    ~SkinHost() = default;
};

class Skin final : private MirrorHooks {
  public:
    // Creates the surface window as a child of `parent` at `position` (pixels of the
    // parent) and one window per view, sized as the control's layout says.
    Skin(Tintbox& control, Win32Screen& screen, Win32FontMetrics& fonts, SkinHost& host,
         HWND parent, const RECT& position);
    ~Skin();
    Skin(const Skin&) = delete;
    Skin& operator=(const Skin&) = delete;

    HWND window() const noexcept { return surface_window_; }
    // Whether one of the control's windows is handling a message now.
    bool busy() const noexcept { return inside_ > 0; }
    // The container deactivated the control while a window of it handles a message (a
    // Change handler did): the windows hide and let go of the model at once, and the
    // skin asks its host to delete it once the message is handled (skin_retired).
    void retire();
    // Whether `window` is the surface window or one of the views' windows.
    bool owns(HWND window) const noexcept;
    HWND window_of(const View& view) const noexcept;

    // The container's position for the control (pixels of the parent window): the
    // window moves there and the control takes the size, through its layout.
    void place(const RECT& position);
    // The control's size in pixels as its layout settled it.
    SIZE pixel_size() const;
    void show(bool visible);

    // Run mode takes a person's input; design mode (a form designer's) shows the control
    // and lets the mouse through to the designer.
    void set_user_mode(bool user_mode);
    bool user_mode() const noexcept { return user_mode_; }
    // The control's own colour between the views (the container's ambient back colour).
    void set_surface_color(COLORREF color);
    // The fields' font face changed (the container's ambient font), or the DPI did.
    void font_changed();
    PaintStyle paint_style() const;

    // Gives the keyboard focus to the view the model says has it, or to the first tab
    // stop (the container activated the control).
    void take_focus();
    // IOleInPlaceActiveObject::TranslateAccelerator: Tab and Shift+Tab move through the
    // control's tab stops; true when the control used the message.
    bool translate_accelerator(const MSG& message);
    // The release of the buttons held now will never reach the control (the frame or
    // document window was deactivated, the control deactivated).
    void end_gesture();

    // Runs a host's call: the windows are brought up to date when it ends.
    template <class Call>
    void host_call(Call&& call) {
        session_.host_call(std::forward<Call>(call));
    }
    void flush() { session_.flush(); }

  private:
    struct Mirror {
        Skin* skin = nullptr;
        View* view = nullptr;
        HWND window = nullptr;
        WNDPROC original = nullptr;  // EDIT's or SCROLLBAR's own procedure
        bool tracking = false;       // SCROLLBAR runs its mouse loop
        ImagePixels rendered;        // the image as last drawn
        bool rendered_current = false;
    };

    // Counts a window procedure's run; the outermost keeps the host alive and, for a
    // retired skin, has it deleted at its end.
    struct Inside {
        explicit Inside(Skin& skin);
        ~Inside();
        Skin& skin;
    };

    // ---- skin.cpp
    static void register_classes();
    static void unregister_classes();
    void build(HWND parent, const RECT& position);
    void detach_model();
    // Moves the window to `position` and gives the control that size (its layout runs).
    void take_size(const RECT& position);
    void create_view_window(Mirror& mirror, HWND parent);
    void mark(Mirror& mirror, Aspect aspect);
    // MirrorHooks
    void post_flush() override;
    void mirror_surface() override { apply_surface(); }
    void mirror_view(std::size_t view, unsigned aspects) override {
        apply(mirrors_[view], aspects);
    }
    void mirror_focus(bool moved) override { apply_focus(moved); }
    void mirrored(bool changed) override;
    void report(const std::exception& error) override;
    void apply(Mirror& mirror, unsigned dirty);
    void apply_field(Mirror& mirror, unsigned dirty);
    void apply_bar(Mirror& mirror);
    void apply_pointer(Mirror& mirror);
    void apply_surface();
    void apply_focus(bool moved);
    void timer_changed();
    HCURSOR cursor_for(const View* view);
    HBRUSH brush_for(COLORREF color);
    float twips_per_pixel() const { return screen_.twips_per_pixel_x(); }

    // ---- skin_input.cpp
    static LRESULT CALLBACK surface_procedure(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam);
    static LRESULT CALLBACK view_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT surface_message(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT view_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT field_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT bar_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT box_message(Mirror& mirror, UINT message, WPARAM wparam, LPARAM lparam);
    // Messages every view window handles alike; true when `message` was one of them.
    bool common_message(Mirror* mirror, HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                        LRESULT& result);
    void paint_box_window(Mirror& mirror);
    bool accessible_text(const Mirror* mirror, WPARAM kind, std::wstring& text) const;
    void mouse(HWND source, UINT message, WPARAM wparam, LPARAM lparam);
    bool wheel(UINT message, WPARAM wparam, LPARAM lparam);
    bool key_down(HWND source, WPARAM key);
    // DLGC_WANTMESSAGE for a key the model uses now that a dialog would take first.
    UINT keys_wanted(LPARAM message) const;
    void character(wchar_t unit);
    void context_menu(Mirror& mirror, LPARAM lparam);
    void tab(bool forward, const MSG& message);
    void focus_in(Mirror* mirror, HWND previous);
    void focus_out(HWND next);
    void bar_pressed(Mirror& mirror);
    void bar_scrolled(HWND bar, WORD code);
    void tick();
    void rescale(UINT dpi);
    void release_cursors();
    Mirror* mirror_of(HWND window) const noexcept;

    template <class Call>
    void person_input(Call&& call);

    Tintbox& control_;
    Surface& surface_;
    Win32Screen& screen_;
    Win32FontMetrics& fonts_;
    SkinHost& host_;
    HWND surface_window_ = nullptr;
    std::vector<Mirror> mirrors_;  // one per view, in the surface's order; never resized
    std::unordered_map<const View*, std::size_t> index_of_;
    MirrorSession session_{*this};
    bool user_mode_ = true;
    int inside_ = 0;  // window procedures running
    bool retired_ = false;
    bool clock_running_ = false;
    UINT clock_interval_ = 0;
    wchar_t pending_high_surrogate_ = 0;
    WheelNotches wheel_notches_{WHEEL_DELTA};
    RECT position_{};
    COLORREF surface_color_ = 0;
    // Cursors made from pointer shapes; each shape is kept alive with its cursor.
    std::map<const PointerShape*, std::pair<PointerShapePtr, HCURSOR>> cursors_;
    std::map<COLORREF, HBRUSH> brushes_;
};

template <class Call>
void Skin::person_input(Call&& call) {
    if (!user_mode_) {
        return;
    }
    // Nothing may escape into the window procedure; handlers' errors reach the sink anyway.
    session_.input(MirrorSession::Actor::Person, std::forward<Call>(call));
}

}  // namespace tintbox::windows

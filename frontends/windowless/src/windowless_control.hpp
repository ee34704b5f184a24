// The control as a windowless host shows it: a TintboxWidget that is never shown, drawn
// into the host's buffer, fed with the host's input through the view layer's input
// calls, and asking the host's site for repaints, time, the pointer shape, the focus,
// the clipboard and the screen.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "tintbox/tintbox_windowless.h"
#include "tintbox/views.hpp"

namespace tintbox::qtskin {
class Skin;
}

namespace tintbox::shell {

// A call that the windowless instance refuses, with its status code.
struct WindowlessFault {
    TintboxStatus status;
    std::string message;
};

class WindowlessControl : public DispatchOwner {
  public:
    // `add_ref` and `release` count the references of the instance that owns this.
    WindowlessControl(std::function<std::uint32_t()> add_ref,
                      std::function<std::uint32_t()> release);
    ~WindowlessControl();
    WindowlessControl(const WindowlessControl&) = delete;
    WindowlessControl& operator=(const WindowlessControl&) = delete;

    // A checked site, or null to drop it.
    void set_site(const TintboxSite* site);
    bool has_site() const noexcept { return has_site_; }
    TintboxControl* dispatch() const noexcept { return dispatch_; }

    void set_extent(std::int32_t width, std::int32_t height, double ratio);
    QSize extent() const;  // device pixels
    void draw(void* pixels, std::int32_t width, std::int32_t height, std::int32_t stride,
              const TintboxRect* area);
    bool input(const TintboxInputEvent& event);
    void tick(std::int32_t elapsed_ms);
    std::int32_t timer_interval() const noexcept { return wanted_interval_; }

    // DispatchOwner
    std::uint32_t add_ref() noexcept override { return add_ref_(); }
    std::uint32_t release() noexcept override { return release_(); }
    void host_call(const std::function<void()>& call) override;
    void changed() override;
    void handler_failed(const Error& error, bool in_call) override;
    bool on_interface_thread() const noexcept override;

  private:
    template <class Call>
    void person(Call&& call);
    // Ends every call from the host: tells the site what changed.
    void deliver();
    void send_event(std::int32_t event, const char* detail);
    // The site's eyedropper_state, when the mode or the picker's being open changed.
    void tell_eyedropper_state();
    bool pointer_input(const TintboxInputEvent& event);
    bool key(const TintboxInputEvent& event);
    void focus_in(std::int32_t key);
    void focus_out();
    std::int32_t pointer_shape() const;
    QPointF to_twips(std::int32_t x, std::int32_t y) const;
    QRect to_device(const QRect& logical) const;
    // Paints what changed of the canvas within `needed` (logical pixels).
    void update_canvas(const QRect& needed);

    std::function<std::uint32_t()> add_ref_;
    std::function<std::uint32_t()> release_;
    std::unique_ptr<TintboxWidget> widget_;
    qtskin::Skin& skin_;
    Surface& surface_;
    TintboxControl* dispatch_ = nullptr;
    TintboxSite site_{};
    bool has_site_ = false;
    double ratio_ = 1.0;
    QImage canvas_;                     // the control as last drawn, device pixels
    QRegion stale_;                     // logical pixels of the canvas that changed since
    int depth_ = 0;                     // nesting of calls from the host
    std::vector<QRect> invalid_;        // logical pixels, told to the site when a call ends
    std::int32_t wanted_interval_ = 0;  // what the control's timer asks for
    std::int32_t site_interval_ = 0;    // what the site's timer runs at
    bool pointer_known_ = false;        // the pointer is over the control
    std::int32_t pointer_x_ = 0, pointer_y_ = 0;
    std::int32_t shown_pointer_ = -1;
    bool requesting_focus_ = false;
    View* focus_before_out_ = nullptr;  // restored when the host gives the focus back
    bool system_pick_open_ = false;     // the desktop's colour picker is open
    std::int32_t told_mode_ = -1;       // what the site last heard by eyedropper_state
    std::int32_t told_open_ = 0;
    static constexpr std::int32_t kSystemPickPollMs = 50;
};

// Starts Qt for the first windowless instance (or joins the host's QApplication) and ends
// what it started with the last one. Throws WindowlessFault when Qt cannot start.
class QtProcess {
  public:
    QtProcess();
    ~QtProcess();
    QtProcess(const QtProcess&) = delete;
    QtProcess& operator=(const QtProcess&) = delete;
    // Whether the library started Qt itself (on the offscreen platform).
    static bool owns_application() noexcept;
    // Whether the calling thread runs Qt, or no Qt runs yet: the only thread from which
    // windowless instances are created and called.
    static bool on_interface_thread() noexcept;
};

// The pixels of a pointer shape as a host's cursor image (black with a white outline,
// as the Qt widget shows it).
const TintboxCursorImage* cursor_image(std::int32_t shape) noexcept;

}  // namespace tintbox::shell

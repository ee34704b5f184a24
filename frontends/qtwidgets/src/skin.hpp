// The skin: builds one Qt widget per view, mirrors the view layer into them and turns a
// person's input into the view layer's input calls (the ones tintbox-script makes).
//
// Mirroring is batched: a view's observer only marks what changed; one flush writes the
// changed aspects into the Qt widgets: at the end of each input event or host call, on
// the next event-loop pass for changes made through the control directly, and at the
// screen's next frame after the eyedropper's ticks. Qt's
// own reactions (focus events caused by the skin's setFocus, QLineEdit selecting on
// focus) are told apart from a person's and overridden by the model's state.
#pragma once

#include <QCursor>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "qt_platform.hpp"
#include "tintbox/mirror_session.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "view_widgets.hpp"

class QContextMenuEvent;
class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QSinglePointEvent;
class QWheelEvent;

namespace tintbox::qtskin {

class Skin final : private MirrorHooks {
  public:
    Skin(TintboxWidget& owner, Tintbox& control);
    ~Skin();
    // The skin of a widget (for a windowless host, which drives the widget unshown).
    static Skin& of(TintboxWidget& widget) { return *widget.skin_; }
    Skin(const Skin&) = delete;
    Skin& operator=(const Skin&) = delete;

    // Detaches from the model and drops every widget; called before the control dies.
    void detach();

    QWidget* widget_for(const View& view) const;
    // The view layer's geometry in the window's device pixels, used by pointer positions
    // and by the drawn spectrum alike: the device pixel under a mouse event, the device
    // pixels a widget covers, and the surface twips that stand for a device pixel (inside
    // a view exactly when the pixel is). Going through the window's device pixels keeps
    // them exact when a widget's origin falls between device pixels (fractional scale
    // factors). `ratio` is the window's device pixel ratio, or that of the buffer a
    // windowless host draws into.
    QPoint window_device_pixel(const QWidget& widget, const QSinglePointEvent& event,
                               qreal ratio) const;
    QRect window_device_rect(const QWidget& widget, qreal ratio) const;
    QPointF twips_at(QPoint window_device_pixel, qreal ratio) const;
    float twips_per_pixel() const;
    QSize pixel_size(Twips width, Twips height) const;

    // Runs `call` as a host call or a person's input: errors become errorRaised, and the
    // widgets are brought up to date when the outermost call ends.
    template <class Call>
    void host_call(Call&& call);
    template <class Call>
    void person_input(Call&& call) {
        session_.input(Actor::Person, std::forward<Call>(call));
    }

    // ---- Input from the widgets -------------------------------------------------------
    void mouse(QWidget& source, QMouseEvent* event, MouseAction action);
    void key(QKeyEvent* event, bool text_field);
    void type(const QString& text);
    void context_menu(FieldWidget& field, QContextMenuEvent* event);
    void focus_changed(QWidget& widget, QFocusEvent* event);
    bool tab(bool forward);  // true when the focus stayed in the control
    void wheel(QWidget& source, QWheelEvent* event);
    void bar_pressed(BarWidget& bar);
    void bar_action(BarWidget& bar, int action);
    void bar_released(BarWidget& bar);
    void resized(QSize pixels);
    void rescale();          // the screen's DPI or the font changed
    void palette_changed();  // system colours are drawn from the palette

    void eyedropper_unreadable();
    // A colour the desktop's picker chose: one eyedropper tick's worth, from the clock's
    // door.
    void screen_color_picked(ColorValue color);

    // The release of the buttons held now will never reach the control (a popup took
    // it, the window was deactivated, the widget hidden or destroyed): the view layer
    // ends the gesture as a release would.
    void end_gesture();

    // Brings every widget up to date with the model.
    void flush() { session_.flush(); }
    // Whether the host paints the frames (a windowless host, or a benchmark standing in
    // for the screen): a tick's changes then wait for the host's flush() instead of the
    // skin's own frame timer.
    void set_frames_from_host(bool from_host);

    // The door of a Change raised now (see TintboxWidget::changeDoor).
    QString change_door() const;

    // ---- A host that draws the control itself (windowless) ----------------------------
    // Hears the rectangle (surface pixels) of every widget whose look a flush changed.
    void set_repaint_listener(std::function<void(const QRect&)> listener) {
        repaint_listener_ = std::move(listener);
    }
    // The view layer's timers run on the host's clock instead of the skin's QTimer:
    // `clock` hears the interval to tick at (0: stop), and the host calls advance_time.
    void set_external_clock(std::function<void(int interval_ms)> clock);
    void advance_time(int milliseconds);

  private:
    struct Mirror {
        View* view = nullptr;
        QWidget* widget = nullptr;
        FieldWidget* field = nullptr;
        BarWidget* bar = nullptr;
        BoxWidget* box = nullptr;
    };

    using Actor = MirrorSession::Actor;

    void build();
    void tick();
    void mark(std::size_t index, Aspect aspect);
    // MirrorHooks
    void post_flush() override;
    void request_frame() override;
    void mirrored(bool changed) override;
    int frame_interval_ms() const;
    void mirror_surface() override { apply_surface(); }
    void mirror_view(std::size_t view, unsigned aspects) override {
        apply(mirrors_[view], aspects);
    }
    void mirror_focus(bool moved) override { apply_focus(moved); }
    void report(const std::exception& error) override;

    void apply(Mirror& mirror, unsigned dirty);
    void apply_field(Mirror& mirror, unsigned dirty);
    void apply_text_colors(FieldWidget& field);
    void apply_selection(FieldWidget& field);
    void apply_focus(bool moved);
    void apply_surface();
    void apply_pointer(Mirror& mirror);
    void timer_changed();
    void publish_selection();
    bool qt_focus_inside() const;
    QWidget* outside_focus_target(bool forward) const;
    const QCursor& cursor_for(const PointerShapePtr& shape);
    QRect surface_rect(const QWidget& widget) const;

    TintboxWidget& owner_;
    Tintbox& control_;
    Surface& surface_;
    QPointer<SurfaceWidget> surface_widget_;
    std::vector<Mirror> mirrors_;
    FieldWidget* web_hex_ = nullptr;           // txtWebHex, beneath the pair fields
    std::vector<FieldWidget*> web_hex_pairs_;  // the pair fields laid over it
    std::unordered_map<const View*, std::size_t> index_of_;
    MirrorSession session_{*this};
    QTimer clock_;                      // drives the view layer's timers
    QTimer frame_;                      // the next frame's flush
    QElapsedTimer since_mirrored_;      // since a flush last changed the widgets
    bool unreadable_reported_ = false;  // once per eyedropper run
    WheelNotches wheel_notches_{120};   // Qt counts eighths of a degree, 120 a notch
    // Each shape is kept alive with its cursor, so the address stays a valid key.
    std::unordered_map<const PointerShape*, std::pair<PointerShapePtr, QCursor>> cursors_;
    std::function<void(const QRect&)> repaint_listener_;
    std::function<void(int)> external_clock_;
};

template <class Call>
void Skin::host_call(Call&& call) {
    session_.host_call(std::forward<Call>(call));
}

}  // namespace tintbox::qtskin

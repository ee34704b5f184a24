// The skin: builds one Qt widget per view, mirrors the view layer into them and turns a
// person's input into the view layer's input calls (the ones tintbox-script makes).
//
// Mirroring is batched: a view's observer only marks what changed; one flush at the end
// of each input event or host call (or on the next event-loop pass for changes made
// through the control directly) writes the changed aspects into the Qt widgets. Qt's
// own reactions (focus events caused by the skin's setFocus, QLineEdit selecting on
// focus) are told apart from a person's and overridden by the model's state.
#pragma once

#include <QCursor>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "tintbox/pending_changes.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "view_widgets.hpp"

class QContextMenuEvent;
class QFocusEvent;
class QKeyEvent;
class QMouseEvent;

namespace tintbox::qtskin {

enum class MouseAction { Press, Release, Move, DoubleClick };

class Skin {
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
    QPoint window_device_pixel(const QWidget& widget, const QMouseEvent& event, qreal ratio) const;
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
        run(Actor::Person, std::forward<Call>(call));
    }

    // ---- Input from the widgets -------------------------------------------------------
    void mouse(QWidget& source, QMouseEvent* event, MouseAction action);
    void key(QKeyEvent* event, bool text_field);
    void type(const QString& text);
    void context_menu(FieldWidget& field, QContextMenuEvent* event);
    void focus_changed(QWidget& widget, QFocusEvent* event);
    bool tab(bool forward);  // true when the focus stayed in the control
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
    void flush();

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

    // Who is acting while a scope is open: the host, a person, or the clock.
    enum class Actor { Host, Person, Clock };

    struct Scope {
        Scope(Skin& skin, Actor actor);
        ~Scope();
        Skin& skin;
        bool was_person;
        Actor was_actor;
    };

    template <class Call>
    void run(Actor actor, Call&& call);
    void build();
    void tick();
    void mark(std::size_t index, Aspect aspect);
    void schedule_flush();
    void apply(Mirror& mirror, unsigned dirty);
    void apply_field(Mirror& mirror, unsigned dirty);
    void apply_selection(FieldWidget& field);
    void apply_focus();
    void apply_surface();
    void apply_pointer(Mirror& mirror);
    void timer_changed();
    void report(const std::exception& error);
    bool qt_focus_inside() const;
    QWidget* outside_focus_target(bool forward) const;
    const QCursor& cursor_for(const PointerShapePtr& shape);
    QRect surface_rect(const QWidget& widget) const;

    TintboxWidget& owner_;
    Tintbox& control_;
    Surface& surface_;
    QPointer<SurfaceWidget> surface_widget_;
    std::vector<Mirror> mirrors_;
    std::unordered_map<const View*, std::size_t> index_of_;
    PendingChanges pending_;
    bool surface_dirty_ = true;  // the surface's Width, Height or Enabled changed
    int depth_ = 0;              // nesting of host calls and input events
    bool person_ = false;        // inside a person's input (may pull Qt's focus in)
    Actor actor_ = Actor::Host;  // the outermost scope's
    bool flushing_ = false;
    bool flush_posted_ = false;  // a flush waits on the event loop
    int echo_ = 0;               // > 0 while the skin itself moves Qt's focus
    bool detached_ = false;
    QTimer clock_;                      // drives the view layer's timers
    bool unreadable_reported_ = false;  // once per eyedropper run
    bool ticking_ = false;
    bool focus_moved_ = false;  // the model's focus moved since the last flush
    // Each shape is kept alive with its cursor, so the address stays a valid key.
    std::unordered_map<const PointerShape*, std::pair<PointerShapePtr, QCursor>> cursors_;
    std::function<void(const QRect&)> repaint_listener_;
    std::function<void(int)> external_clock_;
};

template <class Call>
void Skin::host_call(Call&& call) {
    Scope scope(*this, Actor::Host);
    call();
}

// Input events and timer ticks: nothing may escape into Qt's event loop.
template <class Call>
void Skin::run(Actor actor, Call&& call) {
    if (detached_) {
        return;
    }
    Scope scope(*this, actor);
    try {
        call();
    } catch (const std::exception& error) {
        report(error);
    }
}

}  // namespace tintbox::qtskin

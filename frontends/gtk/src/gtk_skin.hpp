// The GTK skin: one GTK widget per view, children of the picker (GtkText for the text
// fields, GtkScrollbar for the bars, drawing areas for the boxes, the spectrum and the
// labels), a mirror of the view layer through a MirrorSession, and a person's input
// turned into the view layer's input calls (the ones tintbox-script makes).
//
// Input is taken once, in the capture phase of the picker, before any child sees it:
// the children draw the model's state and never act on their own. The scroll bars' hit
// testing follows the theme: a press on an arrow (the skin adds them; GTK 4's bars have
// none) or on the track goes to the view layer as a scroll action that repeats while held,
// and GTK drags the thumb, whose moves go to the view layer as thumb positions.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tintbox/mirror_session.hpp"
#include "tintbox/tintbox.hpp"
#include "tintbox/views.hpp"

namespace tintbox::gtkskin {

class Skin final : private MirrorHooks {
  public:
    // `owner` is the picker; `report` hears the errors of a person's input.
    Skin(GtkWidget* owner, Tintbox& control, std::function<void(const std::string&)> report);
    ~Skin();
    Skin(const Skin&) = delete;
    Skin& operator=(const Skin&) = delete;

    // Detaches from the model and unparents every child; called before the control dies.
    void detach();

    template <class Call>
    void host_call(Call&& call) {
        session_.host_call(std::forward<Call>(call));
    }
    // The door of a Change raised now: "host", "eyedropper", "spectrum" or an editor.
    std::string change_door() const;

    // ---- The picker's widget functions -------------------------------------------------
    void measure(GtkOrientation orientation, int& minimum, int& natural) const;
    void allocate(int width, int height);
    // Tab or Shift+Tab from outside the control (or a host's focus move): true when a
    // view took the focus; false when it is already inside (Tab then leaves the control).
    bool focus_from_outside(GtkDirectionType direction);
    bool grab_focus();
    void scale_changed();
    // The picker was hidden, or its window deactivated: a gesture in progress loses its
    // release (and a hidden picker's open pick of the desktop's picker is dismissed).
    void hidden();
    void window_deactivated() { end_gesture(); }
    // The children in stacking order, bottom first.
    void snapshot_children(GtkSnapshot* snapshot) const;
    // The mark of the view that holds the keyboard focus (a field or a bar): a line in
    // the theme's selection colour around it, drawn over the children.
    void snapshot_focus_mark(GtkSnapshot* snapshot) const;

    // The eyedropper's run ended where the screen cannot be read: on the person's release
    // the desktop portal's PickColor lets the person pick one pixel with the desktop's
    // own picker (one pick at a time); its colour comes in as one more eyedropper tick.
    void eyedropper_ended(bool released);
    // Dismisses an open pick of the desktop's picker; its answer is dropped.
    void close_system_pick();

    // The child widget of a view, by the view's name (tests, accessibility checks).
    GtkWidget* widget_for(const std::string& name) const;

    // ---- A clock and frames from outside (a benchmark standing in for the screen) -----
    // The skin of a TintboxGtkPicker.
    static Skin& of(GtkWidget* picker);
    // The view layer's timers run on the caller's clock instead of a GLib timeout:
    // `clock` hears the interval to tick at (0: stop), and the caller calls advance_time.
    void set_external_clock(std::function<void(int interval_ms)> clock);
    // One tick of the clock: advances the view layer's timers by `milliseconds`.
    void advance_time(int milliseconds);
    // Whether the caller paints the frames: a tick's changes then wait for flush()
    // instead of the main loop's next pass.
    void set_frames_from_host(bool from_host) { session_.set_frames_from_host(from_host); }
    // Brings every child up to date with the model.
    void flush() { session_.flush(); }

  private:
    struct Mirror {
        View* view = nullptr;
        GtkWidget* widget = nullptr;
        GtkAdjustment* adjustment = nullptr;  // scroll bars
        GtkCssProvider* css = nullptr;        // text fields
        std::string css_text;                 // what `css` was last loaded from
        // The text colour last given as Pango attributes: none (the theme's), or the
        // colour outside the selection's bytes.
        struct TextColor {
            bool own = false;
            ColorValue rgb = 0;
            guint selection_start = 0;
            guint selection_end = 0;
            bool operator==(const TextColor& other) const {
                return own == other.own && rgb == other.rgb &&
                       selection_start == other.selection_start &&
                       selection_end == other.selection_end;
            }
        };
        TextColor text_color;
        // Scroll bars: the arrows at Min's end and at Max's, and GTK's slider.
        GtkWidget* arrows[2] = {nullptr, nullptr};
        GtkWidget* thumb = nullptr;
        GdkRectangle rect{0, 0, 0, 0};
        cairo_surface_t* rendered = nullptr;  // the spectrum image as drawn, at `rendered_scale`
        int rendered_scale = 0;
        Skin* skin = nullptr;
    };
    using Actor = MirrorSession::Actor;

    void build();
    void mark(std::size_t index, Aspect aspect);
    void timer_changed();
    template <class Call>
    void person_input(Call&& call) {
        session_.input(Actor::Person, std::forward<Call>(call));
    }

    // MirrorHooks
    void post_flush() override;
    void mirror_surface() override;
    void mirror_view(std::size_t view, unsigned aspects) override;
    void mirror_focus(bool moved) override;
    void report(const std::exception& error) override;

    void apply_field(Mirror& mirror, unsigned aspects);
    void apply_field_style(Mirror& mirror);
    void apply_text_color(Mirror& mirror);
    void apply_selection(Mirror& mirror);
    void apply_pointer(Mirror& mirror);
    void apply_description(Mirror& mirror);
    bool gtk_focus_inside() const;
    bool focused_field();

    // Input, from the picker's capture-phase controller.
    static gboolean on_event(GtkEventControllerLegacy* controller, GdkEvent* event, gpointer self);
    bool pointer_event(GdkEvent* event);
    bool key_event(GdkEvent* event);
    bool scroll_event(GdkEvent* event);
    bool to_control(GdkEvent* event, double& x, double& y) const;
    std::pair<Twips, Twips> pointer_twips(GdkEvent* event) const;
    Mirror* mirror_of(GtkWidget* widget);
    void context_menu(Mirror* field);
    void close_context_menu();
    void present_popups();
    void bar_moved(Mirror& mirror);
    void bar_released(Mirror& mirror);
    void add_arrows(Mirror& mirror);
    void size_bar_parts(Mirror& mirror);
    static GtkWidget* descendant_named(GtkWidget* widget, const char* css_name);
    std::optional<ScrollAction> bar_action_at(const Mirror& mirror, double x, double y) const;
    void hold_bar_action(Mirror& mirror, ScrollAction action, double x, double y);
    void schedule_bar_repeat(guint delay);
    void repeat_bar_action();
    void end_bar_hold();
    void focus_entered();
    void focus_left();
    void end_gesture();
    void drop_rendered(Mirror& mirror);
    static void draw_box(GtkDrawingArea* area, cairo_t* cr, int width, int height, gpointer mirror);
    void draw_image(Mirror& mirror, cairo_t* cr);
    GdkCursor* cursor_for(const PointerShapePtr& shape);

    static void system_color_picked(GObject* portal, GAsyncResult* result, gpointer self);

    GtkWidget* owner_;
    Tintbox& control_;
    Surface& surface_;
    std::function<void(const std::string&)> report_;
    std::vector<std::unique_ptr<Mirror>> mirrors_;
    std::vector<GtkWidget*> stacking_;  // the children, bottom first
    std::unordered_map<const View*, std::size_t> index_of_;
    MirrorSession session_{*this};
    guint flush_source_ = 0;
    guint clock_source_ = 0;
    int clock_interval_ = 0;
    std::function<void(int)> external_clock_;  // the caller's clock, instead of clock_source_
    GtkEventController* focus_controller_ = nullptr;
    Mirror* held_bar_ = nullptr;  // a scroll bar whose thumb GTK drags
    // A scroll bar's arrow or track that the left button is held on: its action repeats.
    struct BarHold {
        Mirror* bar = nullptr;
        ScrollAction action = ScrollAction::LineDown;
        double x = 0;  // the pointer, in the control's logical pixels
        double y = 0;
        guint repeat_source = 0;
    };
    BarHold bar_hold_;
    GtkCssProvider* bar_css_ = nullptr;  // the scroll bars' arrows and thumbs
    bool moving_bar_ = false;            // mirroring writes a bar's value
    guint32 last_press_time_ = 0;
    int last_press_button_ = 0;
    double last_press_x_ = 0;
    double last_press_y_ = 0;
    double wheel_turn_ = 0;  // a smooth wheel's turn towards the next notch
    int resize_source_ = 0;
    std::unordered_map<const PointerShape*, std::pair<PointerShapePtr, GdkCursor*>> cursors_;
    GtkWidget* context_menu_ = nullptr;  // a field's edit menu while it is open
    guint menu_close_source_ = 0;
    std::unique_ptr<Clipboard> primary_;  // X11's primary selection
    GtkIMContext* input_method_ = nullptr;
    bool input_method_focused_ = false;
    GObject* portal_ = nullptr;            // the desktop portal's client, made at the first pick
    GCancellable* system_pick_ = nullptr;  // while the desktop's picker is open
};

}  // namespace tintbox::gtkskin

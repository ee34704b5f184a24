/// \file
/// The view layer: an in-memory model of every view of the control, the single source of
/// truth for their state, and the one place where the notification rules live.
///
/// Sections: View (common state, events, observation) - TextField - ScrollBar -
/// PictureBox - Image - Label - Timer - Surface (the control's own surface: stacking,
/// focus, capture, time, and the input functions that a person's actions go through).
///
/// Notification rules: a write of a different Text or Value raises Change before it
/// returns; an identical write raises nothing; colour, visibility, enabled and selection
/// writes raise nothing. Every event handler runs inside an event boundary: an exception
/// it throws ends it and goes to the surface's error sink, never to the writer.
///
/// A skin observes a view through its observer (one per view), which is told after every
/// state change which aspect changed; it feeds a person's input back through Surface's
/// input functions, the same ones tintbox-script uses.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tintbox/error.hpp"
#include "tintbox/picture.hpp"
#include "tintbox/platform.hpp"
#include "tintbox/types.hpp"

namespace tintbox {

class Surface;

/// The kinds of view; each is a class of its own below.
enum class ViewKind { TextField, ScrollBar, PictureBox, Image, Label, Timer };

/// What changed, as told to a view's observer.
enum class Aspect {
    Text,       ///< Text or Caption
    Selection,  ///< SelStart / SelLength
    Value,      ///< a scroll bar's Value or its pending thumb position
    Geometry,   ///< Left, Top, Width, Height
    Colors,     ///< ForeColor, BackColor
    Visible,
    Enabled,
    Focus,  ///< the view gained or lost the keyboard focus
    Picture,
    Pointer,  ///< MousePointer or MouseIcon
    Timer,    ///< a timer was enabled or disabled
};

/// A 32 x 32 monochrome pointer shape: `drawn[row * 32 + column]` inverts the screen
/// there; every other pixel is transparent.
struct PointerShape {
    std::string name;         ///< "A" or "B"
    std::vector<bool> drawn;  ///< 32 x 32, row by row from the top
    int hot_x = 15;           ///< the hot spot's column
    int hot_y = 15;           ///< the hot spot's row
};
/// A pointer shape as views share it.
using PointerShapePtr = std::shared_ptr<const PointerShape>;

/// MousePointer's default: the view's own pointer.
inline constexpr std::int16_t kDefaultPointer = 0;
/// MousePointer that shows the view's MouseIcon.
inline constexpr std::int16_t kCustomPointer = 99;

/// The pointer a skin shows over a view: the arrow, the text (I-beam) pointer that is a
/// text field's default, or the view's MouseIcon.
enum class PointerKind { Arrow, Text, Icon };

/// What every view has: a name, a place and size, colours, visibility, enabled, a
/// pointer, a place in the tab order, its events and its observer.
class View {
  public:
    /// Told after each change of the view's state, with the aspect that changed.
    using Observer = std::function<void(const View&, Aspect)>;
    /// An event handler without arguments (Change, GotFocus, LostFocus, Timer).
    using Handler = std::function<void()>;
    /// A mouse event's handler (MouseDown, MouseMove, MouseUp).
    using MouseHandler = std::function<void(const MouseEvent&)>;

    /// A view of `kind` on `surface`; the surface adds views through Surface::add.
    View(Surface& surface, std::string name, ViewKind kind);
    virtual ~View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const std::string& name() const noexcept { return name_; }  ///< as the control names it
    ViewKind kind() const noexcept { return kind_; }            ///< which class it is
    Surface& surface() const noexcept { return surface_; }      ///< the surface it is on
    /// The view this one sits in, or null for a view on the surface.
    View* parent() const noexcept { return parent_; }
    /// The views that sit in this one.
    const std::vector<View*>& children() const noexcept { return children_; }
    /// Makes this view a child of `parent`: its position becomes relative to the parent's.
    void place_inside(View& parent);

    ///@{
    /// Position (relative to the parent, or the surface) and size, in twips.
    Twips Left() const noexcept { return left_; }
    Twips Top() const noexcept { return top_; }
    Twips Width() const noexcept { return width_; }
    Twips Height() const noexcept { return height_; }
    void SetLeft(Twips value);
    void SetTop(Twips value);
    void SetWidth(Twips value);
    void SetHeight(Twips value);
    ///@}
    ///@{
    /// Top-left corner in surface twips (adds the parents' positions).
    Twips surface_left() const noexcept;
    Twips surface_top() const noexcept;
    ///@}
    bool contains(Twips x, Twips y) const noexcept;  ///< x, y relative to the view

    ///@{
    /// Whether the view is shown (a hidden view lets the mouse through) and takes input.
    bool Visible() const noexcept { return visible_; }
    bool Enabled() const noexcept { return enabled_; }
    void SetVisible(bool value);
    virtual void SetEnabled(bool value);
    ///@}

    ///@{
    /// Background and text colours (system colours allowed, see resolve_system_color).
    ColorValue BackColor() const noexcept { return back_color_; }
    ColorValue ForeColor() const noexcept { return fore_color_; }
    void SetBackColor(ColorValue value);
    void SetForeColor(ColorValue value);
    ///@}
    ///@{
    /// A one-pixel line around the view (the frames that enclose an editor).
    bool border_line() const noexcept { return border_line_; }
    void set_border_line(bool value);
    ///@}

    ///@{
    /// The pointer over the view: MousePointer 99 shows MouseIcon, 0 the default one.
    std::int16_t MousePointer() const noexcept { return mouse_pointer_; }
    void SetMousePointer(std::int16_t value);
    const PointerShapePtr& MouseIcon() const noexcept { return mouse_icon_; }
    void SetMouseIcon(PointerShapePtr icon);
    ///@}
    /// Which pointer a skin shows over the view now.
    PointerKind pointer_kind() const noexcept;

    ///@{
    /// Place in the tab order, -1 for views that have none.
    int TabIndex() const noexcept { return tab_index_; }
    void set_tab_index(int index) noexcept { tab_index_ = index; }
    ///@}
    ///@{
    /// Whether Tab stops here (text fields and scroll bars unless switched off).
    bool tab_stop() const noexcept { return tab_stop_; }
    void set_tab_stop(bool value) noexcept { tab_stop_ = value; }
    ///@}
    /// Whether a mouse press or SetFocus can give this view the keyboard focus.
    bool can_take_focus() const noexcept;
    /// Whether this view holds the surface's keyboard focus.
    bool has_focus() const noexcept;

    /// Moves the keyboard focus here: LostFocus on the view that had it, then GotFocus.
    /// Error(InvalidProcedureCall) when the view cannot take the focus.
    void SetFocus();

    ///@{
    /// Events, installed by the control.
    Handler on_change;
    Handler on_got_focus;
    Handler on_lost_focus;
    Handler on_timer;
    MouseHandler on_mouse_down;
    MouseHandler on_mouse_move;
    MouseHandler on_mouse_up;
    ///@}
    /// Escape cancels the mouse gesture that started on this view; its release handlers
    /// run right after.
    Handler on_gesture_cancelled;

    /// The skin's observer (one per view); replaces the one before.
    void set_observer(Observer observer) { observer_ = std::move(observer); }

  protected:
    /// Tells the observer that `aspect` changed.
    void notify(Aspect aspect) const;
    ///@{
    /// Runs a handler inside an event boundary (see the file comment).
    void raise(const Handler& handler) const;
    void raise(const MouseHandler& handler, const MouseEvent& event) const;
    ///@}
    friend class Surface;

  private:
    Surface& surface_;
    std::string name_;
    ViewKind kind_;
    View* parent_ = nullptr;
    std::vector<View*> children_;
    Twips left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    ColorValue back_color_ = kSystemButtonFace;
    ColorValue fore_color_ = kSystemWindowText;
    bool border_line_ = false;
    std::int16_t mouse_pointer_ = kDefaultPointer;
    PointerShapePtr mouse_icon_;
    int tab_index_ = -1;
    bool tab_stop_ = false;
    Observer observer_;
};

/// A key's command in the view layer; key_command (input.hpp) says which chord gives which.
enum class Key {
    Backspace,
    Delete,
    Left,
    Right,
    Home,
    End,
    ShiftLeft,
    ShiftRight,
    ShiftHome,
    ShiftEnd,
    CtrlA,
    PageUp,
    PageDown,
    Up,
    Down,
    Escape,
    CtrlC,       ///< copy the selection to the clipboard
    CtrlX,       ///< cut it
    CtrlV,       ///< paste the clipboard's text
    CtrlZ,       ///< undo the last edit
    CtrlShiftZ,  ///< redo it
};

/// A text field: its text, caret and selection, MaxLength, and a person's editing with
/// its undo history.
class TextField : public View {
  public:
    /// An empty field; Surface::add makes it.
    TextField(Surface& surface, std::string name);

    /// The text, UTF-16.
    const std::u16string& Text() const noexcept { return text_; }
    /// A different text raises Change before returning; the caret goes to 0 with nothing
    /// selected. The same text raises nothing and leaves the caret alone.
    void SetText(std::u16string value);

    ///@{
    /// Start of the selection (the caret when nothing is selected) and its length.
    std::int32_t SelStart() const noexcept;
    std::int32_t SelLength() const noexcept;
    ///@}
    /// The caret at `value` (at the end when beyond it), nothing selected.
    void SetSelStart(std::int32_t value);
    /// Selects `value` characters from the selection's start (to the end at most).
    void SetSelLength(std::int32_t value);
    /// Where the caret blinks: the moving end of the selection.
    std::int32_t caret() const noexcept { return active_; }

    ///@{
    /// The longest text a person's edits make, 0 for no limit.
    std::int32_t MaxLength() const noexcept { return max_length_; }
    void SetMaxLength(std::int32_t value);
    ///@}

    /// A person's editing (reached through Surface, which routes it to the focused field).
    /// Each keystroke, paste, cut or delete that changes the text is one step of the
    /// field's undo history; undoing or redoing one is a person's edit too (Change
    /// runs) that leaves the caret after the text it brings back. An edit that leaves the
    /// text as it was (a character that the Change handler refuses) leaves the history
    /// alone, the steps to redo included. A write of a new Text that is not part of a
    /// person's edit of this field (the host's or another editor's) clears the history.
    void type_character(char16_t c);
    /// Replaces the whole text with what whole_text_paste makes of `text`, if anything;
    /// otherwise replaces the selection with `text` (after paste_filter). Either is cut to
    /// fit MaxLength; an empty paste deletes the selection.
    void paste(std::u16string_view text);
    /// False when the key means nothing to a text field.
    bool press_key(Key key);
    ///@{
    /// Whether the history has a step to undo, or to redo.
    bool can_undo() const noexcept { return !undo_.empty(); }
    bool can_redo() const noexcept { return !redo_.empty(); }
    ///@}
    /// Copy and cut take a selection, from a field whose text is the person's to copy.
    bool can_copy() const noexcept { return copyable_ && anchor_ != active_; }
    /// False for a field that only holds the focus (its text is not the person's): copy
    /// and cut then leave the clipboard and the text alone.
    void set_copyable(bool copyable) noexcept { copyable_ = copyable; }
    /// The text of the selection, empty when nothing is selected.
    std::u16string selected_text() const;
    /// Applied to pasted text before it is cut to fit MaxLength (the control sets it on
    /// the fields that take a colour number as people copy it).
    std::function<std::u16string(std::u16string_view)> paste_filter;
    /// Tried first: the whole new text that a pasted text stands for (the control sets it
    /// on the fields that take a colour in a common notation), or nothing.
    std::function<std::optional<std::u16string>(std::u16string_view)> whole_text_paste;
    /// Selects from `start` to `start + length`, each limited to the text; the caret goes
    /// to the second.
    void select(std::int32_t start, std::int32_t length);
    /// Moves the caret to `position`, keeping the selection's fixed end when `extend`.
    void move_caret(std::int32_t position, bool extend);
    /// The character boundary nearest to x (twips relative to the field).
    std::int32_t position_at(Twips x) const;

  private:
    /// One step of the history: the texts before and after a person's edit, each with
    /// the caret that undo or redo puts back, after the text it brings back.
    struct EditStep {
        std::u16string before;
        std::int32_t caret_before = 0;
        std::u16string after;
        std::int32_t caret_after = 0;
    };
    /// A person's edit: the text becomes `edited` with the caret at `caret`, and Change
    /// runs; what it changed is recorded in the undo history, undo putting the caret back
    /// at `caret_before`.
    void edit(std::u16string edited, std::int32_t caret, std::int32_t caret_before);
    void replace_selection(std::u16string_view insert);
    void undo();
    void redo();
    void apply_edit(std::u16string text, std::int32_t caret);

    std::u16string text_;
    std::int32_t anchor_ = 0;  ///< fixed end of the selection
    std::int32_t active_ = 0;  ///< moving end (the caret)
    std::int32_t max_length_ = 0;
    std::vector<EditStep> undo_;
    std::vector<EditStep> redo_;
    int editing_ = 0;  ///< > 0 while a person's edit of this field runs its Change
    bool copyable_ = true;
};

/// Scroll-bar moves as a person makes them. As on a vertical bar, "down" increases the
/// value: LineDown is the right arrow of a horizontal bar, PageDown a click right of the
/// thumb.
enum class ScrollAction { LineDown, LineUp, PageDown, PageUp, ToMin, ToMax };

/// A scroll bar: its value between Min and Max, and a person's moves.
class ScrollBar : public View {
  public:
    /// A bar at 0 with the range 0..32767; Surface::add makes it.
    ScrollBar(Surface& surface, std::string name);

    /// The committed value (not a thumb drag's pending one).
    std::int16_t Value() const noexcept { return value_; }
    /// A different value raises Change before returning. Error(InvalidPropertyValue)
    /// outside Min..Max.
    void SetValue(std::int16_t value);
    ///@{
    /// The range of the value; Min is always 0.
    std::int16_t Min() const noexcept { return min_; }
    std::int16_t Max() const noexcept { return max_; }
    void SetMax(std::int16_t value);
    ///@}
    ///@{
    /// An arrow's step and a page's step: one each.
    std::int16_t SmallChange() const noexcept { return 1; }
    std::int16_t LargeChange() const noexcept { return 1; }
    ///@}

    /// A person's actions: arrow and page moves clamp to Min..Max; a thumb drag shows
    /// its position as pending (no Change) and commits it once on release.
    ///@{
    void act(ScrollAction action);
    void drag_thumb(std::int16_t value);
    void release_thumb();
    ///@}
    /// A thumb drag is in progress.
    bool dragging() const noexcept { return dragging_; }
    /// Where the thumb shows: the pending value during a drag, else Value.
    std::int16_t thumb_position() const noexcept { return dragging_ ? pending_ : value_; }

    /// Mouse geometry in twips relative to the bar: two square arrow buttons, a square
    /// thumb between them.
    ///@{
    Twips arrow_size() const noexcept;
    Twips thumb_left() const noexcept;
    ///@}
    std::int16_t value_at(Twips x) const noexcept;  ///< the thumb value whose centre is x

  private:
    std::int16_t clamp(int value) const noexcept;
    std::int16_t value_ = 0;
    std::int16_t min_ = 0;
    std::int16_t max_ = 32767;
    bool dragging_ = false;
    std::int16_t pending_ = 0;
};

class Image;

/// A box that holds other views and draws its background (the swatches, the frames).
class PictureBox : public View {
  public:
    /// An empty box; Surface::add makes it.
    PictureBox(Surface& surface, std::string name);
    /// The colour shown at (x, y), twips relative to the box, including what the views
    /// inside it draw there; -1 outside the box.
    ColorValue Point(Twips x, Twips y) const;
};

/// A picture on the surface (the spectrum).
class Image : public View {
  public:
    /// An image without a picture; Surface::add makes it.
    Image(Surface& surface, std::string name);

    ///@{
    /// The picture shown, null for none.
    const PicturePtr& Picture() const noexcept { return picture_; }
    void SetPicture(PicturePtr picture);
    ///@}
    ///@{
    /// Whether the picture is stretched to the image's size (else drawn unscaled).
    bool Stretch() const noexcept { return stretch_; }
    void SetStretch(bool value);
    ///@}

    /// The picture's colour drawn at (x, y), twips relative to the image; -1 where no
    /// picture covers the point.
    ColorValue drawn_color(Twips x, Twips y) const noexcept;
    /// The picture pixel drawn at (x, y), stretched to the image's size (or unscaled
    /// at the screen's twips per pixel): false where no picture pixel is drawn there.
    bool picture_pixel_at(Twips x, Twips y, std::int32_t& column, std::int32_t& row) const noexcept;

  private:
    PicturePtr picture_;
    bool stretch_ = false;
};

/// A caption on the surface.
class Label : public View {
  public:
    /// A label without a caption; Surface::add makes it.
    Label(Surface& surface, std::string name);

    /// The text shown.
    const std::u16string& Caption() const noexcept { return caption_; }
    /// With AutoSize the width follows at once: the caption's width in the font.
    void SetCaption(std::u16string value);
    ///@{
    /// Whether the width follows the caption.
    bool AutoSize() const noexcept { return auto_size_; }
    void SetAutoSize(bool value);
    ///@}
    /// Redraw now. Front ends draw every change as it is mirrored, so there is nothing
    /// left to redraw: observers hear nothing.
    void Refresh();

  private:
    void fit_caption();
    std::u16string caption_;
    bool auto_size_ = false;
};

/// A timer: raises Timer every Interval while it is enabled (the surface's clock drives it).
class Timer : public View {
  public:
    /// A timer with no interval; Surface::add makes it.
    Timer(Surface& surface, std::string name);

    void SetEnabled(bool value) override;  ///< enabling starts a fresh interval
    ///@{
    /// The interval in milliseconds; 0 raises nothing.
    std::int32_t Interval() const noexcept { return interval_; }
    void SetInterval(std::int32_t milliseconds);
    ///@}
    /// Advances this timer's clock, raising Timer for every interval that falls due
    /// while it stays enabled.
    void advance(std::int32_t milliseconds);

  private:
    std::int32_t interval_ = 0;
    std::int32_t elapsed_ = 0;
};

/// The control's own surface (UserControl): it owns the views in stacking order, holds
/// the focus and the mouse capture, drives the timers, and takes a person's input.
class Surface {
  public:
    /// Where the errors of event handlers go.
    using ErrorSink = std::function<void(const Error&)>;
    /// Told the name of a property that changed ("Picture", "Enabled").
    using PropertyChangedHandler = std::function<void(const std::string&)>;

    /// A null clipboard is one of the surface's own, in memory.
    Surface(std::shared_ptr<Screen> screen, std::shared_ptr<FontMetrics> fonts,
            std::shared_ptr<Clipboard> clipboard = nullptr);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    /// Views are added from the topmost to the bottommost.
    template <class V>
    V& add(std::string name) {
        auto view = std::make_unique<V>(*this, std::move(name));
        V& ref = *view;
        views_.push_back(std::move(view));
        return ref;
    }
    /// Every view, topmost first.
    const std::vector<std::unique_ptr<View>>& views() const noexcept { return views_; }
    /// The view of that name, or null.
    View* find(std::string_view name) const noexcept;

    /// The size the surface has when it is created, before any host sizes it, and the
    /// narrowest width its layout keeps (raises nothing). Skins take their size hints
    /// from these.
    ///@{
    void set_design_size(Twips width, Twips height, Twips minimum_width) noexcept;
    Twips design_width() const noexcept { return design_width_; }
    Twips design_height() const noexcept { return design_height_; }
    Twips minimum_width() const noexcept { return minimum_width_; }
    ///@}
    ///@{
    /// The surface's own properties (Width, Height in twips; Enabled). A write of a new
    /// Width or Height raises Resize before it returns.
    Twips Width() const noexcept { return width_; }
    Twips Height() const noexcept { return height_; }
    void SetWidth(Twips value);
    void SetHeight(Twips value);
    bool Enabled() const noexcept { return enabled_; }
    ///@}
    /// Switching the surface off first ends a gesture in progress (end_gesture).
    void SetEnabled(bool value);
    /// Tells the host that a property changed (on_property_changed).
    void PropertyChanged(const std::string& name);
    /// The surface's background: the system's button face.
    ColorValue BackColor() const noexcept { return kSystemButtonFace; }

    /// Resize: raised after a write of a new Width or Height.
    View::Handler on_resize;
    /// Told by PropertyChanged.
    PropertyChangedHandler on_property_changed;
    /// Told after Width, Height or Enabled changed.
    std::function<void()> on_surface_changed;

    ///@{
    /// The platform services the surface was made with.
    Screen& screen() const noexcept { return *screen_; }
    const FontMetrics& fonts() const noexcept { return *fonts_; }
    Clipboard& clipboard() const noexcept { return *clipboard_; }
    ///@}
    /// The screen's twips per pixel.
    float twips_per_pixel() const { return screen_->twips_per_pixel_x(); }

    /// Where report() hands errors; replaces the sink before.
    void set_error_sink(ErrorSink sink) { error_sink_ = std::move(sink); }
    /// Hands an error that ended an event handler to the host's error sink.
    void report(const Error& error) const;
    /// Runs an event handler of `source` inside an event boundary: whatever it throws
    /// ends it and is reported, never passed to the code that raised the event.
    void dispatch(const std::string& source, const std::function<void()>& handler) const;

    /// The view that holds the keyboard focus, or null.
    View* focused() const noexcept { return focused_; }
    void move_focus(View& view);  ///< the SetFocus protocol
    /// The keyboard focus went to something outside the control: LostFocus on the view
    /// that had it, and no view holds it until the person comes back.
    void clear_focus();
    /// The views that Tab visits, in tab order.
    std::vector<View*> tab_stops() const;
    /// The indices into views() in the order a front end makes their widgets: bottom up
    /// (views are listed topmost first, and toolkits stack a later child above an earlier
    /// one), the views on the surface first, then the views inside another view (above
    /// every view on the surface, made once their parent's widget exists).
    std::vector<std::size_t> creation_order() const;
    /// Whether Tab (forward) or Shift+Tab from the focused view passes the end of the
    /// tab order: a skin or host then moves its own focus out of the control instead of
    /// calling tab() / backtab(), which wrap around.
    bool tab_leaves(bool forward) const;
    /// The window system or a host moved the keyboard focus into the control from outside
    /// it. By Tab or Shift+Tab (`by_tab`) it enters at the first or the last tab stop.
    /// Otherwise `received` takes it (the view the window system gave it to, or the one
    /// that had it before it left) when it can, else the view holding the model's focus
    /// keeps it, else the first tab stop (the last when `backward`). Returns whether a
    /// view holds the focus afterwards.
    bool focus_entered(View* received, bool by_tab, bool backward);

    // --- A person's input. Ignored while the surface is disabled; keys, typing, paste
    // and selection also while the focused view is disabled. ----------------------------
    ///@{
    /// Mouse positions are surface twips. A press goes to the topmost visible, enabled
    /// view at the point (a view inside another is tested first); while a button pressed
    /// over a view is held, that view receives every move and release. A press or
    /// release away from the last pointer position first moves the pointer there.
    void press(std::int16_t button, Twips x, Twips y, std::int16_t modifiers = 0);
    void release(std::int16_t button, Twips x, Twips y, std::int16_t modifiers = 0);
    ///@}
    /// Ends the gesture in progress when its release will never arrive (the surface
    /// switched off, a popup took the release, the pointer grab was lost, the window
    /// was deactivated, the skin hidden or destroyed): every held button is released at
    /// the pointer's last position, as a release would be, and the press bookkeeping
    /// (held buttons, capture, thumb drag, drag selection) is cleared. Nothing when no
    /// button is held. Works while the surface is disabled.
    void end_gesture();
    /// True while end_gesture delivers the releases: a release handler tells a gesture
    /// that lost its release from one the person ended.
    bool ending_gesture() const noexcept { return ending_gesture_; }
    /// The second press of a double click. Toolkits differ in whether its press comes
    /// first (Qt's does, Win32's does not): the press is delivered here unless the button
    /// is already held. A left double click on the focused text field under the pointer
    /// then selects its whole text.
    void double_click(std::int16_t button, Twips x, Twips y, std::int16_t modifiers = 0);
    /// A middle press's paste of the primary selection (the X11 habit): when the text
    /// field at the point holds the focus, the caret goes there, as a left press puts it,
    /// and `text` is pasted as paste() pastes it. Nothing anywhere else.
    void paste_at(Twips x, Twips y, std::u16string_view text);
    /// Wheel notches over the point, positive away from the person: over a scroll bar
    /// each notch is one step (a bar's page is one step too) towards Min, as a drag of the
    /// thumb that is let go. False when no bar is there to take it.
    bool wheel(Twips x, Twips y, std::int32_t notches);
    /// A press on a bar whose own hit testing a front end keeps (a native scroll bar):
    /// the bar takes the focus at once, as press() gives it; the move follows through
    /// scroll() or scroll_to().
    void scroll_bar_pressed(ScrollBar& bar);
    /// The pointer moved to (x, y): MouseMove goes to the view that holds the mouse, else
    /// to the one under the pointer. While a button is held, a move to where the last
    /// press or move was does nothing (a drag does not act again on a move that went
    /// nowhere, which some window systems report).
    void move(Twips x, Twips y, std::int16_t modifiers = 0);
    /// The buttons held now, as MouseButton bits.
    std::int16_t held_buttons() const noexcept { return held_; }
    /// The view that holds the mouse while a button is held, or null.
    View* captured() const noexcept { return capture_; }
    /// The view a press at (x, y) would go to, or null.
    View* view_at(Twips x, Twips y) const noexcept;

    ///@{
    /// Tab and Shift+Tab: the focus moves to the next or previous tab stop, wrapping round.
    void tab();
    void backtab();
    ///@}
    /// Keyboard focus by tabbing straight to `view` (no mouse press involved).
    void focus_by_keyboard(View& view);
    ///@{
    /// Keystrokes into the focused view; typing and pasting need a text field.
    void type(std::u16string_view text);
    void paste(std::u16string_view text);
    ///@}
    /// True when the control used the key (a skin passes an unused one on to its host).
    /// Escape during a mouse gesture raises on_gesture_cancelled on the view where it
    /// started, then ends the gesture (end_gesture); the Left, Right, Up and Down arrows
    /// move a focused scroll bar by one step.
    bool key(Key key);
    /// Selects text in the focused text field (TextField::select).
    void select(std::int32_t start, std::int32_t length);
    /// Scroll-bar actions by a person: the bar takes the focus first.
    void scroll(ScrollBar& bar, ScrollAction action);
    void scroll_to(ScrollBar& bar, std::int16_t value);  ///< drag the thumb and let go

    /// Advances time, raising every timer event that falls due, in 10 ms steps.
    void advance_time(std::int32_t milliseconds);
    /// Whether any timer runs (a host that pumps time needs to).
    bool any_timer_enabled() const noexcept;

  private:
    void tab_in_order(bool forward);
    void deliver_move(Twips x, Twips y, std::int16_t buttons, std::int16_t modifiers);
    void deliver_release(std::int16_t button, Twips x, Twips y, std::int16_t modifiers);
    MouseEvent relative(const View& view, std::int16_t button, std::int16_t modifiers, Twips x,
                        Twips y) const;
    /// The focused view when it takes keys, typing and selection; otherwise null.
    View* editable_focus() const noexcept;
    bool scroll_bar_key(ScrollBar& bar, Key key);

    std::vector<std::unique_ptr<View>> views_;
    std::shared_ptr<Screen> screen_;
    std::shared_ptr<FontMetrics> fonts_;
    std::shared_ptr<Clipboard> clipboard_;
    Twips width_ = 0;
    Twips height_ = 0;
    Twips design_width_ = 0;
    Twips design_height_ = 0;
    Twips minimum_width_ = 0;
    bool enabled_ = true;
    View* focused_ = nullptr;
    View* capture_ = nullptr;
    std::int16_t held_ = 0;
    Twips pointer_x_ = -1;
    Twips pointer_y_ = -1;
    ScrollBar* thumb_drag_ = nullptr;
    TextField* drag_select_ = nullptr;  ///< the field whose text a left drag selects
    bool ending_gesture_ = false;
    ErrorSink error_sink_;
};

}  // namespace tintbox

// Surface: the control's own surface. It owns the views, holds the keyboard focus and
// the mouse capture, drives the timers, and turns a person's input into view events in
// the order the control relies on.
#include <algorithm>
#include <cmath>
#include <exception>

#include "base/headless_platform.hpp"
#include "tintbox/views.hpp"

namespace tintbox {

Surface::Surface(std::shared_ptr<Screen> screen, std::shared_ptr<FontMetrics> fonts,
                 std::shared_ptr<Clipboard> clipboard)
    : screen_(std::move(screen)),
      fonts_(std::move(fonts)),
      clipboard_(clipboard ? std::move(clipboard) : std::make_shared<MemoryClipboard>()) {}

Surface::~Surface() = default;

View* Surface::find(std::string_view name) const noexcept {
    for (const auto& view : views_) {
        if (view->name() == name) {
            return view.get();
        }
    }
    return nullptr;
}

void Surface::set_design_size(Twips width, Twips height, Twips minimum_width) noexcept {
    width_ = design_width_ = width;
    height_ = design_height_ = height;
    minimum_width_ = minimum_width;
}

namespace {

void require_finite(Twips value, const char* property) {
    if (!std::isfinite(value)) {
        throw Error(ErrorKind::InvalidPropertyValue,
                    std::string("UserControl.") + property + " must be a finite number of twips");
    }
}

}  // namespace

void Surface::SetWidth(Twips value) {
    require_finite(value, "Width");
    if (value == width_) {
        return;
    }
    width_ = value;
    if (on_surface_changed) {
        on_surface_changed();
    }
    dispatch("UserControl", on_resize);
}

void Surface::SetHeight(Twips value) {
    require_finite(value, "Height");
    if (value == height_) {
        return;
    }
    height_ = value;
    if (on_surface_changed) {
        on_surface_changed();
    }
    dispatch("UserControl", on_resize);
}

void Surface::SetEnabled(bool value) {
    if (value == enabled_) {
        return;
    }
    if (!value) {
        end_gesture();  // a release can no longer reach the control
    }
    enabled_ = value;
    if (on_surface_changed) {
        on_surface_changed();
    }
}

void Surface::PropertyChanged(const std::string& name) {
    if (on_property_changed) {
        on_property_changed(name);
    }
}

void Surface::report(const Error& error) const {
    if (error_sink_) {
        error_sink_(error);
    }
}

void Surface::dispatch(const std::string& source, const std::function<void()>& handler) const {
    if (!handler) {
        return;
    }
    try {
        handler();
    } catch (const Error& error) {
        report(error);
    } catch (const std::exception& error) {
        report(Error(ErrorKind::Internal, source + ": " + error.what()));
    }
}

void Surface::move_focus(View& view) {
    if (focused_ == &view) {
        return;
    }
    View* previous = focused_;
    if (previous != nullptr) {
        previous->raise(previous->on_lost_focus);
    }
    focused_ = &view;
    if (previous != nullptr) {
        previous->notify(Aspect::Focus);
    }
    view.notify(Aspect::Focus);
    view.raise(view.on_got_focus);
}

void Surface::clear_focus() {
    View* previous = focused_;
    if (previous == nullptr) {
        return;
    }
    previous->raise(previous->on_lost_focus);
    if (focused_ == previous) {
        focused_ = nullptr;
        previous->notify(Aspect::Focus);
    }
}

std::vector<View*> Surface::tab_stops() const {
    std::vector<View*> stops;
    for (const auto& view : views_) {
        if (view->tab_stop() && view->can_take_focus()) {
            stops.push_back(view.get());
        }
    }
    std::stable_sort(stops.begin(), stops.end(),
                     [](const View* a, const View* b) { return a->TabIndex() < b->TabIndex(); });
    return stops;
}

std::vector<std::size_t> Surface::creation_order() const {
    std::vector<std::size_t> order;
    for (const bool inside : {false, true}) {
        for (std::size_t i = views_.size(); i-- > 0;) {
            if ((views_[i]->parent() != nullptr) == inside) {
                order.push_back(i);
            }
        }
    }
    return order;
}

bool Surface::tab_leaves(bool forward) const {
    if (focused_ == nullptr) {
        return false;  // Tab enters at the first stop
    }
    const std::vector<View*> stops = tab_stops();
    if (stops.empty()) {
        return true;
    }
    return forward ? focused_->TabIndex() >= stops.back()->TabIndex()
                   : focused_->TabIndex() <= stops.front()->TabIndex();
}

View* Surface::view_at(Twips x, Twips y) const noexcept {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return nullptr;
    }
    for (const auto& view : views_) {
        if (view->parent() != nullptr || !view->Visible() || !view->Enabled() ||
            view->kind() == ViewKind::Timer) {
            continue;
        }
        const Twips local_x = x - view->Left();
        const Twips local_y = y - view->Top();
        if (!view->contains(local_x, local_y)) {
            continue;
        }
        for (View* child : view->children()) {
            if (child->Visible() && child->Enabled() &&
                child->contains(local_x - child->Left(), local_y - child->Top())) {
                return child;
            }
        }
        return view.get();
    }
    return nullptr;
}

MouseEvent Surface::relative(const View& view, std::int16_t button, std::int16_t modifiers, Twips x,
                             Twips y) const {
    return MouseEvent{button, modifiers, x - view.surface_left(), y - view.surface_top()};
}

void Surface::deliver_move(Twips x, Twips y, std::int16_t buttons, std::int16_t modifiers) {
    pointer_x_ = x;
    pointer_y_ = y;
    View* target = capture_ != nullptr ? capture_ : view_at(x, y);
    if (target == nullptr) {
        return;
    }
    const MouseEvent event = relative(*target, buttons, modifiers, x, y);
    if (!target->Enabled()) {
        // A view switched off under a held button keeps its state.
    } else if (thumb_drag_ == target) {
        thumb_drag_->drag_thumb(thumb_drag_->value_at(event.x));
    } else if (drag_select_ == target && (buttons & kLeftButton) != 0 && target->has_focus()) {
        drag_select_->move_caret(drag_select_->position_at(event.x), true);
    }
    target->raise(target->on_mouse_move, event);
}

void Surface::move(Twips x, Twips y, std::int16_t modifiers) {
    // Windows and X11 report a move where the pointer did not go anywhere (a grab taken,
    // the motion before a synthesized release): with a button held it would drag or pick
    // again. Without one it still tells the view now under the pointer.
    const bool went_nowhere = held_ != 0 && x == pointer_x_ && y == pointer_y_;
    if (enabled_ && !went_nowhere) {
        deliver_move(x, y, held_, modifiers);
    }
}

void Surface::press(std::int16_t button, Twips x, Twips y, std::int16_t modifiers) {
    if (!enabled_) {
        return;
    }
    if (x != pointer_x_ || y != pointer_y_) {
        deliver_move(x, y, held_, modifiers);
    }
    if (held_ == 0) {
        capture_ = view_at(x, y);
    }
    held_ = static_cast<std::int16_t>(held_ | button);
    View* target = capture_;
    if (target == nullptr) {
        return;
    }
    const MouseEvent event = relative(*target, button, modifiers, x, y);
    switch (target->kind()) {
        case ViewKind::TextField: {
            auto* field = static_cast<TextField*>(target);
            field->raise(field->on_mouse_down, event);
            if (field->can_take_focus()) {
                move_focus(*field);
            }
            if (button == kLeftButton && field->has_focus()) {
                field->move_caret(field->position_at(event.x), false);
                drag_select_ = field;  // moves with the button held extend the selection
            }
            break;
        }
        case ViewKind::ScrollBar: {
            auto* bar = static_cast<ScrollBar*>(target);
            if (!bar->can_take_focus()) {
                break;
            }
            move_focus(*bar);
            if (button != kLeftButton) {
                break;
            }
            const Twips thumb = bar->thumb_left();
            if (event.x < bar->arrow_size()) {
                bar->act(ScrollAction::LineUp);
            } else if (event.x >= bar->Width() - bar->arrow_size()) {
                bar->act(ScrollAction::LineDown);
            } else if (event.x < thumb) {
                bar->act(ScrollAction::PageUp);
            } else if (event.x >= thumb + bar->arrow_size()) {
                bar->act(ScrollAction::PageDown);
            } else {
                thumb_drag_ = bar;
                bar->drag_thumb(bar->Value());
            }
            break;
        }
        default:
            target->raise(target->on_mouse_down, event);
            break;
    }
}

void Surface::release(std::int16_t button, Twips x, Twips y, std::int16_t modifiers) {
    if (!enabled_) {
        return;
    }
    if (x != pointer_x_ || y != pointer_y_) {
        deliver_move(x, y, held_, modifiers);
    }
    deliver_release(button, x, y, modifiers);
}

void Surface::deliver_release(std::int16_t button, Twips x, Twips y, std::int16_t modifiers) {
    View* target = capture_ != nullptr ? capture_ : view_at(x, y);
    held_ = static_cast<std::int16_t>(held_ & ~button);
    if (button == kLeftButton) {
        drag_select_ = nullptr;
    }
    if (held_ == 0) {
        capture_ = nullptr;
    }
    if (target == nullptr) {
        return;
    }
    if (thumb_drag_ == target && button == kLeftButton) {
        ScrollBar* bar = thumb_drag_;
        thumb_drag_ = nullptr;
        bar->release_thumb();
    }
    target->raise(target->on_mouse_up, relative(*target, button, modifiers, x, y));
}

void Surface::end_gesture() {
    const bool outer = !ending_gesture_;
    ending_gesture_ = true;
    for (const std::int16_t button : {kLeftButton, kRightButton, kMiddleButton}) {
        if ((held_ & button) != 0) {
            deliver_release(button, pointer_x_, pointer_y_, 0);
        }
    }
    if (outer) {
        ending_gesture_ = false;
    }
    // A handler that threw part-way leaves nothing behind either.
    held_ = 0;
    capture_ = nullptr;
    drag_select_ = nullptr;
    if (thumb_drag_ != nullptr) {
        ScrollBar* bar = thumb_drag_;
        thumb_drag_ = nullptr;
        bar->release_thumb();
    }
}

void Surface::tab_in_order(bool forward) {
    const std::vector<View*> stops = tab_stops();
    if (stops.empty()) {
        return;
    }
    View* next = nullptr;
    if (focused_ == nullptr) {
        next = forward ? stops.front() : stops.back();
    } else if (forward) {
        auto after = std::find_if(stops.begin(), stops.end(), [&](const View* v) {
            return v->TabIndex() > focused_->TabIndex();
        });
        next = after == stops.end() ? stops.front() : *after;
    } else {
        auto before = std::find_if(stops.rbegin(), stops.rend(), [&](const View* v) {
            return v->TabIndex() < focused_->TabIndex();
        });
        next = before == stops.rend() ? stops.back() : *before;
    }
    move_focus(*next);
}

void Surface::double_click(std::int16_t button, Twips x, Twips y, std::int16_t modifiers) {
    if ((held_ & button) == 0) {
        press(button, x, y, modifiers);
    }
    if (button != kLeftButton || editable_focus() == nullptr || focused_ != capture_ ||
        focused_->kind() != ViewKind::TextField) {
        return;
    }
    auto* field = static_cast<TextField*>(focused_);
    field->select(0, static_cast<std::int32_t>(field->Text().size()));
    drag_select_ = nullptr;  // the whole text stays selected until the release
}

void Surface::tab() {
    if (enabled_) {
        tab_in_order(true);
    }
}

void Surface::backtab() {
    if (enabled_) {
        tab_in_order(false);
    }
}

bool Surface::focus_entered(View* received, bool by_tab, bool backward) {
    const std::vector<View*> stops = tab_stops();
    View* target = nullptr;
    if (!by_tab && received != nullptr && received->can_take_focus()) {
        target = received;
    } else if (!by_tab && focused_ != nullptr) {
        target = focused_;
    } else if (!stops.empty()) {
        target = backward ? stops.back() : stops.front();
    }
    if (target != nullptr && target != focused_) {
        focus_by_keyboard(*target);
    }
    return focused_ != nullptr;
}

void Surface::focus_by_keyboard(View& view) {
    // As with Tab, a view that cannot take the focus is simply not reached.
    if (enabled_ && view.can_take_focus()) {
        move_focus(view);
    }
}

View* Surface::editable_focus() const noexcept {
    return enabled_ && focused_ != nullptr && focused_->Enabled() ? focused_ : nullptr;
}

void Surface::type(std::u16string_view text) {
    View* focused = editable_focus();
    if (focused == nullptr || focused->kind() != ViewKind::TextField) {
        return;
    }
    auto* field = static_cast<TextField*>(focused);
    for (char16_t c : text) {
        // Each keystroke goes to whichever field has the focus when it arrives.
        if (focused_ != field || !field->Enabled()) {
            break;
        }
        field->type_character(c);
    }
}

void Surface::paste(std::u16string_view text) {
    View* focused = editable_focus();
    if (focused != nullptr && focused->kind() == ViewKind::TextField) {
        static_cast<TextField*>(focused)->paste(text);
    }
}

void Surface::paste_at(Twips x, Twips y, std::u16string_view text) {
    View* view = view_at(x, y);
    if (view == nullptr || view != editable_focus() || view->kind() != ViewKind::TextField) {
        return;
    }
    auto* field = static_cast<TextField*>(view);
    field->move_caret(field->position_at(x - field->surface_left()), false);
    field->paste(text);
}

bool Surface::key(Key key) {
    if (key == Key::Escape) {
        View* started = capture_;
        if (held_ == 0 || started == nullptr) {
            return false;
        }
        started->raise(started->on_gesture_cancelled);
        end_gesture();
        return true;
    }
    View* focused = editable_focus();
    if (focused == nullptr) {
        return false;
    }
    switch (focused->kind()) {
        case ViewKind::TextField:
            return static_cast<TextField*>(focused)->press_key(key);
        case ViewKind::ScrollBar:
            return scroll_bar_key(*static_cast<ScrollBar*>(focused), key);
        default:
            return false;
    }
}

// On a horizontal bar Up and Down move as Left and Right do, as on the desktop's bars.
bool Surface::scroll_bar_key(ScrollBar& bar, Key key) {
    switch (key) {
        case Key::Left:
        case Key::Up:
            bar.act(ScrollAction::LineUp);
            return true;
        case Key::Right:
        case Key::Down:
            bar.act(ScrollAction::LineDown);
            return true;
        case Key::PageUp:
            bar.act(ScrollAction::PageUp);
            return true;
        case Key::PageDown:
            bar.act(ScrollAction::PageDown);
            return true;
        case Key::Home:
            bar.act(ScrollAction::ToMin);
            return true;
        case Key::End:
            bar.act(ScrollAction::ToMax);
            return true;
        default:
            return false;
    }
}

void Surface::select(std::int32_t start, std::int32_t length) {
    View* focused = editable_focus();
    if (focused != nullptr && focused->kind() == ViewKind::TextField) {
        static_cast<TextField*>(focused)->select(start, length);
    }
}

bool Surface::wheel(Twips x, Twips y, std::int32_t notches) {
    View* view = view_at(x, y);
    if (view == nullptr || view->kind() != ViewKind::ScrollBar || notches == 0) {
        return false;
    }
    auto& bar = static_cast<ScrollBar&>(*view);
    const std::int64_t value =
        std::clamp<std::int64_t>(std::int64_t{bar.Value()} - notches, bar.Min(), bar.Max());
    scroll_to(bar, static_cast<std::int16_t>(value));
    return true;
}

void Surface::scroll_bar_pressed(ScrollBar& bar) {
    if (enabled_ && bar.can_take_focus()) {
        move_focus(bar);
    }
}

void Surface::scroll(ScrollBar& bar, ScrollAction action) {
    if (!enabled_ || !bar.can_take_focus()) {
        return;
    }
    move_focus(bar);
    bar.act(action);
}

void Surface::scroll_to(ScrollBar& bar, std::int16_t value) {
    if (!enabled_ || !bar.can_take_focus()) {
        return;
    }
    move_focus(bar);
    bar.drag_thumb(value);
    bar.release_thumb();
}

bool Surface::any_timer_enabled() const noexcept {
    for (const auto& view : views_) {
        if (view->kind() == ViewKind::Timer && view->Enabled()) {
            return true;
        }
    }
    return false;
}

void Surface::advance_time(std::int32_t milliseconds) {
    constexpr std::int32_t kStep = 10;
    // Time without a running timer raises nothing: skip it instead of stepping through it.
    for (std::int32_t done = 0; done < milliseconds && any_timer_enabled(); done += kStep) {
        const std::int32_t step = std::min(kStep, milliseconds - done);
        for (const auto& view : views_) {
            if (view->kind() == ViewKind::Timer) {
                static_cast<Timer*>(view.get())->advance(step);
            }
        }
    }
}

}  // namespace tintbox

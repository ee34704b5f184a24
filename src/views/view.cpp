// View: the state every view kind shares, the event boundary and observation.
#include "tintbox/views.hpp"

namespace tintbox {

View::View(Surface& surface, std::string name, ViewKind kind)
    : surface_(surface), name_(std::move(name)), kind_(kind) {}

void View::place_inside(View& parent) {
    parent_ = &parent;
    parent.children_.push_back(this);
}

void View::SetLeft(Twips value) {
    if (left_ != value) {
        left_ = value;
        notify(Aspect::Geometry);
    }
}

void View::SetTop(Twips value) {
    if (top_ != value) {
        top_ = value;
        notify(Aspect::Geometry);
    }
}

void View::SetWidth(Twips value) {
    if (width_ != value) {
        width_ = value;
        notify(Aspect::Geometry);
    }
}

void View::SetHeight(Twips value) {
    if (height_ != value) {
        height_ = value;
        notify(Aspect::Geometry);
    }
}

Twips View::surface_left() const noexcept {
    return parent_ ? parent_->surface_left() + left_ : left_;
}

Twips View::surface_top() const noexcept {
    return parent_ ? parent_->surface_top() + top_ : top_;
}

bool View::contains(Twips x, Twips y) const noexcept {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
}

void View::SetVisible(bool value) {
    if (visible_ != value) {
        visible_ = value;
        notify(Aspect::Visible);
    }
}

void View::SetEnabled(bool value) {
    if (enabled_ != value) {
        enabled_ = value;
        notify(Aspect::Enabled);
    }
}

void View::SetBackColor(ColorValue value) {
    if (back_color_ != value) {
        back_color_ = value;
        notify(Aspect::Colors);
    }
}

void View::SetForeColor(ColorValue value) {
    if (fore_color_ != value) {
        fore_color_ = value;
        notify(Aspect::Colors);
    }
}

void View::set_border_line(bool value) {
    if (border_line_ != value) {
        border_line_ = value;
        notify(Aspect::Colors);
    }
}

void View::SetMousePointer(std::int16_t value) {
    if (mouse_pointer_ != value) {
        mouse_pointer_ = value;
        notify(Aspect::Pointer);
    }
}

void View::SetMouseIcon(PointerShapePtr icon) {
    mouse_icon_ = std::move(icon);
    notify(Aspect::Pointer);
}

PointerKind View::pointer_kind() const noexcept {
    if (mouse_pointer_ == kCustomPointer && mouse_icon_) {
        return PointerKind::Icon;
    }
    return kind_ == ViewKind::TextField ? PointerKind::Text : PointerKind::Arrow;
}

bool View::can_take_focus() const noexcept {
    return (kind_ == ViewKind::TextField || kind_ == ViewKind::ScrollBar) && visible_ && enabled_;
}

bool View::has_focus() const noexcept {
    return surface_.focused() == this;
}

void View::SetFocus() {
    if (!can_take_focus()) {
        throw Error(ErrorKind::InvalidProcedureCall,
                    name_ + " cannot take the focus while it is hidden or disabled");
    }
    surface_.move_focus(*this);
}

void View::notify(Aspect aspect) const {
    if (observer_) {
        observer_(*this, aspect);
    }
}

void View::raise(const Handler& handler) const {
    if (handler) {
        surface_.dispatch(name_, handler);
    }
}

void View::raise(const MouseHandler& handler, const MouseEvent& event) const {
    if (handler) {
        surface_.dispatch(name_, [&] { handler(event); });
    }
}

}  // namespace tintbox

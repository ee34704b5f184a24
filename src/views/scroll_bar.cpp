// ScrollBar: value, range, and a person's arrow, page and thumb moves.
#include <algorithm>
#include <cmath>

#include "tintbox/views.hpp"

namespace tintbox {

ScrollBar::ScrollBar(Surface& surface, std::string name)
    : View(surface, std::move(name), ViewKind::ScrollBar) {
    set_tab_stop(true);
}

void ScrollBar::SetValue(std::int16_t value) {
    if (value < min_ || value > max_) {
        throw Error(ErrorKind::InvalidPropertyValue,
                    name() + ".Value must lie between Min and Max");
    }
    if (value == value_) {
        return;
    }
    value_ = value;
    notify(Aspect::Value);
    raise(on_change);
}

void ScrollBar::SetMax(std::int16_t value) {
    max_ = value;
    if (value_ > max_) {
        value_ = max_;
    }
    notify(Aspect::Value);
}

std::int16_t ScrollBar::clamp(int value) const noexcept {
    return static_cast<std::int16_t>(
        std::clamp(value, static_cast<int>(min_), static_cast<int>(max_)));
}

void ScrollBar::act(ScrollAction action) {
    switch (action) {
        case ScrollAction::LineDown:
            SetValue(clamp(value_ + SmallChange()));
            break;
        case ScrollAction::LineUp:
            SetValue(clamp(value_ - SmallChange()));
            break;
        case ScrollAction::PageDown:
            SetValue(clamp(value_ + LargeChange()));
            break;
        case ScrollAction::PageUp:
            SetValue(clamp(value_ - LargeChange()));
            break;
        case ScrollAction::ToMin:
            SetValue(min_);
            break;
        case ScrollAction::ToMax:
            SetValue(max_);
            break;
    }
}

void ScrollBar::drag_thumb(std::int16_t value) {
    dragging_ = true;
    pending_ = clamp(value);
    notify(Aspect::Value);
}

void ScrollBar::release_thumb() {
    if (!dragging_) {
        return;
    }
    dragging_ = false;
    notify(Aspect::Value);
    SetValue(pending_);
}

Twips ScrollBar::arrow_size() const noexcept {
    return std::min(Height(), Width() / 3);
}

Twips ScrollBar::thumb_left() const noexcept {
    const Twips arrow = arrow_size();
    const Twips travel = std::max(0.0f, Width() - 3 * arrow);
    const int range = max_ - min_;
    const int position = thumb_position() - min_;
    return arrow +
           (range > 0 ? travel * static_cast<float>(position) / static_cast<float>(range) : 0);
}

std::int16_t ScrollBar::value_at(Twips x) const noexcept {
    const Twips arrow = arrow_size();
    const Twips travel = Width() - 3 * arrow;
    if (travel <= 0) {
        return value_;
    }
    // Clamped while still floating point: a pointer far outside the bar must not
    // overflow the integer conversion.
    double fraction = (static_cast<double>(x) - arrow - arrow / 2) / travel;
    fraction = fraction > 0 ? std::min(fraction, 1.0) : 0.0;  // NaN counts as the left end
    return clamp(min_ + static_cast<int>(std::lround(fraction * (max_ - min_))));
}

}  // namespace tintbox

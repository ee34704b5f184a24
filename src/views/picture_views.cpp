// The drawing views: picture boxes, the stretched image, auto-sized labels, and timers.
#include <cmath>

#include "tintbox/views.hpp"

namespace tintbox {

PictureBox::PictureBox(Surface& surface, std::string name)
    : View(surface, std::move(name), ViewKind::PictureBox) {}

ColorValue PictureBox::Point(Twips x, Twips y) const {
    if (!contains(x, y)) {
        return kFailedReading;
    }
    for (const View* child : children()) {
        if (child->kind() != ViewKind::Image || !child->Visible()) {
            continue;
        }
        const ColorValue drawn =
            static_cast<const Image*>(child)->drawn_color(x - child->Left(), y - child->Top());
        if (drawn != kFailedReading) {
            return drawn;
        }
    }
    return resolve_system_color(BackColor());
}

Image::Image(Surface& surface, std::string name)
    : View(surface, std::move(name), ViewKind::Image) {}

void Image::SetPicture(PicturePtr picture) {
    picture_ = std::move(picture);
    notify(Aspect::Picture);
}

void Image::SetStretch(bool value) {
    if (stretch_ != value) {
        stretch_ = value;
        notify(Aspect::Picture);
    }
}

bool Image::picture_pixel_at(Twips x, Twips y, std::int32_t& column,
                             std::int32_t& row) const noexcept {
    if (!picture_ || !contains(x, y)) {
        return false;
    }
    double fx;
    double fy;
    if (stretch_) {
        fx = static_cast<double>(x) * picture_->width() / Width();
        fy = static_cast<double>(y) * picture_->height() / Height();
    } else {
        const double twips_per_pixel = surface().twips_per_pixel();
        fx = x / twips_per_pixel;
        fy = y / twips_per_pixel;
    }
    column = static_cast<std::int32_t>(std::floor(fx));
    row = static_cast<std::int32_t>(std::floor(fy));
    return column >= 0 && row >= 0 && column < picture_->width() && row < picture_->height();
}

ColorValue Image::drawn_color(Twips x, Twips y) const noexcept {
    std::int32_t column = 0;
    std::int32_t row = 0;
    if (!picture_pixel_at(x, y, column, row)) {
        return kFailedReading;
    }
    return picture_->pixel(column, row) & kWhite;
}

Label::Label(Surface& surface, std::string name)
    : View(surface, std::move(name), ViewKind::Label) {}

void Label::SetCaption(std::u16string value) {
    if (value == caption_) {
        return;
    }
    caption_ = std::move(value);
    notify(Aspect::Text);
    if (auto_size_) {
        fit_caption();
    }
}

void Label::SetAutoSize(bool value) {
    auto_size_ = value;
    if (auto_size_) {
        fit_caption();
    }
}

// Every front end draws each change at its next flush, so a label is never behind its
// model: a redraw request has nothing to add, and telling observers of it would only make
// them draw the same caption again (three labels on every eyedropper tick).
void Label::Refresh() {}

void Label::fit_caption() {
    SetWidth(surface().fonts().text_width_pixels(caption_) * surface().twips_per_pixel());
}

Timer::Timer(Surface& surface, std::string name)
    : View(surface, std::move(name), ViewKind::Timer) {}

void Timer::SetEnabled(bool value) {
    if (value == Enabled()) {
        return;
    }
    View::SetEnabled(value);
    elapsed_ = 0;
    notify(Aspect::Timer);
}

void Timer::SetInterval(std::int32_t milliseconds) {
    if (milliseconds < 0) {
        throw Error(ErrorKind::InvalidPropertyValue, name() + ".Interval cannot be negative");
    }
    interval_ = milliseconds;
    elapsed_ = 0;
}

void Timer::advance(std::int32_t milliseconds) {
    if (!Enabled() || interval_ == 0) {
        return;
    }
    elapsed_ += milliseconds;
    while (Enabled() && elapsed_ >= interval_) {
        elapsed_ -= interval_;
        raise(on_timer);
    }
}

}  // namespace tintbox

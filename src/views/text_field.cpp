// TextField: text, caret and selection, and a person's editing.
#include <algorithm>

#include "tintbox/views.hpp"

namespace tintbox {

TextField::TextField(Surface& surface, std::string name)
    : View(surface, std::move(name), ViewKind::TextField) {
    SetBackColor(kSystemWindow);
    set_tab_stop(true);
}

void TextField::SetText(std::u16string value) {
    if (value == text_) {
        return;
    }
    if (editing_ == 0) {
        undo_.clear();  // the text the history would go back to is no longer this one
        redo_.clear();
    }
    text_ = std::move(value);
    anchor_ = active_ = 0;
    notify(Aspect::Text);
    notify(Aspect::Selection);
    raise(on_change);
}

std::int32_t TextField::SelStart() const noexcept {
    return std::min(anchor_, active_);
}

std::int32_t TextField::SelLength() const noexcept {
    return std::max(anchor_, active_) - std::min(anchor_, active_);
}

void TextField::SetSelStart(std::int32_t value) {
    if (value < 0) {
        throw Error(ErrorKind::InvalidPropertyValue, name() + ".SelStart cannot be negative");
    }
    anchor_ = active_ = std::min(value, static_cast<std::int32_t>(text_.size()));
    notify(Aspect::Selection);
}

void TextField::SetSelLength(std::int32_t value) {
    if (value < 0) {
        throw Error(ErrorKind::InvalidPropertyValue, name() + ".SelLength cannot be negative");
    }
    anchor_ = SelStart();
    active_ = static_cast<std::int32_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(anchor_) + value, static_cast<std::int64_t>(text_.size())));
    notify(Aspect::Selection);
}

void TextField::SetMaxLength(std::int32_t value) {
    if (value < 0) {
        throw Error(ErrorKind::InvalidPropertyValue, name() + ".MaxLength cannot be negative");
    }
    max_length_ = value;
    notify(Aspect::Text);
}

namespace {
constexpr std::size_t kUndoSteps = 100;
}  // namespace

void TextField::replace_selection(std::u16string_view insert) {
    const std::int32_t start = SelStart();
    const std::int32_t removed = SelLength();
    std::u16string edited = text_;
    edited.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(removed), insert);
    edit(std::move(edited), start + static_cast<std::int32_t>(insert.size()), start + removed);
}

void TextField::edit(std::u16string edited, std::int32_t caret, std::int32_t caret_before) {
    if (edited == text_) {
        move_caret(caret, false);
        return;
    }
    std::u16string before = text_;
    apply_edit(std::move(edited), caret);
    // A keystroke that the Change handler took back (a refused character) changed
    // nothing: it leaves no step and keeps the steps to redo.
    if (text_ == before) {
        return;
    }
    redo_.clear();
    undo_.push_back(EditStep{std::move(before), caret_before, text_, active_});
    if (undo_.size() > kUndoSteps) {
        undo_.erase(undo_.begin());
    }
}

// Writes a person's edit and runs Change as part of it, so that the handler's own
// rewrites of this field's text keep the history.
void TextField::apply_edit(std::u16string text, std::int32_t caret) {
    text_ = std::move(text);
    anchor_ = active_ = caret;
    notify(Aspect::Text);
    notify(Aspect::Selection);
    ++editing_;
    raise(on_change);
    --editing_;
}

void TextField::undo() {
    if (undo_.empty()) {
        return;
    }
    EditStep step = std::move(undo_.back());
    undo_.pop_back();
    apply_edit(step.before, step.caret_before);
    redo_.push_back(std::move(step));
}

void TextField::redo() {
    if (redo_.empty()) {
        return;
    }
    EditStep step = std::move(redo_.back());
    redo_.pop_back();
    apply_edit(step.after, step.caret_after);
    undo_.push_back(std::move(step));
}

std::u16string TextField::selected_text() const {
    return text_.substr(static_cast<std::size_t>(SelStart()),
                        static_cast<std::size_t>(SelLength()));
}

void TextField::type_character(char16_t c) {
    const auto length_after = text_.size() - static_cast<std::size_t>(SelLength()) + 1;
    if (max_length_ > 0 && length_after > static_cast<std::size_t>(max_length_)) {
        return;  // the keystroke is refused
    }
    replace_selection(std::u16string_view(&c, 1));
}

void TextField::paste(std::u16string_view pasted) {
    if (whole_text_paste) {
        if (std::optional<std::u16string> whole = whole_text_paste(pasted)) {
            if (max_length_ > 0 && whole->size() > static_cast<std::size_t>(max_length_)) {
                whole->resize(static_cast<std::size_t>(max_length_));
            }
            const auto caret = static_cast<std::int32_t>(whole->size());
            edit(std::move(*whole), caret, static_cast<std::int32_t>(text_.size()));
            return;
        }
    }
    const std::u16string filtered = paste_filter ? paste_filter(pasted) : std::u16string(pasted);
    const std::u16string_view text = filtered;
    std::size_t room = text.size();
    if (max_length_ > 0) {
        const auto kept = text_.size() - static_cast<std::size_t>(SelLength());
        room = kept >= static_cast<std::size_t>(max_length_)
                   ? 0
                   : static_cast<std::size_t>(max_length_) - kept;
    }
    const std::u16string_view fitting = text.substr(0, std::min(room, text.size()));
    if (!fitting.empty() || SelLength() > 0) {
        replace_selection(fitting);
    }
}

void TextField::move_caret(std::int32_t position, bool extend) {
    active_ = std::clamp(position, 0, static_cast<std::int32_t>(text_.size()));
    if (!extend) {
        anchor_ = active_;
    }
    notify(Aspect::Selection);
}

bool TextField::press_key(Key key) {
    const std::int32_t end = static_cast<std::int32_t>(text_.size());
    const bool has_selection = anchor_ != active_;
    switch (key) {
        case Key::Backspace:
            if (!has_selection && active_ > 0) {
                anchor_ = active_ - 1;
            }
            if (anchor_ != active_) {
                replace_selection(u"");
            }
            break;
        case Key::Delete:
            if (!has_selection && active_ < end) {
                anchor_ = active_ + 1;
            }
            if (anchor_ != active_) {
                replace_selection(u"");
            }
            break;
        case Key::Left:
            move_caret(has_selection ? SelStart() : active_ - 1, false);
            break;
        case Key::Right:
            move_caret(has_selection ? SelStart() + SelLength() : active_ + 1, false);
            break;
        case Key::Home:
            move_caret(0, false);
            break;
        case Key::End:
            move_caret(end, false);
            break;
        case Key::ShiftLeft:
            move_caret(active_ - 1, true);
            break;
        case Key::ShiftRight:
            move_caret(active_ + 1, true);
            break;
        case Key::ShiftHome:
            move_caret(0, true);
            break;
        case Key::ShiftEnd:
            move_caret(end, true);
            break;
        case Key::CtrlA:
            select(0, end);
            break;
        case Key::CtrlC:
            if (can_copy()) {
                surface().clipboard().set_text(selected_text());
            }
            break;
        case Key::CtrlX:
            if (can_copy()) {
                surface().clipboard().set_text(selected_text());
                replace_selection(u"");
            }
            break;
        case Key::CtrlV:
            paste(surface().clipboard().text());
            break;
        case Key::CtrlZ:
            undo();
            break;
        case Key::CtrlShiftZ:
            redo();
            break;
        case Key::PageUp:
        case Key::PageDown:
            break;  // nothing to page in a one-line field
        case Key::Up:
        case Key::Down:
        case Key::Escape:
            return false;
    }
    return true;
}

void TextField::select(std::int32_t start, std::int32_t length) {
    const std::int64_t end = static_cast<std::int64_t>(text_.size());
    // In 64 bits: a start near the top of the range plus a length must not wrap.
    anchor_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(start, 0, end));
    active_ = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(start) + length, 0, end));
    notify(Aspect::Selection);
}

std::int32_t TextField::position_at(Twips x) const {
    const float pixel = x / surface().twips_per_pixel();
    float left_edge = 0;
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const float width = surface().fonts().text_width_pixels(std::u16string_view(&text_[i], 1));
        if (pixel < left_edge + width / 2) {
            return static_cast<std::int32_t>(i);
        }
        left_edge += width;
    }
    return static_cast<std::int32_t>(text_.size());
}

}  // namespace tintbox

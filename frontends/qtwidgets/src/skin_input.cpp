// A person's input: Qt's mouse, key, focus and scroll-bar events go into the view
// layer's input calls (the ones tintbox-script makes); the skin decides nothing itself.
// Sections: focus and tab order - mouse and keys - context menu - scroll bars - gestures
// that lose their release.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "qt_platform.hpp"
#include "skin.hpp"
#include "tintbox/input.hpp"

namespace tintbox::qtskin {

// ---- Focus and tab order -------------------------------------------------------------

void Skin::focus_changed(QWidget& widget, QFocusEvent* event) {
    if (session_.echoing() || session_.detached()) {
        return;
    }
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::PopupFocusReason && !event->gotFocus()) {
        end_gesture();  // the popup takes the release of any button held now
    }
    // Qt hands the same focus back when the window or a popup returns; only a first
    // activation, when the model has no focus yet, gives the model Qt's.
    const bool returning = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    if (returning && (!event->gotFocus() || surface_.focused() != nullptr)) {
        return;
    }
    if (event->gotFocus()) {
        // Qt moved the focus into the control by itself (Tab from a host widget, a
        // host's setFocus): the model decides which view gets it.
        const auto owned = std::find_if(mirrors_.begin(), mirrors_.end(),
                                        [&](const Mirror& m) { return m.widget == &widget; });
        View* received = owned != mirrors_.end() ? owned->view : nullptr;
        const bool backward = reason == Qt::BacktabFocusReason;
        const bool by_tab = backward || reason == Qt::TabFocusReason;
        person_input([&] {
            if (surface_.focus_entered(received, by_tab, backward)) {
                session_.note_focus_moved();
            }
        });
        return;
    }
    const QWidget* next = QApplication::focusWidget();
    if (next != nullptr && (next == &owner_ || owner_.isAncestorOf(next))) {
        return;
    }
    // The focus left the control: the editor that had it runs its LostFocus now and its
    // GotFocus when the person comes back.
    session_.input(Actor::Host, [this] { surface_.clear_focus(); });
}

bool Skin::tab(bool forward) {
    if (session_.detached()) {
        return false;
    }
    if (surface_.tab_leaves(forward)) {
        if (QWidget* outside = outside_focus_target(forward)) {
            outside->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    person_input([&] { forward ? surface_.tab() : surface_.backtab(); });
    return true;
}

// The next widget of the window's tab chain outside the control, as Qt would pick it.
QWidget* Skin::outside_focus_target(bool forward) const {
    QWidget* start = owner_.window()->focusWidget();
    if (start == nullptr) {
        return nullptr;
    }
    QWidget* candidate = start;
    while (true) {
        candidate = forward ? candidate->nextInFocusChain() : candidate->previousInFocusChain();
        if (candidate == nullptr || candidate == start) {
            return nullptr;
        }
        if (candidate == &owner_ || owner_.isAncestorOf(candidate) ||
            candidate->window() != owner_.window()) {
            continue;
        }
        if ((candidate->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
            candidate->focusProxy() == nullptr && candidate->isVisible() &&
            candidate->isEnabled()) {
            return candidate;
        }
    }
}

// ---- Mouse, keys, clipboard ----------------------------------------------------------

void Skin::mouse(QWidget& source, QMouseEvent* event, MouseAction action) {
    event->accept();
    if (session_.detached()) {
        return;
    }
    const qreal ratio = source.devicePixelRatioF();
    const PersonMouse person(action, *event,
                             twips_at(window_device_pixel(source, *event, ratio), ratio),
                             *owner_.screen_);
    person_input([&] { person.play(surface_); });
    if ((action == MouseAction::Release || action == MouseAction::DoubleClick) &&
        person.button == kLeftButton) {
        publish_selection();
    }
}

// X11's habit: text a person selects in a field becomes the primary selection, which a
// middle press pastes anywhere.
void Skin::publish_selection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const View* focused = surface_.focused();
    if (session_.detached() || !clipboard->supportsSelection() || focused == nullptr ||
        focused->kind() != ViewKind::TextField) {
        return;
    }
    const auto& field = static_cast<const TextField&>(*focused);
    if (field.SelLength() > 0) {
        clipboard->setText(to_qstring(field.selected_text()), QClipboard::Selection);
    }
}

void Skin::key(QKeyEvent* event, bool text_field) {
    if (session_.detached()) {
        return;
    }
    const KeyChord chord = key_chord(event->key(), event->modifiers());
    if (const std::optional<Key> command = key_command(chord)) {
        bool used = false;
        person_input([&] { used = surface_.key(*command); });
        if (used) {
            publish_selection();
        } else {
            event->ignore();  // the host's: Escape with no gesture, Up in a field, ...
        }
        return;
    }
    if (text_field && is_typed_text(to_view(event->text()), chord.modifiers)) {
        type(event->text());
        return;
    }
    event->ignore();  // Return, shortcuts: the host's
}

void Skin::type(const QString& text) {
    person_input([&] { surface_.type(to_view(text)); });
}

// ---- Context menu ----------------------------------------------------------------------

namespace {

struct MenuWords {
    QString text;
    QKeySequence::StandardKey shortcut;
};

MenuWords menu_words(EditCommand command) {
    switch (command) {
        case EditCommand::Undo:
            return {QLineEdit::tr("&Undo"), QKeySequence::Undo};
        case EditCommand::Redo:
            return {QLineEdit::tr("&Redo"), QKeySequence::Redo};
        case EditCommand::Cut:
            return {QLineEdit::tr("Cu&t"), QKeySequence::Cut};
        case EditCommand::Copy:
            return {QLineEdit::tr("&Copy"), QKeySequence::Copy};
        case EditCommand::Paste:
            return {QLineEdit::tr("&Paste"), QKeySequence::Paste};
        case EditCommand::Delete:
            return {QLineEdit::tr("Delete"), QKeySequence::UnknownKey};
        case EditCommand::SelectAll:
            return {QLineEdit::tr("Select All"), QKeySequence::SelectAll};
    }
    return {};
}

}  // namespace

// The field's context menu; each action goes into the model as its keys would. The menu
// takes the release of the right button that opened it, so the press's gesture ends
// here.
void Skin::context_menu(FieldWidget& field, QContextMenuEvent* event) {
    event->accept();
    if (session_.detached()) {
        return;
    }
    end_gesture();
    if (surface_.focused() != &field.view()) {
        return;
    }
    const TextField& model = field.view();
    QMenu menu(&field);
    for (const EditMenuItem& item : edit_menu(model)) {
        if (item.group_start) {
            menu.addSeparator();
        }
        const MenuWords shown = menu_words(item.label);
        QAction* action = menu.addAction(shown.text);
        if (shown.shortcut != QKeySequence::UnknownKey) {
            action->setShortcut(shown.shortcut);
        }
        action->setEnabled(item.enabled);
        QObject::connect(action, &QAction::triggered, [this, &model, key = item.command] {
            if (!session_.detached() && surface_.focused() == &model) {
                person_input([this, key] { surface_.key(key); });
            }
        });
    }
    menu.exec(event->globalPos());
}

// ---- Gestures that lose their release ----------------------------------------------

void Skin::end_gesture() {
    owner_.screen_->forget_pointer();
    if (surface_.held_buttons() != 0) {
        session_.input(Actor::Host, [this] { surface_.end_gesture(); });
    }
}

// ---- Scroll bars ---------------------------------------------------------------------

// Qt counts a wheel's turn in eighths of a degree, 120 a notch, positive away from the
// person (or to the left); a fine wheel or a touchpad sends parts of a notch, which add
// up. The view layer decides what the notches do.
void Skin::wheel(QWidget& source, QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    const int delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    if (session_.detached() || delta == 0) {
        event->ignore();
        return;
    }
    const int notches = wheel_notches_.turn(delta);
    const qreal ratio = source.devicePixelRatioF();
    const QPointF at = twips_at(window_device_pixel(source, *event, ratio), ratio);
    const auto x = static_cast<Twips>(at.x());
    const auto y = static_cast<Twips>(at.y());
    bool used = true;  // a part of a notch over a bar
    if (notches != 0) {
        person_input([&] { used = surface_.wheel(x, y, notches); });
    }
    event->setAccepted(used);
}

void Skin::bar_pressed(BarWidget& bar) {
    if (!session_.detached()) {
        person_input([&] { surface_.scroll_bar_pressed(bar.view()); });
    }
}

void Skin::bar_action(BarWidget& bar, int action) {
    ScrollAction scroll = ScrollAction::LineDown;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            scroll = ScrollAction::LineDown;
            break;
        case QAbstractSlider::SliderSingleStepSub:
            scroll = ScrollAction::LineUp;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            scroll = ScrollAction::PageDown;
            break;
        case QAbstractSlider::SliderPageStepSub:
            scroll = ScrollAction::PageUp;
            break;
        case QAbstractSlider::SliderToMinimum:
            scroll = ScrollAction::ToMin;
            break;
        case QAbstractSlider::SliderToMaximum:
            scroll = ScrollAction::ToMax;
            break;
        default:
            return;  // SliderMove: a thumb drag is committed on release
    }
    person_input([&] {
        mark(index_of_.at(&bar.view()), Aspect::Value);  // undo Qt's own step if ignored
        surface_.scroll(bar.view(), scroll);
    });
}

void Skin::bar_released(BarWidget& bar) {
    const auto value = static_cast<std::int16_t>(bar.sliderPosition());
    person_input([&] {
        mark(index_of_.at(&bar.view()), Aspect::Value);
        surface_.scroll_to(bar.view(), value);
    });
}

}  // namespace tintbox::qtskin

// A person's input: Qt's mouse, key, focus and scroll-bar events go into the view
// layer's input calls (the ones tintbox-script makes); the skin decides nothing itself.
// Sections: focus and tab order - mouse and keys - context menu - scroll bars - gestures
// that lose their release.
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

#include "qt_platform.hpp"
#include "skin.hpp"

namespace tintbox::qtskin {
namespace {

std::int16_t button_code(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kLeftButton;
        case Qt::RightButton:
            return kRightButton;
        case Qt::MiddleButton:
            return kMiddleButton;
        default:
            return kNoButton;
    }
}

std::int16_t modifier_code(Qt::KeyboardModifiers modifiers) {
    std::int16_t code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

bool printable(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() != 0x7F;
    });
}

}  // namespace

// ---- Focus and tab order -------------------------------------------------------------

void Skin::focus_changed(QWidget& widget, QFocusEvent* event) {
    if (echo_ > 0 || detached_) {
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
                focus_moved_ = true;
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
    run(Actor::Host, [this] { surface_.clear_focus(); });
}

bool Skin::tab(bool forward) {
    if (detached_) {
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
    if (detached_) {
        return;
    }
    const qreal ratio = source.devicePixelRatioF();
    const QPointF at = twips_at(window_device_pixel(source, *event, ratio), ratio);
    const auto x = static_cast<Twips>(at.x());
    const auto y = static_cast<Twips>(at.y());
    const std::int16_t modifiers = modifier_code(event->modifiers());
    const std::int16_t button = button_code(event->button());
    if (action == MouseAction::Move && event->buttons() != Qt::NoButton) {
        owner_.screen_->pointer_moved(event->globalPosition());
    } else {
        owner_.screen_->forget_pointer();
    }
    person_input([&] {
        switch (action) {
            case MouseAction::Press:
            case MouseAction::DoubleClick: {
                if (button == kNoButton) {
                    return;
                }
                // Qt 6 delivers the second click's press before the double click;
                // the double click itself is no second press.
                if (action == MouseAction::Press || (surface_.held_buttons() & button) == 0) {
                    surface_.press(button, x, y, modifiers);
                }
                if (action == MouseAction::DoubleClick) {
                    surface_.double_click(button);
                }
                break;
            }
            case MouseAction::Release:
                if (button != kNoButton) {
                    surface_.release(button, x, y, modifiers);
                }
                break;
            case MouseAction::Move:
                surface_.move(x, y, modifiers);
                break;
        }
    });
}

namespace {

// The view layer's key for a Qt key event, if it has one.
bool key_for(const QKeyEvent& event, Key& key) {
    static const std::pair<QKeySequence::StandardKey, Key> kCommands[] = {
        {QKeySequence::Copy, Key::CtrlC},  {QKeySequence::Cut, Key::CtrlX},
        {QKeySequence::Paste, Key::CtrlV}, {QKeySequence::SelectAll, Key::CtrlA},
        {QKeySequence::Undo, Key::CtrlZ},  {QKeySequence::Redo, Key::CtrlShiftZ},
    };
    for (const auto& [sequence, command] : kCommands) {
        if (event.matches(sequence)) {
            key = command;
            return true;
        }
    }
    const bool shift = (event.modifiers() & Qt::ShiftModifier) != 0;
    switch (event.key()) {
        case Qt::Key_Backspace:
            key = Key::Backspace;
            return true;
        case Qt::Key_Delete:
            key = Key::Delete;
            return true;
        case Qt::Key_Left:
            key = shift ? Key::ShiftLeft : Key::Left;
            return true;
        case Qt::Key_Right:
            key = shift ? Key::ShiftRight : Key::Right;
            return true;
        case Qt::Key_Home:
            key = shift ? Key::ShiftHome : Key::Home;
            return true;
        case Qt::Key_End:
            key = shift ? Key::ShiftEnd : Key::End;
            return true;
        case Qt::Key_PageUp:
            key = Key::PageUp;
            return true;
        case Qt::Key_PageDown:
            key = Key::PageDown;
            return true;
        case Qt::Key_Up:
            key = Key::Up;
            return true;
        case Qt::Key_Down:
            key = Key::Down;
            return true;
        case Qt::Key_Escape:
            key = Key::Escape;
            return true;
        default:
            return false;
    }
}

}  // namespace

void Skin::key(QKeyEvent* event, bool text_field) {
    if (detached_) {
        return;
    }
    Key key = Key::Left;
    if (key_for(*event, key)) {
        bool used = false;
        person_input([&] { used = surface_.key(key); });
        if (!used) {
            event->ignore();  // the host's: Escape with no gesture, Up in a field, ...
        }
        return;
    }
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0 &&
                         (event->modifiers() & Qt::AltModifier) == 0;
    if (text_field && !command && printable(event->text())) {
        type(event->text());
        return;
    }
    event->ignore();  // Return, shortcuts: the host's
}

void Skin::type(const QString& text) {
    person_input([&] { surface_.type(to_view(text)); });
}

// ---- Context menu ----------------------------------------------------------------------

// The field's context menu; each action goes into the model as its keys would. The menu
// takes the release of the right button that opened it, so the press's gesture ends
// here.
void Skin::context_menu(FieldWidget& field, QContextMenuEvent* event) {
    event->accept();
    if (detached_) {
        return;
    }
    end_gesture();
    if (surface_.focused() != &field.view()) {
        return;
    }
    const TextField& model = field.view();
    const bool selected = model.SelLength() > 0;
    const bool editable = model.Enabled() && surface_.Enabled();
    const bool clipboard_text = !surface_.clipboard().text().empty();
    QMenu menu(&field);
    const auto add = [&](const QString& text, QKeySequence::StandardKey shortcut, bool enabled,
                         Key key) {
        QAction* action = menu.addAction(text);
        if (shortcut != QKeySequence::UnknownKey) {
            action->setShortcut(shortcut);
        }
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, [this, &model, key] {
            if (!detached_ && surface_.focused() == &model) {
                person_input([this, key] { surface_.key(key); });
            }
        });
    };
    add(QLineEdit::tr("&Undo"), QKeySequence::Undo, editable && model.can_undo(), Key::CtrlZ);
    add(QLineEdit::tr("&Redo"), QKeySequence::Redo, editable && model.can_redo(), Key::CtrlShiftZ);
    menu.addSeparator();
    add(QLineEdit::tr("Cu&t"), QKeySequence::Cut, selected && editable, Key::CtrlX);
    add(QLineEdit::tr("&Copy"), QKeySequence::Copy, selected && editable, Key::CtrlC);
    add(QLineEdit::tr("&Paste"), QKeySequence::Paste, editable && clipboard_text, Key::CtrlV);
    add(QLineEdit::tr("Delete"), QKeySequence::UnknownKey, selected && editable, Key::Delete);
    menu.addSeparator();
    add(QLineEdit::tr("Select All"), QKeySequence::SelectAll, editable && !model.Text().empty(),
        Key::CtrlA);
    menu.exec(event->globalPos());
}

// ---- Gestures that lose their release ----------------------------------------------

void Skin::end_gesture() {
    owner_.screen_->forget_pointer();
    if (surface_.held_buttons() != 0) {
        run(Actor::Host, [this] { surface_.end_gesture(); });
    }
}

// ---- Scroll bars ---------------------------------------------------------------------

// A press on a bar gives it the focus at once, as a press does anywhere else; the move
// itself comes with the action or with the thumb's release.
void Skin::bar_pressed(BarWidget& bar) {
    if (detached_ || !surface_.Enabled() || surface_.focused() == &bar.view() ||
        !bar.view().can_take_focus()) {
        return;
    }
    person_input([&] { bar.view().SetFocus(); });
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
        case QAbstractSlider::SliderMove:
            // A wheel turn; a thumb drag is committed on release.
            if (!bar.isSliderDown()) {
                bar_released(bar);
            }
            return;
        default:
            return;
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

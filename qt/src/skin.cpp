// Sections: construction - batching and flush - mirroring each aspect - focus and tab
// order - mouse, keys, clipboard - scroll bars - timer and screen.
#include "skin.hpp"

#include <QApplication>
#include <QBitmap>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "qt_platform.hpp"

namespace tintbox::qtskin {
namespace {

constexpr unsigned bit(Aspect aspect) {
    return 1u << static_cast<unsigned>(aspect);
}
constexpr unsigned kAllAspects = ~0u;

QString to_qstring(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string_view to_view(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

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

std::int16_t shift_code(Qt::KeyboardModifiers modifiers) {
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

// ---- Construction --------------------------------------------------------------------

Skin::Skin(TintboxWidget& owner, Tintbox& control)
    : owner_(owner), control_(control), surface_(control.UserControl()) {
    clock_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock_, &QTimer::timeout, [this] { tick(); });
    build();
}

Skin::~Skin() {
    detach();
}

void Skin::build() {
    surface_widget_ = new SurfaceWidget(*this, &owner_);
    auto* bar_style = new SquareThumbStyle;
    bar_style->setParent(surface_widget_);
    const auto& views = surface_.views();
    mirrors_.resize(views.size());
    // Views are listed topmost first and Qt stacks later siblings above earlier ones, so
    // the widgets are made bottom up; views inside another view come in a second pass,
    // once their parent's widget exists.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = views.size(); i-- > 0;) {
            View& view = *views[i];
            if ((view.parent() != nullptr) != (pass == 1)) {
                continue;
            }
            QWidget* parent = surface_widget_;
            if (view.parent() != nullptr) {
                parent = mirrors_[index_of_.at(view.parent())].widget;
            }
            Mirror& mirror = mirrors_[i];
            mirror.view = &view;
            switch (view.kind()) {
                case ViewKind::TextField:
                    mirror.field = new FieldWidget(*this, static_cast<TextField&>(view), parent);
                    mirror.widget = mirror.field;
                    break;
                case ViewKind::ScrollBar: {
                    auto* bar =
                        new BarWidget(*this, static_cast<ScrollBar&>(view), bar_style, parent);
                    QObject::connect(bar, &QAbstractSlider::actionTriggered,
                                     [this, bar](int action) { bar_action(*bar, action); });
                    QObject::connect(bar, &QAbstractSlider::sliderReleased,
                                     [this, bar] { bar_released(*bar); });
                    mirror.bar = bar;
                    mirror.widget = bar;
                    break;
                }
                case ViewKind::PictureBox:
                case ViewKind::Image:
                case ViewKind::Label:
                    mirror.box = new BoxWidget(*this, view, parent);
                    mirror.widget = mirror.box;
                    break;
                case ViewKind::Timer:
                    break;
            }
            if (mirror.widget != nullptr) {
                mirror.widget->setObjectName(QString::fromStdString(view.name()));
                if (!view.tab_stop()) {
                    mirror.widget->setFocusPolicy(Qt::NoFocus);  // reached by code only
                }
            }
            index_of_[&view] = i;
            mirror.dirty = kAllAspects;
            dirty_list_.push_back(i);
            view.set_observer([this, i](const View&, Aspect aspect) { mark(i, aspect); });
        }
    }

    // Qt's own tab chain follows the tab indices, so Tab from a host widget enters at
    // the first stop; inside the control the view layer moves the focus.
    std::vector<QWidget*> chain;
    for (View* view : surface_.tab_stops()) {
        chain.push_back(widget_for(*view));
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }

    surface_.on_surface_changed = [this] {
        surface_dirty_ = true;
        schedule_flush();
    };
    timer_changed();
    flush();
}

void Skin::detach() {
    if (detached_) {
        return;
    }
    detached_ = true;
    clock_.stop();
    for (const auto& view : surface_.views()) {
        view->set_observer(nullptr);
    }
    surface_.on_surface_changed = nullptr;
    delete surface_widget_.data();
    mirrors_.clear();
    index_of_.clear();
    dirty_list_.clear();
}

QWidget* Skin::widget_for(const View& view) const {
    const auto found = index_of_.find(&view);
    return found == index_of_.end() ? nullptr : mirrors_[found->second].widget;
}

float Skin::twips_per_pixel() const {
    return surface_.twips_per_pixel();
}

QSize Skin::pixel_size(Twips width, Twips height) const {
    const float twips_per_pixel = this->twips_per_pixel();
    return QSize(to_pixels(width, twips_per_pixel), to_pixels(height, twips_per_pixel));
}

// ---- Batching and flush --------------------------------------------------------------

Skin::Scope::Scope(Skin& skin, bool person) : skin(skin), was_person(skin.person_) {
    ++skin.depth_;
    skin.person_ = skin.person_ || person;
}

Skin::Scope::~Scope() {
    if (--skin.depth_ == 0) {
        skin.flush();
    }
    skin.person_ = was_person;
}

void Skin::mark(std::size_t index, Aspect aspect) {
    if (detached_) {
        return;
    }
    Mirror& mirror = mirrors_[index];
    if (mirror.dirty == 0) {
        dirty_list_.push_back(index);
    }
    mirror.dirty |= bit(aspect);
    if (aspect == Aspect::Focus) {
        focus_moved_ = true;
    } else if (aspect == Aspect::Timer) {
        timer_changed();
    }
    schedule_flush();
}

void Skin::schedule_flush() {
    if (depth_ > 0 || flush_posted_ || detached_) {
        return;
    }
    flush_posted_ = true;
    QMetaObject::invokeMethod(
        surface_widget_.data(),
        [this] {
            flush_posted_ = false;
            flush();
        },
        Qt::QueuedConnection);
}

void Skin::flush() {
    if (flushing_ || detached_) {
        return;
    }
    flushing_ = true;
    ++echo_;
    if (surface_dirty_) {
        surface_dirty_ = false;
        apply_surface();
    }
    while (!dirty_list_.empty()) {
        std::vector<std::size_t> pending;
        pending.swap(dirty_list_);
        for (std::size_t index : pending) {
            apply(mirrors_[index]);
        }
    }
    apply_focus();
    focus_moved_ = false;
    --echo_;
    flushing_ = false;
}

// ---- Mirroring each aspect -----------------------------------------------------------

void Skin::apply(Mirror& mirror) {
    const unsigned dirty = mirror.dirty;
    mirror.dirty = 0;
    View& view = *mirror.view;
    if (mirror.widget == nullptr) {
        return;
    }
    constexpr unsigned kUnseen = bit(Aspect::Pointer) | bit(Aspect::Timer);
    if (repaint_listener_ && (dirty & ~kUnseen) != 0) {
        repaint_listener_(surface_rect(*mirror.widget));
    }
    if (dirty & bit(Aspect::Geometry)) {
        mirror.widget->setGeometry(view_rect(view, twips_per_pixel()));
        if (repaint_listener_) {
            repaint_listener_(surface_rect(*mirror.widget));
        }
    }
    if (dirty & bit(Aspect::Visible)) {
        mirror.widget->setVisible(view.Visible());
    }
    if (dirty & bit(Aspect::Enabled)) {
        mirror.widget->setEnabled(view.Enabled());
    }
    if (dirty & bit(Aspect::Pointer)) {
        apply_pointer(mirror);
    }
    if (mirror.field != nullptr) {
        apply_field(mirror, dirty);
    } else if (mirror.bar != nullptr) {
        BarWidget& bar = *mirror.bar;
        const ScrollBar& model = bar.view();
        if ((dirty & (bit(Aspect::Value) | bit(Aspect::Enabled))) && !bar.isSliderDown()) {
            const QSignalBlocker blocker(bar);
            bar.setRange(model.Min(), model.Max());
            bar.setValue(model.thumb_position());
        }
    } else if (mirror.box != nullptr) {
        if (dirty & (bit(Aspect::Picture) | bit(Aspect::Geometry))) {
            mirror.box->invalidate_picture();
        }
        if (dirty & (bit(Aspect::Colors) | bit(Aspect::Picture) | bit(Aspect::Text) |
                     bit(Aspect::Geometry))) {
            mirror.box->update();
        }
    }
}

void Skin::apply_field(Mirror& mirror, unsigned dirty) {
    FieldWidget& field = *mirror.field;
    const TextField& model = field.view();
    if (dirty & bit(Aspect::Colors)) {
        QPalette palette = field.palette();
        const QColor back = to_qcolor(model.BackColor());
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Window, back);
        // A disabled field keeps the style's greyed text.
        palette.setColor(QPalette::Active, QPalette::Text, to_qcolor(model.ForeColor()));
        palette.setColor(QPalette::Inactive, QPalette::Text, to_qcolor(model.ForeColor()));
        field.setPalette(palette);
    }
    if (dirty & bit(Aspect::Text)) {
        const QString text = to_qstring(model.Text());
        if (field.text() != text) {
            const QSignalBlocker blocker(field);
            field.setText(text);
        }
    }
    if (dirty & (bit(Aspect::Text) | bit(Aspect::Selection) | bit(Aspect::Focus))) {
        apply_selection(field);
    }
}

// A field shows its selection only while it holds the focus (the classic hidden
// selection); the caret position is mirrored always, as it decides the text's scrolling.
void Skin::apply_selection(FieldWidget& field) {
    const TextField& model = field.view();
    const QSignalBlocker blocker(field);
    const int caret = model.caret();
    if (model.has_focus() && model.SelLength() > 0) {
        const int start = model.SelStart();
        const int length = model.SelLength();
        const int anchor = caret == start ? start + length : start;
        if (field.selectionStart() != start || field.selectionLength() != length ||
            field.cursorPosition() != caret) {
            field.setSelection(anchor, caret - anchor);
        }
        return;
    }
    if (field.hasSelectedText()) {
        field.deselect();
    }
    if (field.cursorPosition() != caret) {
        field.setCursorPosition(caret);
    }
}

void Skin::apply_surface() {
    const QSize size = pixel_size(surface_.Width(), surface_.Height());
    surface_widget_->setGeometry(QRect(QPoint(0, 0), size));
    if (repaint_listener_) {
        repaint_listener_(surface_widget_->rect());
    }
    // Outside a layout the widget takes the size the control settled on (the control
    // keeps its height and clamps its width); inside one the layout decides and the
    // surface is clipped to it.
    const bool laid_out = !owner_.isWindow() && owner_.testAttribute(Qt::WA_LaidOut);
    if (!laid_out && !size.isEmpty() && owner_.size() != size) {
        QMetaObject::invokeMethod(
            &owner_,
            [this] {
                if (!detached_) {
                    owner_.resize(pixel_size(surface_.Width(), surface_.Height()));
                }
            },
            Qt::QueuedConnection);
    }
}

void Skin::apply_pointer(Mirror& mirror) {
    switch (mirror.view->pointer_kind()) {
        case PointerKind::Icon:
            mirror.widget->setCursor(cursor_for(mirror.view->MouseIcon()));
            break;
        case PointerKind::Text:
            mirror.widget->setCursor(Qt::IBeamCursor);
            break;
        case PointerKind::Arrow:
            mirror.widget->unsetCursor();
            break;
    }
}

// Drawn pixels are black. Qt can invert the screen only on Windows, so a one-pixel
// white outline keeps the shape visible on dark colours elsewhere.
const QCursor& Skin::cursor_for(const PointerShapePtr& shape) {
    const auto found = cursors_.find(shape.get());
    if (found != cursors_.end()) {
        return found->second.second;
    }
    constexpr int side = 32;
    const std::vector<bool> near = cursor_outline(*shape);
    QBitmap bitmap(side, side);
    QBitmap mask(side, side);
    bitmap.fill(Qt::color0);
    mask.fill(Qt::color0);
    {
        QPainter bits(&bitmap);
        QPainter outline(&mask);
        bits.setPen(Qt::color1);
        outline.setPen(Qt::color1);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const auto index = static_cast<std::size_t>(y * side + x);
                if (shape->drawn[index]) {
                    bits.drawPoint(x, y);
                }
                if (near[index]) {
                    outline.drawPoint(x, y);
                }
            }
        }
    }
    const auto inserted = cursors_.emplace(
        shape.get(), std::make_pair(shape, QCursor(bitmap, mask, shape->hot_x, shape->hot_y)));
    return inserted.first->second.second;
}

// ---- Focus and tab order -------------------------------------------------------------

bool Skin::qt_focus_inside() const {
    const QWidget* focus = owner_.window()->focusWidget();
    return focus != nullptr && (focus == &owner_ || owner_.isAncestorOf(focus));
}

// Qt's focus follows the model's while it is inside the control, or when a person's
// input in the control moved it there; the skin never pulls the focus away from a
// host widget on its own.
void Skin::apply_focus() {
    const View* focused = surface_.focused();
    QWidget* widget = focused != nullptr ? widget_for(*focused) : nullptr;
    if (widget == nullptr || owner_.window()->focusWidget() == widget) {
        return;
    }
    if (!qt_focus_inside() && !(person_ && focus_moved_)) {
        return;
    }
    ++echo_;
    widget->setFocus(Qt::OtherFocusReason);
    --echo_;
}

void Skin::focus_changed(QWidget& widget, QFocusEvent* event) {
    if (echo_ > 0 || detached_) {
        return;
    }
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return;  // Qt hands the same focus back when the window or popup returns
    }
    if (event->gotFocus()) {
        // Qt moved the focus into the control by itself (Tab from a host widget, a
        // host's setFocus): the model decides which view gets it.
        const std::vector<View*> stops = surface_.tab_stops();
        View* target = nullptr;
        const auto owned = std::find_if(mirrors_.begin(), mirrors_.end(),
                                        [&](const Mirror& m) { return m.widget == &widget; });
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason &&
            owned != mirrors_.end() && owned->view->can_take_focus()) {
            target = owned->view;
        } else if (!stops.empty()) {
            target = reason == Qt::BacktabFocusReason ? stops.back() : stops.front();
        }
        if (target == nullptr) {
            return;
        }
        person_input([&] {
            if (surface_.focused() != target) {
                surface_.focus_by_keyboard(*target);
            }
            focus_moved_ = true;
        });
        return;
    }
    const QWidget* next = QApplication::focusWidget();
    if (next != nullptr && (next == &owner_ || owner_.isAncestorOf(next))) {
        return;
    }
    // The focus left the control: the editor that had it runs its LostFocus now and its
    // GotFocus when the person comes back.
    run(false, [this] { surface_.clear_focus(); });
}

bool Skin::tab(bool forward) {
    if (detached_) {
        return false;
    }
    const std::vector<View*> stops = surface_.tab_stops();
    const View* focused = surface_.focused();
    if (!stops.empty() && focused != nullptr) {
        const bool at_edge = forward ? focused->TabIndex() >= stops.back()->TabIndex()
                                     : focused->TabIndex() <= stops.front()->TabIndex();
        if (at_edge) {
            if (QWidget* outside = outside_focus_target(forward)) {
                outside->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
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
    const QPointF at = source.mapTo(surface_widget_.data(), event->position());
    const float twips_per_pixel = this->twips_per_pixel();
    const qreal ratio = source.devicePixelRatioF();
    const Twips x = device_pixel_to_twips(device_pixel(at.x(), ratio), twips_per_pixel, ratio);
    const Twips y = device_pixel_to_twips(device_pixel(at.y(), ratio), twips_per_pixel, ratio);
    const std::int16_t shift = shift_code(event->modifiers());
    const std::int16_t button = button_code(event->button());
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
                    surface_.press(button, x, y, shift);
                }
                if (action == MouseAction::DoubleClick) {
                    surface_.double_click(button);
                }
                break;
            }
            case MouseAction::Release:
                if (button != kNoButton) {
                    surface_.release(button, x, y, shift);
                }
                break;
            case MouseAction::Move:
                surface_.move(x, y, shift);
                break;
        }
    });
}

void Skin::key(QKeyEvent* event, bool text_field) {
    if (detached_) {
        return;
    }
    if (text_field) {
        if (event->matches(QKeySequence::Copy)) {
            copy_selection();
            return;
        }
        if (event->matches(QKeySequence::Cut)) {
            copy_selection();
            person_input([&] {
                const auto* field = dynamic_cast<const TextField*>(surface_.focused());
                if (field != nullptr && field->SelLength() > 0) {
                    surface_.key(Key::Delete);
                }
            });
            return;
        }
        if (event->matches(QKeySequence::Paste)) {
            const QString text = QGuiApplication::clipboard()->text();
            person_input([&] { surface_.paste(to_view(text)); });
            return;
        }
        if (event->matches(QKeySequence::SelectAll)) {
            person_input([&] { surface_.key(Key::CtrlA); });
            return;
        }
    }
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    Key key = Key::Left;
    bool known = true;
    switch (event->key()) {
        case Qt::Key_Backspace:
            key = Key::Backspace;
            break;
        case Qt::Key_Delete:
            key = Key::Delete;
            break;
        case Qt::Key_Left:
            key = shift ? Key::ShiftLeft : Key::Left;
            break;
        case Qt::Key_Right:
            key = shift ? Key::ShiftRight : Key::Right;
            break;
        case Qt::Key_Home:
            key = shift ? Key::ShiftHome : Key::Home;
            break;
        case Qt::Key_End:
            key = shift ? Key::ShiftEnd : Key::End;
            break;
        case Qt::Key_PageUp:
            key = Key::PageUp;
            break;
        case Qt::Key_PageDown:
            key = Key::PageDown;
            break;
        case Qt::Key_Up:  // on a horizontal scroll bar, up and down move like left and right
            key = Key::Left;
            known = !text_field;
            break;
        case Qt::Key_Down:
            key = Key::Right;
            known = !text_field;
            break;
        default:
            known = false;
            break;
    }
    if (known) {
        person_input([&] { surface_.key(key); });
        return;
    }
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0 &&
                         (event->modifiers() & Qt::AltModifier) == 0;
    if (text_field && !command && printable(event->text())) {
        type(event->text());
        return;
    }
    event->ignore();  // Return, Escape, shortcuts: the host's
}

void Skin::type(const QString& text) {
    person_input([&] { surface_.type(to_view(text)); });
}

void Skin::copy_selection() {
    const auto* field = dynamic_cast<const TextField*>(surface_.focused());
    if (field == nullptr || field->SelLength() <= 0) {
        return;
    }
    const std::u16string selected = field->Text().substr(
        static_cast<std::size_t>(field->SelStart()), static_cast<std::size_t>(field->SelLength()));
    QGuiApplication::clipboard()->setText(to_qstring(selected));
}

// The field's context menu; each action goes into the model as the same keys would.
void Skin::context_menu(FieldWidget& field, QContextMenuEvent* event) {
    event->accept();
    if (detached_ || surface_.focused() != &field.view()) {
        return;
    }
    const TextField& model = field.view();
    const bool selected = model.SelLength() > 0;
    const bool editable = model.Enabled() && surface_.Enabled();
    const bool clipboard_text = !QGuiApplication::clipboard()->text().isEmpty();
    QMenu menu(&field);
    const auto add = [&](const QString& text, QKeySequence::StandardKey shortcut, bool enabled,
                         auto&& act) {
        QAction* action = menu.addAction(text);
        if (shortcut != QKeySequence::UnknownKey) {
            action->setShortcut(shortcut);
        }
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, [this, &model, act] {
            if (!detached_ && surface_.focused() == &model) {
                act();
            }
        });
    };
    add(QLineEdit::tr("Cu&t"), QKeySequence::Cut, selected && editable, [this] {
        copy_selection();
        person_input([this] { surface_.key(Key::Delete); });
    });
    add(QLineEdit::tr("&Copy"), QKeySequence::Copy, selected, [this] { copy_selection(); });
    add(QLineEdit::tr("&Paste"), QKeySequence::Paste, editable && clipboard_text, [this] {
        const QString text = QGuiApplication::clipboard()->text();
        person_input([&] { surface_.paste(to_view(text)); });
    });
    add(QLineEdit::tr("Delete"), QKeySequence::UnknownKey, selected && editable,
        [this] { person_input([this] { surface_.key(Key::Delete); }); });
    menu.addSeparator();
    add(QLineEdit::tr("Select All"), QKeySequence::SelectAll, !model.Text().empty(),
        [this] { person_input([this] { surface_.key(Key::CtrlA); }); });
    menu.exec(event->globalPos());
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

// ---- Timer and screen ----------------------------------------------------------------

void Skin::timer_changed() {
    for (const auto& view : surface_.views()) {
        if (view->kind() != ViewKind::Timer) {
            continue;
        }
        const auto& timer = static_cast<const Timer&>(*view);
        if (timer.Enabled()) {
            if (external_clock_) {
                external_clock_(std::max(1, timer.Interval()));
            } else if (!clock_.isActive()) {
                clock_.start(std::max(1, timer.Interval()));
            }
        } else {
            if (external_clock_) {
                external_clock_(0);
            }
            clock_.stop();
            unreadable_reported_ = false;
        }
    }
}

// One interval per timeout: a stalled event loop does not replay the missed ticks.
void Skin::tick() {
    advance_time(clock_.interval());
}

void Skin::advance_time(int milliseconds) {
    if (ticking_) {
        return;  // a host's modal dialog opened from inside a tick
    }
    ticking_ = true;
    run(false, [&] { surface_.advance_time(milliseconds); });
    ticking_ = false;
}

void Skin::set_external_clock(std::function<void(int interval_ms)> clock) {
    clock_.stop();
    external_clock_ = std::move(clock);
    timer_changed();
}

QRect Skin::surface_rect(const QWidget& widget) const {
    return QRect(widget.mapTo(surface_widget_.data(), QPoint(0, 0)), widget.size());
}

void Skin::eyedropper_unreadable() {
    if (unreadable_reported_) {
        return;
    }
    unreadable_reported_ = true;
    emit owner_.eyedropperUnavailable();
}

void Skin::resized(QSize pixels) {
    const float twips_per_pixel = this->twips_per_pixel();
    run(false, [&] {
        surface_.SetWidth(static_cast<Twips>(pixels.width()) * twips_per_pixel);
        surface_.SetHeight(static_cast<Twips>(pixels.height()) * twips_per_pixel);
    });
}

void Skin::rescale() {
    if (detached_) {
        return;
    }
    for (std::size_t i = 0; i < mirrors_.size(); ++i) {
        mark(i, Aspect::Geometry);
    }
    surface_dirty_ = true;
    resized(owner_.size());
}

void Skin::report(const std::exception& error) {
    emit owner_.errorRaised(QString::fromUtf8(error.what()));
}

}  // namespace tintbox::qtskin

// The picker's life, its QML interface, a person's input and the mirroring of the view
// layer into the view items.
// Sections: construction - QML interface - geometry and mapping - input - mirroring.
#include "picker_item.hpp"

#include <QFile>
#include <QGuiApplication>
#include <QJSValue>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QQmlContext>
#include <QQmlFile>
#include <QQuickWindow>
#include <QScreen>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <utility>

#include "qt_control_support.hpp"
#include "qt_platform.hpp"
#include "system_pick.hpp"
#include "tintbox/error.hpp"
#include "tintbox/front_end.hpp"
#include "tintbox/geometry.hpp"
#include "tintbox/input.hpp"
#include "tintbox/property_bag.hpp"
#include "view_item.hpp"

namespace tintbox::quick {

using qtskin::MouseAction;

// ---- Construction --------------------------------------------------------------------

PickerItem::PickerItem(QQuickItem* parent)
    : QQuickItem(parent), screen_(std::make_shared<qtskin::QtScreen>()) {
    setFlag(ItemIsFocusScope);
    setFlag(ItemHasContents, false);
    setActiveFocusOnTab(true);
    setAcceptedMouseButtons(Qt::AllButtons);
    setClip(true);
    screen_->set_logical_dpi([this] {
        const QScreen* screen = window() != nullptr ? window()->screen() : nullptr;
        if (screen == nullptr) {
            screen = QGuiApplication::primaryScreen();
        }
        return screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
    });
    field_font_ = qtskin::fitted_field_font(QGuiApplication::font(), screen_->twips_per_pixel_x());
    fonts_ = std::make_shared<qtskin::QtFontMetrics>(field_font_);
    control_ = std::make_unique<Tintbox>(
        TintboxPlatform{screen_, fonts_, std::make_shared<qtskin::QtClipboard>()});
    control_->set_change_handler([this] {
        switch (session_.actor()) {
            case Actor::Host:
                change_door_ = QStringLiteral("host");
                break;
            case Actor::Clock:
                change_door_ = QStringLiteral("eyedropper");
                break;
            case Actor::Person: {
                const std::string& tag = front_end::change_source(*control_);
                change_door_ = tag == front_end::kSpectrumSource ? QStringLiteral("spectrum")
                                                                 : QString::fromStdString(tag);
                break;
            }
        }
        emit changed();
    });
    control_->set_error_sink(
        [this](const Error& error) { emit errorRaised(QString::fromUtf8(error.what())); });
    qtskin::SystemPickHooks pick_hooks;
    pick_hooks.mode_changed = [this] { emit eyedropperModeChanged(); };
    pick_hooks.started = [this] { emit systemPickStarted(); };
    pick_hooks.finished = [this] { emit systemPickFinished(); };
    pick_hooks.unavailable = [this] { emit eyedropperUnavailable(); };
    pick_hooks.picked = [this](ColorValue color) {
        session_.input(Actor::Clock, [&] { front_end::pick_screen_color(*control_, color); });
    };
    pick_hooks.window = [this]() -> QWindow* { return window(); };
    system_pick_ = std::make_unique<qtskin::SystemPick>(*screen_, std::move(pick_hooks));
    screen_->set_unreadable_handler([this] {
        if (!std::exchange(unreadable_reported_, true)) {
            system_pick_->unreadable();
        }
    });
    screen_->set_run_end_handler([this](bool released) {
        unreadable_reported_ = false;
        system_pick_->run_ended(released);
    });
    screen_->set_reader_changed_handler([this] { system_pick_->refresh(); });

    clock_.setTimerType(Qt::PreciseTimer);
    // One interval per timeout: a stalled event loop does not replay the missed ticks.
    connect(&clock_, &QTimer::timeout, this, [this] { advance_time(clock_.interval()); });

    Surface& surface = control_->UserControl();
    const auto& views = surface.views();
    items_.assign(views.size(), nullptr);
    session_.reset(views.size());
    for (std::size_t i = 0; i < views.size(); ++i) {
        index_of_[views[i].get()] = i;
        views[i]->set_observer([this, i](const View&, Aspect aspect) {
            session_.note(i, aspect_bit(aspect));
            if (aspect == Aspect::Timer && !session_.detached()) {
                timer_changed();
            }
        });
    }
    surface.on_surface_changed = [this] {
        session_.note_surface();
        if (!control_->UserControl().Enabled()) {
            system_pick_->close();  // switched off while the person picks
        }
    };
    const float twips_per_pixel = this->twips_per_pixel();
    setImplicitSize(surface.design_width() / twips_per_pixel,
                    surface.design_height() / twips_per_pixel);
    timer_changed();
}

PickerItem::~PickerItem() {
    // The items and the session let go of the views before the control goes.
    screen_->set_logical_dpi(nullptr);
    screen_->set_unreadable_handler(nullptr);
    screen_->set_run_end_handler(nullptr);
    screen_->set_reader_changed_handler(nullptr);
    system_pick_.reset();  // dismisses a pending pick of the desktop's picker
    session_.detach();
    clock_.stop();
    for (const auto& view : control_->UserControl().views()) {
        view->set_observer(nullptr);
    }
    control_->UserControl().on_surface_changed = nullptr;
    for (ViewItem* item : items_) {
        if (item != nullptr) {
            item->bind(nullptr);
        }
    }
    items_.clear();
}

void PickerItem::attach(ViewItem& item, int view) {
    if (view < 0 || static_cast<std::size_t>(view) >= items_.size() || session_.detached()) {
        return;
    }
    const auto index = static_cast<std::size_t>(view);
    items_[index] = &item;
    View* bound = control_->UserControl().views()[index].get();
    item.bind(bound);
    // Views are listed topmost first, and a view inside another lies above it.
    std::size_t depth = 0;
    for (const View* up = bound->parent(); up != nullptr; up = up->parent()) {
        ++depth;
    }
    item.setZ(static_cast<qreal>(depth * items_.size() + items_.size() - index));
    session_.note(index, kAllAspects);
}

void PickerItem::detach_item(ViewItem& item) {
    std::replace(items_.begin(), items_.end(), &item, static_cast<ViewItem*>(nullptr));
}

int PickerItem::viewCount() const {
    return static_cast<int>(control_->UserControl().views().size());
}

void PickerItem::timer_changed() {
    for (const auto& view : control_->UserControl().views()) {
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

void PickerItem::advance_time(int milliseconds) {
    session_.tick(control_->UserControl(), milliseconds);
}

void PickerItem::set_external_clock(std::function<void(int interval_ms)> clock) {
    clock_.stop();
    external_clock_ = std::move(clock);
    timer_changed();
}

// ---- QML interface -------------------------------------------------------------------

int PickerItem::getRGB() const {
    return control_->GetRGB();
}
void PickerItem::setRGB(int value) {
    host_call([&] { control_->SetRGB(value); });
}
int PickerItem::getRed() const {
    return control_->GetRed();
}
int PickerItem::getGreen() const {
    return control_->GetGreen();
}
int PickerItem::getBlue() const {
    return control_->GetBlue();
}

namespace {

std::int16_t component(int value) {
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

}  // namespace

void PickerItem::setRed(int value) {
    host_call([&] { control_->SetRed(component(value)); });
}
void PickerItem::setGreen(int value) {
    host_call([&] { control_->SetGreen(component(value)); });
}
void PickerItem::setBlue(int value) {
    host_call([&] { control_->SetBlue(component(value)); });
}

QVariantMap PickerItem::dec(const QString& number) const {
    std::u16string text(qtskin::to_view(number));
    const qint32 value = control_->Dec(text);
    return {{QStringLiteral("value"), value}, {QStringLiteral("number"), qtskin::to_qstring(text)}};
}

QVariantMap PickerItem::sepRGB(int value) const {
    qint32 red = 0;
    qint32 green = 0;
    qint32 blue = 0;
    control_->SepRGB(value, red, green, blue);
    return {{QStringLiteral("red"), red},
            {QStringLiteral("green"), green},
            {QStringLiteral("blue"), blue}};
}

namespace {

QString local_path(const QUrl& file) {
    return file.isLocalFile() ? file.toLocalFile() : file.toString();
}

}  // namespace

QString PickerItem::saveProperties(const QUrl& file) {
    try {
        MemoryPropertyBag bag;
        control_->UserControl_WriteProperties(bag);
        save_property_bag(bag, local_path(file).toStdString());
        return {};
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    }
}

QString PickerItem::loadProperties(const QUrl& file) {
    try {
        MemoryPropertyBag bag = load_property_bag(local_path(file).toStdString());
        const bool was_enabled = controlEnabled();
        host_call([&] { control_->UserControl_ReadProperties(bag); });
        picture_ =
            control_->Picture() ? QVariant(qtskin::to_image(*control_->Picture())) : QVariant();
        emit pictureChanged();
        if (controlEnabled() != was_enabled) {
            emit controlEnabledChanged();
        }
        return {};
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    }
}

// A property write of the value the control already holds does nothing, so bindings
// that meet again (two pickers bound to each other) settle.
void PickerItem::setRgbProperty(int value) {
    if (value != getRGB()) {
        setRGB(value);
    }
}
void PickerItem::setRedProperty(int value) {
    if (value != getRed()) {
        setRed(value);
    }
}
void PickerItem::setGreenProperty(int value) {
    if (value != getGreen()) {
        setGreen(value);
    }
}
void PickerItem::setBlueProperty(int value) {
    if (value != getBlue()) {
        setBlue(value);
    }
}

bool PickerItem::controlEnabled() const {
    return control_->Enabled();
}
void PickerItem::setControlEnabled(bool enabled) {
    if (enabled == controlEnabled()) {
        return;
    }
    host_call([&] { control_->SetEnabled(enabled); });
    emit controlEnabledChanged();
}

void PickerItem::setPicture(const QVariant& given) {
    // A value that went through a JavaScript variable arrives wrapped.
    const QVariant picture = given.metaType() == QMetaType::fromType<QJSValue>()
                                 ? given.value<QJSValue>().toVariant()
                                 : given;
    if (picture.metaType().id() == QMetaType::QImage) {
        set_picture_from(picture.value<QImage>(), picture);
        return;
    }
    QUrl url = picture.toUrl();
    if (url.isEmpty()) {
        set_picture_from(QImage(), picture);
        return;
    }
    if (url.isRelative() && qmlContext(this) != nullptr) {
        url = qmlContext(this)->resolvedUrl(url);
    }
    const QString path = QQmlFile::urlToLocalFileOrQrc(url);
    QImage image(path.isEmpty() ? picture.toString() : path);
    if (image.isNull()) {
        emit errorRaised(tr("The picture %1 cannot be read").arg(url.toString()));
        return;
    }
    set_picture_from(image, picture);
}

void PickerItem::set_picture_from(const QImage& image, const QVariant& as_given) {
    try {
        PicturePtr converted = qtskin::to_picture(image);
        host_call([&] { control_->SetPicture(std::move(converted)); });
        picture_ = image.isNull() ? QVariant() : as_given;
        emit pictureChanged();
    } catch (const std::exception& error) {
        emit errorRaised(QString::fromUtf8(error.what()));
    }
}

PickerItem::EyedropperMode PickerItem::eyedropperMode() const {
    return qtskin::public_mode<EyedropperMode>(system_pick_->mode());
}

// ---- Geometry and the one mapping ----------------------------------------------------

float PickerItem::twips_per_pixel() const {
    return control_->UserControl().twips_per_pixel();
}

QPoint PickerItem::device_pixel_at(QPointF scene_position, qreal ratio) const {
    return QPoint(geometry::device_pixel_at(scene_position.x(), ratio),
                  geometry::device_pixel_at(scene_position.y(), ratio));
}

// The item may sit between logical pixels in its scene, so the surface's origin is kept
// as it is rather than rounded.
QPointF PickerItem::twips_of_device_pixel(QPoint device_pixel, qreal ratio) const {
    const float twips_per_pixel = this->twips_per_pixel();
    const QPointF surface = mapToScene(QPointF(0, 0));
    return QPointF((geometry::logical_at(device_pixel.x(), ratio) - surface.x()) * twips_per_pixel,
                   (geometry::logical_at(device_pixel.y(), ratio) - surface.y()) * twips_per_pixel);
}

QPointF PickerItem::twips_at(QPointF scene_position) const {
    const qreal ratio = window() != nullptr ? window()->effectiveDevicePixelRatio() : 1.0;
    return twips_of_device_pixel(device_pixel_at(scene_position, ratio), ratio);
}

void PickerItem::geometryChange(const QRectF& new_geometry, const QRectF& old_geometry) {
    QQuickItem::geometryChange(new_geometry, old_geometry);
    if (new_geometry.size() != old_geometry.size()) {
        resize_surface();
    }
}

// The spectrum is laid on the window's device pixels, which change when the picker or
// any item it sits in moves, or with the ratio; it is laid again before the frame that
// shows the change.
void PickerItem::follow_window_pixels() {
    const QPointF origin = mapToScene(QPointF(0, 0));
    const qreal ratio = window()->effectiveDevicePixelRatio();
    if (origin == window_origin_ && ratio == window_ratio_) {
        return;
    }
    window_origin_ = origin;
    window_ratio_ = ratio;
    for (ViewItem* item : items_) {
        if (item != nullptr && item->view() != nullptr && item->view()->kind() == ViewKind::Image) {
            item->redraw();
        }
    }
}

void PickerItem::resize_surface() {
    const float twips_per_pixel = this->twips_per_pixel();
    Surface& surface = control_->UserControl();
    session_.input(Actor::Host, [&] {
        surface.SetWidth(static_cast<Twips>(width() * twips_per_pixel));
        surface.SetHeight(static_cast<Twips>(height() * twips_per_pixel));
    });
}

void PickerItem::itemChange(ItemChange change, const ItemChangeData& data) {
    QQuickItem::itemChange(change, data);
    if (change == ItemSceneChange) {
        disconnect(window_frames_);
        if (data.window != nullptr) {
            window_frames_ = connect(data.window, &QQuickWindow::afterAnimating, this,
                                     &PickerItem::follow_window_pixels);
        }
    }
    if ((change == ItemVisibleHasChanged && !data.boolValue) ||
        (change == ItemSceneChange && data.window == nullptr)) {
        end_gesture();  // a hidden item gets no release
        system_pick_->close();
    }
}

const QCursor& PickerItem::cursor_for(const PointerShapePtr& shape) {
    const auto found = cursors_.find(shape.get());
    if (found != cursors_.end()) {
        return found->second.second;
    }
    const auto inserted =
        cursors_.emplace(shape.get(), std::make_pair(shape, qtskin::pointer_cursor(*shape)));
    return inserted.first->second.second;
}

// ---- Input ---------------------------------------------------------------------------

void PickerItem::mousePressEvent(QMouseEvent* event) {
    mouse(event, MouseAction::Press);
}
void PickerItem::mouseMoveEvent(QMouseEvent* event) {
    mouse(event, MouseAction::Move);
}
void PickerItem::mouseReleaseEvent(QMouseEvent* event) {
    mouse(event, MouseAction::Release);
}
void PickerItem::mouseDoubleClickEvent(QMouseEvent* event) {
    mouse(event, MouseAction::DoubleClick);
}
void PickerItem::mouseUngrabEvent() {
    end_gesture();  // the grab went elsewhere: the release will not come here
}

void PickerItem::mouse(QMouseEvent* event, MouseAction action) {
    event->accept();
    if (session_.detached()) {
        return;
    }
    const qtskin::PersonMouse person(action, *event, twips_at(event->scenePosition()), *screen_);
    Surface& surface = control_->UserControl();
    session_.input(Actor::Person, [&] { person.play(surface); });
    if (action == MouseAction::Press && person.button == kRightButton) {
        request_edit_menu(event->position(), person.x, person.y);
    }
}

namespace {

QString menu_text(EditCommand command) {
    switch (command) {
        case EditCommand::Undo:
            return PickerItem::tr("&Undo");
        case EditCommand::Redo:
            return PickerItem::tr("&Redo");
        case EditCommand::Cut:
            return PickerItem::tr("Cu&t");
        case EditCommand::Copy:
            return PickerItem::tr("&Copy");
        case EditCommand::Paste:
            return PickerItem::tr("&Paste");
        case EditCommand::Delete:
            return PickerItem::tr("Delete");
        case EditCommand::SelectAll:
            return PickerItem::tr("Select All");
    }
    return {};
}

}  // namespace

// A right press on the field that holds the focus opens its context menu, with the
// items the kit says are on. The menu takes the release, so the press's gesture ends
// here.
void PickerItem::request_edit_menu(QPointF position, Twips x, Twips y) {
    const Surface& surface = control_->UserControl();
    const View* pressed = surface.view_at(x, y);
    if (session_.detached() || pressed == nullptr || pressed->kind() != ViewKind::TextField ||
        surface.focused() != pressed) {
        return;
    }
    end_gesture();
    menu_field_ = static_cast<const TextField*>(pressed);
    menu_commands_.clear();
    QVariantList items;
    for (const EditMenuItem& item : edit_menu(*menu_field_)) {
        menu_commands_.push_back(item.command);
        items.append(QVariantMap{{QStringLiteral("text"), menu_text(item.label)},
                                 {QStringLiteral("enabled"), item.enabled}});
    }
    emit editMenuRequested(position, items);
}

void PickerItem::runEditCommand(int index) {
    if (session_.detached() || index < 0 ||
        static_cast<std::size_t>(index) >= menu_commands_.size() ||
        control_->UserControl().focused() != menu_field_) {
        return;
    }
    const Key command = menu_commands_[static_cast<std::size_t>(index)];
    session_.input(Actor::Person, [&] { control_->UserControl().key(command); });
}

// Qt Quick hands the focus a closing popup held to the window's content item, not to
// the item that had it before, so keys would reach no field. The model kept its focus
// through the popup; its item takes Qt Quick's back.
void PickerItem::editMenuClosed() {
    const QQuickWindow* shown_in = window();
    const View* focused = control_->UserControl().focused();
    if (session_.detached() || shown_in == nullptr || focused == nullptr) {
        return;
    }
    const QQuickItem* holder = shown_in->activeFocusItem();
    if (holder != nullptr && holder != shown_in->contentItem()) {
        return;  // the person moved the focus elsewhere while the menu closed
    }
    if (ViewItem* item = items_[index_of_.at(focused)]) {
        session_.without_echo([item] { item->forceActiveFocus(Qt::PopupFocusReason); });
    }
}

// Qt counts a wheel's turn in eighths of a degree, 120 a notch; parts of a notch add up.
void PickerItem::wheelEvent(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    const int delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    if (session_.detached() || delta == 0) {
        event->ignore();
        return;
    }
    const int notches = wheel_notches_.turn(delta);
    const QPointF at = twips_at(event->scenePosition());
    bool used = true;  // a part of a notch over a bar
    if (notches != 0) {
        session_.input(Actor::Person, [&] {
            used = control_->UserControl().wheel(static_cast<Twips>(at.x()),
                                                 static_cast<Twips>(at.y()), notches);
        });
    }
    event->setAccepted(used);
}

void PickerItem::keyPressEvent(QKeyEvent* event) {
    key(event, false);
}

void PickerItem::key(QKeyEvent* event, bool text_field) {
    if (session_.detached()) {
        event->ignore();
        return;
    }
    const bool plain =
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
    if (plain && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        const bool forward =
            event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        event->setAccepted(tab(forward));
        return;
    }
    Surface& surface = control_->UserControl();
    const KeyChord chord = qtskin::key_chord(event->key(), event->modifiers());
    if (const std::optional<Key> command = key_command(chord)) {
        bool used = false;
        session_.input(Actor::Person, [&] { used = surface.key(*command); });
        event->setAccepted(used);  // unused: the host's (Escape with no gesture, ...)
        return;
    }
    if (text_field && is_typed_text(qtskin::to_view(event->text()), chord.modifiers)) {
        type(event->text());
        return;
    }
    event->ignore();  // Return, shortcuts: the host's
}

void PickerItem::type(const QString& text) {
    if (!session_.detached()) {
        session_.input(Actor::Person, [&] { control_->UserControl().type(qtskin::to_view(text)); });
    }
}

// Tab inside the control follows the view layer's tab order; past its end the focus
// goes to the scene's next item, as Qt Quick would move it.
bool PickerItem::tab(bool forward) {
    Surface& surface = control_->UserControl();
    if (surface.tab_leaves(forward)) {
        QQuickItem* next = nextItemInFocusChain(forward);
        if (next != nullptr && next != this && !isAncestorOf(next)) {
            next->forceActiveFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    session_.input(Actor::Person, [&] { forward ? surface.tab() : surface.backtab(); });
    return true;
}

void PickerItem::focusInEvent(QFocusEvent* event) {
    QQuickItem::focusInEvent(event);
    item_focus_in(nullptr, event->reason());
}

// Qt Quick moved the focus into the control by itself (Tab from another item, a
// forceActiveFocus by the host): the view layer decides which view gets it.
void PickerItem::item_focus_in(ViewItem* item, Qt::FocusReason reason) {
    if (session_.echoing() || session_.detached()) {
        return;
    }
    Surface& surface = control_->UserControl();
    const bool returning = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    if (returning && surface.focused() != nullptr) {
        return;  // the window or a popup handed the same focus back
    }
    const bool backward = reason == Qt::BacktabFocusReason;
    const bool by_tab = backward || reason == Qt::TabFocusReason;
    View* received = item != nullptr ? item->view() : nullptr;
    session_.input(Actor::Person, [&] {
        if (surface.focus_entered(received, by_tab, backward)) {
            session_.note_focus_moved();
        }
    });
}

void PickerItem::focusOutEvent(QFocusEvent* event) {
    QQuickItem::focusOutEvent(event);
    item_focus_out(event->reason());
}

// A popup (a field's context menu) hands the focus back when it closes, so the view
// that has it keeps it, as a release the popup takes ends the gesture. Otherwise, once
// the move has settled outside the control, the focus left it: the editor that had it
// runs its LostFocus now and its GotFocus when the person comes back.
void PickerItem::item_focus_out(Qt::FocusReason reason) {
    if (session_.echoing() || session_.detached()) {
        return;
    }
    if (reason == Qt::PopupFocusReason) {
        end_gesture();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!hasActiveFocus() && !session_.detached()) {
                session_.input(Actor::Host, [this] { control_->UserControl().clear_focus(); });
            }
        },
        Qt::QueuedConnection);
}

void PickerItem::end_gesture() {
    screen_->forget_pointer();
    if (!session_.detached() && control_->UserControl().held_buttons() != 0) {
        session_.input(Actor::Host, [this] { control_->UserControl().end_gesture(); });
    }
}

// ---- Mirroring -----------------------------------------------------------------------

void PickerItem::post_flush() {
    QMetaObject::invokeMethod(
        this, [this] { session_.flush(); }, Qt::QueuedConnection);
}

// The control keeps its height and clamps its width: the item's implicit size follows,
// and what lies outside the item's own size is clipped.
void PickerItem::mirror_surface() {
    const Surface& surface = control_->UserControl();
    const float twips_per_pixel = this->twips_per_pixel();
    setImplicitHeight(surface.Height() / twips_per_pixel);
    for (ViewItem* item : items_) {
        if (item != nullptr) {
            item->redraw();  // the surface's Enabled greys every editor
        }
    }
}

void PickerItem::mirror_view(std::size_t view, unsigned aspects) {
    if (items_[view] == nullptr) {
        return;
    }
    if (aspects & (aspect_bit(Aspect::Geometry) | aspect_bit(Aspect::Visible))) {
        place(view);
        placed_ = true;
    }
    items_[view]->mirror(aspects);
}

// A view's place on the surface and whether it shows, which follow the views it sits
// in; the items themselves all sit side by side in the picker.
void PickerItem::place(std::size_t index) {
    ViewItem* item = items_[index];
    const View& view = *control_->UserControl().views()[index];
    bool shown = true;
    for (const View* up = &view; up != nullptr; up = up->parent()) {
        shown = shown && up->Visible();
    }
    const float twips_per_pixel = this->twips_per_pixel();
    const auto pixels = [&](Twips twips) { return geometry::logical_edge(twips, twips_per_pixel); };
    const int left = pixels(view.surface_left());
    const int top = pixels(view.surface_top());
    item->place(QRectF(left, top, std::max(0, pixels(view.surface_left() + view.Width()) - left),
                       std::max(0, pixels(view.surface_top() + view.Height()) - top)),
                shown);
    for (const View* child : view.children()) {
        if (const auto found = index_of_.find(child);
            found != index_of_.end() && items_[found->second] != nullptr) {
            place(found->second);
        }
    }
}

// Qt Quick's focus follows the model's while it is inside the control, or when a
// person's input in the control moved it there; the picker never takes the focus from
// another item on its own.
void PickerItem::mirror_focus(bool moved) {
    const View* focused = control_->UserControl().focused();
    if (focused == nullptr) {
        return;
    }
    ViewItem* item = items_[index_of_.at(focused)];
    if (item == nullptr || item->hasActiveFocus()) {
        return;
    }
    if (!hasActiveFocus() && !(session_.person() && moved)) {
        return;
    }
    session_.without_echo([item] { item->forceActiveFocus(Qt::OtherFocusReason); });
}

void PickerItem::mirrored(bool) {
    if (std::exchange(placed_, false)) {
        order_for_reading();
    }
}

// Assistive technology reads the items in the order of the picker's children: top to
// bottom, then left to right, as the views sit. Each item has a stacking order of its
// own (z), so reordering the children changes nothing drawn.
void PickerItem::order_for_reading() {
    std::vector<ViewItem*> items;
    std::copy_if(items_.begin(), items_.end(), std::back_inserter(items),
                 [](const ViewItem* item) { return item != nullptr; });
    std::stable_sort(items.begin(), items.end(), [](const ViewItem* a, const ViewItem* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    for (std::size_t i = 1; i < items.size(); ++i) {
        items[i]->stackAfter(items[i - 1]);
    }
}

void PickerItem::report(const std::exception& error) {
    emit errorRaised(QString::fromUtf8(error.what()));
}

}  // namespace tintbox::quick

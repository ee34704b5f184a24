// The skin's life: building the widgets, batching the model's changes into one flush,
// the clock and the screen. Mirroring is in skin_mirror.cpp, a person's input in
// skin_input.cpp.
#include "skin.hpp"

#include <QMetaObject>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "accessibility.hpp"
#include "qt_platform.hpp"
#include "system_pick.hpp"
#include "tintbox/front_end.hpp"

namespace tintbox::qtskin {

// ---- Construction --------------------------------------------------------------------

Skin::Skin(TintboxWidget& owner, Tintbox& control)
    : owner_(owner), control_(control), surface_(control.UserControl()) {
    clock_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&clock_, &QTimer::timeout, [this] { tick(); });
    frame_.setTimerType(Qt::PreciseTimer);
    frame_.setSingleShot(true);
    QObject::connect(&frame_, &QTimer::timeout, [this] { flush(); });
    build();
}

Skin::~Skin() {
    detach();
}

void Skin::build() {
    install_accessibility();
    surface_widget_ = new SurfaceWidget(*this, &owner_);
    auto* bar_style = new SquareThumbStyle;
    bar_style->setParent(surface_widget_);
    const auto& views = surface_.views();
    mirrors_.resize(views.size());
    session_.reset(views.size());
    for (const std::size_t i : surface_.creation_order()) {
        View& view = *views[i];
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
                auto* bar = new BarWidget(*this, static_cast<ScrollBar&>(view), bar_style, parent);
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
            AccessibleTexts texts;
            if (accessible_texts(view.name(), texts)) {
                mirror.widget->setAccessibleName(texts.name);
                mirror.widget->setAccessibleDescription(texts.description);
                mirror.widget->setToolTip(texts.description.isEmpty()
                                              ? texts.name
                                              : texts.name + QLatin1Char('\n') + texts.description);
            }
        }
        index_of_[&view] = i;
        view.set_observer([this, i](const View&, Aspect aspect) { mark(i, aspect); });
    }

    // Qt's own tab chain follows the tab indices, so Tab from a host widget enters at
    // the first stop; inside the control the view layer moves the focus.
    std::vector<QWidget*> chain;
    for (View* view : surface_.tab_stops()) {
        chain.push_back(widget_for(*view));
    }
    // Qt 6.4 skips setTabOrder when only widgets without focus lie between the two, as
    // the picture boxes do here; a container that takes the focus while the chain is
    // linked makes Qt do it.
    const Qt::FocusPolicy policy = surface_widget_->focusPolicy();
    surface_widget_->setFocusPolicy(Qt::TabFocus);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
    surface_widget_->setFocusPolicy(policy);

    // The pair fields draw their digits on the pixels of those of txtWebHex.
    const auto field_named = [this](std::string_view name) {
        return mirrors_[index_of_.at(surface_.find(name))].field;
    };
    web_hex_ = field_named("txtWebHex");
    for (const char* pair : {"txtWebHexRed", "txtWebHexGreen", "txtWebHexBlue"}) {
        FieldWidget* field = field_named(pair);
        field->lay_over(*web_hex_);
        web_hex_pairs_.push_back(field);
    }

    surface_.on_surface_changed = [this] {
        session_.note_surface();
        if (!surface_.Enabled() && owner_.system_pick_) {
            owner_.system_pick_->close();  // switched off while the person picks
        }
    };
    timer_changed();
    flush();
}

void Skin::detach() {
    if (session_.detached()) {
        return;
    }
    end_gesture();
    session_.detach();
    clock_.stop();
    frame_.stop();
    for (const auto& view : surface_.views()) {
        view->set_observer(nullptr);
    }
    surface_.on_surface_changed = nullptr;
    delete surface_widget_.data();
    mirrors_.clear();
    web_hex_ = nullptr;
    web_hex_pairs_.clear();
    index_of_.clear();
}

QWidget* Skin::widget_for(const View& view) const {
    const auto found = index_of_.find(&view);
    return found == index_of_.end() ? nullptr : mirrors_[found->second].widget;
}

// Qt hands a widget its mouse position rounded to whole logical pixels, which at a
// fractional or double scale is another device pixel than the one under the pointer; the
// window's position (scenePosition) keeps it. An event made for a widget, not delivered
// by the window, carries the widget's own position there instead, a whole logical pixel
// or more away.
QPoint Skin::window_device_pixel(const QWidget& widget, const QSinglePointEvent& event,
                                 qreal ratio) const {
    const QPointF rounded = widget.mapTo(widget.window(), event.position());
    const QPointF scene = event.scenePosition();
    const bool from_window =
        std::abs(scene.x() - rounded.x()) <= 0.5 && std::abs(scene.y() - rounded.y()) <= 0.5;
    const QPointF at = from_window ? scene : rounded;
    return QPoint(geometry::device_pixel_at(at.x(), ratio),
                  geometry::device_pixel_at(at.y(), ratio));
}

QRect Skin::window_device_rect(const QWidget& widget, qreal ratio) const {
    const QRect logical(widget.mapTo(widget.window(), QPoint(0, 0)), widget.size());
    return to_qrect(geometry::device_rect(to_pixel_rect(logical), ratio));
}

QPointF Skin::twips_at(QPoint window_device_pixel, qreal ratio) const {
    const float twips_per_pixel = this->twips_per_pixel();
    const QPoint surface = surface_widget_->mapTo(surface_widget_->window(), QPoint(0, 0));
    return QPointF(
        geometry::twips_at(window_device_pixel.x(), surface.x(), ratio, twips_per_pixel),
        geometry::twips_at(window_device_pixel.y(), surface.y(), ratio, twips_per_pixel));
}

float Skin::twips_per_pixel() const {
    return surface_.twips_per_pixel();
}

QSize Skin::pixel_size(Twips width, Twips height) const {
    const float twips_per_pixel = this->twips_per_pixel();
    return QSize(geometry::logical_edge(width, twips_per_pixel),
                 geometry::logical_edge(height, twips_per_pixel));
}

// ---- Batching and flush --------------------------------------------------------------

QString Skin::change_door() const {
    if (session_.actor() == Actor::Host) {
        return QStringLiteral("host");  // also a call made on the control directly
    }
    if (session_.actor() == Actor::Clock) {
        return QStringLiteral("eyedropper");
    }
    const std::string& tag = front_end::change_source(control_);
    return tag == front_end::kSpectrumSource ? QStringLiteral("spectrum")
                                             : QString::fromStdString(tag);
}

void Skin::mark(std::size_t index, Aspect aspect) {
    session_.note(index, aspect_bit(aspect));
    if (aspect == Aspect::Timer && !session_.detached()) {
        timer_changed();
    }
}

void Skin::post_flush() {
    QMetaObject::invokeMethod(
        surface_widget_.data(), [this] { flush(); }, Qt::QueuedConnection);
}

// A tick's changes are mirrored one frame after the last mirror at the soonest: a timer
// faster than the screen then mirrors once per frame, and the last tick's colour still
// shows within one frame.
void Skin::request_frame() {
    if (frame_.isActive()) {
        return;
    }
    const qint64 since = since_mirrored_.isValid() ? since_mirrored_.elapsed() : 0;
    const int wait = since_mirrored_.isValid() ? frame_interval_ms() - static_cast<int>(since) : 0;
    frame_.start(std::max(0, wait));
}

void Skin::mirrored(bool changed) {
    if (changed) {
        since_mirrored_.start();
    }
}

int Skin::frame_interval_ms() const {
    const QScreen* screen = owner_.screen();
    const qreal rate = screen != nullptr ? screen->refreshRate() : 0;
    return static_cast<int>(std::lround(1000.0 / (rate >= 1 ? rate : 60.0)));
}

void Skin::set_frames_from_host(bool from_host) {
    frame_.stop();
    session_.set_frames_from_host(from_host);
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
    session_.tick(surface_, milliseconds);
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
    owner_.system_pick_->unreadable();
}

// One answer, not a stream of ticks: it is shown at once rather than at the next frame.
void Skin::screen_color_picked(ColorValue color) {
    session_.input(Actor::Clock, [&] { front_end::pick_screen_color(control_, color); });
    flush();
}

void Skin::resized(QSize pixels) {
    const float twips_per_pixel = this->twips_per_pixel();
    session_.input(Actor::Host, [&] {
        surface_.SetWidth(static_cast<Twips>(pixels.width()) * twips_per_pixel);
        surface_.SetHeight(static_cast<Twips>(pixels.height()) * twips_per_pixel);
    });
}

void Skin::rescale() {
    if (session_.detached()) {
        return;
    }
    for (std::size_t i = 0; i < mirrors_.size(); ++i) {
        mark(i, Aspect::Geometry);
    }
    session_.note_surface();
    resized(owner_.size());
}

void Skin::palette_changed() {
    if (session_.detached()) {
        return;
    }
    for (std::size_t i = 0; i < mirrors_.size(); ++i) {
        mark(i, Aspect::Colors);
    }
    surface_widget_->update();
}

void Skin::report(const std::exception& error) {
    emit owner_.errorRaised(QString::fromUtf8(error.what()));
}

}  // namespace tintbox::qtskin

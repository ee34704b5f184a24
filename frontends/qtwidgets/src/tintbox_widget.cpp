#include "tintbox/qt/tintbox_widget.hpp"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <map>
#include <utility>
#include <vector>

#include "qt_control_support.hpp"
#include "qt_platform.hpp"
#include "skin.hpp"
#include "system_pick.hpp"
#include "tintbox/error.hpp"

namespace tintbox {
namespace {

QPixmap to_pixmap(const Picture& picture) {
    return QPixmap::fromImage(qtskin::to_image(picture));
}

}  // namespace

TintboxWidget::TintboxWidget(QWidget* parent)
    : QWidget(parent),
      screen_(std::make_shared<qtskin::QtScreen>()),
      fonts_(std::make_shared<qtskin::QtFontMetrics>(font())) {
    screen_->set_logical_dpi([this] { return static_cast<qreal>(logicalDpiX()); });
    setFont(qtskin::fitted_field_font(font(), screen_->twips_per_pixel_x()));
    fonts_->set_font(font(), this);
    control_ = std::make_unique<Tintbox>(
        TintboxPlatform{screen_, fonts_, std::make_shared<qtskin::QtClipboard>()});
    control_->set_change_handler([this] {
        change_door_ = skin_ ? skin_->change_door() : QStringLiteral("host");
        emit changed();
    });
    control_->set_error_sink(
        [this](const Error& error) { emit errorRaised(QString::fromUtf8(error.what())); });
    skin_ = std::make_unique<qtskin::Skin>(*this, *control_);
    qtskin::SystemPickHooks pick_hooks;
    pick_hooks.mode_changed = [this] { emit eyedropperModeChanged(); };
    pick_hooks.started = [this] { emit systemPickStarted(); };
    pick_hooks.finished = [this] { emit systemPickFinished(); };
    pick_hooks.unavailable = [this] { emit eyedropperUnavailable(); };
    pick_hooks.picked = [this](ColorValue color) { skin_->screen_color_picked(color); };
    pick_hooks.window = [this] { return window()->windowHandle(); };
    system_pick_ = std::make_unique<qtskin::SystemPick>(*screen_, std::move(pick_hooks));
    screen_->set_unreadable_handler([this] { skin_->eyedropper_unreadable(); });
    screen_->set_run_end_handler([this](bool released) { system_pick_->run_ended(released); });
    screen_->set_reader_changed_handler([this] { system_pick_->refresh(); });

    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    resize(sizeHint());
}

TintboxWidget::~TintboxWidget() {
    // The widgets go before the control whose views they observe.
    screen_->set_logical_dpi(nullptr);
    screen_->set_unreadable_handler(nullptr);
    screen_->set_run_end_handler(nullptr);
    screen_->set_reader_changed_handler(nullptr);
    system_pick_.reset();  // dismisses a pending pick of the desktop's picker
    skin_->detach();
    skin_.reset();
    control_.reset();
}

// ---- Colour methods ------------------------------------------------------------------

qint32 TintboxWidget::getRGB() const {
    return control_->GetRGB();
}
void TintboxWidget::setRGB(qint32 value) {
    skin_->host_call([&] { control_->SetRGB(value); });
}
qint16 TintboxWidget::getRed() const {
    return control_->GetRed();
}
qint16 TintboxWidget::getGreen() const {
    return control_->GetGreen();
}
qint16 TintboxWidget::getBlue() const {
    return control_->GetBlue();
}
void TintboxWidget::setRed(qint16 value) {
    skin_->host_call([&] { control_->SetRed(value); });
}
void TintboxWidget::setGreen(qint16 value) {
    skin_->host_call([&] { control_->SetGreen(value); });
}
void TintboxWidget::setBlue(qint16 value) {
    skin_->host_call([&] { control_->SetBlue(value); });
}

qint32 TintboxWidget::dec(QString& number) const {
    std::u16string text(reinterpret_cast<const char16_t*>(number.utf16()),
                        static_cast<std::size_t>(number.size()));
    const qint32 value = control_->Dec(text);
    number = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    return value;
}

void TintboxWidget::sepRGB(qint32 value, qint32& red, qint32& green, qint32& blue) const {
    control_->SepRGB(value, red, green, blue);
}

// ---- Properties ----------------------------------------------------------------------

QPixmap TintboxWidget::picture() const {
    const PicturePtr& current = control_->Picture();
    if (current != picture_source_) {
        // Set through the control or restored from a bag: convert once.
        picture_source_ = current;
        picture_ = current ? to_pixmap(*current) : QPixmap();
    }
    return picture_;
}

void TintboxWidget::setPicture(const QPixmap& picture) {
    if (!picture.isNull() && picture.cacheKey() == picture_.cacheKey() &&
        picture_source_ == control_->Picture()) {
        return;
    }
    try {
        PicturePtr converted = qtskin::to_picture(picture.toImage());
        skin_->host_call([&] { control_->SetPicture(converted); });
        picture_source_ = std::move(converted);
        picture_ = picture_source_ ? picture : QPixmap();
    } catch (const std::exception& error) {
        emit errorRaised(QString::fromUtf8(error.what()));
    }
}

void TintboxWidget::setPicture(const QImage& image) {
    setPicture(QPixmap::fromImage(image));
}

void TintboxWidget::resetPicture() {
    setPicture(QPixmap());
}

PicturePtr TintboxWidget::corePicture() const {
    return control_->Picture();
}

bool TintboxWidget::controlEnabled() const {
    return control_->Enabled();
}
void TintboxWidget::setControlEnabled(bool enabled) {
    skin_->host_call([&] { control_->SetEnabled(enabled); });
}
void TintboxWidget::resetControlEnabled() {
    setControlEnabled(true);
}

bool TintboxWidget::saveProperties(const QString& path, QString* error) {
    try {
        MemoryPropertyBag bag;
        control_->UserControl_WriteProperties(bag);
        save_property_bag(bag, path.toStdString());
        return true;
    } catch (const std::exception& failure) {
        if (error != nullptr) {
            *error = QString::fromUtf8(failure.what());
        }
        return false;
    }
}

bool TintboxWidget::loadProperties(const QString& path, QString* error) {
    try {
        MemoryPropertyBag bag = load_property_bag(path.toStdString());
        skin_->host_call([&] { control_->UserControl_ReadProperties(bag); });
        return true;
    } catch (const std::exception& failure) {
        if (error != nullptr) {
            *error = QString::fromUtf8(failure.what());
        }
        return false;
    }
}

Tintbox& TintboxWidget::control() {
    return *control_;
}
const Tintbox& TintboxWidget::control() const {
    return *control_;
}

TintboxWidget::EyedropperMode TintboxWidget::eyedropperMode() const {
    return qtskin::public_mode<EyedropperMode>(system_pick_->mode());
}

QWidget* TintboxWidget::viewWidget(const QString& name) const {
    const View* view = control_->UserControl().find(name.toStdString());
    return view != nullptr ? skin_->widget_for(*view) : nullptr;
}

QSize TintboxWidget::sizeHint() const {
    const Surface& surface = control_->UserControl();
    return skin_->pixel_size(surface.design_width(), surface.design_height());
}

QSize TintboxWidget::minimumSizeHint() const {
    const Surface& surface = control_->UserControl();
    return skin_->pixel_size(surface.minimum_width(), surface.design_height());
}

// ---- Events --------------------------------------------------------------------------

bool TintboxWidget::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && skin_) {
        skin_->end_gesture();  // the release goes to the window that is active now
    }
    return QWidget::event(event);
}

void TintboxWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    skin_->resized(event->size());
}

void TintboxWidget::focusInEvent(QFocusEvent* event) {
    skin_->focus_changed(*this, event);
}

bool TintboxWidget::focusNextPrevChild(bool next) {
    if (skin_ && skin_->tab(next)) {
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void TintboxWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window moved to a screen of another DPI: new twips per pixel, new pixel sizes.
    if (QWindow* handle = window()->windowHandle()) {
        disconnect(screen_watch_);
        screen_watch_ = connect(handle, &QWindow::screenChanged, this, [this] {
            setFont(qtskin::fitted_field_font(font(), screen_->twips_per_pixel_x()));
            fonts_->set_font(font(), this);
            skin_->rescale();
        });
    }
}

void TintboxWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    skin_->end_gesture();  // a hidden widget gets no release
    system_pick_->close();
}

void TintboxWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (!skin_) {
        return;
    }

    if (event->type() == QEvent::PaletteChange) {
        skin_->palette_changed();
    }
    if (event->type() == QEvent::FontChange) {
        // A host's font keeps its family; the size always fits the fields.
        const QFont fitted = qtskin::fitted_field_font(font(), screen_->twips_per_pixel_x());
        if (fitted != font()) {
            setFont(fitted);  // comes back here once more with the fitted font
            return;
        }
        fonts_->set_font(font(), this);
        skin_->rescale();
    }
}

}  // namespace tintbox

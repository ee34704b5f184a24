#include "tintbox/qt/tintbox_widget.hpp"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWindow>
#include <map>
#include <utility>
#include <vector>

#include "qt_platform.hpp"
#include "skin.hpp"
#include "system_pick.hpp"
#include "tintbox/error.hpp"

namespace tintbox {
namespace {

// The longest value each editor must show in full.
struct Longest {
    const char* field;
    const char16_t* text;
};
constexpr Longest kLongestValues[] = {
    {"txtRed", u"255"},      {"txtGreen", u"255"},  {"txtBlue", u"255"},
    {"txtDec", u"16777215"}, {"txtHex", u"FFFFFF"}, {"txtWebHex", u"FFFFFF"},
};

// The base font's family at the largest pixel size at which every editor shows its
// longest value in full, beside whatever covers the field's right end (the colour
// strips), within the field's height. The size follows the fields' design geometry at
// this screen's twips per pixel, not the application's font size.
//
// The fields hold digits and hexadecimal letters, which need no shaping: the font
// prefers none, which halves the cost of every text the fields show. Each pixel size
// tried loads a font engine, so the sizes are searched by halving, and the answer is
// kept for the next control on the same screen.
QFont fitted_field_font(const QFont& base, float twips_per_pixel) {
    QFont font = base;
    font.setStyleStrategy(QFont::PreferNoShaping);
    constexpr int kLargest = 32;
    constexpr int kSmallest = 7;
    font.setPixelSize(kLargest);
    static std::map<std::pair<QString, float>, int> fitted_sizes;
    const auto key = std::make_pair(font.key(), twips_per_pixel);
    if (const auto known = fitted_sizes.find(key); known != fitted_sizes.end()) {
        font.setPixelSize(known->second);
        return font;
    }

    const Tintbox design;  // the views at their design-time places
    const Surface& surface = design.UserControl();
    const auto fits = [&](int pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        for (const Longest& longest : kLongestValues) {
            const View& field = *surface.find(longest.field);
            const Twips middle = field.Top() + field.Height() / 2;
            const View* at_right_end = surface.view_at(field.Left() + field.Width() - 1, middle);
            const Twips visible = at_right_end != &field && at_right_end != nullptr
                                      ? at_right_end->Left() - field.Left()
                                      : field.Width();
            // One pixel stays free for the caret after the last character.
            if (metrics.horizontalAdvance(qtskin::to_qstring(longest.text)) + 1 >
                    visible / twips_per_pixel ||
                metrics.height() > field.Height() / twips_per_pixel + 1) {
                return false;
            }
        }
        return true;
    };
    // The largest size that fits, or the smallest when none does.
    int fitting = kSmallest;
    int too_large = kLargest + 1;
    while (too_large - fitting > 1) {
        const int middle = (fitting + too_large) / 2;
        (fits(middle) ? fitting : too_large) = middle;
    }
    fitted_sizes.emplace(key, fitting);
    font.setPixelSize(fitting);
    return font;
}

PicturePtr to_picture(const QImage& image) {
    if (image.isNull()) {
        return nullptr;
    }
    if (image.width() > Picture::kMaxSide || image.height() > Picture::kMaxSide) {
        throw Error(ErrorKind::InvalidPicture,
                    "the image is " + std::to_string(image.width()) + " x " +
                        std::to_string(image.height()) + " pixels; at most " +
                        std::to_string(Picture::kMaxSide) + " on a side can be shown");
    }
    // Transparent parts show white: the control's pictures are opaque.
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    {
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    std::vector<ColorValue> pixels;
    pixels.reserve(static_cast<std::size_t>(opaque.width()) *
                   static_cast<std::size_t>(opaque.height()));
    for (int y = 0; y < opaque.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
        for (int x = 0; x < opaque.width(); ++x) {
            pixels.push_back(qtskin::to_color_value(line[x]));
        }
    }
    return std::make_shared<const Picture>(opaque.width(), opaque.height(), std::move(pixels));
}

QPixmap to_pixmap(const Picture& picture) {
    QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const ColorValue color = picture.pixel(x, y);
            line[x] = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
        }
    }
    return QPixmap::fromImage(image);
}

}  // namespace

TintboxWidget::TintboxWidget(QWidget* parent)
    : QWidget(parent),
      screen_(std::make_shared<qtskin::QtScreen>()),
      fonts_(std::make_shared<qtskin::QtFontMetrics>(font())) {
    screen_->set_widget(this);
    setFont(fitted_field_font(font(), screen_->twips_per_pixel_x()));
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
    system_pick_ = std::make_unique<qtskin::SystemPick>(*this, *screen_, *skin_);
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
        PicturePtr converted = to_picture(picture.toImage());
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
    return system_pick_->mode();
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
            setFont(fitted_field_font(font(), screen_->twips_per_pixel_x()));
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
        const QFont fitted = fitted_field_font(font(), screen_->twips_per_pixel_x());
        if (fitted != font()) {
            setFont(fitted);  // comes back here once more with the fitted font
            return;
        }
        fonts_->set_font(font(), this);
        skin_->rescale();
    }
}

}  // namespace tintbox

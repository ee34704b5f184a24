#include "qt_platform.hpp"

#include <QBitmap>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QString>
#include <array>
#include <cmath>

#if defined(TINTBOX_QT_HAS_XCB)
#include <QtGui/qguiapplication_platform.h>

#include "x11_pixels.hpp"
#endif

namespace tintbox::qtskin {

QColor to_qcolor(ColorValue value, const QPalette& palette) {
    switch (value) {
        case kSystemWindow:
            return palette.color(QPalette::Base);
        case kSystemWindowText:
            return palette.color(QPalette::Text);
        case kSystemButtonFace:
        case kSystemMenu:
            return palette.color(QPalette::Window);
        default:
            break;
    }
    const ColorValue rgb = resolve_system_color(value);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

ColorValue to_color_value(QRgb rgb) {
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

QRect to_qrect(const geometry::PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

geometry::PixelRect to_pixel_rect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

QRect view_rect(const View& view, float twips_per_pixel) {
    return to_qrect(geometry::logical_rect(view, twips_per_pixel));
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

std::int16_t modifier_code(Qt::KeyboardModifiers modifiers) {
    std::int16_t code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= kShiftKey;
    if (modifiers & Qt::ControlModifier)
        code |= kCtrlKey;
    if (modifiers & Qt::AltModifier)
        code |= kAltKey;
    return code;
}

PersonMouse::PersonMouse(MouseAction action, const QMouseEvent& event, QPointF twips,
                         QtScreen& screen)
    : action(action),
      x(static_cast<Twips>(twips.x())),
      y(static_cast<Twips>(twips.y())),
      button(button_code(event.button())),
      modifiers(modifier_code(event.modifiers())) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (action == MouseAction::Press && button == kMiddleButton && clipboard->supportsSelection()) {
        primary_selection = clipboard->text(QClipboard::Selection);
    }
    if (action == MouseAction::Move && event.buttons() != Qt::NoButton) {
        screen.pointer_moved(event.globalPosition());
    } else {
        screen.forget_pointer();
    }
}

void PersonMouse::play(Surface& surface) const {
    switch (action) {
        case MouseAction::Press:
            if (button != kNoButton) {
                surface.press(button, x, y, modifiers);
            }
            if (primary_selection) {
                surface.paste_at(x, y, to_view(*primary_selection));
            }
            break;
        case MouseAction::DoubleClick:
            if (button != kNoButton) {
                surface.double_click(button, x, y, modifiers);
            }
            break;
        case MouseAction::Release:
            if (button != kNoButton) {
                surface.release(button, x, y, modifiers);
            }
            break;
        case MouseAction::Move:
            surface.move(x, y, modifiers);
            break;
    }
}

namespace {

// Qt's names of the keys that chords use besides the letters.
constexpr std::pair<int, KeyCode> kQtKeys[] = {
    {Qt::Key_Backspace, KeyCode::Backspace},
    {Qt::Key_Delete, KeyCode::Delete},
    {Qt::Key_Insert, KeyCode::Insert},
    {Qt::Key_Left, KeyCode::Left},
    {Qt::Key_Right, KeyCode::Right},
    {Qt::Key_Up, KeyCode::Up},
    {Qt::Key_Down, KeyCode::Down},
    {Qt::Key_Home, KeyCode::Home},
    {Qt::Key_End, KeyCode::End},
    {Qt::Key_PageUp, KeyCode::PageUp},
    {Qt::Key_PageDown, KeyCode::PageDown},
    {Qt::Key_Escape, KeyCode::Escape},
};

}  // namespace

KeyChord key_chord(int qt_key, Qt::KeyboardModifiers modifiers) {
    const auto held = static_cast<std::int16_t>(modifier_code(modifiers) |
                                                ((modifiers & Qt::MetaModifier) ? kMetaKey : 0));
    return {neutral_key(qt_key, kQtKeys), held};
}

std::vector<bool> cursor_outline(const PointerShape& shape) {
    constexpr int side = 32;
    const auto drawn = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < side && y < side &&
               shape.drawn[static_cast<std::size_t>(y * side + x)];
    };
    std::vector<bool> outline(side * side, false);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (drawn(x + dx, y + dy)) {
                        outline[static_cast<std::size_t>(y * side + x)] = true;
                    }
                }
            }
        }
    }
    return outline;
}

// Drawn pixels are black. Qt can invert the screen only on Windows, so a one-pixel
// white outline keeps the shape visible on dark colours elsewhere. The bitmaps are made
// from their bits (a control makes a few cursors at start-up, and painting them a point
// at a time cost more than the rest of the skin's start-up mirror).
QCursor pointer_cursor(const PointerShape& shape) {
    constexpr int side = 32;
    constexpr int bytes_per_row = side / 8;
    const std::vector<bool> near = cursor_outline(shape);
    std::array<uchar, side * bytes_per_row> bits{};
    std::array<uchar, side * bytes_per_row> mask{};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const auto index = static_cast<std::size_t>(y * side + x);
            const auto byte = static_cast<std::size_t>(y * bytes_per_row + x / 8);
            const auto bit = static_cast<uchar>(1U << (x % 8));
            if (shape.drawn[index]) {
                bits[byte] |= bit;
            }
            if (near[index]) {
                mask[byte] |= bit;
            }
        }
    }
    return QCursor(QBitmap::fromData(QSize(side, side), bits.data(), QImage::Format_MonoLSB),
                   QBitmap::fromData(QSize(side, side), mask.data(), QImage::Format_MonoLSB),
                   shape.hot_x, shape.hot_y);
}

QtScreen::QtScreen() {
    // No program may read a Wayland screen.
    platform_readable_ = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
#if defined(TINTBOX_QT_HAS_XCB)
    // The offscreen platform answers for X11 too, without a connection.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->connection() != nullptr) {
        x11_ = std::make_unique<X11ScreenReader>(x11->connection(), x11->display());
        platform_readable_ = x11_->root_readable();
    }
#endif
}

QtScreen::~QtScreen() = default;

float QtScreen::twips_per_pixel_x() const {
    qreal dpi = 96.0;
    if (logical_dpi_) {
        dpi = logical_dpi_();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        dpi = screen->logicalDotsPerInchX();
    }
    return dpi > 0 ? static_cast<float>(1440.0 / dpi) : 15.0f;
}

void QtScreen::pointer_moved(QPointF global_position) {
    QScreen* screen = QGuiApplication::screenAt(global_position.toPoint());
    if (reader_ || screen == nullptr) {
        moved_to_valid_ = false;
        return;
    }
    QPointF position = global_position;
#if defined(TINTBOX_QT_HAS_XCB)
    if (x11_) {
        // The X server counts root-window pixels. Qt scales each screen's logical
        // coordinates about the screen's top-left corner, which it keeps unscaled.
        const QPointF origin = screen->geometry().topLeft();
        position = origin + (global_position - origin) * screen->devicePixelRatio();
    }
#endif
    moved_to_ = {static_cast<std::int32_t>(std::lround(position.x())),
                 static_cast<std::int32_t>(std::lround(position.y()))};
    moved_to_valid_ = true;
}

ScreenPoint QtScreen::cursor_position() const {
    if (reader_) {
        return reader_->cursor_position();
    }
    if (moved_to_valid_) {
        return moved_to_;
    }
#if defined(TINTBOX_QT_HAS_XCB)
    if (x11_) {
        ScreenPoint position;
        return x11_->pointer(position) ? position : ScreenPoint{};
    }
#endif
    const QPoint position = QCursor::pos();
    return {position.x(), position.y()};
}

void QtScreen::set_reader(std::shared_ptr<Screen> reader) {
    reader_ = std::move(reader);
    if (on_reader_changed_) {
        on_reader_changed_();
    }
}

bool QtScreen::can_read() const {
    return reader_ ? reader_->can_read() : platform_readable_;
}

void QtScreen::eyedropper_ended(bool released) {
    if (reader_) {
        reader_->eyedropper_ended(released);
    }
#if defined(TINTBOX_QT_HAS_XCB)
    if (x11_) {
        x11_->end_run();
    }
#endif
    if (on_run_end_) {
        on_run_end_(released);
    }
}

void QtScreen::release_context(Context context) {
    if (reader_) {
        reader_->release_context(context);
        return;
    }
#if defined(TINTBOX_QT_HAS_XCB)
    if (x11_) {
        x11_->forget();
    }
#endif
}

ColorValue QtScreen::pixel(Context, ScreenPoint point) {
    const ColorValue color = read_pixel(point);
    if (color < 0 && on_unreadable_) {
        on_unreadable_();
    }
    return color;
}

ColorValue QtScreen::read_pixel(ScreenPoint point) const {
    if (reader_) {
        return reader_->pixel(1, point);
    }
    if (!platform_readable_) {
        return -1;  // known to fail: no round trip each tick
    }
#if defined(TINTBOX_QT_HAS_XCB)
    if (x11_) {
        return x11_->pixel(point);
    }
#endif
    const QPoint position(point.x, point.y);
    QScreen* screen = QGuiApplication::screenAt(position);
    if (screen == nullptr) {
        return -1;
    }
    const QRect geometry = screen->geometry();
    const QPixmap grabbed =
        screen->grabWindow(0, position.x() - geometry.x(), position.y() - geometry.y(), 1, 1);
    if (grabbed.isNull()) {
        return -1;
    }
    const QImage image = grabbed.toImage();
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        return -1;
    }
    return to_color_value(image.pixel(0, 0));
}

float QtFontMetrics::text_width_pixels(std::u16string_view text) const {
    constexpr std::size_t kMostKept = 4096;  // a host's own captions cannot grow it unbounded
    const std::u16string key(text);
    if (const auto known = widths_.find(key); known != widths_.end()) {
        return known->second;
    }
    const auto width = static_cast<float>(metrics_.horizontalAdvance(
        QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()))));
    if (widths_.size() >= kMostKept) {
        widths_.clear();
    }
    widths_.emplace(key, width);
    return width;
}

std::u16string QtClipboard::text() const {
    if (source_) {
        return source_->text();
    }
    return std::u16string(to_view(QGuiApplication::clipboard()->text()));
}

void QtClipboard::set_text(std::u16string_view text) {
    if (source_) {
        source_->set_text(text);
        return;
    }
    QGuiApplication::clipboard()->setText(to_qstring(text));
}

}  // namespace tintbox::qtskin

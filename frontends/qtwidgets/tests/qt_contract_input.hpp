// What the contract drivers of both Qt front ends (the widget and the Qt Quick item) do
// alike: a person's keys, mouse and wheel as the window system hands them to Qt, and the
// conversions between the contract's pictures, colours and device pixels and Qt's.
// Qt Gui and QTest only.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QRectF>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "contract_driver.hpp"

namespace tintbox::contract {

// Qt numbers the letter keys by their upper-case ASCII codes, as the kit does.
inline Qt::Key qt_key(KeyCode which) {
    if (which >= letter_key('A') && which <= letter_key('Z')) {
        return static_cast<Qt::Key>(which);
    }
    static const std::pair<KeyCode, Qt::Key> kQtKeys[] = {
        {KeyCode::Delete, Qt::Key_Delete},     {KeyCode::Left, Qt::Key_Left},
        {KeyCode::Right, Qt::Key_Right},       {KeyCode::Up, Qt::Key_Up},
        {KeyCode::Down, Qt::Key_Down},         {KeyCode::Home, Qt::Key_Home},
        {KeyCode::End, Qt::Key_End},           {KeyCode::PageUp, Qt::Key_PageUp},
        {KeyCode::PageDown, Qt::Key_PageDown}, {KeyCode::Escape, Qt::Key_Escape}};
    for (const auto& [ours, theirs] : kQtKeys) {
        if (ours == which) {
            return theirs;
        }
    }
    return Qt::Key_unknown;
}

inline Qt::MouseButton qt_button(Button which) {
    switch (which) {
        case Button::Left:
            return Qt::LeftButton;
        case Button::Right:
            return Qt::RightButton;
    }
    return Qt::NoButton;
}

// A key press with its modifiers, as a person makes it, to the window's focus.
inline void click_key(QWindow* window, Qt::Key key, int modifiers) {
    Qt::KeyboardModifiers qt_modifiers;
    if ((modifiers & kShift) != 0) {
        qt_modifiers |= Qt::ShiftModifier;
    }
    if ((modifiers & kCtrl) != 0) {
        qt_modifiers |= Qt::ControlModifier;
    }
    QTest::keyClick(window, key, qt_modifiers);
}

// Tab or Shift+Tab, as Qt's platforms deliver them (Shift+Tab as Backtab).
inline void click_tab(QWindow* window, bool backward) {
    click_key(window, backward ? Qt::Key_Backtab : Qt::Key_Tab, backward ? kShift : kNoModifier);
}

inline void type_text(QWindow* window, const std::string& text) {
    for (const char character : text) {
        QTest::keyClick(window, character);
    }
}

// A wheel turned by `notches`, at `local` in the receiver: each notch an event of its
// own, as a wheel reports it.
inline void turn_wheel(QObject* receiver, QPointF local, QPointF global, int notches) {
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent event(local, global, QPoint(), QPoint(0, notches > 0 ? 120 : -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(receiver, &event);
    }
}

inline QImage qt_image(const Picture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Color color = picture.pixels[y * picture.width + x];
            image.setPixel(x, y, qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
        }
    }
    return image;
}

inline Color color_of(QRgb pixel) {
    return qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16);
}

// The device pixel of the window where a logical point of the window lies.
inline QPoint device_pixel(QPointF logical, double ratio) {
    return {static_cast<int>(std::floor(logical.x() * ratio)),
            static_cast<int>(std::floor(logical.y() * ratio))};
}

// The device pixels a logical rectangle of the window covers, from `origin` (the
// control's first device pixel).
inline Rect device_bounds(const QRectF& logical, QPoint origin, double ratio) {
    const int left = static_cast<int>(std::floor(logical.left() * ratio));
    const int top = static_cast<int>(std::floor(logical.top() * ratio));
    return {left - origin.x(), top - origin.y(),
            static_cast<int>(std::ceil((logical.left() + logical.width()) * ratio)) - left,
            static_cast<int>(std::ceil((logical.top() + logical.height()) * ratio)) - top};
}

// As the window system hands a mouse event to Qt: Qt finds what lies under the point,
// keeps the grab while a button is held, and turns a quick second press into a double
// click. Remembers the held buttons and the time between events.
class QtMouse {
  public:
    void send(QWindow* window, Mouse action, Button button, QPointF in_window) {
        const QPointF global = in_window + QPointF(window->position());
        const Qt::MouseButton which = qt_button(button);
        QEvent::Type type = QEvent::MouseMove;
        Qt::MouseButton changed = Qt::NoButton;
        switch (action) {
            case Mouse::Press:
                timestamp_ += 1000;  // far enough from the last press: no double click
                held_ |= which;
                type = QEvent::MouseButtonPress;
                changed = which;
                break;
            case Mouse::DoubleClick:
                timestamp_ += 10;
                held_ |= which;
                type = QEvent::MouseButtonPress;
                changed = which;
                break;
            case Mouse::Release:
                timestamp_ += 10;
                held_ &= ~Qt::MouseButtons(which);
                type = QEvent::MouseButtonRelease;
                changed = which;
                break;
            case Mouse::Move:
                timestamp_ += 10;
                break;
        }
        qt_handleMouseEvent(window, in_window, global, held_, changed, type, Qt::NoModifier,
                            timestamp_);
        QCoreApplication::processEvents();
    }

  private:
    Qt::MouseButtons held_;
    int timestamp_ = 0;
};

}  // namespace tintbox::contract

// A host window for TintboxWidget tests: a line edit before and after the control (so
// the focus can enter and leave it), shown and active on the offscreen platform.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "control/tintbox_internals.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

// The control's insides behind a widget, for checks on the model.
inline tintbox::TintboxInternals inside(tintbox::TintboxWidget& picker) {
    return tintbox::TintboxInternals(picker.control());
}

struct HostWindow {
    // Without a window manager (plain Xvfb) a window never becomes active: such tests
    // wait only until it is on the screen.
    explicit HostWindow(bool activate = true) : window(std::make_unique<QWidget>()) {
        before = new QLineEdit(window.get());
        picker = new tintbox::TintboxWidget(window.get());
        after = new QLineEdit(window.get());
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(before);
        layout->addWidget(picker);
        layout->addWidget(after);
        window->show();
        if (!activate) {
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            return;
        }
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        before->setFocus();
    }

    QLineEdit* field(const char* name) const {
        return qobject_cast<QLineEdit*>(picker->viewWidget(QString::fromLatin1(name)));
    }
    QScrollBar* bar(const char* name) const {
        return qobject_cast<QScrollBar*>(picker->viewWidget(QString::fromLatin1(name)));
    }
    QWidget* view(const char* name) const { return picker->viewWidget(QString::fromLatin1(name)); }
    // Presses Tab `count` times wherever the focus is.
    void tab(int count) const {
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
    // The colour a widget shows at a point, as drawn (in the device pixel that holds it).
    static QRgb shown(QWidget* widget, QPoint at) {
        const QImage image = widget->grab().toImage();
        const qreal ratio = image.devicePixelRatio();
        return image.pixel(static_cast<int>(at.x() * ratio), static_cast<int>(at.y() * ratio)) &
               0xFFFFFF;
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* before = nullptr;
    tintbox::TintboxWidget* picker = nullptr;
    QLineEdit* after = nullptr;
};

// A ColorValue (0x00BBGGRR) as Qt's 0xRRGGBB.
inline QRgb rgb_of(qint32 color) {
    return static_cast<QRgb>(((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF));
}

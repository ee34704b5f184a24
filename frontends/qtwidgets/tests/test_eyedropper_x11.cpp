// The eyedropper end to end on an X server (Xvfb): windows of known colours on the
// screen, the pointer moved over them and the right button pressed on the spectrum with
// real X input (XTest), the timer's ticks, and every view of the control shows the
// colour under the pointer. While the button is held the ticks take the pointer from
// its motion events; ctest runs this at scale factors 1 and 1.5, where those positions
// must still name the X server's pixel under the pointer.
#include <QtGui/qguiapplication_platform.h>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "widget_fixture.hpp"

// After Qt: X11 headers define macros that Qt's headers use as names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

Display* display() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
}

// XTest counts the X server's pixels; Qt scales a screen's logical coordinates about
// its top-left corner (the origin here).
void move_pointer(QPoint to) {
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    XTestFakeMotionEvent(display(), -1, qRound(to.x() * ratio), qRound(to.y() * ratio),
                         CurrentTime);
    XFlush(display());
}

void right_button(bool down) {
    XTestFakeButtonEvent(display(), 3, down ? True : False, CurrentTime);
    XFlush(display());
}

std::unique_ptr<QWidget> swatch(QRect geometry, QColor color) {
    auto window = std::make_unique<QWidget>();
    window->setWindowFlag(Qt::FramelessWindowHint);
    window->setAutoFillBackground(true);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, color);
    window->setPalette(palette);
    window->setGeometry(geometry);
    window->show();
    return window;
}

// Calls `after` from the event loop once a mouse press on `widget` has been handled.
class PressWatch : public QObject {
  public:
    PressWatch(QWidget& widget, std::function<void()> after) : after_(std::move(after)) {
        widget.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            QTimer::singleShot(0, this, after_);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> after_;
};

qint32 color_value(QColor color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

}  // namespace

class EyedropperTest : public QObject {
    Q_OBJECT

  private slots:
    void rightPressPicksTheScreenPixelUnderThePointer();
};

void EyedropperTest::rightPressPicksTheScreenPixelUnderThePointer() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        QSKIP("needs the xcb platform on an X server");
    }
    const QColor left(0x2A, 0x7F, 0xD4);
    const QColor right(0xE0, 0x40, 0x10);
    const auto left_window = swatch({600, 400, 120, 120}, left);
    const auto right_window = swatch({720, 400, 120, 120}, right);
    QVERIFY(QTest::qWaitForWindowExposed(left_window.get()));
    QVERIFY(QTest::qWaitForWindowExposed(right_window.get()));

    HostWindow host(false);
    host.window->move(20, 20);
    QSignalSpy changes(host.picker, &tintbox::TintboxWidget::changed);
    QWidget* spectrum = host.view("Colors");
    // The colour just after the press is handled, before the first tick (10 ms later)
    // can read the screen: on a busy machine the wait below may span ticks.
    qint32 after_press = -1;
    PressWatch watch(*spectrum, [&] { after_press = host.picker->getRGB(); });
    move_pointer(spectrum->mapToGlobal(spectrum->rect().center()));
    right_button(true);
    QTRY_VERIFY(inside(*host.picker).tmrGetPixelColor.Enabled());
    QCOMPARE(spectrum->cursor().shape(), Qt::BitmapCursor);
    QTRY_VERIFY(after_press != -1);
    QCOMPARE(after_press, 0);  // the press itself picks nothing

    // Far jumps, small steps and steps back across the edge between the two windows.
    const struct {
        QPoint at;
        QColor color;
    } stops[] = {{{660, 460}, left}, {{725, 460}, right}, {{730, 470}, right},
                 {{715, 465}, left}, {{719, 401}, left},  {{720, 519}, right}};
    for (const auto& stop : stops) {
        move_pointer(stop.at);
        QTRY_COMPARE(host.picker->getRGB(), color_value(stop.color));
    }
    QCOMPARE(host.field("txtWebHex")->text(), QStringLiteral("E04010"));
    QCOMPARE(host.field("txtRed")->text(), QStringLiteral("224"));
    QCOMPARE(HostWindow::shown(host.view("picNewColor"), {10, 10}), right.rgb() & 0xFFFFFF);

    right_button(false);  // over the right window: the control still hears it
    QTRY_VERIFY(!inside(*host.picker).tmrGetPixelColor.Enabled());
    QCOMPARE(spectrum->cursor().shape(), Qt::ArrowCursor);
    const int after_release = static_cast<int>(changes.count());
    move_pointer({660, 460});
    QTest::qWait(50);
    QCOMPARE(changes.count(), after_release);  // no tick after the release
    QCOMPARE(host.picker->getRGB(), color_value(right));
}

QTEST_MAIN(EyedropperTest)
#include "test_eyedropper_x11.moc"

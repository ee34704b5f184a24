// The eyedropper end to end on an X server (Xvfb): a window of a known colour on the
// screen, the pointer over it, a right press on the spectrum, the timer's ticks, and
// every view of the control shows that colour.
#include <QSignalSpy>
#include <QTest>

#include "widget_fixture.hpp"

class EyedropperTest : public QObject {
    Q_OBJECT

  private slots:
    void rightPressPicksTheScreenPixelUnderThePointer();
};

void EyedropperTest::rightPressPicksTheScreenPixelUnderThePointer() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        QSKIP("needs the xcb platform on an X server");
    }
    QWidget swatch;
    swatch.setWindowFlag(Qt::FramelessWindowHint);
    swatch.setAutoFillBackground(true);
    QPalette palette = swatch.palette();
    palette.setColor(QPalette::Window, QColor(0x2A, 0x7F, 0xD4));
    swatch.setPalette(palette);
    swatch.setGeometry(600, 400, 120, 120);
    swatch.show();
    QVERIFY(QTest::qWaitForWindowExposed(&swatch));

    HostWindow host(false);
    host.window->move(20, 20);
    QSignalSpy changes(host.picker, &tintbox::TintboxWidget::changed);
    QWidget* spectrum = host.view("Colors");
    QTest::mousePress(spectrum, Qt::RightButton, {}, spectrum->rect().center());
    QVERIFY(host.picker->control().tmrGetPixelColor.Enabled());
    QCOMPARE(host.picker->getRGB(), 0);  // the press itself picks nothing

    QCursor::setPos(swatch.mapToGlobal(swatch.rect().center()));
    QTRY_COMPARE(host.picker->getRGB(), 0x2A | (0x7F << 8) | (0xD4 << 16));
    QCOMPARE(host.field("txtWebHex")->text(), QStringLiteral("2A7FD4"));
    QCOMPARE(host.field("txtRed")->text(), QStringLiteral("42"));
    QCOMPARE(HostWindow::shown(host.view("picNewColor"), {10, 10}),
             qRgb(0x2A, 0x7F, 0xD4) & 0xFFFFFF);

    QTest::mouseRelease(spectrum, Qt::RightButton, {}, spectrum->rect().center());
    QVERIFY(!host.picker->control().tmrGetPixelColor.Enabled());
    const int after_release = static_cast<int>(changes.count());
    QTest::qWait(50);
    QCOMPARE(changes.count(), after_release);  // no tick after the release
}

QTEST_MAIN(EyedropperTest)
#include "test_eyedropper_x11.moc"

// The eyedropper where no program may read the screen: the right button let go on the
// spectrum asks the desktop portal for one pick, and its answer comes in as one tick.
// Runs under dbus-run-session with a fake portal in the same process; the screen is made
// unreadable through the widget's screen reader, except in the Wayland smoke test.
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>
#include <memory>

#include "../src/portal_picker.hpp"
#include "../src/qt_platform.hpp"
#include "fake_portal.hpp"
#include "widget_fixture.hpp"

using Mode = tintbox::TintboxWidget::EyedropperMode;

namespace {

// A host window whose control cannot read the screen, with spies on what a host hears.
struct UnreadableHost : HostWindow {
    UnreadableHost() {
        auto screen = std::make_shared<tintbox::FakeScreen>();
        screen->set_unreadable(true);
        dynamic_cast<tintbox::qtskin::QtScreen&>(picker->control().UserControl().screen())
            .set_reader(screen);
    }

    // A right press on the spectrum, held for a few ticks, and its release.
    void right_click() const {
        QWidget* spectrum = view("Colors");
        const QPoint at = spectrum->rect().center();
        QTest::mousePress(spectrum, Qt::RightButton, {}, at);
        QTest::qWait(30);
        QTest::mouseRelease(spectrum, Qt::RightButton, {}, at);
    }

    QSignalSpy changes{picker, &tintbox::TintboxWidget::changed};
    QSignalSpy unavailable{picker, &tintbox::TintboxWidget::eyedropperUnavailable};
    QSignalSpy started{picker, &tintbox::TintboxWidget::systemPickStarted};
    QSignalSpy finished{picker, &tintbox::TintboxWidget::systemPickFinished};
};

}  // namespace

class PortalPickTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void componentsRoundToTheNearestStep_data();
    void componentsRoundToTheNearestStep();
    void aReadableScreenStaysLiveAndAsksNoPortal();
    void thePickedColourLandsOnceAndTheOldColourStays_data();
    void thePickedColourLandsOnceAndTheOldColourStays();
    void cancellingChangesNothingAndRaisesNothing();
    void everyFailureIsOneUnavailablePerPress_data();
    void everyFailureIsOneUnavailablePerPress();
    void aSecondPressWhileAPickIsPendingAsksNothing();
    void hidingOrSwitchingOffClosesThePickAndDropsTheLateAnswer_data();
    void hidingOrSwitchingOffClosesThePickAndDropsTheLateAnswer();
    void destroyingTheWidgetClosesThePendingPick();
    void escapeDuringThePressAsksNothing();
    void onWaylandAndXWaylandTheWidgetUsesTheSystemPicker();

  private:
    std::unique_ptr<FakePortal> portal_;
};

void PortalPickTest::init() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        QSKIP("needs a session bus: run under dbus-run-session");
    }
    portal_ = std::make_unique<FakePortal>();
    QVERIFY(portal_->connected());
}

void PortalPickTest::cleanup() {
    portal_.reset();
}

void PortalPickTest::componentsRoundToTheNearestStep_data() {
    QTest::addColumn<double>("red");
    QTest::addColumn<double>("green");
    QTest::addColumn<double>("blue");
    QTest::addColumn<qint32>("expected");  // -1: no colour
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    QTest::newRow("black") << 0.0 << 0.0 << 0.0 << 0x000000;
    QTest::newRow("white") << 1.0 << 1.0 << 1.0 << 0xFFFFFF;
    QTest::newRow("half rounds up") << 0.5 << 0.0 << 0.0 << 128;
    QTest::newRow("just below a half step") << 0.0 << 127.49 / 255 << 0.0 << (127 << 8);
    QTest::newRow("steps of a byte") << 0.2 << 0.4 << 0.6 << (51 | 102 << 8 | 153 << 16);
    QTest::newRow("just above 1") << 1.0000001 << 1.5 << 0.0 << 0x00FFFF;
    QTest::newRow("below 0") << -0.0001 << -3.0 << 1.0 << 0xFF0000;
    QTest::newRow("not a number") << nan << 0.0 << 0.0 << -1;
    QTest::newRow("infinite") << 0.0 << 0.0 << infinity << -1;
}

void PortalPickTest::componentsRoundToTheNearestStep() {
    QFETCH(double, red);
    QFETCH(double, green);
    QFETCH(double, blue);
    QFETCH(qint32, expected);
    const std::optional<tintbox::ColorValue> color =
        tintbox::qtskin::portal_color(red, green, blue);
    QCOMPARE(color.value_or(-1), expected);
}

void PortalPickTest::aReadableScreenStaysLiveAndAsksNoPortal() {
    HostWindow host;
    QCOMPARE(host.picker->eyedropperMode(), Mode::Live);
    QWidget* spectrum = host.view("Colors");
    QTest::mouseClick(spectrum, Qt::RightButton, {}, spectrum->rect().center());
    QTest::qWait(30);
    QCOMPARE(portal_->requests, 0);
}

void PortalPickTest::thePickedColourLandsOnceAndTheOldColourStays_data() {
    QTest::addColumn<bool>("instant");
    QTest::newRow("an answer before the call's reply") << true;
    QTest::newRow("an answer later") << false;
}

void PortalPickTest::thePickedColourLandsOnceAndTheOldColourStays() {
    QFETCH(bool, instant);
    portal_->answer = instant ? FakePortal::Answer::Instant : FakePortal::Answer::Later;
    portal_->results = FakePortal::color(0.5, 1.0000001, 0.2);
    UnreadableHost host;
    QSignalSpy mode_changes(host.picker, &tintbox::TintboxWidget::eyedropperModeChanged);
    QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
    host.picker->setRGB(0x123456);

    host.right_click();
    const auto before_answer = host.changes.count();
    QCOMPARE(host.started.count(), 1);
    if (!instant) {
        QTRY_COMPARE(portal_->requests, 1);
        QTest::qWait(20);
        QCOMPARE(host.changes.count(), before_answer);
        portal_->respond(0, FakePortal::color(0.5, 1.0000001, 0.2));
    }
    QTRY_COMPARE(host.finished.count(), 1);
    const qint32 picked = 128 | 255 << 8 | 51 << 16;
    QCOMPARE(host.picker->getRGB(), picked);
    QCOMPARE(host.changes.count(), before_answer + 1);
    QCOMPARE(host.picker->changeDoor(), QStringLiteral("eyedropper"));
    QCOMPARE(host.field("txtWebHex")->text(), QStringLiteral("80FF33"));
    QCOMPARE(host.field("txtGreen")->text(), QStringLiteral("255"));
    QCOMPARE(inside(*host.picker).picOldColor.BackColor(), 0x123456);
    QCOMPARE(host.unavailable.count(), 0);
    QCOMPARE(portal_->requests, 1);
    QCOMPARE(portal_->last_parent, QString());  // no X11 window to name offscreen
    QVERIFY(mode_changes.count() <= 1);
}

void PortalPickTest::cancellingChangesNothingAndRaisesNothing() {
    portal_->code = 1;
    portal_->results = {};
    UnreadableHost host;
    QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
    host.picker->setRGB(0x123456);
    host.right_click();
    const auto before_answer = host.changes.count();
    QTRY_COMPARE(host.finished.count(), 1);
    QTest::qWait(20);
    QCOMPARE(host.changes.count(), before_answer);
    QCOMPARE(host.picker->getRGB(), 0x123456);
    QCOMPARE(host.unavailable.count(), 0);
}

void PortalPickTest::everyFailureIsOneUnavailablePerPress_data() {
    QTest::addColumn<int>("failure");
    enum { Response2, DBusError, NoService, Version1, NoColor, ColorOfAnotherType };
    QTest::newRow("response 2") << int(Response2);
    QTest::newRow("D-Bus error") << int(DBusError);
    QTest::newRow("no portal on the bus") << int(NoService);
    QTest::newRow("version 1") << int(Version1);
    QTest::newRow("success without a colour") << int(NoColor);
    QTest::newRow("a colour of another type") << int(ColorOfAnotherType);
}

void PortalPickTest::everyFailureIsOneUnavailablePerPress() {
    QFETCH(int, failure);
    switch (failure) {
        case 0:
            portal_->code = 2;
            break;
        case 1:
            portal_->answer = FakePortal::Answer::Error;
            break;
        case 2:
            portal_.reset();
            portal_ = std::make_unique<FakePortal>(false);
            break;
        case 3:
            portal_->version_ = 1;
            break;
        case 4:
            portal_->results = {};
            break;
        default:
            portal_->results = {{QStringLiteral("color"), QStringLiteral("#FF0000")}};
            break;
    }
    UnreadableHost host;
    host.picker->setRGB(0x123456);
    for (int press = 1; press <= 2; ++press) {
        host.right_click();
        QTRY_COMPARE(host.unavailable.count(), press);
        QTest::qWait(20);
        QCOMPARE(host.unavailable.count(), press);
    }
    QCOMPARE(host.picker->getRGB(), 0x123456);
    const bool portal_picks = failure != 2 && failure != 3;
    QCOMPARE(host.picker->eyedropperMode(), portal_picks ? Mode::SystemPicker : Mode::Unavailable);
    QCOMPARE(portal_->requests, portal_picks ? 2 : 0);
    QCOMPARE(host.finished.count(), host.started.count());
}

void PortalPickTest::aSecondPressWhileAPickIsPendingAsksNothing() {
    portal_->answer = FakePortal::Answer::Later;
    UnreadableHost host;
    QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
    host.right_click();
    QTRY_COMPARE(portal_->requests, 1);
    host.right_click();
    QTest::qWait(20);
    QCOMPARE(portal_->requests, 1);
    QCOMPARE(host.started.count(), 1);
    const auto before_answer = host.changes.count();
    portal_->respond(0, FakePortal::color(0, 0, 1));
    QTRY_COMPARE(host.picker->getRGB(), 0xFF0000);
    QCOMPARE(host.changes.count(), before_answer + 1);
    QCOMPARE(host.finished.count(), 1);
}

void PortalPickTest::hidingOrSwitchingOffClosesThePickAndDropsTheLateAnswer_data() {
    QTest::addColumn<bool>("hide");
    QTest::newRow("hidden") << true;
    QTest::newRow("switched off") << false;
}

void PortalPickTest::hidingOrSwitchingOffClosesThePickAndDropsTheLateAnswer() {
    QFETCH(bool, hide);
    portal_->answer = FakePortal::Answer::Later;
    UnreadableHost host;
    QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
    host.picker->setRGB(0x123456);
    host.right_click();
    QTRY_COMPARE(portal_->requests, 1);
    if (hide) {
        host.picker->hide();
    } else {
        host.picker->setControlEnabled(false);
    }
    QTRY_COMPARE(portal_->closes, 1);
    QCOMPARE(host.finished.count(), 1);
    const auto before_answer = host.changes.count();
    portal_->respond(0, FakePortal::color(1, 1, 1));
    QTest::qWait(30);
    QCOMPARE(host.changes.count(), before_answer);
    QCOMPARE(host.picker->getRGB(), 0x123456);
    QCOMPARE(host.finished.count(), 1);
}

void PortalPickTest::destroyingTheWidgetClosesThePendingPick() {
    portal_->answer = FakePortal::Answer::Later;
    {
        UnreadableHost host;
        QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
        host.right_click();
        QTRY_COMPARE(portal_->requests, 1);
    }
    QTRY_COMPARE(portal_->closes, 1);
    portal_->respond(0, FakePortal::color(1, 1, 1));  // nobody left to hear it
    QTest::qWait(30);
}

void PortalPickTest::escapeDuringThePressAsksNothing() {
    UnreadableHost host;
    QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
    QWidget* spectrum = host.view("Colors");
    const QPoint at = spectrum->rect().center();
    QTest::mousePress(spectrum, Qt::RightButton, {}, at);
    QTest::qWait(30);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::mouseRelease(spectrum, Qt::RightButton, {}, at);
    QTest::qWait(30);
    QCOMPARE(portal_->requests, 0);
    QCOMPARE(host.unavailable.count(), 0);
}

// Smoke test on a Wayland compositor (weston's headless backend), natively or through its
// XWayland server: the widget starts and the eyedropper goes through the desktop's picker.
void PortalPickTest::onWaylandAndXWaylandTheWidgetUsesTheSystemPicker() {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        QSKIP("needs Weston: run_under_weston.sh");
    }
    portal_->results = FakePortal::color(0.2, 0.4, 0.6);
    HostWindow host(false);
    QTRY_COMPARE(host.picker->eyedropperMode(), Mode::SystemPicker);
    QCOMPARE(portal_->requests, 0);
    QWidget* spectrum = host.view("Colors");
    QTest::mouseClick(spectrum, Qt::RightButton, {}, spectrum->rect().center());
    QTRY_COMPARE(host.picker->getRGB(), 51 | 102 << 8 | 153 << 16);
    QCOMPARE(portal_->requests, 1);
    // The desktop places its picker over the window named, where it can name one.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QCOMPARE(portal_->last_parent, QStringLiteral("x11:%1").arg(host.window->winId(), 0, 16));
    } else {
        QCOMPARE(portal_->last_parent, QString());
    }
}

QTEST_MAIN(PortalPickTest)
#include "test_portal_pick.moc"

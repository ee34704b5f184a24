// A person's use of TintboxPicker in a Qt Quick window, with real mouse and key events:
// a press on the spectrum picks the colour drawn under the pointer (also on its edges after
// a move of what the picker sits in), and typing into a field goes through the view layer.
// Run at 1x and at 1.5 device pixels a pixel; and on a headless Wayland compositor, where
// the eyedropper goes through the desktop's picker (a fake portal on a private session bus).
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "fake_portal.hpp"
#include "picker_item.hpp"
#include "spectrum.hpp"
#include "tintbox/views.hpp"

using tintbox::quick::PickerItem;

class PickerPersonTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void pressOnTheSpectrumPicksThePixelDrawnThere_data();
    void pressOnTheSpectrumPicksThePixelDrawnThere();
    void afterAMoveOfWhatThePickerSitsInEdgePixelsPickWhatIsDrawnThere();
    void typingReplacesTheSelectedComponentAndTabFollowsTheTabOrder();
    void onWaylandTheEyedropperGoesThroughTheDesktopPicker();

  private:
    // The item that draws the view of that name (the QML side makes them).
    QQuickItem* view_item(const char* name) const {
        const QList<QQuickItem*> items = picker_->childItems();
        const auto found = std::find_if(items.begin(), items.end(), [name](QQuickItem* item) {
            return item->objectName() == QLatin1String(name);
        });
        return found != items.end() ? *found : nullptr;
    }
    QPoint window_point(QQuickItem& item, QPointF fraction) const {
        return item.mapToScene(QPointF(item.width() * fraction.x(), item.height() * fraction.y()))
            .toPoint();
    }

    std::unique_ptr<QQmlEngine> engine_;
    std::unique_ptr<QQuickWindow> window_;
    PickerItem* picker_ = nullptr;
};

void PickerPersonTest::init() {
    engine_ = std::make_unique<QQmlEngine>();
    engine_->addImportPath(QStringLiteral(TINTBOX_QML_BUILD_IMPORT_DIR));
    QQmlComponent component(engine_.get());
    component.setData(
        "import QtQuick\nimport Tintbox\n"
        "Window { width: 560; height: 300; visible: true\n"
        "  TintboxPicker { objectName: 'picker'; x: 7; y: 5; width: 500 } }",
        QUrl());
    window_.reset(qobject_cast<QQuickWindow*>(component.create()));
    QVERIFY2(window_, qPrintable(component.errorString()));
    picker_ = window_->findChild<PickerItem*>(QStringLiteral("picker"));
    QVERIFY(picker_ != nullptr);
    picker_->setPicture(tintbox::demo::make_spectrum(256, 256));
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    window_->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void PickerPersonTest::cleanup() {
    window_.reset();
    engine_.reset();
}

void PickerPersonTest::pressOnTheSpectrumPicksThePixelDrawnThere_data() {
    QTest::addColumn<QPointF>("fraction");
    QTest::newRow("top left") << QPointF(0.02, 0.03);
    QTest::newRow("middle") << QPointF(0.5, 0.5);
    QTest::newRow("near the right edge") << QPointF(0.97, 0.41);
    QTest::newRow("near the bottom") << QPointF(0.33, 0.96);
}

void PickerPersonTest::pressOnTheSpectrumPicksThePixelDrawnThere() {
    QFETCH(QPointF, fraction);
    QQuickItem* spectrum = view_item("Colors");
    QVERIFY(spectrum != nullptr);
    const QPoint at = window_point(*spectrum, fraction);
    QTest::mouseClick(window_.get(), Qt::LeftButton, {}, at);
    QCOMPARE(picker_->changeDoor(), QStringLiteral("spectrum"));

    const QImage shown = window_->grabWindow();
    const qreal ratio = window_->effectiveDevicePixelRatio();
    const QRgb drawn = shown.pixel(static_cast<int>(std::floor(at.x() * ratio)),
                                   static_cast<int>(std::floor(at.y() * ratio)));
    const int rgb = picker_->getRGB();
    QCOMPARE(QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF), QColor(drawn));
}

// The item the picker sits in moves by part of a logical pixel after the spectrum was
// drawn: its edges land on other device pixels, and each pixel around them that a press
// picks from still shows the colour picked.
void PickerPersonTest::afterAMoveOfWhatThePickerSitsInEdgePixelsPickWhatIsDrawnThere() {
    QQuickItem* spectrum = view_item("Colors");
    QVERIFY(spectrum != nullptr);
    auto* holder = new QQuickItem(window_->contentItem());
    picker_->setParentItem(holder);
    window_->grabWindow();  // a frame drawn where the picker was
    holder->setPosition({0.4, 0.7});
    const QImage shown = window_->grabWindow();

    // A colour of no pixel of the picture: a press changes it exactly when it picks.
    const QImage picture = tintbox::demo::make_spectrum(256, 256);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            colours.insert(picture.pixel(x, y));
        }
    }
    QRgb unpicked = qRgb(0, 0, 1);
    while (colours.count(unpicked) != 0) {
        ++unpicked;
    }
    const int unpicked_value = qRed(unpicked) | qGreen(unpicked) << 8 | qBlue(unpicked) << 16;

    const qreal ratio = window_->effectiveDevicePixelRatio();
    const QRectF logical =
        spectrum->mapRectToScene(QRectF(0, 0, spectrum->width(), spectrum->height()));
    const int left = static_cast<int>(std::floor(logical.left() * ratio)) - 1;
    const int top = static_cast<int>(std::floor(logical.top() * ratio)) - 1;
    const int right = static_cast<int>(std::ceil(logical.right() * ratio));
    const int bottom = static_cast<int>(std::ceil(logical.bottom() * ratio));
    std::vector<QPoint> edges;
    for (int x = left; x <= right; ++x) {
        for (const int y : {top, top + 1, top + 2, bottom - 2, bottom - 1, bottom}) {
            edges.emplace_back(x, y);
        }
    }
    for (int y = top; y <= bottom; ++y) {
        for (const int x : {left, left + 1, left + 2, right - 2, right - 1, right}) {
            edges.emplace_back(x, y);
        }
    }
    int picks = 0;
    ulong timestamp = 0;
    for (const QPoint pixel : edges) {
        picker_->setRGB(unpicked_value);
        // As a window system reports a pointer on a device pixel to a scaled Qt.
        const QPointF at(pixel.x() / ratio, pixel.y() / ratio);
        const QPointF global = window_->mapToGlobal(at);
        timestamp += 1000;  // no double click
        qt_handleMouseEvent(window_.get(), at, global, Qt::LeftButton, Qt::LeftButton,
                            QEvent::MouseButtonPress, {}, timestamp);
        qt_handleMouseEvent(window_.get(), at, global, Qt::NoButton, Qt::LeftButton,
                            QEvent::MouseButtonRelease, {}, timestamp + 10);
        QCoreApplication::processEvents();
        const int rgb = picker_->getRGB();
        if (rgb != unpicked_value) {
            ++picks;
            QVERIFY2(
                QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF) ==
                    QColor(shown.pixel(pixel)),
                qPrintable(QStringLiteral("device pixel %1,%2").arg(pixel.x()).arg(pixel.y())));
        }
    }
    QVERIFY(picks > 0);
}

void PickerPersonTest::typingReplacesTheSelectedComponentAndTabFollowsTheTabOrder() {
    QQuickItem* red = view_item("txtRed");
    QVERIFY(red != nullptr);
    QTest::mouseClick(window_.get(), Qt::LeftButton, {}, window_point(*red, {0.5, 0.5}));
    QTRY_COMPARE(window_->activeFocusItem(), red);
    QTest::keyClick(window_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window_.get(), Qt::Key_7);
    QTest::keyClick(window_.get(), Qt::Key_7);
    QCOMPARE(picker_->getRed(), 77);
    QCOMPARE(picker_->changeDoor(), QStringLiteral("txtRed"));

    const std::vector<tintbox::View*> stops = picker_->control().UserControl().tab_stops();
    const auto from = std::find_if(stops.begin(), stops.end(), [](const tintbox::View* view) {
        return view->name() == "txtRed";
    });
    QVERIFY(from != stops.end() && from + 1 != stops.end());
    QTest::keyClick(window_.get(), Qt::Key_Tab);
    QCOMPARE(window_->activeFocusItem()->objectName(),
             QString::fromStdString((*(from + 1))->name()));
}

void PickerPersonTest::onWaylandTheEyedropperGoesThroughTheDesktopPicker() {
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        QSKIP("needs Weston: run_under_weston.sh");
    }
    // The picker asks the portal whether it can pick when it is made.
    cleanup();
    FakePortal portal;
    QVERIFY(portal.connected());
    portal.results = FakePortal::color(0.2, 0.4, 0.6);
    init();
    QTRY_COMPARE(picker_->eyedropperMode(), PickerItem::EyedropperMode::SystemPicker);
    QQuickItem* spectrum = view_item("Colors");
    QVERIFY(spectrum != nullptr);
    QTest::mouseClick(window_.get(), Qt::RightButton, {}, window_point(*spectrum, {0.5, 0.5}));
    QTRY_COMPARE(picker_->getRGB(), 51 | 102 << 8 | 153 << 16);
    QCOMPARE(portal.requests, 1);
    QCOMPARE(picker_->changeDoor(), QStringLiteral("eyedropper"));
    cleanup();
}

QTEST_MAIN(PickerPersonTest)
#include "test_person_use.moc"

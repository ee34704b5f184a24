// The demo window: its minimum size, restoring properties and its Change log.
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>

#include "demo_window.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

using tintbox::demo::DemoWindow;

class DemoWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void theSmallestWindowShowsTheWholeCompactControl() {
        DemoWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(window.minimumSizeHint());
        QTRY_VERIFY(window.picker().height() >= window.picker().minimumSizeHint().height());
        QVERIFY(window.picker().width() >= window.picker().minimumSizeHint().width());
        QVERIFY(window.minimumSizeHint().height() > window.picker().minimumSizeHint().height());

        // At the smallest size a window manager allows, the wrapped hint below the log
        // takes more lines than at the width the window opened with; the control keeps
        // its fixed height and no row below it is laid over it.
        window.resize(window.minimumSize());
        QTRY_COMPARE(window.size(), window.minimumSize());
        const QRect control = window.picker().geometry();
        QCOMPARE(control.height(), window.picker().sizeHint().height());
        for (const QWidget* row : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(row == &window.picker() || !row->geometry().intersects(control),
                     qPrintable(row->metaObject()->className()));
        }
    }

    void restoringPropertiesShowsAndLogsWhatCameBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("form.bag"));
        {
            DemoWindow saved;
            saved.picker().setControlEnabled(false);
            QVERIFY(saved.picker().saveProperties(path));
        }
        DemoWindow window;
        QVERIFY(window.enabled_box_checked());
        QVERIFY(window.restore_properties_from(path));
        QVERIFY(!window.enabled_box_checked());
        QVERIFY(window.log_text().contains(QStringLiteral("Enabled = False")));
        QVERIFY(window.log_text().contains(QStringLiteral("Picture = 256 x 256")));
    }

    void theLogNamesTheDoorAndCountsRepeats() {
        DemoWindow window;
        window.picker().setRGB(42);
        window.picker().setRGB(42);
        window.picker().setRGB(42);
        const QStringList lines = window.log_text().split('\n');
        QCOMPARE(lines.last(),
                 QStringLiteral("Change from host: 42 (decimal)  2A (hex)  #2A0000 (web)  x 3"));
        QCOMPARE(tintbox::demo::door_text(QStringLiteral("txtRed")),
                 QStringLiteral("field txtRed"));
        QCOMPARE(tintbox::demo::door_text(QStringLiteral("hsBlue")),
                 QStringLiteral("scroll bar hsBlue"));
    }
};

QTEST_MAIN(DemoWindowTest)
#include "test_demo_window.moc"

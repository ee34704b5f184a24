// What a screen reader gets: the control's accessible tree, names, focus and values.
#include <QAccessible>
#include <QTest>

#include "widget_fixture.hpp"

namespace {

// Every object below `root`, depth first.
void walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& all) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        QVERIFY(child != nullptr);
        all.append(child);
        walk(child, all);
    }
}

QAccessibleInterface* group_of(HostWindow& host) {
    return QAccessible::queryAccessibleInterface(host.picker);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void theControlIsOneNamedGroupOfTheReachableViews() {
        HostWindow host;
        QAccessibleInterface* group = group_of(host);
        QCOMPARE(group->role(), QAccessible::Grouping);
        QVERIFY(!group->text(QAccessible::Name).isEmpty());
        QList<QAccessibleInterface*> all;
        walk(group, all);
        QStringList names;
        for (QAccessibleInterface* node : all) {
            const QString view = node->object()->objectName();
            QVERIFY2(!view.startsWith(QStringLiteral("txtHidden")) &&
                         !view.startsWith(QStringLiteral("txtWebHexRed")) &&
                         !view.startsWith(QStringLiteral("lbl")) &&
                         !view.startsWith(QStringLiteral("Picture")) &&
                         view != QStringLiteral("picRed"),
                     qPrintable(view));
            QVERIFY2(!node->text(QAccessible::Name).isEmpty(), qPrintable(view));
            names.append(node->text(QAccessible::Name));
        }
        // Every tab stop is in the tree under its own name.
        for (const char* stop : {"hsRed", "txtRed", "hsGreen", "txtGreen", "hsBlue", "txtBlue",
                                 "txtDec", "txtHex", "txtWebHex"}) {
            QAccessibleInterface* node = QAccessible::queryAccessibleInterface(host.view(stop));
            QVERIFY2(group->indexOfChild(node) >= 0, stop);
        }
        QVERIFY(names.contains(QStringLiteral("Colour number, hexadecimal, blue first")));
        QVERIFY(names.contains(QStringLiteral("Colour spectrum")));
        QCOMPARE(host.view("txtDec")->toolTip().section('\n', 0, 0),
                 QStringLiteral("Colour number, decimal"));
    }

    void childrenComeInReadingOrder() {
        HostWindow host;
        QAccessibleInterface* group = group_of(host);
        QPoint previous(-1, -1);
        for (int i = 0; i < group->childCount(); ++i) {
            const QRect rect = group->child(i)->rect();
            QVERIFY(rect.y() > previous.y() ||
                    (rect.y() == previous.y() && rect.x() > previous.x()));
            previous = rect.topLeft();
        }
        QCOMPARE(group->child(0)->text(QAccessible::Name), QStringLiteral("Previous colour"));
    }

    void afterAPressOnTheSpectrumTheSpectrumHasTheFocus() {
        HostWindow host;
        QWidget* spectrum = host.view("Colors");
        QTest::mouseClick(spectrum, Qt::LeftButton, {}, spectrum->rect().center());
        QAccessibleInterface* group = group_of(host);
        QStringList focused;
        for (int i = 0; i < group->childCount(); ++i) {
            if (group->child(i)->state().focused) {
                focused.append(group->child(i)->text(QAccessible::Name));
            }
        }
        QCOMPARE(focused, QStringList{QStringLiteral("Colour spectrum")});
        QCOMPARE(QAccessible::queryAccessibleInterface(spectrum)->parent(), group);
    }

    void theSwatchDescriptionFollowsTheColour() {
        HostWindow host;
        host.picker->setRGB(0xDC8D3C);
        QAccessibleInterface* swatch =
            QAccessible::queryAccessibleInterface(host.view("picNewColor"));
        QCOMPARE(swatch->text(QAccessible::Name), QStringLiteral("New colour"));
        QCOMPARE(swatch->text(QAccessible::Description),
                 QStringLiteral("#3C8DDC, red 60, green 141, blue 220"));
    }

    // A dark theme reaches the fields, the faces and the focus mark; the pair fields keep
    // their component colours.
    void aDarkPaletteReachesEverythingButThePairColours() {
        HostWindow host;
        host.picker->setRGB(0x0000FF);  // the red pair shows pure red
        QPalette dark;
        dark.setColor(QPalette::Base, QColor(20, 20, 20));
        dark.setColor(QPalette::Text, QColor(240, 240, 240));
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        dark.setColor(QPalette::Highlight, QColor(255, 200, 0));
        host.picker->setPalette(dark);
        QCoreApplication::processEvents();
        QLineEdit* dec = host.field("txtDec");
        QCOMPARE(dec->palette().color(QPalette::Base), QColor(20, 20, 20));
        QCOMPARE(dec->palette().color(QPalette::Active, QPalette::Text), QColor(240, 240, 240));
        QCOMPARE(host.field("txtWebHexRed")->palette().color(QPalette::Active, QPalette::Text),
                 QColor(255, 0, 0));
        QCOMPARE(HostWindow::shown(host.view("Frame"), {3, 3}) & 0xFFFFFF,
                 QColor(40, 40, 40).rgb() & 0xFFFFFF);
    }

    void fieldsAndBarsReportTheirValues() {
        HostWindow host;
        host.picker->setRGB(0x0A141E);
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(host.view("hsGreen"));
        QVERIFY(bar->valueInterface() != nullptr);
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 20);
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(host.view("txtDec"));
        QCOMPARE(field->text(QAccessible::Value), QStringLiteral("660510"));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"

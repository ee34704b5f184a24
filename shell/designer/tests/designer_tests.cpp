// The widget as Designer and uic see it: a form saved with a picture and controlEnabled
// false compiles through uic and restores both; the plugin offers the widget with the
// toolbox bitmap as icon and its properties at their defaults.
#include <QImage>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <memory>

#include "resources.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "ui_tintbox_form.h"

namespace {

QImage toolbox_bitmap_image() {
    const std::string_view bitmap = tintbox::shell::toolbox_bitmap();
    return QImage::fromData(reinterpret_cast<const uchar*>(bitmap.data()),
                            static_cast<int>(bitmap.size()), "BMP");
}

}  // namespace

class DesignerTests : public QObject {
    Q_OBJECT

  private slots:
    void uicRestoresPictureAndControlEnabled() {
        QWidget form;
        Ui::TintboxForm ui;
        ui.setupUi(&form);

        QCOMPARE(ui.colorPicker->controlEnabled(), false);
        QCOMPARE(ui.colorPicker->control().Enabled(), false);
        const QPixmap picture = ui.colorPicker->picture();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(3, 2));

        // The control itself holds the picture, pixel for pixel (0x00BBGGRR).
        const tintbox::PicturePtr core = ui.colorPicker->control().Picture();
        QVERIFY(core != nullptr);
        QCOMPARE(core->width(), 3);
        QCOMPARE(core->height(), 2);
        const tintbox::ColorValue expected[2][3] = {{0x0000FF, 0x00FF00, 0xFF0000},
                                                    {0xFF0000, 0x00FF00, 0x0000FF}};
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 3; ++column) {
                QCOMPARE(core->pixel(column, row), expected[row][column]);
            }
        }
    }

    void uicLeavesAnUntouchedWidgetAtItsDefaults() {
        QWidget form;
        Ui::TintboxForm ui;
        ui.setupUi(&form);
        QVERIFY(ui.untouchedPicker->picture().isNull());
        QVERIFY(ui.untouchedPicker->control().Picture() == nullptr);
        QCOMPARE(ui.untouchedPicker->controlEnabled(), true);
    }

    // Designer offers Reset for both properties and leaves a reset property out of the
    // saved form; the reset must bring back the default that the form assumes.
    void propertiesAreDesignableAndResetToTheirDefaults() {
        tintbox::TintboxWidget widget;
        const QMetaObject* meta = widget.metaObject();
        for (const char* name : {"picture", "controlEnabled"}) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(name));
            QVERIFY2(property.isValid(), name);
            QVERIFY2(property.isDesignable(), name);
            QVERIFY2(property.isStored(), name);
            QVERIFY2(property.isResettable(), name);
            QVERIFY2(property.isWritable(), name);
        }
        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        widget.setProperty("picture", QPixmap::fromImage(image));
        widget.setProperty("controlEnabled", false);
        QVERIFY(!widget.picture().isNull());
        for (const char* name : {"picture", "controlEnabled"}) {
            QVERIFY(meta->property(meta->indexOfProperty(name)).reset(&widget));
        }
        QVERIFY(widget.picture().isNull());
        QVERIFY(widget.control().Picture() == nullptr);
        QCOMPARE(widget.controlEnabled(), true);
        QCOMPARE(widget.control().Enabled(), true);
    }

    void pluginOffersTheWidgetWithTheToolboxBitmap() {
        QPluginLoader loader(QStringLiteral(TINTBOX_DESIGNER_PLUGIN));
        QObject* instance = loader.instance();
        QVERIFY2(instance != nullptr, qPrintable(loader.errorString()));
        auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(instance);
        QVERIFY(plugin != nullptr);

        QCOMPARE(plugin->name(), QStringLiteral("tintbox::TintboxWidget"));
        QCOMPARE(plugin->includeFile(), QStringLiteral("tintbox/qt/tintbox_widget.hpp"));
        QVERIFY(!plugin->isContainer());
        QVERIFY(!plugin->group().isEmpty());
        QVERIFY(plugin->domXml().contains(QStringLiteral("class=\"tintbox::TintboxWidget\"")));
        QVERIFY(plugin->domXml().contains(
            QStringLiteral("<header>tintbox/qt/tintbox_widget.hpp</header>")));

        const QIcon icon = plugin->icon();
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 15)));
        const QImage expected = toolbox_bitmap_image();
        QCOMPARE(expected.size(), QSize(16, 15));
        QCOMPARE(icon.pixmap(QSize(16, 15)).toImage().convertToFormat(QImage::Format_RGB32),
                 expected.convertToFormat(QImage::Format_RGB32));

        // The plugin carries its own copy of the widget class: look at it through Qt's
        // meta-object system only.
        std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
        QVERIFY(widget != nullptr);
        QCOMPARE(widget->metaObject()->className(), "tintbox::TintboxWidget");
        QVERIFY(widget->property("picture").value<QPixmap>().isNull());
        QCOMPARE(widget->property("controlEnabled").toBool(), true);
    }
};

QTEST_MAIN(DesignerTests)
#include "designer_tests.moc"

// The widget as Designer and uic see it: a form saved with a picture and controlEnabled
// false compiles through uic and restores both; the plugin offers the widget with the
// toolbox bitmap as icon and its properties at their defaults.
#include <QImage>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerPropertyEditorInterface>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QExtensionManager>
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <map>
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

QDesignerCustomWidgetInterface* load_plugin(QPluginLoader& loader) {
    loader.setFileName(QStringLiteral(TINTBOX_DESIGNER_PLUGIN));
    return qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
}

// Designer's side of the property-editing protocol, reduced to what the plugin uses: a
// core with an extension manager, a property editor that names the edited object, and
// property sheets that remember which properties are marked as changed.
class FormEditor : public QDesignerFormEditorInterface {
  public:
    FormEditor() { setExtensionManager(new QExtensionManager(this)); }
};

class PropertyEditor : public QDesignerPropertyEditorInterface {
  public:
    PropertyEditor() : QDesignerPropertyEditorInterface(nullptr) {}
    bool isReadOnly() const override { return false; }
    QObject* object() const override { return object_; }
    QString currentPropertyName() const override { return {}; }
    void setObject(QObject* object) override { object_ = object; }
    void setPropertyValue(const QString&, const QVariant&, bool) override {}
    void setReadOnly(bool) override {}

  private:
    QObject* object_ = nullptr;
};

}  // namespace

class RecordingPropertySheet : public QObject, public QDesignerPropertySheetExtension {
    Q_OBJECT
    Q_INTERFACES(QDesignerPropertySheetExtension)

  public:
    explicit RecordingPropertySheet(QObject* widget) : widget_(widget) {
        const QMetaObject* meta = widget->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            names_ << QString::fromLatin1(meta->property(i).name());
        }
        changed_ = QList<bool>(names_.size(), false);
    }
    int count() const override { return static_cast<int>(names_.size()); }
    int indexOf(const QString& name) const override {
        return static_cast<int>(names_.indexOf(name));
    }
    QString propertyName(int index) const override { return names_.at(index); }
    QString propertyGroup(int) const override { return {}; }
    void setPropertyGroup(int, const QString&) override {}
    bool hasReset(int) const override { return true; }
    bool reset(int index) override { return widget_->metaObject()->property(index).reset(widget_); }
    bool isVisible(int) const override { return true; }
    void setVisible(int, bool) override {}
    bool isAttribute(int) const override { return false; }
    void setAttribute(int, bool) override {}
    QVariant property(int index) const override {
        return widget_->property(names_.at(index).toLatin1().constData());
    }
    void setProperty(int index, const QVariant& value) override {
        widget_->setProperty(names_.at(index).toLatin1().constData(), value);
    }
    bool isChanged(int index) const override { return changed_.at(index); }
    void setChanged(int index, bool changed) override { changed_[index] = changed; }
    bool isEnabled(int) const override { return true; }

  private:
    QObject* widget_;
    QStringList names_;
    QList<bool> changed_;
};

class PropertySheetFactory : public QObject, public QAbstractExtensionFactory {
    Q_OBJECT
    Q_INTERFACES(QAbstractExtensionFactory)

  public:
    QObject* extension(QObject* object, const QString& iid) const override {
        if (iid != Q_TYPEID(QDesignerPropertySheetExtension)) {
            return nullptr;
        }
        std::unique_ptr<RecordingPropertySheet>& sheet = sheets_[object];
        if (!sheet) {
            sheet = std::make_unique<RecordingPropertySheet>(object);
        }
        return sheet.get();
    }

  private:
    mutable std::map<QObject*, std::unique_ptr<RecordingPropertySheet>> sheets_;
};

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
        QPluginLoader loader;
        QDesignerCustomWidgetInterface* plugin = load_plugin(loader);
        QVERIFY2(plugin != nullptr, qPrintable(loader.errorString()));

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

    // Designer saves the properties marked as changed; one edited back to its default
    // must lose the mark so that the form leaves it out.
    void pluginUnmarksPropertiesEditedBackToTheirDefaults() {
        QPluginLoader loader;
        QDesignerCustomWidgetInterface* plugin = load_plugin(loader);
        QVERIFY2(plugin != nullptr, qPrintable(loader.errorString()));
        FormEditor core;
        PropertyEditor editor;
        core.setPropertyEditor(&editor);
        PropertySheetFactory factory;
        core.extensionManager()->registerExtensions(&factory,
                                                    Q_TYPEID(QDesignerPropertySheetExtension));
        plugin->initialize(&core);
        QVERIFY(plugin->isInitialized());

        std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
        editor.setObject(widget.get());
        auto* sheet =
            qt_extension<QDesignerPropertySheetExtension*>(core.extensionManager(), widget.get());
        QVERIFY(sheet != nullptr);

        QImage image(2, 2, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const struct {
            const char* property;
            QVariant value;
            bool stays_changed;
        } edits[] = {
            {"controlEnabled", false, true},
            {"controlEnabled", true, false},
            {"picture", QPixmap::fromImage(image), true},
            {"picture", QPixmap(), false},
        };
        for (const auto& edit : edits) {
            const QString name = QString::fromLatin1(edit.property);
            const int index = sheet->indexOf(name);
            QVERIFY(index >= 0);
            // What Designer's property command does, then what its editor announces.
            sheet->setProperty(index, edit.value);
            sheet->setChanged(index, true);
            emit editor.propertyChanged(name, edit.value);
            QCoreApplication::processEvents();
            QCOMPARE(sheet->isChanged(index), edit.stays_changed);
        }
        widget.reset();
        core.extensionManager()->unregisterExtensions(&factory,
                                                      Q_TYPEID(QDesignerPropertySheetExtension));
    }
};

QTEST_MAIN(DesignerTests)
#include "designer_tests.moc"

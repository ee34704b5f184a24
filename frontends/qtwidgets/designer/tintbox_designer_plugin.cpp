#include "tintbox_designer_plugin.hpp"

#include <QIcon>
#include <QPixmap>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerPropertyEditorInterface>
#include <QtDesigner/QDesignerPropertySheetExtension>
#include <QtDesigner/QExtensionManager>
#include <string_view>

#include "resources.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

namespace tintbox {

TintboxDesignerPlugin::TintboxDesignerPlugin(QObject* parent) : QObject(parent) {}

QString TintboxDesignerPlugin::name() const {
    return QStringLiteral("tintbox::TintboxWidget");
}

QString TintboxDesignerPlugin::group() const {
    return QStringLiteral("Input Widgets");
}

QString TintboxDesignerPlugin::toolTip() const {
    return QStringLiteral("Tintbox colour picker");
}

QString TintboxDesignerPlugin::whatsThis() const {
    return QStringLiteral(
        "A colour picker with red, green and blue editors, decimal, hexadecimal and "
        "web-hex fields, and a spectrum picture to pick from.");
}

QString TintboxDesignerPlugin::includeFile() const {
    return QStringLiteral("tintbox/qt/tintbox_widget.hpp");
}

QIcon TintboxDesignerPlugin::icon() const {
    const std::string_view bitmap = shell::toolbox_bitmap();
    QPixmap pixmap;
    pixmap.loadFromData(reinterpret_cast<const uchar*>(bitmap.data()),
                        static_cast<uint>(bitmap.size()), "BMP");
    return QIcon(pixmap);
}

bool TintboxDesignerPlugin::isContainer() const {
    return false;
}

QWidget* TintboxDesignerPlugin::createWidget(QWidget* parent) {
    // Designer builds its property editor after loading plugins; by the time a widget
    // is placed it exists.
    watch_property_editor();
    return new TintboxWidget(parent);
}

bool TintboxDesignerPlugin::isInitialized() const {
    return !core_.isNull();
}

void TintboxDesignerPlugin::initialize(QDesignerFormEditorInterface* core) {
    if (core_ || core == nullptr) {
        return;
    }
    core_ = core;
    watch_property_editor();
}

QString TintboxDesignerPlugin::domXml() const {
    return QStringLiteral(
        "<ui language=\"c++\">\n"
        " <widget class=\"tintbox::TintboxWidget\" name=\"colorPicker\"/>\n"
        " <customwidgets>\n"
        "  <customwidget>\n"
        "   <class>tintbox::TintboxWidget</class>\n"
        "   <extends>QWidget</extends>\n"
        "   <header>tintbox/qt/tintbox_widget.hpp</header>\n"
        "  </customwidget>\n"
        " </customwidgets>\n"
        "</ui>\n");
}

void TintboxDesignerPlugin::watch_property_editor() {
    if (watching_ || !core_ || core_->propertyEditor() == nullptr) {
        return;
    }
    watching_ = true;
    QDesignerPropertyEditorInterface* editor = core_->propertyEditor();
    connect(editor, &QDesignerPropertyEditorInterface::propertyChanged, this,
            [this, editor](const QString& property, const QVariant&) {
                // Designer marks an edited property as changed when its command ends;
                // look at the widget after that.
                QPointer<QObject> object = editor->object();
                QMetaObject::invokeMethod(
                    this, [this, object, property] { forget_default_value(object, property); },
                    Qt::QueuedConnection);
            });
}

// Designer saves every property marked as changed. Setting picture or controlEnabled
// back to its default by hand would keep the mark, so the widget's own value decides.
void TintboxDesignerPlugin::forget_default_value(QObject* object, const QString& property) {
    auto* widget = qobject_cast<TintboxWidget*>(object);
    if (widget == nullptr || !core_) {
        return;
    }
    const bool is_default =
        (property == QLatin1String("picture") && widget->picture().isNull()) ||
        (property == QLatin1String("controlEnabled") && widget->controlEnabled());
    auto* sheet = qt_extension<QDesignerPropertySheetExtension*>(core_->extensionManager(), widget);
    if (!is_default || sheet == nullptr) {
        return;
    }
    const int index = sheet->indexOf(property);
    if (index >= 0) {
        sheet->setChanged(index, false);
    }
}

}  // namespace tintbox

// The Qt Designer plugin of TintboxWidget: puts the widget in Designer's widget box with
// the control's toolbox bitmap as its icon, and keeps Designer from saving the picture
// and controlEnabled properties while they hold their defaults.
#pragma once

#include <QObject>
#include <QPointer>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

class QDesignerFormEditorInterface;

namespace tintbox {

class TintboxDesignerPlugin : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QDesignerCustomWidgetInterface_iid)
    Q_INTERFACES(QDesignerCustomWidgetInterface)

  public:
    explicit TintboxDesignerPlugin(QObject* parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

  private:
    void watch_property_editor();
    void forget_default_value(QObject* object, const QString& property);

    QPointer<QDesignerFormEditorInterface> core_;
    bool watching_ = false;
};

}  // namespace tintbox

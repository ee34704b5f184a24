// ViewItem: one view of the control drawn in a Qt Quick scene. TintboxPicker.qml makes
// one per view; each draws its view's state from the view layer (a field's text, caret
// and selection, a bar's arrows and thumb, a box's colour, the spectrum's picture) and
// carries what Qt Quick's Accessible attached properties show of it. The spectrum's
// picture is one texture laid on the window's device pixels by a child item. Mouse input goes to
// the picker, which hands it to the view layer; keys come here while the item holds the
// focus and go to the picker too.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>

#include "picker_item.hpp"

namespace tintbox::quick {

class PictureLayer;

class ViewItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(tintbox::quick::PickerItem* owner READ owner WRITE setOwner NOTIFY boundChanged)
    Q_PROPERTY(int viewIndex READ viewIndex WRITE setViewIndex NOTIFY boundChanged)
    // What assistive technology hears, from the shared names table: whether a person can
    // reach the view at all, its role, its name and its description (a swatch's tells
    // its colour).
    Q_PROPERTY(bool reachable READ reachable NOTIFY boundChanged)
    Q_PROPERTY(int accessibleRole READ accessibleRole NOTIFY boundChanged)
    Q_PROPERTY(QString accessibleName READ accessibleName NOTIFY boundChanged)
    Q_PROPERTY(QString accessibleDescription READ accessibleDescription NOTIFY
                   accessibleDescriptionChanged)
    // The view holds the control's keyboard focus (the spectrum while txtHidden parks it).
    Q_PROPERTY(bool viewFocused READ viewFocused NOTIFY viewFocusedChanged)

  public:
    explicit ViewItem(QQuickItem* parent = nullptr);
    ~ViewItem() override;

    PickerItem* owner() const { return owner_; }
    void setOwner(PickerItem* owner);
    int viewIndex() const { return view_index_; }
    void setViewIndex(int index);
    bool reachable() const;
    int accessibleRole() const;
    QString accessibleName() const;
    QString accessibleDescription() const;
    bool viewFocused() const;

    // ---- For the picker --------------------------------------------------------------
    void bind(View* view);  // null: the picker and its control are going
    View* view() const { return view_; }
    // Brings the item up to the view's changed aspects; `placed` its place and
    // visibility, which also follow the views it sits in.
    void mirror(unsigned aspects);
    void place(QRectF rect, bool shown);
    // Draws the view again (its picture layer, for an image).
    void redraw();

    void paint(QPainter* painter) override;

  protected:
    void componentComplete() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  signals:
    void boundChanged();
    void accessibleDescriptionChanged();
    void viewFocusedChanged();

  private:
    void attach_to_owner();
    qreal text_origin() const;
    void paint_field(QPainter& painter);
    void paint_bar(QPainter& painter);
    friend class PictureLayer;
    QRect window_device_rect(qreal ratio) const;
    QSGNode* update_picture_node(QSGNode* old_node);
    QImage render_picture(const QRect& covered, qreal ratio) const;

    QPointer<PickerItem> owner_;
    int view_index_ = -1;
    View* view_ = nullptr;
    PictureLayer* picture_layer_ = nullptr;  // for an image view; a child item
    // The window's device pixels and the ratio that the picture layer's texture was made
    // for; stale: the picture changed since.
    QRect rendered_at_;
    qreal rendered_ratio_ = 0;
    bool picture_stale_ = true;
};

}  // namespace tintbox::quick

// PickerItem: the Tintbox colour picker as a Qt Quick item, the base of the QML type
// TintboxPicker (qml/TintboxPicker.qml adds one ViewItem per view and their
// accessibility). It owns one tintbox::Tintbox and mirrors its view layer through a
// MirrorSession: the view layer stays the single source of truth, the items only draw
// it, and a person's mouse, keys and focus go into the surface's input functions.
//
// Sections: QML interface - geometry - input - mirroring.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QQuickItem>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "tintbox/input.hpp"
#include "tintbox/mirror_session.hpp"
#include "tintbox/tintbox.hpp"

namespace tintbox {
namespace qtskin {
class QtScreen;
class QtFontMetrics;
enum class MouseAction;
class SystemPick;
}  // namespace qtskin

namespace quick {

class ViewItem;

class PickerItem : public QQuickItem, private MirrorHooks {
    Q_OBJECT
    // The C++ half of TintboxPicker; place TintboxPicker, which draws the views.
    QML_NAMED_ELEMENT(PickerBase)
    // The colour (0..16777215, red in the low byte); writing a different value is
    // setRGB, writing the same value does nothing.
    Q_PROPERTY(int rgb READ getRGB WRITE setRgbProperty NOTIFY changed)
    // The components (0..255); writing a different value is setRed, setGreen, setBlue.
    Q_PROPERTY(int red READ getRed WRITE setRedProperty NOTIFY changed)
    Q_PROPERTY(int green READ getGreen WRITE setGreenProperty NOTIFY changed)
    Q_PROPERTY(int blue READ getBlue WRITE setBlueProperty NOTIFY changed)
    // The spectrum picture: a URL (file: or qrc:), a local path, or an image; null or an
    // empty URL for none. A picture that cannot be read or shown is refused with
    // errorRaised() and the old one stays.
    Q_PROPERTY(QVariant picture READ picture WRITE setPicture NOTIFY pictureChanged)
    // The control's own Enabled (input on or off, editors switched with it).
    Q_PROPERTY(bool controlEnabled READ controlEnabled WRITE setControlEnabled NOTIFY
                   controlEnabledChanged)
    // The number of views, for the Repeater that makes their items.
    Q_PROPERTY(int viewCount READ viewCount CONSTANT)
    // Through which door the latest changed() came: "host", "spectrum", "eyedropper", or
    // the name of the field or bar a person used ("txtRed", "hsGreen", ...).
    Q_PROPERTY(QString changeDoor READ changeDoor NOTIFY changed)
    // How the eyedropper (the right button on the spectrum) works here, as for the widget:
    // Live on X11; SystemPicker where no program may read the screen (Wayland,
    // XWayland) and the desktop portal picks, opening its picker when the right button is
    // let go; Unavailable otherwise (and on Wayland until the portal has answered).
    Q_PROPERTY(EyedropperMode eyedropperMode READ eyedropperMode NOTIFY eyedropperModeChanged)

  public:
    enum class EyedropperMode { Live, SystemPicker, Unavailable };
    Q_ENUM(EyedropperMode)

    explicit PickerItem(QQuickItem* parent = nullptr);
    ~PickerItem() override;

    // ---- Colour methods (see tintbox::Tintbox); each raises changed() ---------------
    Q_INVOKABLE int getRGB() const;
    Q_INVOKABLE void setRGB(int value);  // limited to 0..16777215
    Q_INVOKABLE int getRed() const;
    Q_INVOKABLE int getGreen() const;
    Q_INVOKABLE int getBlue() const;
    Q_INVOKABLE void setRed(int value);  // limited to 0..255
    Q_INVOKABLE void setGreen(int value);
    Q_INVOKABLE void setBlue(int value);
    // { value, number }: `number` cleaned to upper-case hexadecimal digits and its value
    // (0 for more than seven digits). Never fails.
    Q_INVOKABLE QVariantMap dec(const QString& number) const;
    // { red, green, blue } of a colour value. Never fails.
    Q_INVOKABLE QVariantMap sepRGB(int value) const;

    // Saves / restores Picture and Enabled through the control's property-bag file (a
    // path or a file: URL). On failure returns the reason and leaves the file (or the
    // control) as it was; an empty string on success.
    Q_INVOKABLE QString saveProperties(const QUrl& file);
    // Runs the item at `index` of the edit menu last requested, on its field, when the
    // field still holds the focus.
    Q_INVOKABLE void runEditCommand(int index);
    // The edit menu closed: the field it was opened on takes the keyboard focus back,
    // unless another item took it meanwhile.
    Q_INVOKABLE void editMenuClosed();
    Q_INVOKABLE QString loadProperties(const QUrl& file);

    void setRgbProperty(int value);
    void setRedProperty(int value);
    void setGreenProperty(int value);
    void setBlueProperty(int value);
    QVariant picture() const { return picture_; }
    void setPicture(const QVariant& picture);
    bool controlEnabled() const;
    void setControlEnabled(bool enabled);
    int viewCount() const;
    QString changeDoor() const { return change_door_; }
    EyedropperMode eyedropperMode() const;

    tintbox::Tintbox& control() { return *control_; }
    const QFont& fieldFont() const { return field_font_; }

    // ---- For the view items ----------------------------------------------------------
    // A view item made by the QML side takes its place in the mirror.
    void attach(ViewItem& item, int view);
    void detach_item(ViewItem& item);
    // The one mapping between the scene and the surface's twips: the window's device
    // pixel that holds a scene point, and the surface twips of a device pixel's centre.
    // Pointer positions and the drawn spectrum both go through it.
    QPoint device_pixel_at(QPointF scene_position, qreal ratio) const;
    QPointF twips_of_device_pixel(QPoint device_pixel, qreal ratio) const;
    QPointF twips_at(QPointF scene_position) const;
    const QCursor& cursor_for(const PointerShapePtr& shape);
    float twips_per_pixel() const;
    void key(QKeyEvent* event, bool text_field);
    void type(const QString& text);
    void item_focus_in(ViewItem* item, Qt::FocusReason reason);
    void item_focus_out(Qt::FocusReason reason);

    // ---- A clock and frames from outside (a benchmark standing in for the screen) -----
    // Not part of the QML type. The view layer's timers run on the caller's clock instead
    // of the item's QTimer: `clock` hears the interval to tick at (0: stop), and the
    // caller calls advance_time.
    void set_external_clock(std::function<void(int interval_ms)> clock);
    // One tick of the clock: advances the view layer's timers by `milliseconds`.
    void advance_time(int milliseconds);
    // Whether the caller paints the frames: a tick's changes then wait for flush()
    // instead of the event loop's next pass.
    void set_frames_from_host(bool from_host) { session_.set_frames_from_host(from_host); }
    // Brings every view item up to date with the model.
    void flush() { session_.flush(); }

  signals:
    // Every Change event of the control (host calls, a person's edits, picks).
    void changed();
    void pictureChanged();
    void controlEnabledChanged();
    // An event handler of the control failed, or a picture was refused.
    void errorRaised(const QString& message);
    // The eyedropper could not get a screen colour (once per right-button press), or
    // the desktop's picker failed.
    void eyedropperUnavailable();
    void eyedropperModeChanged();
    // Around the desktop's picker (SystemPicker mode): it opened, and it closed (with a
    // pick, which changed() comes before, cancelled, failed, or dismissed because the
    // item was hidden or switched off).
    void systemPickStarted();
    void systemPickFinished();
    // A right press on the focused field asks for its context menu at `position` (in
    // the picker): `items` lists { text, enabled } in menu order; the
    // menu's choice comes back through runEditCommand.
    void editMenuRequested(QPointF position, const QVariantList& items);

  protected:
    void geometryChange(const QRectF& new_geometry, const QRectF& old_geometry) override;
    void itemChange(ItemChange change, const ItemChangeData& data) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseUngrabEvent() override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    using Actor = MirrorSession::Actor;
    void mouse(QMouseEvent* event, qtskin::MouseAction action);
    void request_edit_menu(QPointF position, Twips x, Twips y);
    bool tab(bool forward);
    void end_gesture();
    void resize_surface();
    void follow_window_pixels();
    void timer_changed();
    void place(std::size_t view);
    void set_picture_from(const QImage& image, const QVariant& as_given);
    template <class Call>
    void host_call(Call&& call) {
        session_.host_call(std::forward<Call>(call));
    }
    // MirrorHooks
    void post_flush() override;
    void mirror_surface() override;
    void mirror_view(std::size_t view, unsigned aspects) override;
    void mirror_focus(bool moved) override;
    void mirrored(bool changed) override;
    void order_for_reading();
    void report(const std::exception& error) override;

    std::shared_ptr<qtskin::QtScreen> screen_;
    std::shared_ptr<qtskin::QtFontMetrics> fonts_;
    std::unique_ptr<tintbox::Tintbox> control_;
    MirrorSession session_{*this};
    std::vector<ViewItem*> items_;  // by view index; null until attached, and for timers
    QFont field_font_;
    QVariant picture_;
    QString change_door_;
    QTimer clock_;                             // drives the view layer's timers
    std::function<void(int)> external_clock_;  // the caller's clock, instead of clock_
    std::unordered_map<const View*, std::size_t> index_of_;
    // Each shape is kept alive with its cursor, so the address stays a valid key.
    std::unordered_map<const PointerShape*, std::pair<PointerShapePtr, QCursor>> cursors_;
    QMetaObject::Connection window_frames_;  // each frame of the window the picker is in
    QPointF window_origin_;                  // where the picker was in it at the last frame
    qreal window_ratio_ = 0;
    bool placed_ = false;               // a flush moved a view: the reading order may have changed
    WheelNotches wheel_notches_{120};   // Qt counts eighths of a degree, 120 a notch
    bool unreadable_reported_ = false;  // once per eyedropper run
    std::unique_ptr<qtskin::SystemPick> system_pick_;
    // The field and commands of the edit menu last requested.
    const TextField* menu_field_ = nullptr;
    std::vector<Key> menu_commands_;
};

}  // namespace quick
}  // namespace tintbox

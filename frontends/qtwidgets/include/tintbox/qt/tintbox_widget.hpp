/// \file
/// TintboxWidget: the Tintbox colour picker as a Qt 6 widget.
///
/// The widget owns one tintbox::Tintbox and shows each of its views as a real Qt widget
/// (QLineEdit, QScrollBar, painted boxes). The control's view layer stays the single
/// source of truth: the widget mirrors it and feeds a person's input into it.
///
/// Errors: the colour methods throw tintbox::Error like the control's own methods. Errors
/// of the control's event handlers (a person's input, timer ticks) never escape; they are
/// reported through errorRaised().
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <memory>

#include "tintbox/tintbox.hpp"

namespace tintbox {

namespace qtskin {
class Skin;
class SystemPick;
class QtScreen;
class QtFontMetrics;
}  // namespace qtskin

/// The control as a Qt widget: one real widget per view, mirroring the control's view
/// layer and feeding a person's input into it.
class TintboxWidget : public QWidget {
    Q_OBJECT
    /// The spectrum picture; a null QPixmap means none (the default).
    Q_PROPERTY(QPixmap picture READ picture WRITE setPicture RESET resetPicture)
    /// The control's own Enabled (input to the control on or off, editors switched with
    /// it); distinct from QWidget::enabled.
    Q_PROPERTY(
        bool controlEnabled READ controlEnabled WRITE setControlEnabled RESET resetControlEnabled)
    /// How the eyedropper (the right button on the spectrum) works here; read-only.
    Q_PROPERTY(EyedropperMode eyedropperMode READ eyedropperMode NOTIFY eyedropperModeChanged)

  public:
    /// Live: the colour follows the screen pixel under the pointer while the right button
    /// is held (X11, Windows). SystemPicker: no program may read the screen (Wayland,
    /// XWayland); when the right button is let go the desktop's own picker opens, and the
    /// pixel the person clicks there becomes the colour. Unavailable: neither; a right
    /// press raises eyedropperUnavailable(). On Wayland the mode is Unavailable until the
    /// desktop has answered whether it can pick (eyedropperModeChanged() follows).
    enum class EyedropperMode { Live, SystemPicker, Unavailable };
    Q_ENUM(EyedropperMode)

    /// A control showing black, with no spectrum picture.
    explicit TintboxWidget(QWidget* parent = nullptr);
    ~TintboxWidget() override;

    // ---- Colour methods (see tintbox::Tintbox); each setter raises changed() ---------
    /// The colour shown as the new colour, 0x00BBGGRR.
    qint32 getRGB() const;
    /// Limits the value to 0..16777215; shows it as the old and the new colour.
    void setRGB(qint32 value);
    ///@{
    /// The component shown in its field, 0..255 (0 for an empty field).
    qint16 getRed() const;
    qint16 getGreen() const;
    qint16 getBlue() const;
    ///@}
    ///@{
    /// Limits the value to 0..255; raises changed() twice when the component's field
    /// changed, once otherwise.
    void setRed(qint16 value);
    void setGreen(qint16 value);
    void setBlue(qint16 value);
    ///@}
    /// Cleans `number` to upper-case hexadecimal digits in place and returns its value
    /// (0 for more than seven digits). Never fails.
    qint32 dec(QString& number) const;
    /// Splits a colour value into its components. Never fails.
    void sepRGB(qint32 value, qint32& red, qint32& green, qint32& blue) const;

    // ---- Properties -------------------------------------------------------------------
    /// The picture as set (or as restored from a property bag), null when none.
    QPixmap picture() const;
    /// Converts the image once to the control's picture type; picture() and corePicture()
    /// then return the same objects until the picture changes. An image that the control
    /// cannot take (larger than tintbox::Picture::kMaxSide) is refused with errorRaised()
    /// and the old picture stays. A null image sets no picture. Raises no changed().
    ///@{
    void setPicture(const QPixmap& picture);
    void setPicture(const QImage& image);
    ///@}
    /// Removes the picture (the default).
    void resetPicture();
    /// The picture as the control holds it, null when none.
    tintbox::PicturePtr corePicture() const;

    ///@{
    /// The control's own Enabled (see the property controlEnabled); raises no changed().
    bool controlEnabled() const;
    void setControlEnabled(bool enabled);
    ///@}
    /// Switches the control on (the default).
    void resetControlEnabled();

    /// Saves / restores Picture and Enabled through the control's property-bag file.
    /// On failure returns false, leaves the file (or the control) as it was, and puts
    /// the reason in *error when given.
    ///@{
    bool saveProperties(const QString& path, QString* error = nullptr);
    bool loadProperties(const QString& path, QString* error = nullptr);
    ///@}

    /// The control itself. Changes made through it are mirrored on the next event-loop
    /// pass (the widget's own methods mirror at once; the eyedropper's ticks at the
    /// screen's next frame, so that the widgets follow it once per frame).
    ///@{
    tintbox::Tintbox& control();
    const tintbox::Tintbox& control() const;
    ///@}
    /// The Qt widget that shows the view of that name (QLineEdit for text fields,
    /// QScrollBar for scroll bars), or null (the timer, unknown names).
    QWidget* viewWidget(const QString& name) const;

    /// The design width (spectrum shown) and the fixed height; the minimum is the
    /// compact form, the left column alone.
    ///@{
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    ///@}

    /// Through which door the latest changed() came: "host" (a colour method of this
    /// widget or of the control), "spectrum", "eyedropper", or the name of the field or
    /// scroll bar a person used ("txtRed", "hsGreen", ...).
    QString changeDoor() const { return change_door_; }

    /// How the eyedropper works here (see EyedropperMode).
    EyedropperMode eyedropperMode() const;

  signals:
    /// Every Change event of the control (host calls, a person's edits, picks).
    void changed();
    /// An event handler of the control failed; the message names the error.
    void errorRaised(const QString& message);
    /// The eyedropper could not read the screen (reported once per right-button press),
    /// or the desktop's picker failed.
    void eyedropperUnavailable();
    /// eyedropperMode() changed (on Wayland, once the desktop has answered).
    void eyedropperModeChanged();
    /// A pick through the desktop's picker began (SystemPicker mode, the right button let
    /// go: the picker opens as soon as the desktop answers), and it ended: with a pick
    /// (changed() comes first, once), cancelled by the person (nothing changes), failed
    /// (eyedropperUnavailable() follows), or dismissed because the widget was hidden or
    /// switched off. A host may say "Click a pixel; Esc cancels" in between.
    ///@{
    void systemPickStarted();
    void systemPickFinished();
    ///@}

  protected:
    ///@{
    /// Qt's event handlers, reimplemented to keep the control and its widgets in step.
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    ///@}

  private:
    friend class qtskin::Skin;

    std::shared_ptr<qtskin::QtScreen> screen_;
    std::shared_ptr<qtskin::QtFontMetrics> fonts_;
    std::unique_ptr<tintbox::Tintbox> control_;
    std::unique_ptr<qtskin::Skin> skin_;
    std::unique_ptr<qtskin::SystemPick> system_pick_;
    /// The picture as the host gave it, and the core picture it was converted to.
    mutable QPixmap picture_;
    mutable tintbox::PicturePtr picture_source_;
    QString change_door_;
    /// The native window whose screen changes (and so DPI changes) the widget follows.
    QMetaObject::Connection screen_watch_;
};

}  // namespace tintbox

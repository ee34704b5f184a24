// The desktop portal's one-shot colour pick (org.freedesktop.portal.Screenshot.PickColor
// on the session bus): how the eyedropper gets a screen colour where no program may read
// the screen's pixels (Wayland, XWayland). Qt 6.4 has no API for it, so it is called
// through QtDBus.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <optional>

#include "tintbox/types.hpp"

namespace tintbox::qtskin {

// The colour of a portal answer's components, sRGB from 0 to 1: each rounded to the
// nearest step of 1/255 and clamped to 0..255. Nothing when one is not a finite number.
std::optional<ColorValue> portal_color(double red, double green, double blue);

class PortalColorPicker : public QObject {
    Q_OBJECT

  public:
    enum class State { Unknown, Probing, Available, Unavailable };

    explicit PortalColorPicker(const QDBusConnection& bus, QObject* parent = nullptr);
    // Dismisses a pending pick.
    ~PortalColorPicker() override;
    PortalColorPicker(const PortalColorPicker&) = delete;
    PortalColorPicker& operator=(const PortalColorPicker&) = delete;

    // Asks the portal, once and without waiting, whether it can pick (its Screenshot
    // interface at version 2 or later); probed() follows, except without a session bus,
    // which makes the state Unavailable at once.
    void probe();
    State state() const noexcept { return state_; }
    bool picking() const noexcept { return !handle_.isEmpty(); }
    // Asks the person for one pick: exactly one of picked(), cancelled() or failed()
    // follows, unless close() comes first. False, and nothing asked, while a pick is
    // pending or before the portal is known to pick. `parent_window` is "x11:<hex id>"
    // on X11, "" otherwise.
    bool pick(const QString& parent_window);
    // Dismisses the pending pick; an answer that still comes is dropped.
    void close();

  signals:
    void probed();
    void picked(tintbox::ColorValue color);
    void cancelled();  // the person dismissed the desktop's picker
    void failed();     // the portal's answer 2, no colour in a success, or a D-Bus error

  private slots:
    void response(uint code, const QVariantMap& results);

  private:
    bool listen(const QString& handle);
    void forget();

    QDBusConnection bus_;
    State state_ = State::Unknown;
    QString handle_;  // the pending request's object path, empty when none
};

}  // namespace tintbox::qtskin

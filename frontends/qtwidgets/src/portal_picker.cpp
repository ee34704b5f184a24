#include "portal_picker.hpp"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <algorithm>
#include <cmath>

namespace tintbox::qtskin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// The request's object path, known before the call: the portal builds it from the
// caller's unique name and the token the caller chose.
QString request_path(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService();
    sender.remove(QLatin1Char(':')).replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

std::optional<ColorValue> color_entry(const QVariantMap& results) {
    const QVariant entry = results.value(QStringLiteral("color"));
    if (!entry.canConvert<QDBusArgument>()) {
        return std::nullopt;
    }
    const auto argument = entry.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(ddd)")) {
        return std::nullopt;
    }
    double red = 0;
    double green = 0;
    double blue = 0;
    argument.beginStructure();
    argument >> red >> green >> blue;
    argument.endStructure();
    return portal_color(red, green, blue);
}

}  // namespace

std::optional<ColorValue> portal_color(double red, double green, double blue) {
    ColorValue color = 0;
    int shift = 0;
    for (const double component : {red, green, blue}) {
        if (!std::isfinite(component)) {
            return std::nullopt;
        }
        const double step = std::clamp(std::round(component * 255.0), 0.0, 255.0);
        color |= static_cast<ColorValue>(step) << shift;
        shift += 8;
    }
    return color;
}

PortalColorPicker::PortalColorPicker(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {}

PortalColorPicker::~PortalColorPicker() {
    close();
}

void PortalColorPicker::probe() {
    if (state_ != State::Unknown) {
        return;
    }
    if (!bus_.isConnected()) {
        state_ = State::Unavailable;  // no session bus: nothing to ask
        return;
    }
    state_ = State::Probing;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kObject, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kScreenshot << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                const QVariant version = reply.isError() ? QVariant() : reply.value().variant();
                const bool picks = version.typeId() == QMetaType::UInt && version.toUInt() >= 2;
                state_ = picks ? State::Available : State::Unavailable;
                emit probed();
            });
}

bool PortalColorPicker::pick(const QString& parent_window) {
    if (picking() || state_ != State::Available) {
        return false;
    }
    static unsigned requests = 0;
    const QString token = QStringLiteral("tintbox%1").arg(++requests);
    // Listening first: a portal that answers at once sends Response before the call's
    // own reply arrives, and a subscription made after the reply misses it.
    if (!listen(request_path(bus_, token))) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kObject, kScreenshot, QStringLiteral("PickColor"));
    call << parent_window << QVariantMap{{QStringLiteral("handle_token"), token}};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const QString asked = handle_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, asked](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (handle_ != asked) {
                    return;  // answered already, or closed
                }
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (reply.isError()) {
                    forget();
                    emit failed();
                    return;
                }
                // A portal older than handle tokens answers on a path of its own.
                const QString handle = reply.value().path();
                if (handle != asked) {
                    forget();
                    if (!listen(handle)) {
                        emit failed();
                    }
                }
            });
    return true;
}

void PortalColorPicker::close() {
    if (!picking()) {
        return;
    }
    bus_.send(QDBusMessage::createMethodCall(kService, handle_, kRequest, QStringLiteral("Close")));
    forget();
}

bool PortalColorPicker::listen(const QString& handle) {
    if (!bus_.connect(kService, handle, kRequest, QStringLiteral("Response"), this,
                      SLOT(response(uint, QVariantMap)))) {
        return false;
    }
    handle_ = handle;
    return true;
}

void PortalColorPicker::forget() {
    bus_.disconnect(kService, handle_, kRequest, QStringLiteral("Response"), this,
                    SLOT(response(uint, QVariantMap)));
    handle_.clear();
}

void PortalColorPicker::response(uint code, const QVariantMap& results) {
    if (!picking()) {
        return;
    }
    forget();
    if (code == 1) {
        emit cancelled();
        return;
    }
    const std::optional<ColorValue> color = code == 0 ? color_entry(results) : std::nullopt;
    if (color) {
        emit picked(*color);
    } else {
        emit failed();
    }
}

}  // namespace tintbox::qtskin

// A desktop portal that answers the eyedropper's colour picks as a test tells it to, on a
// second connection to the session bus of the same process (run the test under
// dbus-run-session).
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>

// The "color" entry of an answer: (ddd).
struct PortalColor {
    double red = 0;
    double green = 0;
    double blue = 0;
};
Q_DECLARE_METATYPE(PortalColor)

inline QDBusArgument& operator<<(QDBusArgument& argument, const PortalColor& color) {
    argument.beginStructure();
    argument << color.red << color.green << color.blue;
    argument.endStructure();
    return argument;
}
inline const QDBusArgument& operator>>(const QDBusArgument& argument, PortalColor& color) {
    argument.beginStructure();
    argument >> color.red >> color.green >> color.blue;
    argument.endStructure();
    return argument;
}

class FakePortal;

// The object of one request, which hears Close.
class FakeRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

  public:
    explicit FakeRequest(int& closes) : closes_(closes) {}

  public slots:
    void Close() { ++closes_; }

  private:
    int& closes_;
};

class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
    Q_PROPERTY(uint version READ version)

  public:
    enum class Answer { Instant, Later, Error };

    // Registers the portal's name and object; `present` false leaves the bus without one.
    explicit FakePortal(bool present = true)
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("fake-portal"))) {
        qDBusRegisterMetaType<PortalColor>();
        if (present) {
            bus_.registerObject(
                QStringLiteral("/org/freedesktop/portal/desktop"), this,
                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
            bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
        }
    }
    ~FakePortal() override {
        bus_.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        bus_.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"),
                              QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

    bool connected() const { return bus_.isConnected(); }
    uint version() const { return version_; }

    // Sends Response on the last request's path.
    void respond(uint code, const QVariantMap& results) {
        QDBusMessage response = QDBusMessage::createSignal(
            last_handle, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"));
        response << code << results;
        bus_.send(response);
    }
    static QVariantMap color(double red, double green, double blue) {
        return {{QStringLiteral("color"), QVariant::fromValue(PortalColor{red, green, blue})}};
    }

    // How the next requests are answered.
    uint version_ = 2;
    Answer answer = Answer::Instant;
    uint code = 0;
    QVariantMap results = color(0, 0, 0);
    // What the portal heard.
    int requests = 0;
    int closes = 0;
    QString last_handle;
    QString last_parent;

  public slots:
    QDBusObjectPath PickColor(const QString& parent_window, const QVariantMap& options) {
        ++requests;
        last_parent = parent_window;
        if (answer == Answer::Error) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("the picker broke"));
            return {};
        }
        QString sender = message().service();
        sender.remove(QLatin1Char(':')).replace(QLatin1Char('.'), QLatin1Char('_'));
        last_handle = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                          .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        request_ = std::make_unique<FakeRequest>(closes);
        bus_.registerObject(last_handle, request_.get(), QDBusConnection::ExportAllSlots);
        if (answer == Answer::Instant) {
            respond(code, results);  // before the call's own reply
        }
        return QDBusObjectPath(last_handle);
    }

  private:
    QDBusConnection bus_;
    std::unique_ptr<FakeRequest> request_;
};

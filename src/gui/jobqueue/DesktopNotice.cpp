#include "gui/jobqueue/DesktopNotice.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

bool notifyDesktop(const QString& summary, const QString& body, QDBusConnection bus) {
    static const QString service = QStringLiteral("org.freedesktop.Notifications");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service).value())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                                       service, QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's).
    // Most notification services read the body as markup; it may hold a server's reply or a file name,
    // which must stay text.
    call << QStringLiteral("Qelto") << uint(0) << QString() << summary << body.toHtmlEscaped() << QStringList()
         << QVariantMap()
         << int(-1);
    call.setAutoStartService(false);
    return bus.send(call);
}

// The desktop note at the end of a long job, sent to a stand-in notification service on a private bus.
#include "gui/jobqueue/DesktopNotice.h"
#include "support/TestSupport.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Answers Notify as a notification server would, and keeps the calls.
class FakeNotifications : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != u"org.freedesktop.Notifications" || message.member() != u"Notify") return false;
        calls << message.arguments();
        connection.send(message.createReply(QVariant::fromValue(uint(calls.size()))));
        return true;
    }
    QList<QVariantList> calls;
};

} // namespace

TEST(DesktopNotice, GoesToTheNotificationServiceOnlyWhenOneRuns) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile config(folder.filePath(QStringLiteral("bus.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(R"(<busconfig><type>session</type><listen>unix:dir=%1</listen>
<auth>EXTERNAL</auth><policy context="default"><allow send_destination="*"/><allow own="*"/><allow receive_sender="*"/></policy>
</busconfig>)")
                     .arg(folder.path())
                     .toUtf8());
    config.close();
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
    ASSERT_TRUE(bus.waitForStarted());
    ASSERT_TRUE(testsupport::waitUntil([&] { return bus.canReadLine() || bus.waitForReadyRead(50); }));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    // The private connections are closed however the test ends; the bus goes last.
    struct Closing {
        QProcess& bus;
        ~Closing() {
            QDBusConnection::disconnectFromBus(QStringLiteral("notice-client"));
            QDBusConnection::disconnectFromBus(QStringLiteral("notice-service"));
            bus.terminate();
            bus.waitForFinished(3000);
        }
    } closing{bus};
    {
        QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("notice-client"));
        ASSERT_TRUE(client.isConnected()) << address.toStdString();
        // No service: nothing is sent.
        EXPECT_FALSE(notifyDesktop(QStringLiteral("Qelto"), QStringLiteral("nobody hears this"), client));

        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("notice-service"));
        FakeNotifications fake;
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &fake));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
        EXPECT_TRUE(notifyDesktop(QStringLiteral("Qelto"), QStringLiteral("Download finished: 1 file"), client));
        ASSERT_TRUE(testsupport::waitUntil([&] { return !fake.calls.isEmpty(); }));
        const QVariantList& call = fake.calls.first();
        ASSERT_EQ(call.size(), 8);
        EXPECT_EQ(call[0].toString(), QStringLiteral("Qelto"));
        EXPECT_EQ(call[3].toString(), QStringLiteral("Qelto"));
        EXPECT_EQ(call[4].toString(), QStringLiteral("Download finished: 1 file"));
        EXPECT_EQ(call[7].toInt(), -1);
        // A server's text in the body stays text: the service reads the body as markup.
        fake.calls.clear();
        EXPECT_TRUE(notifyDesktop(QStringLiteral("Qelto"), QStringLiteral("550 <a href=\"x\">b&c</a>"), client));
        ASSERT_TRUE(testsupport::waitUntil([&] { return !fake.calls.isEmpty(); }));
        EXPECT_EQ(fake.calls.first()[4].toString(), QStringLiteral("550 &lt;a href=&quot;x&quot;&gt;b&amp;c&lt;/a&gt;"));
        service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }
}

// Bad servers and broken networks: each fault ends in its own error, within its time-out,
// with the connection closed where the fault leaves it unusable.
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

TEST(FtpFaults, BrokenGreetingsFailTheConnectWithoutQuit) {
    struct Case {
        const char* name;
        QStringList script;
        const char* error;
    };
    const QList<Case> cases{
        {"garbage, then the server hangs up", ss({"R \\x00\\xffGET / HTTP/1.0\\r\\nnonsense\\r\\n", "X"}),
         "Connection Closed Gracefully."},
        {"garbage ended by a final-looking line", ss({"R garbage\\r\\n500 what\\r\\n", "P 5"}),
         "garbage\r\n500 what\r\n"},
        {"a reply that never ends", ss({"S 220-Welcome", "N 400000 \\x20still talking\\r\\n", "P 5"}),
         "Reply too long"},
        {"a 1 MB reply line", ss({"R 220 ", "N 1048576 x", "R \\r\\n", "P 5"}), "Reply line too long"},
        {"the server closes mid-reply", ss({"R 220-Welcome\\r\\n220-and more", "X"}),
         "Connection Closed Gracefully."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        TIdFTP ftp;
        aim(ftp, server.port());
        int disconnects = 0;
        ftp.OnDisconnected = [&] { ++disconnects; };
        EXPECT_EQ(errorOf([&] { ftp.Connect(); }), s(c.error));
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(disconnects, 1);
        EXPECT_EQ(server.session(), QStringList{});
    }
}

TEST(FtpFaults, OversizedReplyAfterLoginDropsTheConnection) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "R 200-", "N 70000 x", "P 5"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    int disconnects = 0;
    ftp.OnDisconnected = [&] { ++disconnects; };
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Reply line too long"));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Not Connected"));
}

TEST(FtpFaults, ServerHangingUpIsNoticedAtTheNextUse) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "R 200 hal", "X"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Connection Closed Gracefully."));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Connection Closed Gracefully."));
    EXPECT_EQ(errorOf([&] { ftp.Abort(); }), s("Connection Closed Gracefully."));
    // Disconnect sends nothing to a closed peer but still reports the close.
    int disconnects = 0;
    ftp.OnDisconnected = [&] { ++disconnects; };
    ftp.Disconnect();
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Not Connected"));
}

TEST(FtpFaults, SilentServerTimesOutAndTheTimeOutEndsTheConnection) {
    {
        SCOPED_TRACE("no greeting at all");
        ScriptedServer server(ss({"P 30"}));
        TIdFTP ftp;
        aim(ftp, server.port());
        ftp.setReadTimeout(300);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(errorOf([&] { ftp.Connect(); }), s("Read timed out."));
        EXPECT_LT(timer.elapsed(), 3000);
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(server.session(), QStringList{});
    }
    {
        SCOPED_TRACE("late reply");
        // The CWD's late 250 must not answer the DELE, nor its 550 pass for a success.
        ScriptedServer server(loggedIn +
                              ss({"C CWD slow", "P 1", "S 250 late", "C DELE f", "S 550 No such file"}));
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        int disconnects = 0;
        ftp.OnDisconnected = [&] { ++disconnects; };
        ftp.setReadTimeout(300);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(failureOf([&] { ftp.ChangeDir(s("slow")); }),
                  (Failure{s("Read timed out."), ErrorCategory::Timeout, false}));
        EXPECT_LT(timer.elapsed(), 900); // no wait for a QUIT reply either
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(disconnects, 1);
        ftp.setReadTimeout(5000);
        EXPECT_EQ(errorOf([&] { ftp.Delete(s("f")); }), s("Not Connected"));
        EXPECT_EQ(server.session(), loginCommands + ss({"CWD slow"}));
    }
}

TEST(FtpFaults, SocketErrorsCarryTheSystemNumberAndText) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    TIdFTP refused;
    refused.setHost(s("127.0.0.1"));
    refused.setPort(closedPort);
    QList<TIdStatus> statuses;
    refused.OnStatus = [&](TIdStatus status, const QString&) { statuses.append(status); };
    EXPECT_EQ(errorOf([&] { refused.Connect(); }), s("Socket Error # 111\r\nConnection refused"));
    EXPECT_EQ(statuses, QList<TIdStatus>{hsConnecting});
    EXPECT_FALSE(refused.Connected());

    TIdFTP unknown;
    unknown.setHost(s("no-such-host.invalid"));
    statuses.clear();
    unknown.OnStatus = [&](TIdStatus status, const QString&) { statuses.append(status); };
    const QString error = errorOf([&] { unknown.Connect(); });
    EXPECT_TRUE(QRegularExpression(s("^Socket Error # -?\\d+\\r\\n\\S.*$")).match(error).hasMatch())
        << error.toStdString();
    EXPECT_EQ(statuses, QList<TIdStatus>{hsResolving});
    EXPECT_FALSE(unknown.Connected());
}

} // namespace

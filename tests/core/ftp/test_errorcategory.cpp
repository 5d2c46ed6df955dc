// Error categories: every failure of the client says what kind it is, and whether the control
// connection can take the next command after it.
#include "core/ftp/FtpErrors.h"
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;
using C = ErrorCategory;

namespace {

TEST(ErrorCategory, ReplyCodesAndUsability) {
    const struct {
        int code;
        ErrorCategory category;
        bool usable;
    } cases[] = {
        {550, C::Refused, true},   {500, C::Refused, true},   {530, C::Refused, true},
        {450, C::Transient, true}, {425, C::Transient, true}, {421, C::Transient, false},
        {200, C::Protocol, false}, {350, C::Protocol, false}, {0, C::Protocol, false},
        {150, C::Protocol, false}, {600, C::Protocol, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const FtpReplyError error(c.code, s("text"));
        EXPECT_EQ(error.category(), c.category);
        EXPECT_EQ(connectionUsableAfter(error), c.usable);
    }
    EXPECT_TRUE(connectionUsableAfter(QeltoError(s("x"))));
    EXPECT_TRUE(connectionUsableAfter(QeltoError(s("x"), C::LocalFile)));
    EXPECT_TRUE(connectionUsableAfter(QeltoError(s("x"), C::Transient)));
    for (const C wedged : {C::ConnectionLost, C::Timeout, C::Protocol, C::Aborted, C::Tls})
        EXPECT_FALSE(connectionUsableAfter(QeltoError(s("x"), wedged))) << categoryName(wedged);
}

// Each failure of a logged-in client against the scripted server, with the texts unchanged.
TEST(ErrorCategory, FailuresOfALoggedInClient) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(s("here.txt"));
    writeFile(existing, "kept");
    const struct {
        const char* name;
        QStringList steps;
        std::function<void(TIdFTP&)> call;
        Failure failure;
        bool stillConnected;
    } cases[] = {
        {"550",
         ss({"C CWD x", "S 550 No such directory."}),
         [](TIdFTP& f) { f.ChangeDir(s("x")); },
         {s("No such directory.\r\n"), C::Refused, true},
         true},
        {"450",
         ss({"C DELE x", "S 450 Busy"}),
         [](TIdFTP& f) { f.Delete(s("x")); },
         {s("Busy\r\n"), C::Transient, true},
         true},
        {"421",
         ss({"C NOOP", "S 421 Closing"}),
         [](TIdFTP& f) { f.Noop(); },
         {s("Closing\r\n"), C::Transient, false},
         true},
        {"out of turn",
         ss({"C RMD x", "S 200 What?"}),
         [](TIdFTP& f) { f.RemoveDir(s("x")); },
         {s("What?\r\n"), C::Protocol, false},
         true},
        {"hang-up",
         ss({"C NOOP", "X"}),
         [](TIdFTP& f) { f.Noop(); },
         {s("Connection Closed Gracefully."), C::ConnectionLost, false},
         false},
        {"oversized reply",
         ss({"C NOOP", "R 200-", "N 70000 x", "P 5"}),
         [](TIdFTP& f) { f.Noop(); },
         {s("Reply line too long"), C::Protocol, false},
         false},
        {"bad passive address",
         ss({"C PASV", "S 227 Entering Passive Mode (1,2,3)"}),
         [](TIdFTP& f) {
             f.setPassive(true);
             f.List(nullptr);
         },
         {s("Server sent invalid passive address (1,2,3)"), C::Protocol, false},
         true},
        {"local file",
         {},
         [&](TIdFTP& f) { f.Get(s("remote"), existing); },
         {s("Destination file already exists."), C::LocalFile, true},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(loggedIn + c.steps);
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        EXPECT_EQ(failureOf([&] { c.call(ftp); }), c.failure);
        EXPECT_EQ(ftp.Connected(), c.stillConnected);
    }
    EXPECT_EQ(readFile(existing), QByteArray("kept"));
}

TEST(ErrorCategory, FailuresWithoutAConnection) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    TIdFTP ftp;
    aim(ftp, closedPort);
    EXPECT_EQ(failureOf([&] { ftp.Connect(); }),
              (Failure{s("Socket Error # 111\r\nConnection refused"), C::ConnectionLost, false}));
    EXPECT_EQ(failureOf([&] { ftp.Noop(); }), (Failure{s("Not Connected"), C::ConnectionLost, false}));

    ScriptedServer silent(ss({"P 30"}));
    aim(ftp, silent.port());
    ftp.setReadTimeout(200);
    EXPECT_EQ(failureOf([&] { ftp.Connect(); }), (Failure{s("Read timed out."), C::Timeout, false}));
}

} // namespace

// Waits that dispatch events: a handler run inside a wait may abort or close the waiting connection.
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"
#include "support/FtpTestSupport.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

TEST(TIdAntiFreeze, OnlyOneInstance) {
    {
        TIdAntiFreeze first;
        EXPECT_EQ(TIdAntiFreeze::instance(), &first);
        EXPECT_EQ(first.idleTimeOut(), 5000);
        EXPECT_EQ(errorOf([] { TIdAntiFreeze second; }),
                  s("Only one TIdAntiFreeze can exist per application."));
        EXPECT_EQ(TIdAntiFreeze::instance(), &first);
    }
    EXPECT_EQ(TIdAntiFreeze::instance(), nullptr);
    TIdAntiFreeze again; // the place is free once the first is gone
    EXPECT_EQ(TIdAntiFreeze::instance(), &again);
}

TEST(TIdAntiFreeze, HandlerDisconnectingDuringAWaitEndsItCleanly) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "P 30"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    TIdAntiFreeze antiFreeze;
    antiFreeze.setIdleTimeOut(50);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    int disconnects = 0;
    ftp.OnDisconnected = [&] { ++disconnects; };
    QTimer::singleShot(300, [&] { ftp.Disconnect(); });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Not Connected"));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_GE(ticks, 3); // events ran while the call waited
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(server.session(), loginCommands + ss({"NOOP", "QUIT"}));
}

TEST(TIdAntiFreeze, HandlerAbortingDuringAWaitEndsItCleanly) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "C ABOR", "P 1", "S 225 Aborted", "S 200 late"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    TIdAntiFreeze antiFreeze;
    antiFreeze.setIdleTimeOut(50);
    int disconnects = 0;
    ftp.OnDisconnected = [&] { ++disconnects; };
    QTimer::singleShot(200, [&] { ftp.Abort(); });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(failureOf([&] { ftp.Noop(); }),
              (Failure{s("Operation aborted."), ErrorCategory::Aborted, false}));
    EXPECT_LT(timer.elapsed(), 900);
    // The abort's answer and the NOOP's would answer the next two commands: the connection ends instead.
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Not Connected"));
    EXPECT_EQ(server.session(), loginCommands + ss({"NOOP", "ABOR"}));
}

TEST(TIdAntiFreeze, CommandsStartedByAHandlerInsideACallAreRefused) {
    const std::vector<std::function<void(TIdFTP&)>> nestedCalls{
        [](TIdFTP& f) { f.Delete(s("f")); }, [](TIdFTP& f) { f.List(nullptr); },
        [](TIdFTP& f) { f.Connect(); }, [](TIdFTP& f) { f.SendCmd(s("NOOP")); }};
    TIdAntiFreeze antiFreeze;
    antiFreeze.setIdleTimeOut(20);
    {
        SCOPED_TRACE("while a reply is awaited");
        ScriptedServer server(loggedIn + ss({"C CWD slow", "P 1", "S 250 ok", "C NOOP", "S 200 ok"}));
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        QStringList nested;
        QTimer::singleShot(100, [&] {
            for (const auto& call : nestedCalls)
                nested.append(errorOf([&] { call(ftp); }));
        });
        ftp.ChangeDir(s("slow")); // gets its own reply, not one a nested command took
        EXPECT_EQ(ftp.LastCmdResult().text, ss({"ok"}));
        EXPECT_EQ(nested, QStringList(4, s("A command is already running on this connection")));
        ftp.Noop();
        ftp.Disconnect();
        EXPECT_EQ(server.session(), loginCommands + ss({"CWD slow", "NOOP", "QUIT"}));
    }
    {
        SCOPED_TRACE("while a transfer reports progress");
        ScriptedServer server(loggedIn +
                              ss({"L", "C PASV", "S 227 (127,0,0,1,{p1},{p2})", "C RETR f", "A",
                                  "S 150 Opening", "D data", "DX", "S 226 Done", "C NOOP", "S 200 ok"}));
        TIdFTP ftp;
        connectQuietly(ftp, server.port());
        ftp.setPassive(true);
        QStringList nested;
        ftp.OnWork = [&](TWorkMode, qint64) {
            for (const auto& call : nestedCalls)
                nested.append(errorOf([&] { call(ftp); }));
        };
        QTemporaryDir dir;
        ftp.Get(s("f"), dir.filePath(s("f")), true);
        EXPECT_EQ(nested, QStringList(4, s("A transfer is already running on this connection")));
        ftp.Noop();
        ftp.Disconnect();
        EXPECT_EQ(server.session(), loginCommands + ss({"PASV", "RETR f", "NOOP", "QUIT"}));
    }
}

// Exposes the reply reading a handler could reach.
class ReplyReading : public TIdFTP {
public:
    using TIdFTP::readReply;
};

TEST(TIdAntiFreeze, AReplyAHandlerLeftInTheReaderEndsTheWait) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "P 0.3", "R 200 first\\r\\n200 second\\r\\n"}));
    ReplyReading ftp;
    connectQuietly(ftp, server.port());
    ftp.setReadTimeout(3000);
    TIdAntiFreeze antiFreeze;
    antiFreeze.setIdleTimeOut(20);
    QString nested;
    QTimer::singleShot(50, [&] { nested = ftp.readReply().text.value(0); });
    QElapsedTimer timer;
    timer.start();
    ftp.Noop();
    EXPECT_LT(timer.elapsed(), 2000); // not the read time-out
    EXPECT_EQ(nested, s("first"));
    EXPECT_EQ(ftp.LastCmdResult().text, ss({"second"}));
}

TEST(TIdAntiFreeze, PendingConnectDispatchesEventsAndHonoursTheTimeLimit) {
    // A listener that never accepts, with the smallest backlog: once the queue is full, further
    // connection attempts stay pending.
    testsupport::ServerProcess listener;
    listener.start(s("/usr/bin/python3"),
                   {s("-c"), s("import socket, time\n"
                               "l = socket.socket(); l.bind(('127.0.0.1', 0)); l.listen(0)\n"
                               "print('LISTENING %d' % l.getsockname()[1], flush=True)\n"
                               "time.sleep(60)\n")});
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 4; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QHostAddress::LocalHost, listener.port());
        fillers.back()->waitForConnected(200);
    }
    TIdFTP ftp;
    aim(ftp, listener.port());
    ftp.setConnectTimeLimit(600);
    TIdAntiFreeze antiFreeze;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(errorOf([&] { ftp.Connect(); }), s("Connect timed out."));
    EXPECT_GE(timer.elapsed(), 550);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_GE(ticks, 3); // dispatched about every 125 ms
    EXPECT_FALSE(ftp.Connected());
}

TEST(TIdAntiFreeze, ASlowReplyLeavesNoLongGapBetweenEvents) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "P 3", "S 200 late"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    ftp.setReadTimeout(10000);
    TIdAntiFreeze antiFreeze; // with its default idle time
    QElapsedTimer sinceTick;
    qint64 largestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { largestGap = std::max(largestGap, sinceTick.restart()); });
    ticker.start(50);
    sinceTick.start();
    ftp.Noop();
    EXPECT_EQ(ftp.LastCmdResult().text, ss({"late"}));
    EXPECT_LT(largestGap, 1000);
}

TEST(TIdAntiFreeze, WithoutOneWaitsSimplyBlock) {
    ScriptedServer server(loggedIn + ss({"C NOOP", "P 30"}));
    TIdFTP ftp;
    connectQuietly(ftp, server.port());
    ftp.setReadTimeout(400);
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    EXPECT_EQ(errorOf([&] { ftp.Noop(); }), s("Read timed out."));
    EXPECT_FALSE(fired);
    EXPECT_TRUE(testsupport::waitUntil([&] { return fired; }));
}

} // namespace

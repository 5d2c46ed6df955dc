// What a connection reports: the intercept's blocks and the status and connect events.
#include "support/FtpTestSupport.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

TEST(TIdLogEvent, MarksLineEnds) {
    const struct {
        QByteArray block;
        const char* marked;
    } cases[] = {
        {"USER alice\r\n", "USER alice<EOL>"},
        {"a\r\nb\rc\nd\r", "a<EOL>b<CR>c<LF>d<CR>"},
        {"\n\r\r\n", "<LF><CR><EOL>"},
        // Names read as the listings read them: UTF-8 when the bytes are UTF-8, else one character per byte.
        {"caf\xe9", "caf\xc3\xa9"},
        {"CWD /\xc3\xbcn\xc3\xaf\x63ode\r\n", "CWD /\xc3\xbcn\xc3\xaf\x63ode<EOL>"},
        {"250 \xe2\x82\xac \xc3\r\n", "250 \xc3\xa2\xc2\x82\xc2\xac \xc3\x83<EOL>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TIdLogEvent::markLineEnds(c.block), s(c.marked));
}

TEST(TIdLogEvent, ReportsEveryBlockAsItCrossesTheSocket) {
    const QStringList script =
        ss({"R 220-Three\\r\\n220-line\\r\\n220 greeting\\r\\n", "C SYST", "R 215 UNIX", "P 0.3",
            "R  Type: L8\\r\\n", "C FEAT", "R 211 odd\\rend\\n", "C QUIT", "S 221 Bye"});
    ScriptedServer server(script);
    TIdFTP ftp;
    aimWithoutHost(ftp, server.port());
    ftp.setAutoLogin(false);
    TIdLogEvent log;
    QStringList blocks;
    QStringList times;
    log.OnSent = [&](const QString& time, const QString& block) {
        times.append(time);
        blocks.append(s(">> ") + block);
    };
    log.OnReceived = [&](const QString& time, const QString& block) {
        times.append(time);
        blocks.append(s("<< ") + block);
    };
    QStringList logStatus;
    log.OnStatus = [&](const QString& text) { logStatus.append(text); };
    ftp.setIntercept(&log);
    ftp.Connect();
    ftp.Disconnect();

    EXPECT_EQ(blocks, ss({"<< 220-Three<EOL>220-line<EOL>220 greeting<EOL>", ">> SYST<EOL>", "<< 215 UNIX",
                          "<<  Type: L8<EOL>", ">> FEAT<EOL>", "<< 211 odd<CR>end<LF>", ">> QUIT<EOL>",
                          "<< 221 Bye<EOL>"}));
    const QRegularExpression dateTime(s("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    for (const QString& time : times)
        EXPECT_TRUE(dateTime.match(time).hasMatch()) << time.toStdString();
    EXPECT_EQ(logStatus, ss({"Connected.", "Disconnected."}));
    EXPECT_EQ(ftp.SystemDesc(), s("UNIX Type: L8"));
}

TEST(TIdLogEvent, InactiveInterceptStaysSilent) {
    ScriptedServer server(ss({"S 220 Hi", "C SYST", "S 215 UNIX", "C FEAT", "S 500 No", "C QUIT"}));
    TIdFTP ftp;
    aimWithoutHost(ftp, server.port());
    ftp.setAutoLogin(false);
    TIdLogEvent log;
    log.setActive(false);
    int events = 0;
    log.OnSent = [&](const QString&, const QString&) { ++events; };
    log.OnReceived = [&](const QString&, const QString&) { ++events; };
    log.OnStatus = [&](const QString&) { ++events; };
    ftp.setIntercept(&log);
    ftp.Connect();
    ftp.Disconnect();
    EXPECT_EQ(events, 0);
}

TEST(FtpEvents, StatusSequenceOfAConnectAndDisconnect) {
    const QStringList script =
        ss({"S 220 Ready", "C HOST localhost", "S 500 No", "C USER alice", "S 230 Logged in", "C TYPE A",
            "S 200 ok", "C SYST", "S 215 UNIX", "C TYPE A", "S 200 ok", "C QUIT", "S 221 Bye"});
    ScriptedServer server(script);
    TIdFTP ftp;
    aim(ftp, server.port());
    ftp.setHost(s("localhost"));
    ftp.setAutoIssueFEAT(false);
    QStringList events;
    ftp.OnStatus = [&](TIdStatus status, const QString& text) {
        events.append(QString::number(int(status)) + u' ' + text);
    };
    ftp.OnConnected = [&] {
        events.append(s("OnConnected, greeting read: ") + (ftp.Greeting().code ? s("yes") : s("no")));
    };
    ftp.OnDisconnected = [&] { events.append(s("OnDisconnected")); };
    ftp.Connect();
    ftp.Disconnect();
    ftp.Disconnect(); // already closed: no second set of events
    EXPECT_EQ(events, ss({"0 Resolving hostname localhost.", "1 Connecting to 127.0.0.1.", "2 Connected.",
                          "OnConnected, greeting read: no", "7 Connection established", "3 Disconnecting.",
                          "OnDisconnected", "4 Disconnected."}));
}

// Transfers report progress through these; only the outermost begin and end pair is reported.
class WorkReporter : public TIdFTP {
public:
    using TIdFTP::doWork;
    using TIdFTP::doWorkBegin;
    using TIdFTP::doWorkEnd;
};

TEST(FtpEvents, WorkEventsNest) {
    WorkReporter ftp;
    QStringList events;
    ftp.OnWorkBegin = [&](TWorkMode mode, qint64 count) {
        events.append(s("begin %1 %2").arg(mode).arg(count));
    };
    ftp.OnWork = [&](TWorkMode mode, qint64 count) { events.append(s("work %1 %2").arg(mode).arg(count)); };
    ftp.OnWorkEnd = [&](TWorkMode mode) { events.append(s("end %1").arg(mode)); };
    ftp.doWork(wmRead, 1); // outside a begin/end pair: nothing
    ftp.doWorkBegin(wmWrite, 300);
    ftp.doWorkBegin(wmWrite, 0);
    ftp.doWork(wmWrite, 100);
    ftp.doWorkEnd(wmWrite);
    ftp.doWork(wmWrite, 300);
    ftp.doWorkEnd(wmWrite);
    ftp.doWorkEnd(wmWrite); // unbalanced end: ignored
    EXPECT_EQ(events, ss({"begin 1 300", "work 1 100", "work 1 300", "end 1"}));
}

} // namespace

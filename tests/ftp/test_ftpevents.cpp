// What a connection reports: the intercept's blocks and the status and connect events.
#include "FtpTestSupport.h"
#include "ftp/TIdFTP.h"
#include "ftp/TIdLogEvent.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

TEST(TIdLogEvent, MarksLineEnds) {
    const struct {
        QByteArray block;
        const char* marked;
    } cases[] = {
        {"USER alice\r\n", "USER alice<EOL>"},
        {"a\r\nb\rc\nd\r", "a<EOL>b<CR>c<LF>d<CR>"},
        {"\n\r\r\n", "<LF><CR><EOL>"},
        {"caf\xe9", "caf\xc3\xa9"}, // one character per byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(TIdLogEvent::markLineEnds(c.block), s(c.marked));
}

TEST(TIdLogEvent, ReportsEveryBlockAsItCrossesTheSocket) {
    const QStringList script{s("R 220-Three\\r\\n220-line\\r\\n220 greeting\\r\\n"),
                             s("C SYST"),
                             s("R 215 UNIX"),
                             s("P 0.3"),
                             s("R  Type: L8\\r\\n"),
                             s("C FEAT"),
                             s("R 211 odd\\rend\\n"),
                             s("C QUIT"),
                             s("S 221 Bye")};
    ScriptedServer server(script);
    TIdFTP ftp;
    aim(ftp, server.port());
    ftp.setUseHOST(false);
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

    EXPECT_EQ(blocks, (QStringList{s("<< 220-Three<EOL>220-line<EOL>220 greeting<EOL>"), s(">> SYST<EOL>"),
                                   s("<< 215 UNIX"), s("<<  Type: L8<EOL>"), s(">> FEAT<EOL>"),
                                   s("<< 211 odd<CR>end<LF>"), s(">> QUIT<EOL>"), s("<< 221 Bye<EOL>")}));
    const QRegularExpression dateTime(s("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$"));
    for (const QString& time : times)
        EXPECT_TRUE(dateTime.match(time).hasMatch()) << time.toStdString();
    EXPECT_EQ(logStatus, (QStringList{s("Connected."), s("Disconnected.")}));
    EXPECT_EQ(ftp.SystemDesc(), s("UNIX Type: L8"));
}

TEST(TIdLogEvent, InactiveInterceptStaysSilent) {
    ScriptedServer server(
        {s("S 220 Hi"), s("C SYST"), s("S 215 UNIX"), s("C FEAT"), s("S 500 No"), s("C QUIT")});
    TIdFTP ftp;
    aim(ftp, server.port());
    ftp.setUseHOST(false);
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
    const QStringList script{s("S 220 Ready"),     s("C HOST localhost"), s("S 500 No"), s("C USER alice"),
                             s("S 230 Logged in"), s("C TYPE A"),         s("S 200 ok"), s("C SYST"),
                             s("S 215 UNIX"),      s("C TYPE A"),         s("S 200 ok"), s("C QUIT"),
                             s("S 221 Bye")};
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
    EXPECT_EQ(events, (QStringList{s("0 Resolving hostname localhost."), s("1 Connecting to 127.0.0.1."),
                                   s("2 Connected."), s("OnConnected, greeting read: no"),
                                   s("7 Connection established"), s("3 Disconnecting."), s("OnDisconnected"),
                                   s("4 Disconnected.")}));
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
    EXPECT_EQ(events, (QStringList{s("begin 1 300"), s("work 1 100"), s("work 1 300"), s("end 1")}));
}

} // namespace

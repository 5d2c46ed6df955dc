// The transfer sessions of the job runner: bound to the job and server that opened them, replaced when
// the server ended them, several at once.
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/UploadList.h"
#include "support/FaultRelay.h"
#include "support/FtpTestSupport.h"
#include "support/JobRun.h"
#include "support/JobTable.h"
#include "support/TlsServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QSslSocket>
#include <gtest/gtest.h>

using namespace ftptest;
using testsupport::jobTable;
using testsupport::runJob;

namespace {

ConnectionSettings pyftpd(quint16 port, bool keepOpen, int simultaneous = 1) {
    ConnectionSettings settings;
    settings.host = s("127.0.0.1");
    settings.port = port;
    settings.user = s("demo");
    settings.password = s("demo");
    settings.keepTransferConnectionOpen = keepOpen;
    settings.simultaneousTransfers = simultaneous;
    return settings;
}

// Two real servers, A and B, each with its own report.txt; the browsing connection starts on A.
class TwoServers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rootA.isValid() && rootB.isValid() && local.isValid() && outside.isValid());
        writeFile(rootA.filePath(s("report.txt")), "report of A");
        writeFile(rootB.filePath(s("report.txt")), "report of B");
        serverA = std::make_unique<testsupport::PyFtpServer>(rootA.path());
        serverB = std::make_unique<testsupport::PyFtpServer>(rootB.path());
        connectBrowsing(*serverA);
    }

    void connectBrowsing(const testsupport::PyFtpServer& server) {
        if (browsing.Connected()) browsing.Disconnect();
        settings = pyftpd(server.port(), true);
        settings.applyTo(browsing);
        browsing.Connect();
    }

    testsupport::JobOutcome download(const QList<RemoteSelection>& selection) {
        const ListBuild build = buildDownloadList(browsing, selection, *events);
        return runJob(job, *events,
                      [&] { job.startDownload(settings, local.path(), build); });
    }

    testsupport::JobOutcome upload(const QStringList& paths) {
        buildUploadList(paths, local.path(), s("/"), *events);
        return runJob(job, *events, [&] { job.startUpload(settings); });
    }

    QTemporaryDir rootA, rootB, local, outside;
    std::unique_ptr<testsupport::PyFtpServer> serverA, serverB;
    ConnectionSettings settings;
    TIdFTP browsing;
    std::unique_ptr<TTable> events = jobTable();
    TransferJob job{*events, browsing};
};

} // namespace

// A job that stops without its transfer failing (a local target refused) leaves no session logged in
// to its server: the next job, for another server, gets that server's file.
TEST_F(TwoServers, AJobStoppedByARefusedTargetLeavesNoSessionForTheNextServer) {
    writeFile(rootA.filePath(s("f1")), "one");
    writeFile(rootA.filePath(s("f2")), "two");
    writeFile(outside.filePath(s("f2")), "keep");
    ASSERT_TRUE(QFile::link(outside.filePath(s("f2")), local.filePath(s("f2"))));
    const auto stopped = download({{s("f1"), "f1", false}, {s("f2"), "f2", false}});
    ASSERT_TRUE(stopped.done);
    EXPECT_FALSE(stopped.completed);
    EXPECT_EQ(readFile(local.filePath(s("f1"))), "one");
    EXPECT_EQ(readFile(outside.filePath(s("f2"))), "keep");

    connectBrowsing(*serverB);
    events->emptyDataSet();
    const auto next = download({{s("report.txt"), "report.txt", false}});
    ASSERT_TRUE(next.completed) << next.error.toStdString();
    EXPECT_EQ(readFile(local.filePath(s("report.txt"))), "report of B");
}

// Cancelled between two files, while its session is idle and logged in: the next upload, meant for B,
// is stored on B and nowhere else.
TEST_F(TwoServers, AJobCancelledBetweenFilesLeavesNoSessionForTheNextServer) {
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << local.filePath(s("small%1.txt").arg(i));
        writeFile(paths.last(), QByteArray::number(i));
    }
    const auto cancelAfterOne = QObject::connect(&job, &TransferJob::status, &job, [&](const QString& text) {
        if (text == u"Upload completed ...") job.cancel();
    });
    const auto cancelled = upload(paths);
    ASSERT_TRUE(cancelled.done);
    EXPECT_EQ(cancelled.error, s("Job cancelled"));
    EXPECT_TRUE(QFileInfo::exists(rootA.filePath(s("small0.txt"))));
    EXPECT_FALSE(QFileInfo::exists(rootA.filePath(s("small1.txt"))));
    QObject::disconnect(cancelAfterOne);

    connectBrowsing(*serverB);
    events->emptyDataSet();
    writeFile(local.filePath(s("secret.txt")), "for B only");
    const auto next = upload({local.filePath(s("secret.txt"))});
    ASSERT_TRUE(next.completed) << next.error.toStdString();
    EXPECT_EQ(readFile(rootB.filePath(s("secret.txt"))), "for B only");
    EXPECT_FALSE(QFileInfo::exists(rootA.filePath(s("secret.txt"))));
}

// Several files at once: every row runs, in table order, up to the setting's count; the progress ends
// at the bytes really moved; a failure lets the running files end and starts no further row.
class Simultaneous : public TwoServers {
protected:
    void SetUp() override {
        TwoServers::SetUp();
        QDir(rootA.path()).mkpath(s("tree"));
        for (int i = 0; i < 24; ++i) {
            const QString name = s("tree/f%1.bin").arg(i, 2, 10, QChar(u'0'));
            writeFile(rootA.filePath(name), QByteArray(1000 + i * 4099, char('a' + i)));
            total += 1000 + i * 4099;
        }
        settings.simultaneousTransfers = 4;
    }

    qint64 total = 0;
};

TEST_F(Simultaneous, FourAtOnceMoveTheWholeTreeAndCountItsBytes) {
    const auto outcome = download({{s("tree"), "tree", true}});
    ASSERT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(outcome.mostRunning, 4);
    ASSERT_FALSE(outcome.progress.isEmpty());
    EXPECT_EQ(outcome.progress.last(), total);
    for (int i = 0; i < 24; ++i) {
        const QString name = s("tree/f%1.bin").arg(i, 2, 10, QChar(u'0'));
        EXPECT_EQ(readFile(local.filePath(name)), readFile(rootA.filePath(name))) << name.toStdString();
    }

    // The same tree up again, into another folder of the server.
    QDir(rootA.path()).mkpath(s("up"));
    browsing.ChangeDir(s("/up"));
    events->emptyDataSet();
    buildUploadList({local.filePath(s("tree"))}, local.path(), s("/up"), *events);
    const auto up = runJob(job, *events, [&] { job.startUpload(settings); });
    ASSERT_TRUE(up.completed) << up.error.toStdString();
    EXPECT_EQ(up.mostRunning, 4);
    EXPECT_EQ(up.progress.last(), total);
    for (int i = 0; i < 24; ++i) {
        const QString name = s("f%1.bin").arg(i, 2, 10, QChar(u'0'));
        EXPECT_EQ(readFile(rootA.filePath(s("up/tree/") + name)), readFile(rootA.filePath(s("tree/") + name)));
    }
}

TEST_F(Simultaneous, TheFirstFailureStartsNoFurtherRowAndTheRowsNotReachedKeepTheirValues) {
    const ListBuild build = buildDownloadList(browsing, {{s("tree"), "tree", true}}, *events);
    // The second file of the table is gone from the server after the list was made: its RETR fails.
    QString gone;
    for (int row = 0, files = 0; row < events->recordCount() && gone.isEmpty(); ++row)
        if (events->value(row, JobField::Type).toString() == u"File" && ++files == 2)
            gone = events->value(row, JobField::Local).toString();
    ASSERT_TRUE(QFile::remove(rootA.filePath(gone)));
    const auto outcome =
        runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    ASSERT_TRUE(outcome.done);
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.error.isEmpty());
    // The list writes every row's times as "00:00:00"; a stamp replaces them.
    const auto stamped = [&](int row, int field) {
        const QString time = events->value(row, field).toString();
        return !time.isEmpty() && time != u"00:00:00";
    };
    bool reached = true;
    int notReached = 0;
    for (int row = 0; row < events->recordCount(); ++row) {
        if (events->value(row, JobField::Type).toString() != u"File") continue;
        const QString name = events->value(row, JobField::Local).toString();
        const QString event = events->value(row, JobField::Event).toString();
        const bool started = stamped(row, JobField::StartTime);
        SCOPED_TRACE(name.toStdString());
        if (name == gone) {
            EXPECT_TRUE(started);
            EXPECT_EQ(event, s("Download Ready"));
            EXPECT_FALSE(stamped(row, JobField::EndTime));
            continue;
        }
        // Rows start in table order: once one was not reached, no later one was.
        if (!started) reached = false;
        EXPECT_EQ(started, reached);
        if (event == u"Download OK") {
            EXPECT_EQ(readFile(local.filePath(name)), readFile(rootA.filePath(name)));
        } else {
            EXPECT_EQ(event, s("Download Ready"));
            EXPECT_FALSE(started);
            EXPECT_FALSE(QFileInfo::exists(local.filePath(name)));
            ++notReached;
        }
    }
    EXPECT_GT(notReached, 0);
}

// One kept session: the first file arrives longer than listed, and the server then ends the idle
// connection with a 421; the second file goes over a new login, without an error. (The scripted server
// serves one connection at a time: the browsing connection is a real server's.)
TEST(KeptSession, AConnectionTheServerEndedIsReplacedAndTheCountIsWhatArrived) {
    const QStringList login =
        ss({"S 220 Ready", "C USER alice", "S 230 Logged in", "C TYPE *", "S 200 ok", "C SYST", "S 215 UNIX",
            "C TYPE *", "S 200 ok"});
    QStringList script = login;
    script << ss({"L", "C PASV", "S 227 Entering Passive Mode ({pasv})", "C RETR /f1", "A", "S 150 Opening",
                  "DN 2000 x", "DX", "R 226 Done\\r\\n421 Idle too long\\r\\n", "P 1", "X", "---"});
    script << login
           << ss({"L", "C PASV", "S 227 Entering Passive Mode ({pasv})", "C RETR /f2", "A", "S 150 Opening",
                  "D 12345", "DX", "S 226 Done", "C QUIT", "S 221 Bye"});
    ScriptedServer server(script);
    QTemporaryDir empty;
    testsupport::PyFtpServer browsingServer(empty.path());
    TIdFTP browsing;
    pyftpd(browsingServer.port(), false).applyTo(browsing);
    browsing.Connect();
    auto events = jobTable();
    ListBuild build; // the rows are written here, not listed: only their sizes
    for (const char* name : {"f1", "f2"}) {
        JobRow row;
        row.name = s(name);
        row.size = name == std::string_view("f1") ? 1000 : 5;
        row.remote = s("/") + row.name;
        row.local = row.name;
        row.event = s("Download Ready");
        appendJobRow(*events, row);
        build.sizes.append(row.size);
    }
    ConnectionSettings settings;
    settings.host = s("127.0.0.1");
    settings.port = server.port();
    settings.user = s("alice");
    settings.password = s("secret");
    settings.useHOST = false;
    settings.autoIssueFEAT = false;
    settings.readTimeout = 5000;
    settings.keepTransferConnectionOpen = true;
    QTemporaryDir local;
    TransferJob job(*events, browsing);
    const auto outcome = runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(readFile(local.filePath(s("f1"))), QByteArray(2000, 'x'));
    EXPECT_EQ(readFile(local.filePath(s("f2"))), "12345");
    // The count shown at the end of each file is what came, not what the listing said.
    EXPECT_TRUE(outcome.progress.contains(2000));
    EXPECT_FALSE(outcome.progress.contains(1000));
    EXPECT_EQ(outcome.progress.last(), 5);
    EXPECT_TRUE(server.session(1).contains(s("QUIT")));
    browsing.Disconnect();
}

// The browsing connection runs under TLS; a relay passes it through untouched but answers AUTH TLS with
// 500 on every later connection, as a downgrading attacker would. The job's sessions refuse to log in
// in clear text: the job fails, and no password or file name crosses the line unprotected.
TEST(TlsFloor, TransferSessionsNeverFallBackToClearTextBesideAnEncryptedBrowsingConnection) {
    QTemporaryDir keys, root, local;
    testsupport::TestCertificate certificate(keys.path());
    writeFile(root.filePath(s("secret.txt")), "secret");
    testsupport::TlsServerProcess server(root.path(), certificate);
    testsupport::FaultRelay relay(server.port(), s("control:noauth:1"));
    ConnectionSettings settings = pyftpd(relay.port(), true);
    settings.tls = TlsMode::Explicit;
    settings.readTimeout = 5000;
    TIdFTP browsing;
    settings.applyTo(browsing);
    // The user accepted the self-signed certificate for the browsing connection.
    browsing.OnUntrustedCertificate = [](const TlsCertificateQuestion&) { return true; };
    browsing.setTrustStore(TlsTrustStore(keys.filePath(s("TrustedCertificates"))));
    settings.trustStorePath = keys.filePath(s("TrustedCertificates"));
    browsing.Connect();
    ASSERT_TRUE(browsing.usingTls());

    auto events = jobTable();
    TransferJob job(*events, browsing);
    const ListBuild build = buildDownloadList(browsing, {{s("secret.txt"), "secret.txt", false}}, *events);
    const auto outcome =
        runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    ASSERT_TRUE(outcome.done);
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.error.contains(s("TLS is required"))) << outcome.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(local.filePath(s("secret.txt"))));
    browsing.Disconnect();
}

// Cancel while four files are under way: every transfer ends at once, and no partial file is left in
// the chosen folder under any name.
TEST(SimultaneousCancel, EndsEveryRunningTransferAndLeavesNoPartialFile) {
    QTemporaryDir root, local;
    for (int i = 0; i < 4; ++i)
        writeFile(root.filePath(s("big%1.bin").arg(i)), QByteArray(4 * 1024 * 1024, char('a' + i)));
    testsupport::PyFtpServer server(root.path(), {s("--max-rate"), s("1000000")});
    ConnectionSettings settings = pyftpd(server.port(), true, 4);
    TIdFTP browsing;
    settings.applyTo(browsing);
    browsing.Connect();
    auto events = jobTable();
    TransferJob job(*events, browsing);
    QList<RemoteSelection> selection;
    for (int i = 0; i < 4; ++i)
        selection.append({s("big%1.bin").arg(i), QByteArray("big") + QByteArray::number(i) + ".bin", false});
    const ListBuild build = buildDownloadList(browsing, selection, *events);
    QElapsedTimer sinceCancel;
    QObject::connect(&job, &TransferJob::progress, &job, [&](bool, qint64 bytes, int) {
        if (bytes > 0 && !sinceCancel.isValid()) {
            sinceCancel.start();
            job.cancel();
        }
    });
    const auto outcome =
        runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    ASSERT_TRUE(outcome.done);
    EXPECT_EQ(outcome.error, s("Job cancelled"));
    EXPECT_EQ(outcome.mostRunning, 4);
    EXPECT_LT(sinceCancel.elapsed(), 2000);
    // Nothing under a file's own name: only the hidden files a later download goes on from.
    for (const QString& name : QDir(local.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        EXPECT_TRUE(name.startsWith(u'.') && name.contains(s(".part-"))) << name.toStdString();
    EXPECT_FALSE(outcome.events.contains(s("Download OK")));
    browsing.Disconnect();
}

// A file row whose target is already there: the choice the settings or the user make, the names a
// renamed file takes, and what downloads do on a real server with each choice.
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/UploadList.h"
#include "core/transfer/WhenExists.h"
#include "support/FtpTestSupport.h"
#include "support/JobRun.h"
#include "support/JobTable.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ftptest;
using testsupport::jobTable;
using testsupport::runJob;

namespace {

const QDateTime older(QDate(2024, 5, 1), QTime(10, 0, 0));
const QDateTime newer(QDate(2024, 5, 1), QTime(10, 0, 1));

ExistingTarget existing(qint64 sourceSize, const QDateTime& sourceTime, qint64 targetSize,
                        const QDateTime& targetTime, bool canResume = true) {
    ExistingTarget target;
    target.name = s("a.txt");
    target.source = {sourceSize, sourceTime};
    target.target = {targetSize, targetTime};
    target.canResume = canResume;
    return target;
}

} // namespace

TEST(WhenExists, EachChoiceDecidesByTheFilesFacts) {
    using C = WhenFileExists;
    using A = ExistsAction;
    const struct {
        C choice;
        ExistingTarget target;
        A action;
    } cases[] = {
        {C::Replace, existing(10, older, 20, newer), A::Replace},
        {C::Skip, existing(10, newer, 20, older), A::Skip},
        {C::Rename, existing(10, newer, 10, newer), A::Rename},
        // Newer by a second replaces; the same second or older does not.
        {C::ReplaceIfNewer, existing(10, newer, 10, older), A::Replace},
        {C::ReplaceIfNewer, existing(10, older, 10, newer), A::Skip},
        {C::ReplaceIfNewer, existing(10, older.addMSecs(900), 10, older), A::Skip},
        // An unknown time replaces nothing.
        {C::ReplaceIfNewer, existing(10, QDateTime(), 10, older), A::Skip},
        {C::ReplaceIfNewer, existing(10, newer, 10, QDateTime()), A::Skip},
        // Resume only from a shorter target, and only where the transfer can go on.
        {C::Resume, existing(100, older, 40, older), A::Resume},
        {C::Resume, existing(100, older, 100, older), A::Replace},
        {C::Resume, existing(100, older, 140, older), A::Replace},
        {C::Resume, existing(100, older, 40, older, false), A::Replace},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        EXPECT_EQ(existsAction(c.choice, c.target), c.action);
        // A setting other than Ask asks nothing.
        ExistsRule rule(c.choice);
        EXPECT_EQ(rule.decide(c.target,
                              [](const ExistingTarget&) -> ExistsAnswer {
                                  ADD_FAILURE() << "asked";
                                  return {};
                              }),
                  c.action);
    }
}

TEST(WhenExists, AskAsksUntilAnAnswerIsForTheRestOfTheJob) {
    const ExistingTarget target = existing(10, newer, 20, older);
    QList<ExistsAnswer> answers = {{WhenFileExists::Skip, false, false},
                                   {WhenFileExists::ReplaceIfNewer, true, false}};
    int asked = 0;
    const ExistsQuestion ask = [&](const ExistingTarget& t) {
        EXPECT_EQ(t.name, s("a.txt"));
        ++asked;
        return answers.takeFirst();
    };
    ExistsRule rule;
    EXPECT_EQ(rule.decide(target, ask), ExistsAction::Skip);
    EXPECT_EQ(rule.decide(target, ask), ExistsAction::Replace);
    // The standing answer is applied to each later target's own facts.
    EXPECT_EQ(rule.decide(existing(10, older, 20, newer), ask), ExistsAction::Skip);
    EXPECT_EQ(asked, 2);

    ExistsRule cancelled;
    EXPECT_EQ(cancelled.decide(target,
                               [](const ExistingTarget&) {
                                   return ExistsAnswer{{}, true, true};
                               }),
              ExistsAction::Cancel);
    // Nobody to ask: the target is replaced.
    EXPECT_EQ(ExistsRule().decide(target, {}), ExistsAction::Replace);
}

TEST(WhenExists, RenamedFilesAreNumberedBeforeTheLastExtension) {
    const struct {
        const char* name;
        int n;
        const char* numbered;
    } cases[] = {
        {"report.txt", 1, "report (1).txt"},
        {"report.txt", 12, "report (12).txt"},
        {"archive.tar.gz", 2, "archive.tar (2).gz"},
        {"README", 1, "README (1)"},
        {".profile", 1, ".profile (1)"},
        {"odd.", 1, "odd. (1)"},
        {"a b.c d", 3, "a b (3).c d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberedName(s(c.name), c.n), s(c.numbered));
        EXPECT_EQ(numberedName(QByteArray(c.name), c.n), QByteArray(c.numbered));
    }
    // The folder is kept, and a dot in it is no extension.
    const QStringList taken = {s("/v1.2/a.txt"), s("/v1.2/a (1).txt")};
    EXPECT_EQ(freeName(s("/v1.2/a.txt"), [&](const QString& p) { return taken.contains(p); }),
              s("/v1.2/a (2).txt"));
    EXPECT_EQ(freeName(s("dir.d/README"), [](const QString&) { return false; }), s("dir.d/README (1)"));
    EXPECT_EQ(freeName(QByteArray("/up/\xe9t\xe9.txt"), [](const QByteArray&) { return false; }),
              QByteArray("/up/\xe9t\xe9 (1).txt"));
}

namespace {

// Downloads into a local folder where some targets are already there.
class DownloadOntoExisting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid() && local.isValid());
        server = std::make_unique<testsupport::PyFtpServer>(root.path());
        settings.host = s("127.0.0.1");
        settings.port = server->port();
        settings.user = s("demo");
        settings.password = s("demo");
        settings.applyTo(browsing);
        browsing.Connect();
    }

    void serve(const char* name, const QByteArray& bytes, const QDateTime& modified = QDateTime()) {
        writeFile(root.filePath(s(name)), bytes);
        if (modified.isValid()) setTime(root.filePath(s(name)), modified);
    }
    void have(const char* name, const QByteArray& bytes, const QDateTime& modified = QDateTime()) {
        QDir().mkpath(QFileInfo(local.filePath(s(name))).path());
        writeFile(local.filePath(s(name)), bytes);
        if (modified.isValid()) setTime(local.filePath(s(name)), modified);
    }
    static void setTime(const QString& path, const QDateTime& when) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    }
    QByteArray localFile(const char* name) const {
        QFile f(local.filePath(s(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    testsupport::JobOutcome download(const QStringList& names) {
        QList<RemoteSelection> selection;
        for (const QString& name : names)
            selection.append({name, name.toUtf8(), false});
        const ListBuild build = buildDownloadList(browsing, selection, *events);
        return runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    }

    QTemporaryDir root, local;
    std::unique_ptr<testsupport::PyFtpServer> server;
    ConnectionSettings settings;
    TIdFTP browsing;
    std::unique_ptr<TTable> events = jobTable();
    TransferJob job{*events, browsing};
};

} // namespace

TEST_F(DownloadOntoExisting, EachSettingKeepsOrReplacesTheLocalFile) {
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    const QDateTime recent = QDateTime::currentDateTime().addDays(-1);
    const QByteArray remote = QByteArray(3000, 'r') + QByteArray("end");
    const struct {
        WhenFileExists setting;
        QByteArray localBefore;
        QDateTime localTime;
        QByteArray localAfter;
        QByteArray renamed; // what "a (1).txt" holds then
        QString event;
    } cases[] = {
        {WhenFileExists::Skip, "edited", recent, "edited", "<missing>", s("Skipped")},
        {WhenFileExists::Replace, "edited", recent, remote, "<missing>", s("Download OK")},
        {WhenFileExists::Rename, "edited", recent, "edited", remote, s("Download OK")},
        // The remote file is from two days before: older than the local one, newer than the other.
        {WhenFileExists::ReplaceIfNewer, "edited", recent, "edited", "<missing>", s("Skipped")},
        {WhenFileExists::ReplaceIfNewer, "edited", past.addDays(-1), remote, "<missing>", s("Download OK")},
        // The local part goes on from its length; a local file that is no shorter is replaced.
        {WhenFileExists::Resume, remote.left(1000), past, remote, "<missing>", s("Download OK")},
        {WhenFileExists::Resume, remote + "more", past, remote, "<missing>", s("Download OK")},
    };
    serve("a.txt", remote, past);
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        QFile::remove(local.filePath(s("a (1).txt")));
        have("a.txt", c.localBefore, c.localTime);
        settings.whenFileExists = c.setting;
        const testsupport::JobOutcome outcome = download({s("a.txt")});
        ASSERT_TRUE(outcome.done);
        EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
        EXPECT_TRUE(outcome.events.contains(c.event)) << outcome.events.join(u',').toStdString();
        EXPECT_EQ(localFile("a.txt"), c.localAfter);
        EXPECT_EQ(localFile("a (1).txt"), c.renamed);
        if (c.setting == WhenFileExists::Resume && c.localBefore.size() < remote.size()) {
            // Only the missing part came over the wire.
            ASSERT_FALSE(outcome.progress.isEmpty());
            EXPECT_EQ(outcome.progress.last(), remote.size() - c.localBefore.size());
        }
    }
}

// The question runs an event loop while a second transfer ends: no row starts until it is answered, the
// answer given for the rest of the job is asked once, and every row still runs once.
TEST_F(DownloadOntoExisting, RowsWaitForTheQuestionWhileOtherTransfersEnd) {
    serve("a.txt", "remote a");
    for (const char* name : {"b.txt", "c.txt", "d.txt"}) {
        serve(name, QByteArray("remote ") + name);
        have(name, "local");
    }
    serve("e.txt", "remote e");
    settings.simultaneousTransfers = 2;
    int asked = 0;
    int startedWhileAsking = 0;
    bool asking = false;
    QObject context;
    QObject::connect(&job, &TransferJob::status, &context, [&](const QString& text) {
        if (asking && text.startsWith(u"Download file: ")) ++startedWhileAsking;
    });
    job.setExistsQuestion([&](const ExistingTarget& target) {
        ++asked;
        EXPECT_TRUE(target.download);
        EXPECT_EQ(target.name, local.filePath(s("b.txt")));
        EXPECT_EQ(target.target.size, 5);
        EXPECT_EQ(target.source.size, 12);
        asking = true;
        // Open until a.txt, started beside it, has ended.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (QFile::exists(local.filePath(s("a.txt")))) loop.quit();
        });
        poll.start(10);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        asking = false;
        return ExistsAnswer{WhenFileExists::Rename, true, false};
    });
    const testsupport::JobOutcome outcome = download(ss({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));
    ASSERT_TRUE(outcome.done);
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(startedWhileAsking, 0);
    EXPECT_EQ(localFile("a.txt"), QByteArray("remote a"));
    EXPECT_EQ(localFile("e.txt"), QByteArray("remote e"));
    for (const char* name : {"b", "c", "d"}) {
        SCOPED_TRACE(name);
        const QByteArray plain = QByteArray(name) + ".txt";
        const QByteArray renamed = QByteArray(name) + " (1).txt";
        EXPECT_EQ(localFile(plain.constData()), QByteArray("local"));
        EXPECT_EQ(localFile(renamed.constData()), "remote " + plain);
    }
}

TEST_F(DownloadOntoExisting, CancelInTheQuestionStopsTheJobAndKeepsTheFile) {
    serve("a.txt", "remote a");
    serve("b.txt", "remote b");
    have("a.txt", "local");
    job.setExistsQuestion([](const ExistingTarget&) { return ExistsAnswer{{}, false, true}; });
    const testsupport::JobOutcome outcome = download(ss({"a.txt", "b.txt"}));
    ASSERT_TRUE(outcome.done);
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.error, s("Job cancelled"));
    EXPECT_EQ(localFile("a.txt"), QByteArray("local"));
    EXPECT_EQ(localFile("b.txt"), QByteArray("<missing>"));
}

namespace {

// Uploads of the local folder "up" into a server folder "up" that holds some of its files already.
class UploadOntoExisting : public DownloadOntoExisting {
protected:
    QByteArray remoteFile(const char* name) const {
        QFile f(root.filePath(s(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    testsupport::JobOutcome upload() {
        buildUploadList({local.filePath(s("up"))}, local.path(), s("/"), *events);
        return runJob(job, *events, [&] { job.startUpload(settings); });
    }
};

} // namespace

TEST_F(UploadOntoExisting, EachSettingKeepsOrReplacesTheRemoteFile) {
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    const QDateTime recent = QDateTime::currentDateTime().addDays(-1);
    const QByteArray mine = QByteArray(3000, 'l') + QByteArray("end");
    const struct {
        WhenFileExists setting;
        QByteArray remoteBefore;
        QDateTime remoteTime;
        QByteArray remoteAfter;
        QByteArray renamed; // what "up/a (1).txt" holds then
    } cases[] = {
        {WhenFileExists::Skip, "theirs", recent, "theirs", "<missing>"},
        {WhenFileExists::Replace, "theirs", recent, mine, "<missing>"},
        {WhenFileExists::Rename, "theirs", recent, "theirs", mine},
        // The local file is from two days before: older than the remote one, newer than the other.
        {WhenFileExists::ReplaceIfNewer, "theirs", recent, "theirs", "<missing>"},
        {WhenFileExists::ReplaceIfNewer, "theirs", past.addDays(-1), mine, "<missing>"},
        // The remote part goes on from its length; a remote file that is no shorter is replaced.
        {WhenFileExists::Resume, mine.left(1000), past, mine, "<missing>"},
        {WhenFileExists::Resume, mine + "more", past, mine, "<missing>"},
    };
    have("up/a.txt", mine, past);
    have("up/new/c.txt", "new");
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        QDir(root.path()).removeRecursively();
        QDir().mkpath(root.filePath(s("up")));
        serve("up/a.txt", c.remoteBefore, c.remoteTime);
        settings.whenFileExists = c.setting;
        const testsupport::JobOutcome outcome = upload();
        ASSERT_TRUE(outcome.done);
        EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
        EXPECT_EQ(remoteFile("up/a.txt"), c.remoteAfter);
        EXPECT_EQ(remoteFile("up/a (1).txt"), c.renamed);
        // The new folder's file meets nothing there.
        EXPECT_EQ(remoteFile("up/new/c.txt"), QByteArray("new"));
        if (c.setting == WhenFileExists::Resume && c.remoteBefore.size() < mine.size()) {
            ASSERT_FALSE(outcome.progress.isEmpty());
            EXPECT_EQ(outcome.progress.last(), mine.size() - c.remoteBefore.size());
        }
    }
}

// The question about an upload shows the remote file's facts from the listing of its folder.
TEST_F(UploadOntoExisting, TheQuestionShowsTheListedRemoteFile) {
    const QDateTime past(QDate(2023, 3, 4), QTime(5, 6, 7));
    have("up/a.txt", "mine");
    have("up/b.txt", "also mine");
    QDir().mkpath(root.filePath(s("up")));
    serve("up/a.txt", "their file", past);
    QList<ExistingTarget> asked;
    job.setExistsQuestion([&](const ExistingTarget& target) {
        asked << target;
        return ExistsAnswer{WhenFileExists::Skip, false, false};
    });
    const testsupport::JobOutcome outcome = upload();
    ASSERT_TRUE(outcome.done);
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_FALSE(asked[0].download);
    EXPECT_EQ(asked[0].name, s("/up/a.txt"));
    EXPECT_EQ(asked[0].source.size, 4);
    EXPECT_EQ(asked[0].target.size, 10);
    EXPECT_EQ(asked[0].target.modified, past);
    EXPECT_EQ(remoteFile("up/a.txt"), QByteArray("their file"));
    EXPECT_EQ(remoteFile("up/b.txt"), QByteArray("also mine"));
}

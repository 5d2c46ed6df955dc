// Links and look-alike names as proftpd and pure-ftpd list them. proftpd's MLSD calls a link
// "OS.unix=symlink" whatever it leads to: a walk that took it for a file sent SITE CHMOD and RETR
// through it. Both servers hand out names as the file system's bytes, so "\xC3\xA9" (UTF-8) and
// "\xE9" (Latin-1) are two files that decode to one name.
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/RemoteChanges.h"
#include "core/transfer/TransferJob.h"
#include "support/FtpTestSupport.h"
#include "support/JobRun.h"
#include "support/JobTable.h"
#include "support/RealServers.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace ftptest;

namespace {

using testsupport::jobTable;
using testsupport::runJob;
using Outcome = testsupport::JobOutcome;

// A server serving `root`, with the browsing connection logged in and in its folder pub.
class RealServerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(root.isValid() && local.isValid()); }

    void serve(std::unique_ptr<testsupport::LoginServer> peer) {
        server = std::move(peer);
        settings = server->settings();
        settings.applyTo(ftp);
        ftp.Connect();
        pub = ftp.RetrieveCurrentDir() + s("/pub"); // a login starts in `root`
        ftp.ChangeDir(pub);
    }

    QString path(const char* relative) const { return root.filePath(s(relative)); }

    QTemporaryDir root;
    QTemporaryDir local;
    std::unique_ptr<testsupport::LoginServer> server;
    ConnectionSettings settings;
    TIdFTP ftp;
    QString pub;
    std::unique_ptr<TTable> events = jobTable();
};

// proftpd serving pub/a/{f.txt, flink -> ../shared/keep.txt, lnk -> ../shared} and pub/shared/keep.txt.
class ProftpdLinks : public RealServerTest {
protected:
    void SetUp() override {
        RealServerTest::SetUp();
        QDir(root.path()).mkpath(s("pub/a"));
        QDir(root.path()).mkpath(s("pub/shared"));
        writeFile(path("pub/a/f.txt"), "f");
        writeFile(path("pub/shared/keep.txt"), "keep");
        ASSERT_EQ(::chmod(path("pub/shared/keep.txt").toLocal8Bit().constData(), 0644), 0);
        ASSERT_EQ(::symlink("../shared/keep.txt", path("pub/a/flink").toLocal8Bit().constData()), 0);
        ASSERT_EQ(::symlink("../shared", path("pub/a/lnk").toLocal8Bit().constData()), 0);
        serve(std::make_unique<testsupport::ProftpdServer>(root.path()));
    }

    unsigned mode(const char* relative) const {
        struct stat st {};
        return ::stat(path(relative).toLocal8Bit().constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    // Both links were left out, and said so.
    void expectLinksSkipped(const QStringList& skipped) const {
        for (const char* link : {"/a/flink (a link)", "/a/lnk (a link)"})
            EXPECT_TRUE(skipped.contains(pub + s(link))) << link << " in " << skipped.join(u'|').toStdString();
    }
};

} // namespace

TEST_F(ProftpdLinks, RecursivePermissionsChangeNeitherTheLinksNorWhatTheyLeadTo) {
    const PermissionChange change = changePermissions(ftp, {s("a"), "a", true}, 0600, true);
    EXPECT_TRUE(change.refused.isEmpty()) << change.refused.join(u'|').toStdString();
    EXPECT_EQ(mode("pub/a/f.txt"), 0600u);
    EXPECT_EQ(mode("pub/shared/keep.txt"), 0644u);
    EXPECT_EQ(mode("pub/shared"), 0755u);
    expectLinksSkipped(change.skipped);
}

TEST_F(ProftpdLinks, ADownloadLeavesOutBothLinksAndBringsTheFile) {
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events);
    expectLinksSkipped(build.skipped);
    EXPECT_EQ(events->recordCount(), 2); // a and a/f.txt
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(QDir(local.filePath(s("a"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList{s("f.txt")});
    EXPECT_EQ(readFile(local.filePath(s("a/f.txt"))), QByteArray("f"));
}

TEST_F(ProftpdLinks, DeleteRemovesTheFolderWithItsLinksAndKeepsWhatTheyLeadTo) {
    ListOptions options; // as the window's Delete builds its list
    options.confirmLinks = true;
    options.linksAsFiles = true;
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events, options);
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startRemote(JobKind::Delete, settings, build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("pub/a")));
    EXPECT_EQ(readFile(path("pub/shared/keep.txt")), QByteArray("keep"));
    EXPECT_EQ(mode("pub/shared/keep.txt"), 0644u);
    EXPECT_TRUE(outcome.status.contains(s("Delete file: ") + pub + s("/a/lnk")));
}

namespace {

// Folder coll holding "\xC3\xA9" and "\xE9", which decode to one name and so to one local file.
class LookAlikeNames : public RealServerTest {
protected:
    // Qt cannot name "\xE9" (no UTF-8), so the folder would outlive its QTemporaryDir.
    void TearDown() override {
        for (const QByteArray& name : names)
            ::unlink(QByteArray(coll + '/' + name).constData());
    }

    void check(const std::function<std::unique_ptr<testsupport::LoginServer>(const QString&)>& start) {
        const QByteArray contents[2] = {"the UTF-8 name", "the Latin-1 name"};
        // Made by their bytes: no file name encoding comes between.
        ASSERT_TRUE(QDir(root.path()).mkpath(s("pub/coll")));
        coll = QFile::encodeName(path("pub/coll"));
        for (int i = 0; i < 2; ++i) {
            const int fd = ::open(QByteArray(coll + '/' + names[i]).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(::write(fd, contents[i].constData(), size_t(contents[i].size())), contents[i].size());
            ::close(fd);
        }
        serve(start(root.path()));

        ListOptions options;
        options.localNames = LocalNames::Exact;
        const ListBuild build = buildDownloadList(ftp, {{s("coll"), "coll", true}}, *events, options);
        // coll and the first of the two; the second is left out, and said.
        ASSERT_EQ(events->recordCount(), 2);
        ASSERT_EQ(build.skipped.size(), 1) << build.skipped.join(u'|').toStdString();
        EXPECT_TRUE(build.skipped.first().contains(s("its local name is the one of")))
            << build.skipped.first().toStdString();
        const QByteArray kept = build.rawAt(1);
        int index = -1;
        for (int i = 0; i < 2; ++i)
            if (kept == QByteArray(build.rawFolder + "/coll/" + names[i])) index = i;
        ASSERT_NE(index, -1) << kept.toStdString();

        // The job brings the bytes of that file, by the name the server listed.
        TransferJob job(*events, ftp);
        const Outcome outcome = runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
        EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
        EXPECT_EQ(QDir(local.filePath(s("coll"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{QString(QChar(0xE9))});
        EXPECT_EQ(readFile(local.filePath(s("coll/") + QChar(0xE9))), contents[index]);
    }

    const QByteArray names[2] = {"\xC3\xA9", "\xE9"};
    QByteArray coll;
};

} // namespace

TEST_F(LookAlikeNames, OnProftpdOneRowPerLocalFileWithItsOwnServerBytes) {
    check([](const QString& served) { return std::make_unique<testsupport::ProftpdServer>(served); });
}

TEST_F(LookAlikeNames, OnPureFtpdOneRowPerLocalFileWithItsOwnServerBytes) {
    if (!testsupport::PureFtpdServer::startable()) GTEST_SKIP() << testsupport::PureFtpdServer::notStartable;
    check([](const QString& served) { return std::make_unique<testsupport::PureFtpdServer>(served); });
}

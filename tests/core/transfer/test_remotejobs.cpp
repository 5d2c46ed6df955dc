// Remote delete, move and copy jobs and permission changes: command order on the scripted server, the
// resulting trees on a real one.
#include "core/base/Errors.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/RemoteChanges.h"
#include "core/transfer/TransferJob.h"
#include "support/FtpTestSupport.h"
#include "support/JobRun.h"
#include "support/JobTable.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ftptest;

namespace {

using testsupport::jobTable;
using testsupport::runJob;
using Outcome = testsupport::JobOutcome;

const QStringList loginWithMlsd =
    ss({"S 220 Ready", "C USER alice", "S 230 Logged in", "C FEAT", "S 211-Features:", "S  MLSD", "S 211 End",
        "C TYPE A", "S 200 ok", "C SYST", "S 215 UNIX", "C TYPE A", "S 200 ok"});

// A listing over a passive data connection; each entry is "<facts> <name>".
QStringList mlsd(std::initializer_list<const char*> entries) {
    QStringList steps =
        ss({"L", "C PASV", "S 227 Entering Passive Mode ({pasv})", "C MLSD", "S 150 listing", "A"});
    for (const char* entry : entries) {
        const QString text = s(entry);
        const qsizetype space = text.indexOf(u' ');
        steps << s("D ") + text.left(space) + s(";modify=20240102030405; ") + text.mid(space + 1) +
                     s("\\r\\n");
    }
    steps << s("DX") << s("S 226 done");
    return steps;
}

// The list build of folder a in /pub, a holding f and folder b with g, as the server sees it.
QStringList buildOfTreeA() {
    QStringList steps = ss({"C PWD", "S 257 \"/pub\""});
    steps << mlsd({"type=dir;size=0 a", "type=file;size=3 z.txt"}) << ss({"C CWD /pub/a", "S 250 ok"})
          << mlsd({"type=file;size=1 f", "type=dir;size=0 b"}) << ss({"C CWD /pub/a/b", "S 250 ok"})
          << mlsd({"type=file;size=2 g"}) << ss({"C CWD /pub", "S 250 ok"});
    return steps;
}

// The plain "LIST -a" that a walk which must tell links apart asks for after an MLSD listing; each
// entry is "<mode letter> <name>".
QStringList listAll(std::initializer_list<const char*> entries) {
    QStringList steps =
        ss({"L", "C PASV", "S 227 Entering Passive Mode ({pasv})", "C LIST -a", "S 150 listing", "A"});
    for (const char* entry : entries) {
        const QString text = s(entry);
        const QString mode = text.startsWith(u'd') ? s("drwxr-xr-x") : text.startsWith(u'l') ? s("lrwxrwxrwx") : s("-rw-r--r--");
        steps << s("D ") + mode + s(" 1 u g 1 Jan 02  2024 ") + text.mid(2) + s("\\r\\n");
    }
    steps << s("DX") << s("S 226 done");
    return steps;
}

QStringList sent(const ScriptedServer& server, std::initializer_list<const char*> commands) {
    QStringList lines;
    for (const QString& line : server.session())
        for (const char* command : commands)
            if (line.startsWith(s(command)) || line.startsWith(u"!!")) {
                lines << line;
                break;
            }
    return lines;
}

QStringList column(TTable& t, int field) {
    QStringList values;
    for (int row = 0; row < t.recordCount(); ++row)
        values << t.value(row, field).toString();
    return values;
}

// pyftpdlib serving /pub/a/f, /pub/a/b/g and an empty /dst, with the browsing connection in /pub.
class RemoteTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid() && temp.isValid());
        QDir(root.path()).mkpath(s("pub/a/b"));
        QDir(root.path()).mkpath(s("dst"));
        writeFile(root.filePath(s("pub/a/f")), "f");
        writeFile(root.filePath(s("pub/a/b/g")), "gg");
        server = std::make_unique<testsupport::PyFtpServer>(root.path());
        settings.host = s("127.0.0.1");
        settings.port = server->port();
        settings.user = s("demo");
        settings.password = s("demo");
        settings.applyTo(ftp);
        ftp.Connect();
        ftp.ChangeDir(s("/pub"));
    }

    ListBuild selectA() { return buildDownloadList(ftp, {{s("a"), "a", true}}, *events); }

    bool exists(const char* relative) const { return QFileInfo::exists(root.filePath(s(relative))); }

    QTemporaryDir root;
    QTemporaryDir temp;
    std::unique_ptr<testsupport::PyFtpServer> server;
    ConnectionSettings settings;
    TIdFTP ftp;
    std::unique_ptr<TTable> events = jobTable();
};

} // namespace

TEST(RemoteDelete, FilesForwardThenFoldersBackwardWhateverTheGridSort) {
    QStringList script = loginWithMlsd + buildOfTreeA();
    script << ss({"C DELE /pub/a/f", "S 250 ok", "C DELE /pub/a/b/g", "S 250 ok", "C RMD /pub/a/b",
                  "S 250 ok", "C RMD /pub/a", "S 250 ok", "P 5"});
    ScriptedServer server(script);
    TIdFTP ftp;
    connectPassive(ftp, server.port());
    auto events = jobTable();
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events);
    // A title click sorts by Local: a, a/b, a/b/g, a/f.
    SortAndRenumber(*events, s("Local"));
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startRemote(JobKind::Delete, {}, build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    ftp.Disconnect();
    EXPECT_EQ(sent(server, {"DELE", "RMD"}),
              ss({"DELE /pub/a/f", "DELE /pub/a/b/g", "RMD /pub/a/b", "RMD /pub/a"}));
    EXPECT_EQ(outcome.status, ss({"Delete file: /pub/a/f", "Delete file: /pub/a/b/g",
                                  "Delete directory: /pub/a/b", "Delete directory: /pub/a"}));
    EXPECT_EQ(events->recordCount(), 0);
}

TEST(RemoteDelete, ARowIsDeletedOnlyWhenItsCommandWasAndRowsFromElsewhereNeverReachTheServer) {
    // The server goes away after the first file.
    QStringList script = loginWithMlsd + buildOfTreeA();
    script << ss({"C DELE /pub/a/f", "S 250 ok", "X"});
    ScriptedServer server(script);
    TIdFTP ftp;
    connectPassive(ftp, server.port());
    auto events = jobTable();
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events);
    TransferJob job(*events, ftp);
    Outcome outcome = runJob(job, *events, [&] { job.startRemote(JobKind::Delete, {}, build); });
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(column(*events, JobField::Event), ss({"-", "Deleted", "-", "Download Ready"}));

    // A row the list build did not write (a table changed behind the job's back) stops the job before
    // anything is sent for it.
    ScriptedServer second(loggedIn + ss({"P 5"}));
    TIdFTP other;
    connectQuietly(other, second.port());
    auto foreign = jobTable();
    JobRow row;
    row.name = s("passwd");
    row.remote = s("/etc/passwd");
    row.local = s("passwd");
    appendJobRow(*foreign, row);
    ListBuild empty;
    empty.rawFolder = "/pub";
    TransferJob other_job(*foreign, other);
    outcome = runJob(other_job, *foreign, [&] { other_job.startRemote(JobKind::Delete, {}, empty); });
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.error.contains(s("/etc/passwd"))) << outcome.error.toStdString();
    other.Disconnect();
    EXPECT_EQ(second.session(), loginCommands + ss({"QUIT"}));
}

TEST(RawPathBelow, OnlyPlainNamesBelowTheFolderOfTheSelection) {
    struct Case {
        QByteArray folder, raw, below;
    } cases[] = {
        {"/pub", "/pub/a/f", "a/f"},
        {"/", "/a", "a"},
        {"/pub/", "/pub/a", "a"},
        {"/pub", "/pubx/a", ""},
        {"/pub", "/pub", ""},
        {"/pub", "/pub/../etc/passwd", ""},
        {"/pub", "/pub/a/./b", ""},
        {"/pub", "/pub/a//b", ""},
        {"/pub", "/pub/a\r\nDELE x", ""},
        {"/pub", "/pub/\xC3\xA9t\xE9", "\xC3\xA9t\xE9"}, // the server's bytes, whatever their encoding
    };
    for (const Case& c : cases)
        EXPECT_EQ(rawPathBelow(c.folder, c.raw), c.below) << c.raw.toStdString();
}

TEST(RemotePermissions, ATreeChangesEachEntryBeforeItsFolderAndGoesOnAfterARefusal) {
    // Each MLSD listing is followed by the plain LIST that tells links apart.
    QStringList script = loginWithMlsd + ss({"C PWD", "S 257 \"/pub\""});
    script << mlsd({"type=dir;size=0 a", "type=file;size=3 z.txt"}) << listAll({"d a", "- z.txt"})
           << ss({"C CWD /pub/a", "S 250 ok"}) << mlsd({"type=file;size=1 f", "type=dir;size=0 b"})
           << listAll({"- f", "d b"}) << ss({"C CWD /pub/a/b", "S 250 ok"}) << mlsd({"type=file;size=2 g"})
           << listAll({"- g"}) << ss({"C CWD /pub", "S 250 ok"});
    script << ss({"C SITE CHMOD 644 /pub/a/b/g", "S 550 Not allowed", "C SITE CHMOD 755 /pub/a/b", "S 200 ok",
                  "C SITE CHMOD 644 /pub/a/f", "S 200 ok", "C SITE CHMOD 755 /pub/a", "S 200 ok",
                  "C SITE CHMOD 4750 z.txt", "S 200 ok", "P 5"});
    ScriptedServer server(script);
    TIdFTP ftp;
    connectPassive(ftp, server.port());
    PermissionChange change = changePermissions(ftp, {s("a"), "a", true}, 0644, true);
    EXPECT_EQ(change.changed, 3);
    ASSERT_EQ(change.refused.size(), 1);
    EXPECT_TRUE(change.refused.first().startsWith(s("/pub/a/b/g: Not allowed")))
        << change.refused.first().toStdString();
    // A single file is named as the listing has it, relative to the folder.
    change = changePermissions(ftp, {s("z.txt"), "z.txt", false}, 04750, true);
    EXPECT_EQ(change.changed, 1);
    // Names that would reach another entry are never sent.
    for (const char* name : {"..", ".", "a/b", "x\r\nDELE y"}) {
        change = changePermissions(ftp, {s(name), QByteArray(name), false}, 0777, false);
        EXPECT_EQ(change.changed, 0) << name;
        EXPECT_EQ(change.skipped.size(), 1) << name;
    }
    ftp.Disconnect();
    EXPECT_EQ(sent(server, {"SITE"}),
              ss({"SITE CHMOD 644 /pub/a/b/g", "SITE CHMOD 755 /pub/a/b", "SITE CHMOD 644 /pub/a/f",
                  "SITE CHMOD 755 /pub/a", "SITE CHMOD 4750 z.txt"}));
}

TEST_F(RemoteTreeTest, CopyRecreatesTheTreeInTheCurrentFolderThroughTemporaryFiles) {
    const ListBuild build = selectA();
    ftp.ChangeDir(s("/dst"));
    TransferJob job(*events, ftp);
    const Outcome outcome =
        runJob(job, *events, [&] { job.startRemote(JobKind::Copy, settings, build, temp.path()); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(readFile(root.filePath(s("dst/a/f"))), QByteArray("f"));
    EXPECT_EQ(readFile(root.filePath(s("dst/a/b/g"))), QByteArray("gg"));
    EXPECT_TRUE(exists("pub/a/b/g"));
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
    EXPECT_EQ(events->recordCount(), 0);
    EXPECT_TRUE(outcome.events.contains(s("Copied")) && outcome.events.contains(s("Created")));
    EXPECT_FALSE(outcome.events.contains(s("Deleted")));
    EXPECT_TRUE(outcome.status.contains(s("Copy file: /pub/a/b/g")));
}

TEST_F(RemoteTreeTest, MoveRenamesEachFileIntoTheCurrentFolderAndLeavesTheSourceFoldersEmpty) {
    const ListBuild build = selectA();
    ftp.ChangeDir(s("/dst"));
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startRemote(JobKind::Cut, settings, build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(readFile(root.filePath(s("dst/a/f"))), QByteArray("f"));
    EXPECT_EQ(readFile(root.filePath(s("dst/a/b/g"))), QByteArray("gg"));
    EXPECT_FALSE(exists("pub/a/f") || exists("pub/a/b/g"));
    EXPECT_TRUE(exists("pub/a/b"));
    EXPECT_TRUE(outcome.events.contains(s("Moved")));
    EXPECT_TRUE(outcome.status.contains(s("Move file: /pub/a/f")));
}

TEST_F(RemoteTreeTest, AFolderThatExistsAtTheDestinationStopsTheCopyBeforeAnyFile) {
    QDir(root.path()).mkpath(s("dst/a"));
    const ListBuild build = selectA();
    ftp.ChangeDir(s("/dst"));
    TransferJob job(*events, ftp);
    const Outcome outcome =
        runJob(job, *events, [&] { job.startRemote(JobKind::Copy, settings, build, temp.path()); });
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.error.isEmpty());
    EXPECT_EQ(column(*events, JobField::Event), ss({"-", "Download Ready", "-", "Download Ready"}));
    EXPECT_FALSE(exists("dst/a/f"));
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
}

TEST_F(RemoteTreeTest, ACopyThatFailsRemovesItsTemporaryFile) {
    const ListBuild build = selectA();
    ftp.ChangeDir(s("/dst"));
    // The file vanishes between the list and the copy.
    QFile::remove(root.filePath(s("pub/a/f")));
    TransferJob job(*events, ftp);
    const Outcome outcome =
        runJob(job, *events, [&] { job.startRemote(JobKind::Copy, settings, build, temp.path()); });
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
    EXPECT_EQ(column(*events, JobField::Event),
              ss({"Created", "Download Ready", "Created", "Download Ready"}));
}

// pyftpdlib's MLSD describes a link by what it leads to: a/lnk -> ../shared reads as a folder, and
// a/flink -> ../shared/keep.txt as a file. Delete, move and permissions must reach neither target.
class LinkedTreeTest : public RemoteTreeTest {
protected:
    void SetUp() override {
        RemoteTreeTest::SetUp();
        QDir(root.path()).mkpath(s("pub/shared"));
        writeFile(root.filePath(s("pub/shared/keep.txt")), "keep");
        ::chmod(root.filePath(s("pub/shared/keep.txt")).toLocal8Bit().constData(), 0644);
        ASSERT_EQ(::symlink("../shared", root.filePath(s("pub/a/lnk")).toLocal8Bit().constData()), 0);
        ASSERT_EQ(::symlink("../shared/keep.txt", root.filePath(s("pub/a/flink")).toLocal8Bit().constData()), 0);
    }

    unsigned mode(const char* relative) const {
        struct stat st {};
        return ::stat(root.filePath(s(relative)).toLocal8Bit().constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
};

TEST_F(LinkedTreeTest, DeleteRemovesTheLinksAndNeverWhatTheyLeadTo) {
    ListOptions options;
    options.confirmLinks = true;
    options.linksAsFiles = true;
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events, options);
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startRemote(JobKind::Delete, settings, build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_FALSE(exists("pub/a"));
    EXPECT_EQ(readFile(root.filePath(s("pub/shared/keep.txt"))), QByteArray("keep"));
    EXPECT_TRUE(outcome.status.contains(s("Delete file: /pub/a/lnk")));
}

TEST_F(LinkedTreeTest, RecursivePermissionsAndMovesLeaveLinksAndTheirTargetsAlone) {
    const PermissionChange change = changePermissions(ftp, {s("a"), "a", true}, 0600, true);
    EXPECT_EQ(mode("pub/shared/keep.txt"), 0644u);
    EXPECT_EQ(mode("pub/a/f"), 0600u);
    const QString skipped = change.skipped.join(u'|');
    EXPECT_TRUE(skipped.contains(s("/pub/a/lnk")) && skipped.contains(s("/pub/a/flink"))) << skipped.toStdString();

    ListOptions options;
    options.confirmLinks = true;
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events, options);
    ftp.ChangeDir(s("/dst"));
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startRemote(JobKind::Cut, settings, build); });
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    EXPECT_EQ(readFile(root.filePath(s("pub/shared/keep.txt"))), QByteArray("keep"));
    EXPECT_FALSE(exists("dst/a/lnk") || exists("dst/a/flink"));
    EXPECT_TRUE(exists("dst/a/b/g"));
}

// Two server names that decode to one text ("\xC3\xA9" is UTF-8 for the "\xE9" of Latin-1).
TEST(DownloadList, NamesThatDecodeAlikeKeepTheirOwnBytesAndOneLocalTarget) {
    QStringList script = loginWithMlsd;
    script << ss({"C PWD", "S 257 \"/pub\""})
           << mlsd({"type=dir;size=0 coll"}) << ss({"C CWD /pub/coll", "S 250 ok"})
           << mlsd({"type=file;size=1 \\xC3\\xA9", "type=file;size=2 \\xE9", "type=file;size=3 README",
                    "type=file;size=4 readme"})
           << ss({"C CWD /pub", "S 250 ok", "P 5"});
    for (const LocalNames names : {LocalNames::Exact, LocalNames::IgnoreCase}) {
        ScriptedServer server(script);
        TIdFTP ftp;
        connectPassive(ftp, server.port());
        auto events = jobTable();
        ListOptions options;
        options.localNames = names;
        const ListBuild build = buildDownloadList(ftp, {{s("coll"), "coll", true}}, *events, options);
        // Each row keeps the bytes the server listed, by row.
        ASSERT_EQ(build.rawRemote.size(), events->recordCount());
        EXPECT_EQ(build.rawRemote.value(1), QByteArray("/pub/coll/\xC3\xA9"));
        const QString skipped = build.skipped.join(u'|');
        // The second name that lands on one local file is left out, and said.
        EXPECT_EQ(build.skipped.size(), names == LocalNames::IgnoreCase ? 2 : 1) << skipped.toStdString();
        EXPECT_EQ(events->recordCount(), names == LocalNames::IgnoreCase ? 3 : 4);
        EXPECT_EQ(build.rawRemote.contains(QByteArray("/pub/coll/\xE9")), false);
    }
}

// Downloaded folders are the user's like any other: made under the umask, not private to the user.
TEST_F(RemoteTreeTest, DownloadedFoldersFollowTheUmask) {
    QTemporaryDir local;
    const ListBuild build = selectA();
    const mode_t old = ::umask(022);
    TransferJob job(*events, ftp);
    const Outcome outcome = runJob(job, *events, [&] { job.startDownload(settings, local.path(), build); });
    ::umask(old);
    EXPECT_TRUE(outcome.completed) << outcome.error.toStdString();
    for (const char* folder : {"a", "a/b"}) {
        struct stat st {};
        ASSERT_EQ(::stat(local.filePath(s(folder)).toLocal8Bit().constData(), &st), 0) << folder;
        EXPECT_EQ(st.st_mode & 0777, 0755u) << folder;
    }
    EXPECT_EQ(readFile(local.filePath(s("a/b/g"))), QByteArray("gg"));
}

// A PWD reply without quotes: an absolute path at its start is the folder; one that names none stops the
// list, whose rows would otherwise be relative and name other files on a transfer connection.
TEST(DownloadList, APwdReplyWithoutQuotesGivesAbsoluteRowsOrNoList) {
    const struct {
        const char* reply;
        const char* firstRow; // nullptr: the build is refused
    } cases[] = {
        {"S 257 /pub is the current directory", "/pub/z.txt"},
        {"S 257 \"/pub\"", "/pub/z.txt"},
        {"S 257 current directory is pub", nullptr},
        {"S 257", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        QStringList script = loginWithMlsd;
        script << ss({"C PWD", c.reply});
        if (c.firstRow) script << mlsd({"type=file;size=3 z.txt"});
        script << ss({"P 5"});
        ScriptedServer server(script);
        TIdFTP ftp;
        connectPassive(ftp, server.port());
        auto events = jobTable();
        if (!c.firstRow) {
            EXPECT_THROW(buildDownloadList(ftp, {{s("z.txt"), "z.txt", false}}, *events), QeltoError);
            EXPECT_EQ(events->recordCount(), 0);
            continue;
        }
        const ListBuild build = buildDownloadList(ftp, {{s("z.txt"), "z.txt", false}}, *events);
        EXPECT_EQ(column(*events, JobField::Remote), ss({c.firstRow}));
        EXPECT_EQ(build.rawRemote.value(0), QByteArray(c.firstRow));
    }
}

// pyftpdlib describes a link by its target, so a/loop -> . reads as a folder inside itself: the walk of a
// download must end with an error at the depth limit, not run on; a cancel ends it at the next folder.
TEST_F(RemoteTreeTest, AnEndlessTreeStopsAtTheDepthLimitAndACancelStopsItAtOnce) {
    ASSERT_EQ(::symlink(".", root.filePath(s("pub/a/loop")).toLocal8Bit().constData()), 0);
    ListOptions options;
    options.maxDepth = 12;
    try {
        buildDownloadList(ftp, {{s("a"), "a", true}}, *events, options);
        ADD_FAILURE() << "the endless tree was listed";
    } catch (const QeltoError& e) {
        EXPECT_TRUE(e.text().contains(s("more than 12 levels deep"))) << e.text().toStdString();
    }
    int asked = 0;
    options.maxDepth = 64;
    options.cancelled = [&] { return ++asked == 3; };
    try {
        buildDownloadList(ftp, {{s("a"), "a", true}}, *events, options);
        ADD_FAILURE() << "the cancel was not taken";
    } catch (const QeltoError& e) {
        EXPECT_EQ(e.text(), s("Job cancelled"));
        EXPECT_EQ(e.category(), ErrorCategory::Aborted);
    }
    EXPECT_EQ(asked, 3);
    // A walk that must tell links apart never enters it at all.
    options.cancelled = {};
    options.confirmLinks = true;
    const ListBuild build = buildDownloadList(ftp, {{s("a"), "a", true}}, *events, options);
    EXPECT_TRUE(build.skipped.join(u'|').contains(s("/pub/a/loop (a link)"))) << build.skipped.join(u'|').toStdString();
}

// The download and upload lists: row order, values and the names that never become paths.
#include "core/ftp/TIdFTP.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/UploadList.h"
#include "support/FtpTestSupport.h"
#include "support/JobTable.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ftptest;

namespace {

using testsupport::jobTable;

void put(const QTemporaryDir& root, const char* relative, const QByteArray& data) {
    const QString path = root.filePath(s(relative));
    QDir().mkpath(QFileInfo(path).path());
    writeFile(path, data);
}

QStringList column(TTable& t, int field) {
    QStringList values;
    for (int row = 0; row < t.recordCount(); ++row)
        values << t.value(row, field).toString();
    return values;
}

} // namespace

TEST(DownloadList, AFolderAndAFileGiveFolderRowsFirstThenFilesBeforeSubFolders) {
    QTemporaryDir root;
    put(root, "pub/a/f", "f");
    put(root, "pub/a/b/g", "gg");
    put(root, "pub/z.txt", "zzz");
    testsupport::PyFtpServer server(root.path());
    TIdFTP ftp;
    aim(ftp, server.port(), s("demo"), s("demo"));
    ftp.setPassive(true);
    ftp.Connect();
    ftp.ChangeDir(s("/pub"));
    auto events = jobTable();
    const ListBuild build =
        buildDownloadList(ftp, {{s("z.txt"), "z.txt", false}, {s("a"), "a", true}}, *events);
    EXPECT_TRUE(build.skipped.isEmpty());
    EXPECT_EQ(column(*events, JobField::Name), ss({"<a>", "f", "<b>", "g", "z.txt"}));
    EXPECT_EQ(column(*events, JobField::Local), ss({"a", "a/f", "a/b", "a/b/g", "z.txt"}));
    EXPECT_EQ(column(*events, JobField::Remote),
              ss({"/pub/a", "/pub/a/f", "/pub/a/b", "/pub/a/b/g", "/pub/z.txt"}));
    EXPECT_EQ(column(*events, JobField::Type), ss({"<DIR>", "File", "<DIR>", "File", "File"}));
    EXPECT_EQ(column(*events, JobField::Event),
              ss({"-", "Download Ready", "-", "Download Ready", "Download Ready"}));
    EXPECT_EQ(column(*events, JobField::Status), ss({"-", "0%", "-", "0%", "0%"}));
    EXPECT_EQ(column(*events, JobField::No), ss({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(build.sizes.value(3), 2); // "/pub/a/b/g", by row
    EXPECT_EQ(ftp.RetrieveCurrentDir(), s("/pub")); // back where the selection was made
}

TEST(DownloadList, NamesThatCannotBeLocalPathsAreSkippedAndReported) {
    QStringList script = ss({"S 220 Ready", "C USER alice",    "S 230 Logged in",
                             "C FEAT",      "S 211-Features:", "S  MLSD",
                             "S 211 End",   "C TYPE A",        "S 200 ok",
                             "C SYST",      "S 215 UNIX",      "C TYPE A",
                             "S 200 ok",    "C PWD",           "S 257 \"/pub\"",
                             "L",           "C PASV",          "S 227 Entering Passive Mode ({pasv})",
                             "C MLSD",      "S 150 listing",   "A"});
    const QStringList names{s("../evil"), s("a/b"), s(".."), s("bell\\x07"), s("ok.txt")};
    for (const QString& name : names)
        script << s("D type=file;size=5;modify=20240102030405; ") + name + s("\\r\\n");
    script << s("DX") << s("S 226 done") << s("P 5");
    ScriptedServer server(script);
    TIdFTP ftp;
    connectPassive(ftp, server.port());
    auto events = jobTable();
    const QList<RemoteSelection> all{{s("../evil"), "../evil", false},
                                     {s("a/b"), "a/b", false},
                                     {s("bell\x07"), "bell\x07", false},
                                     {s("ok.txt"), "ok.txt", false}};
    const ListBuild build = buildDownloadList(ftp, all, *events);
    EXPECT_EQ(column(*events, JobField::Name), ss({"ok.txt"}));
    EXPECT_EQ(build.skipped.size(), 3) << build.skipped.join(u'|').toStdString();
    EXPECT_TRUE(build.skipped.join(u'|').contains(s("/pub/../evil")));
    EXPECT_TRUE(build.skipped.join(u'|').contains(s("/pub/a/b")));
}

TEST(LocalTarget, StaysInsideTheChosenFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(s("in")));
    ASSERT_EQ(::symlink("/tmp", root.filePath(s("in/out")).toLocal8Bit().constData()), 0);
    EXPECT_EQ(localTargetBelow(root.path(), s("in/file")), root.filePath(s("in/file")));
    EXPECT_EQ(localTargetBelow(root.path(), s("new/deeper/file")), root.filePath(s("new/deeper/file")));
    for (const char* bad : {"../x", "in/../../x", "in/out/x"})
        EXPECT_THROW(localTargetBelow(root.path(), s(bad)), QeltoError) << bad;
    // The chosen folder reached through a link (a short link to a longer real path): new paths below it
    // are inside, and a link inside that leads out is still refused.
    const QString real = root.filePath(s("a-real-folder-whose-path-is-longer-than-the-link/x"));
    ASSERT_TRUE(QDir().mkpath(real));
    const QString link = root.filePath(s("t"));
    ASSERT_EQ(::symlink(real.toLocal8Bit().constData(), link.toLocal8Bit().constData()), 0);
    EXPECT_EQ(localTargetBelow(link, s("t")), real + s("/t"));
    EXPECT_EQ(localTargetBelow(link, s("sub/deeper/file")), real + s("/sub/deeper/file"));
    ASSERT_EQ(::symlink("/tmp", (real + s("/out")).toLocal8Bit().constData()), 0);
    EXPECT_THROW(localTargetBelow(link, s("out/x")), QeltoError);
    EXPECT_THROW(localTargetBelow(link, s("../y")), QeltoError);
    for (const char* name : {"", ".", "..", "a/b", "bell\x07", "line\nbreak"})
        EXPECT_FALSE(isSafeRemoteName(s(name))) << name;
    EXPECT_TRUE(isSafeRemoteName(s("report (1).txt")));
}

TEST(UploadList, LinksLeadingOutOfTheSelectionAndNamesThatClimbOnABackslashServerAreLeftOut) {
    QTemporaryDir root;
    put(root, "secret/id_key", "PRIVATE KEY");
    put(root, "site/index.html", "<p>");
    put(root, "site/..\\..\\x", "climb");
    put(root, "site/\\etc", "rooted");
    put(root, "site/a\\b", "plain");
    QDir(root.path()).mkpath(s("site/css"));
    auto link = [&](const char* target, const char* at) {
        ASSERT_EQ(::symlink(target, root.filePath(s(at)).toLocal8Bit().constData()), 0);
    };
    link("../../secret/id_key", "site/css/key"); // out of the selection
    link("../index.html", "site/css/home.html");  // inside it
    link("site/index.html", "chosen.html");       // a link the user selected
    link("nowhere", "site/dangling");
    auto events = jobTable();
    const QStringList skipped = buildUploadList({root.filePath(s("site")), root.filePath(s("chosen.html"))},
                                                root.path(), s("/www"), *events);
    EXPECT_EQ(column(*events, JobField::Name),
              ss({"<site>", "<site/css>", "site/css/home.html", "site/a\\b", "site/index.html", "chosen.html"}));
    const QString left = skipped.join(u'|');
    for (const char* name : {"site/css/key", "site/dangling", "site/..\\..\\x", "site/\\etc"})
        EXPECT_TRUE(left.contains(root.filePath(s(name)))) << name << " in " << left.toStdString();
    EXPECT_EQ(skipped.size(), 4) << left.toStdString();
}

TEST(UploadList, FoldersBeforeFilesDottedFoldersIncludedSpecialFilesAndFolderLinksLeftOut) {
    QTemporaryDir root;
    put(root, "pics/a.jpg", "jpeg");
    put(root, "pics/raw/b.raw", "raw!");
    put(root, "pics/release.old/c", "c");
    put(root, "pics/.hidden", "h");
    ASSERT_EQ(::mkfifo(root.filePath(s("pics/pipe")).toLocal8Bit().constData(), 0600), 0);
    ASSERT_EQ(::symlink(root.path().toLocal8Bit().constData(),
                        root.filePath(s("pics/loop")).toLocal8Bit().constData()),
              0);
    put(root, "report.txt", "12345");
    auto events = jobTable();
    const QStringList skipped = buildUploadList({root.filePath(s("pics")), root.filePath(s("report.txt"))},
                                                root.path(), s("/www"), *events);
    EXPECT_EQ(column(*events, JobField::Name),
              ss({"<pics>", "<pics/raw>", "pics/raw/b.raw", "<pics/release.old>", "pics/release.old/c",
                  "pics/.hidden", "pics/a.jpg", "report.txt"}));
    EXPECT_EQ(column(*events, JobField::Remote).mid(0, 3),
              ss({"/www/pics/", "/www/pics/raw/", "/www/pics/raw/b.raw"}));
    EXPECT_EQ(column(*events, JobField::Local).last(), root.filePath(s("report.txt")));
    EXPECT_EQ(column(*events, JobField::Size).last(), s("       5 Byte"));
    EXPECT_EQ(column(*events, JobField::Date).first(), s("30.12.1899"));
    EXPECT_EQ(column(*events, JobField::Permissions).mid(0, 3),
              ss({"drwx--x--x", "drwx--x--x", "-rw-------"}));
    ASSERT_EQ(skipped.size(), 2);
    EXPECT_TRUE(skipped.join(u'|').contains(s("pipe")));
    EXPECT_TRUE(skipped.join(u'|').contains(s("loop")));
}

// LIST in place of MLSD: "LIST -a" and its fallback, and browsing Debian's vsftpd, which has no MLSD.
#include "VsftpdServer.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"
#include "support/FtpTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

// One passive LIST on the scripted server: the command is answered by `reply`; with a 150 the data
// connection carries `data` and 226 follows.
QStringList passiveList(const char* command, const char* reply, const char* data = "") {
    QStringList steps = ss({"L", "C PASV", "S 227 Entering Passive Mode ({pasv})", "A"});
    steps << s("C ") + s(command) << s("S ") + s(reply);
    if (QByteArray(reply).startsWith("150"))
        steps << s("D ") + s(data) << s("DX") << s("S 226 Done");
    else
        steps << s("DX");
    return steps;
}

} // namespace

TEST(ListFallback, ARefusedDashAFallsBackToPlainListOnceForTheConnection) {
    for (const char* refusal : {"550 No such file -a", "501 Unknown option", "450 No files found"}) {
        SCOPED_TRACE(refusal);
        QStringList script = loggedIn;
        script << passiveList("LIST -a", refusal);
        script << passiveList("LIST", "150 Here", "-rw-r--r-- 1 u g 3 Mar 01 10:00 a.txt\\r\\n");
        script << passiveList("LIST", "150 Here", "drwxr-xr-x 1 u g 3 Mar 01 10:00 b\\r\\n");
        ScriptedServer server(script);
        TIdFTP ftp;
        ftp.setPassive(true);
        connectQuietly(ftp, server.port());
        ftp.List(nullptr);
        ASSERT_EQ(ftp.DirectoryListing().size(), 1);
        EXPECT_EQ(ftp.DirectoryListing().first().RawName, QByteArray("a.txt"));
        // The refusal is remembered: the next listing goes straight to LIST.
        ftp.List(nullptr);
        ASSERT_EQ(ftp.DirectoryListing().size(), 1);
        EXPECT_EQ(ftp.DirectoryListing().first().ItemType, ditDirectory);
        ftp.Disconnect();
        EXPECT_EQ(server.session().mid(loginCommands.size()),
                  ss({"PASV", "LIST -a", "PASV", "LIST", "PASV", "LIST", "QUIT"}));
    }
}

TEST(ListFallback, AnEmptyFolderDoesNotGiveUpDashA) {
    QStringList script = loggedIn;
    script << passiveList("LIST -a", "450 No files found") << passiveList("LIST", "450 No files found");
    script << passiveList("LIST -a", "150 Here", "-rw-r--r-- 1 u g 3 Mar 01 10:00 .profile\\r\\n");
    ScriptedServer server(script);
    TIdFTP ftp;
    ftp.setPassive(true);
    connectQuietly(ftp, server.port());
    ftp.List(nullptr);
    EXPECT_TRUE(ftp.DirectoryListing().isEmpty());
    ftp.List(nullptr);
    ASSERT_EQ(ftp.DirectoryListing().size(), 1);
    EXPECT_EQ(ftp.DirectoryListing().first().RawName, QByteArray(".profile"));
}

TEST(ListFallback, UnreadableLinesAreCountedAndReported) {
    QStringList script = loggedIn;
    script << passiveList("LIST -a", "150 Here",
                          "total 2\\r\\n-rw-r--r-- 1 u g 3 Mar 01 10:00 a.txt\\r\\n<garbage>\\r\\n\\r\\n");
    ScriptedServer server(script);
    TIdFTP ftp;
    ftp.setPassive(true);
    QStringList status;
    ftp.OnStatus = [&](TIdStatus, const QString& text) { status << text; };
    connectQuietly(ftp, server.port());
    ftp.List(nullptr);
    // Walked one entry at a time (as the window's refresh does) before the whole list is asked for.
    QStringList walked;
    ftp.forEachListedEntry([&](const TIdFTPListItem& e) { walked << e.FileName; });
    ftp.forEachListedEntry([&](const TIdFTPListItem& e) { walked << e.FileName; });
    EXPECT_EQ(walked, QStringList({s("a.txt"), s("a.txt")}));
    EXPECT_EQ(ftp.DirectoryListing().size(), 1);
    EXPECT_EQ(ftp.DirectoryListingUnknownLines(), 1);
    EXPECT_EQ(status.count(s("1 listing lines could not be read and were left out")), 1)
        << status.join(u'\n').toStdString();
}

class VsftpdBrowse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid() && m_local.isValid());
        QDir root(m_root.path());
        ASSERT_TRUE(root.mkdir(s("pub")) && root.mkdir(s("pub/sub folder")));
        writeFile(m_root.filePath(s("pub/a.txt")), "alpha");
        writeFile(m_root.filePath(s("pub/.hidden")), "dot");
        writeFile(m_root.filePath(s("pub/two  blanks.txt")), "bb");
        writeFile(m_root.filePath(s("pub/ lead")), "l");
        writeFile(m_root.filePath(s("pub/Größe.txt")), "utf");
        writeFile(m_root.filePath(s("pub/sub folder/inner.bin")), QByteArray(300000, 'i'));
        ASSERT_TRUE(QFile::link(s("a.txt"), m_root.filePath(s("pub/link"))));
        m_server = std::make_unique<VsftpdServer>(m_root.path(), ss({"--set", "utf8_filesystem=YES"}));
    }

    void connect(TIdFTP& ftp, bool passive) {
        aim(ftp, m_server->port(), s("anonymous"), s("guest"));
        ftp.setPassive(passive);
        ftp.setTransferType(ftBinary);
        m_log.OnSent = [this](const QString&, const QString& block) {
            m_sent += block.split(s("<EOL>"), Qt::SkipEmptyParts);
        };
        ftp.setIntercept(&m_log);
        ftp.Connect();
    }

    QTemporaryDir m_root;
    QTemporaryDir m_local;
    std::unique_ptr<VsftpdServer> m_server;
    TIdLogEvent m_log;
    QStringList m_sent;
};

TEST_F(VsftpdBrowse, ListsNavigatesDownloadsAndUploads) {
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        TIdFTP ftp;
        connect(ftp, passive);
        EXPECT_FALSE(ftp.CanUseMLS());
        ftp.ChangeDir(s("pub"));
        ftp.List(nullptr);
        EXPECT_TRUE(m_sent.contains(s("LIST -a")));
        const QList<TIdFTPListItem> items = ftp.DirectoryListing();
        EXPECT_EQ(ftp.DirectoryListingUnknownLines(), 0) << ftp.ListResult().lines().join(u'\n').toStdString();

        const TIdFTPListItem* a = entryNamed(items, "a.txt");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->ItemType, ditFile);
        EXPECT_EQ(a->Size, 5);
        EXPECT_EQ(a->PermissionDisplay, s("-rw-r--r--"));
        // vsftpd lists in GMT: the time is within a day of now whatever the local zone.
        EXPECT_LT(std::abs(a->ModifiedDate.secsTo(QDateTime::currentDateTime())), 86400 + 3600);
        for (const QByteArray& name :
             {QByteArray(".hidden"), QByteArray("two  blanks.txt"), QByteArray(" lead")})
            EXPECT_NE(entryNamed(items, name), nullptr) << name.constData();
        const TIdFTPListItem* utf8 = entryNamed(items, s("Größe.txt").toUtf8());
        ASSERT_NE(utf8, nullptr);
        EXPECT_EQ(utf8->FileName, s("Größe.txt"));
        const TIdFTPListItem* link = entryNamed(items, "link");
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->ItemType, ditSymbolicLink);
        EXPECT_EQ(link->LinkTarget, s("a.txt"));
        const TIdFTPListItem* folder = entryNamed(items, "sub folder");
        ASSERT_NE(folder, nullptr);
        EXPECT_EQ(folder->ItemType, ditDirectory);

        // Every entry is reached by its listed bytes: into the folder, a download, one with a leading blank.
        ftp.ChangeDir(folder->RawName);
        ftp.List(nullptr);
        ASSERT_NE(entryNamed(ftp.DirectoryListing(), "inner.bin"), nullptr);
        EXPECT_EQ(entryNamed(ftp.DirectoryListing(), "inner.bin")->Size, 300000);
        ftp.Get(QByteArray("inner.bin"), m_local.filePath(s("inner.bin")), true);
        EXPECT_EQ(readFile(m_local.filePath(s("inner.bin"))), QByteArray(300000, 'i'));
        ftp.Put(m_local.filePath(s("inner.bin")), QByteArray(passive ? "up-p.bin" : "up-a.bin"));
        ftp.ChangeDirUp();
        ftp.Get(QByteArray(" lead"), m_local.filePath(s("lead")), true);
        EXPECT_EQ(readFile(m_local.filePath(s("lead"))), QByteArray("l"));
        ftp.Disconnect();
    }
    EXPECT_EQ(readFile(m_root.filePath(s("pub/sub folder/up-p.bin"))), QByteArray(300000, 'i'));
    EXPECT_EQ(readFile(m_root.filePath(s("pub/sub folder/up-a.bin"))), QByteArray(300000, 'i'));
}

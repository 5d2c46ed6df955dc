// Listings over a data connection: MLSD from a real server, LIST from one without MLSD.
#include "support/FtpTestSupport.h"
#include "core/ftp/TIdFTP.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

const TIdFTPListItem* find(const QList<TIdFTPListItem>& items, const QString& name) {
    for (const TIdFTPListItem& item : items)
        if (item.FileName == name) return &item;
    return nullptr;
}

TEST(FtpListing, MlsdOfAFolderWithBlanksAndUtf8Names) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    writeFile(root.filePath(s("two  blanks.txt")), QByteArray(1500, 'a'));
    writeFile(root.filePath(s("Größe €.bin")), QByteArray(7, 'b'));
    ASSERT_TRUE(QDir(root.path()).mkdir(s("sub folder")));
    testsupport::PyFtpServer server(root.path());

    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        TIdFTP ftp;
        aim(ftp, server.port(), s("demo"), s("demo"));
        ftp.setPassive(passive);
        ftp.setTransferType(ftBinary);
        ftp.Connect();
        QStringList lines;
        ftp.List(&lines, QString(), true);
        EXPECT_TRUE(ftp.ListResult().mlsd);
        EXPECT_TRUE(ftp.ListResult().details);
        EXPECT_EQ(lines, ftp.ListResult().lines());

        const QList<TIdFTPListItem>& items = ftp.DirectoryListing();
        const TIdFTPListItem* blanks = find(items, s("two  blanks.txt"));
        ASSERT_NE(blanks, nullptr);
        EXPECT_EQ(blanks->ItemType, ditFile);
        EXPECT_EQ(blanks->Size, 1500);
        const TIdFTPListItem* utf8 = find(items, s("Größe €.bin"));
        ASSERT_NE(utf8, nullptr);
        EXPECT_EQ(utf8->Size, 7);
        const TIdFTPListItem* folder = find(items, s("sub folder"));
        ASSERT_NE(folder, nullptr);
        EXPECT_EQ(folder->ItemType, ditDirectory);
        // Whatever "." and ".." pyftpdlib sends come back as folders.
        for (const char* dot : {".", ".."}) {
            if (const TIdFTPListItem* item = find(items, s(dot))) {
                EXPECT_EQ(item->ItemType, ditDirectory);
            }
        }
        EXPECT_EQ(ftp.transferType(), ftBinary);
        ftp.Noop(); // the control connection is in step after the listing
    }
}

} // namespace

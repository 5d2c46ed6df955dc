// The hidden file a download is written into before it takes the target's place.
#include "core/ftp/FtpTransferFile.h"
#include "support/FtpTestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ftptest;

namespace {

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(DownloadFile, NamesUpToTheFileSystemLimitGetAHiddenFileBesideThem) {
    QTemporaryDir dir;
    for (const int length : {1, 200, 241, 242, 243, 248, 249, 250, 254, 255}) {
        SCOPED_TRACE(length);
        const QString name(length, u'n');
        const QString target = dir.filePath(name);
        {
            DownloadFile file(target, true, false);
            ASSERT_EQ(file.device().write("payload"), 7);
            const QStringList during = entries(dir.path());
            ASSERT_EQ(during.size(), 1);
            EXPECT_TRUE(during[0].startsWith(u'.')) << during[0].toStdString();
            file.commit();
        }
        EXPECT_EQ(entries(dir.path()), QStringList{name});
        EXPECT_EQ(readFile(target), QByteArray("payload"));
        ASSERT_TRUE(QFile::remove(target));
    }
    // Multi-byte characters count as the bytes they take: 127 two-byte characters are 254 bytes.
    const QString wide(127, u'é');
    DownloadFile file(dir.filePath(wide), true, false);
    file.commit();
    EXPECT_EQ(entries(dir.path()), QStringList{wide});
}

} // namespace

// The hidden file a download is written into before it takes the target's place.
#include "core/base/Errors.h"
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

TEST(DownloadFile, AKeptPartIsFoundAgainWrittenByOneDownloadAtATimeAndNeverThroughALink) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("f.bin"));
    const QString part = dir.filePath(QStringLiteral(".f.bin.part-k"));
    {
        DownloadFile first(target, QStringLiteral("k"));
        EXPECT_EQ(first.partLength(), 0);
        first.device().write("12345");
        // A second download of the same file into the same folder waits its turn.
        EXPECT_THROW(DownloadFile(target, QStringLiteral("k")), QeltoError);
    } // not committed: kept
    EXPECT_FALSE(QFile::exists(target));
    {
        DownloadFile again(target, QStringLiteral("k"));
        EXPECT_EQ(again.partLength(), 5);
        again.device().write("678");
        again.commit();
    }
    QFile done(target);
    ASSERT_TRUE(done.open(QIODevice::ReadOnly));
    EXPECT_EQ(done.readAll(), QByteArray("12345678"));
    EXPECT_FALSE(QFile::exists(part));
    // A link planted under the hidden name is not written through.
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    QFile(elsewhere).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(elsewhere, part));
    EXPECT_THROW(DownloadFile(target, QStringLiteral("k")), QeltoError);
    EXPECT_EQ(QFileInfo(elsewhere).size(), 0);
}

#include "core/base/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ForceLocalFolders, CreatesEveryMissingLevelPrivately) {
    QTemporaryDir tmp;
    const QString deep = tmp.path() + QStringLiteral("/a/b/c");
    EXPECT_TRUE(ForceLocalFolders(deep));
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_EQ(QFileInfo(tmp.path() + QStringLiteral("/a")).permissions() & 0x0077, 0);
    EXPECT_TRUE(ForceLocalFolders(deep + u'/')); // existing folder, trailing separator
    EXPECT_FALSE(ForceLocalFolders(QString()));
}

TEST(ForceLocalFolders, StopsWhereALevelCannotBeCreated) {
    QTemporaryDir tmp;
    QFile blocker(tmp.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(ForceLocalFolders(tmp.path() + QStringLiteral("/file/sub")));
    EXPECT_TRUE(QFileInfo(blocker.fileName()).isFile());
}

TEST(DataFolder, FollowsTheXdgDataFolder) {
    QTemporaryDir tmp;
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", tmp.path().toUtf8());
    EXPECT_EQ(dataFolderPath(), tmp.path() + QStringLiteral("/Kaxo/Qelto"));
    EXPECT_EQ(dataSystemFolder(), tmp.path() + QStringLiteral("/Kaxo/Qelto/System"));
    EXPECT_EQ(dataTempFolder(), tmp.path() + QStringLiteral("/Kaxo/Qelto/Temp"));
    qputenv("XDG_DATA_HOME", old);
}

TEST(CopyMissingTemplates, CopiesOnlyMissingFilesAndKeepsOthers) {
    QTemporaryDir templates, system;
    auto write = [](const QString& path, const QByteArray& data) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write(templates.filePath(QStringLiteral("A.XML")), "template a");
    write(templates.filePath(QStringLiteral("B.XML")), "template b");
    write(system.filePath(QStringLiteral("B.XML")), "user data");
    const QStringList copied =
        copyMissingTemplates(templates.path(), system.path(),
                             {QStringLiteral("A.XML"), QStringLiteral("B.XML"), QStringLiteral("C.XML")});
    EXPECT_EQ(copied, QStringList{QStringLiteral("A.XML")});
    QFile b(system.filePath(QStringLiteral("B.XML")));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), QByteArray("user data"));
    EXPECT_FALSE(QFileInfo::exists(system.filePath(QStringLiteral("C.XML")))); // no template, no file
    EXPECT_EQ(QFileInfo(system.filePath(QStringLiteral("A.XML"))).permissions() & 0x0077, 0);
}

TEST(CopyMissingTemplates, LooksForEachFileAlongTheWholeChain) {
    QTemporaryDir empty, partial, full, system;
    auto write = [](const QString& path, const QByteArray& data) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write(partial.filePath(QStringLiteral("B.XML")), "partial b");
    write(full.filePath(QStringLiteral("A.XML")), "full a");
    write(full.filePath(QStringLiteral("B.XML")), "full b");
    // An existing but empty first folder, as a "System" folder in the current folder may be.
    const QStringList chain{empty.path(), partial.path(), full.path()};
    const QStringList copied = copyMissingTemplates(
        chain, system.path(), {QStringLiteral("A.XML"), QStringLiteral("B.XML"), QStringLiteral("C.XML")});
    EXPECT_EQ(copied, (QStringList{QStringLiteral("A.XML"), QStringLiteral("B.XML")}));
    auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    EXPECT_EQ(read(system.filePath(QStringLiteral("A.XML"))), QByteArray("full a"));
    EXPECT_EQ(read(system.filePath(QStringLiteral("B.XML"))), QByteArray("partial b")); // the first found
    EXPECT_FALSE(QFileInfo::exists(system.filePath(QStringLiteral("C.XML"))));
}

#include "core/tables/Schemas.h"
#include "core/tables/Table.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>

namespace {

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

const QStringList tableFiles{QStringLiteral("FilesInfo.XML"), QStringLiteral("FTPEvents.XML"),
                             QStringLiteral("FTPServers.XML"), QStringLiteral("Permisions.XML")};

} // namespace

using StartupTest = WindowTest;

TEST_F(StartupTest, FirstLaunchCreatesTheDataFolderAndOpensEveryTable) {
    TMyMenuForm& w = openWindow();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    for (const QString& f : tableFiles)
        EXPECT_TRUE(QFileInfo::exists(systemFile(f))) << f.toStdString();
    EXPECT_TRUE(QFileInfo(dataHome.path() + QStringLiteral("/Kaxo/Qelto/Temp")).isDir());
    EXPECT_EQ(QFileInfo(systemFile(QStringLiteral("FTPServers.XML"))).permissions() & 0x0077, 0);

    EXPECT_EQ(w.tables().Permissions->recordCount(), 0);
    EXPECT_EQ(w.tables().FTPEvents->recordCount(), 0);
    const int n = w.tables().FileInfo->recordCount();
    ASSERT_GE(n, 44);
    EXPECT_EQ(w.remoteBrowser().FTPImageList.size(), n);
    for (int row = 0; row < n; ++row)
        EXPECT_EQ(w.tables().FileInfo->value(row, 0).toInt(), row + 1);
    EXPECT_EQ(w.remoteBrowser().FTPImageList.first().size(), QSize(48, 48));
    EXPECT_TRUE(w.remoteBrowser().DirectoryFirst);
    EXPECT_FALSE(w.standBy().StandByMode);
    EXPECT_EQ(w.protocolLog().ClientColor, QColor(128, 128, 64));
    EXPECT_EQ(w.protocolLog().ServerColor, QColor(0, 128, 128));
    // The shipped bookmark.
    ASSERT_EQ(w.tables().FTPServers->recordCount(), 1);
    EXPECT_EQ(w.tables().FTPServers->fieldByName(QStringLiteral("URLAlias")).asString(),
              QStringLiteral("Local demo server"));
    EXPECT_EQ(w.ui()->FTPE001->text(), QStringLiteral("127.0.0.1"));
}

TEST_F(StartupTest, SecondLaunchCopiesNothingAndARemovedFileComesBack) {
    openWindow();
    closeWindow();
    const QByteArray servers = fileHash(systemFile(QStringLiteral("FTPServers.XML")));
    const QDateTime stamp = QFileInfo(systemFile(QStringLiteral("FTPServers.XML"))).lastModified();
    ASSERT_TRUE(QFile::remove(systemFile(QStringLiteral("FTPEvents.XML"))));

    openWindow();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(QFileInfo::exists(systemFile(QStringLiteral("FTPEvents.XML"))));
    closeWindow();
    EXPECT_EQ(fileHash(systemFile(QStringLiteral("FTPServers.XML"))), servers);
    EXPECT_EQ(QFileInfo(systemFile(QStringLiteral("FTPServers.XML"))).lastModified(), stamp);
}

TEST_F(StartupTest, PostedBookmarksSurviveARestartAndAnUnpostedOneIsLost) {
    {
        TMyMenuForm& w = openWindow();
        TTable& servers = *w.tables().FTPServers;
        servers.append();
        servers.fieldByName(QStringLiteral("No")).setAsInteger(2);
        servers.fieldByName(QStringLiteral("URLAlias")).setAsString(QStringLiteral("posted"));
        servers.post();
        servers.append();
        servers.fieldByName(QStringLiteral("URLAlias")).setAsString(QStringLiteral("pending"));
        closeWindow();
    }
    TMyMenuForm& w = openWindow();
    QStringList aliases;
    for (int row = 0; row < w.tables().FTPServers->recordCount(); ++row)
        aliases << w.tables().FTPServers->value(row, 1).toString();
    EXPECT_EQ(aliases, (QStringList{QStringLiteral("Local demo server"), QStringLiteral("posted")}));
}

TEST_F(StartupTest, ACorruptTableFileIsReportedOnceAndLeftUntouched) {
    openWindow();
    closeWindow();
    const QString path = systemFile(QStringLiteral("FTPServers.XML"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("<not-a-table><oops>");
    }
    const QByteArray before = fileHash(path);
    TMyMenuForm& w = openWindow();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(QStringLiteral("FTPServers: "))) << errors.first().toStdString();
    EXPECT_TRUE(w.isVisible());
    // Opening stopped there: the tables after it in the opening order stay closed.
    EXPECT_TRUE(w.tables().Permissions->active());
    EXPECT_FALSE(w.tables().FTPEvents->active());
    EXPECT_FALSE(w.tables().FileInfo->active());
    closeWindow();
    EXPECT_EQ(fileHash(path), before);
}

TEST_F(StartupTest, AMissingTemplateGivesOneErrorAndTheWindowStillShows) {
    // A current folder without templates, and none beside the test program: nothing to copy from.
    QTemporaryDir empty;
    QDir::setCurrent(empty.path());
    QFile::remove(systemFile(QStringLiteral("Permisions.XML")));
    TMyMenuForm& w = openWindow();
    ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_EQ(errors.first(), QStringLiteral("Permissions: Missing data provider or data packet."));
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.tables().FTPServers->active());
}

TEST_F(StartupTest, ADataFolderThatCannotBeCreatedIsReportedOnce) {
    // A file where the folder should be.
    QFile blocker(dataHome.path() + QStringLiteral("/Kaxo"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TMyMenuForm& w = openWindow();
    ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(errors.first().startsWith(QStringLiteral("Cannot create the data folder")));
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.tables().Permissions->active());
}

TEST_F(StartupTest, EveryPageIsThereByName) {
    TMyMenuForm& w = openWindow();
    auto titles = [](QTabWidget* tabs) {
        QStringList list;
        for (int i = 0; i < tabs->count(); ++i)
            list << tabs->tabText(i);
        return list;
    };
    EXPECT_EQ(titles(w.findChild<QTabWidget*>(QStringLiteral("LocalPageControl"))),
              (QStringList{QStringLiteral("Local Files"), QStringLiteral("Net Control"),
                           QStringLiteral("Settings"), QStringLiteral("Console")}));
    EXPECT_EQ(
        titles(w.findChild<QTabWidget*>(QStringLiteral("RzPageControl1"))),
        (QStringList{QStringLiteral("FTP Files"), QStringLiteral("Permissions"), QStringLiteral("History"),
                     QStringLiteral("FTP Servers"), QStringLiteral("Information")}));
    for (const char* name :
         {"SelectPanel", "FTPEventsTable", "RzPanel12", "RzPanel15", "RzPanel7", "RzPanel14", "ProcessEdit",
          "MB003", "MB004", "TimeLabel", "CPUProgress", "FTPOnImage"})
        EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(StartupTest, TheCatalogueIsRenumberedInOrderAndEachIconMatchesItsRow) {
    openWindow();
    closeWindow();
    // Out of order and with gaps: the numbers run backwards in steps of three.
    {
        const TableSpec spec = fileInfoTable();
        TTable catalogue(spec.tableName, spec.fields);
        catalogue.setFileName(systemFile(spec.fileName));
        catalogue.setActive(true);
        const int n = catalogue.recordCount();
        catalogue.first();
        for (int row = 0; row < n; ++row) {
            catalogue.edit();
            catalogue.fields(0).setAsString(QString::number(1000 - 3 * row));
            catalogue.post();
            catalogue.next();
        }
        catalogue.close();
    }
    TMyMenuForm& w = openWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    TTable& catalogue = *w.tables().FileInfo;
    const int n = catalogue.recordCount();
    ASSERT_EQ(w.remoteBrowser().FTPImageList.size(), n);
    catalogue.first();
    for (int p = 0; p < n; ++p) {
        EXPECT_EQ(catalogue.fields(0).asString(), QString::number(p + 1));
        EXPECT_EQ(
            w.remoteBrowser().FTPImageList.at(p).toImage(),
            QPixmap::fromImage(catalogue.fieldByName(QStringLiteral("Pictures48x48")).picture()).toImage())
            << p;
        catalogue.next();
    }
}

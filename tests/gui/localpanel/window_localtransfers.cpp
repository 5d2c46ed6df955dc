// The local side of transfers against a real server: files dropped on the remote list and the local
// header after a download.
#include "core/tables/Table.h"
#include "support/BrowseFixture.h"

#include <QDropEvent>
#include <QMimeData>

class LocalTransfersTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(local.isValid());
    }

    bool jobDone() const {
        return !window->jobQueue().running() && window->tables().FTPEvents->recordCount() == 0;
    }

    // Drags `file` from outside over the remote list and drops it at the item with `caption`.
    void dropOn(const QString& file, const QString& caption) {
        QListWidget* list = window->ui()->FTPFilesList;
        QListWidgetItem* item = listItem(caption);
        ASSERT_NE(item, nullptr) << caption.toStdString();
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list->viewport(), &drop);
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return jobDone() || !errors.isEmpty(); }, std::chrono::seconds(20)));
        EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    }

    QTemporaryDir local;
};

// On a folder's icon the file goes into that folder; on a file's icon into the folder listed.
TEST_F(LocalTransfersTest, AFileDroppedOnAFolderIconGoesIntoThatFolder) {
    QFile f(local.filePath(QStringLiteral("dropped.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("dropped");
    f.close();
    connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();

    dropOn(f.fileName(), QStringLiteral("pub"));
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("pub/dropped.txt"))));
    EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("dropped.txt"))));
    // The listed folder stays the one shown.
    EXPECT_EQ(window->browsingSession().ftp().RetrieveCurrentDir(), QStringLiteral("/"));

    dropOn(f.fileName(), QStringLiteral("b.txt"));
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("dropped.txt"))));
}

// While a download runs the header names the file being written; once it ends, the folder again.
TEST_F(LocalTransfersTest, AfterADownloadComputerDirectoryShowsTheFolder) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    w.localPanel().openFolder(local.path());
    const QString folder = w.localPanel().LocalCurrentDirectory;
    ASSERT_FALSE(folder.isEmpty());
    selectRemote({QStringLiteral("pub"), QStringLiteral("b.txt")});
    w.ui()->LFB008->click();
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return jobDone() || !errors.isEmpty(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    ASSERT_TRUE(QFile::exists(local.filePath(QStringLiteral("b.txt"))));
    EXPECT_EQ(w.ui()->LocalSelectedFile->text(), folder);
}

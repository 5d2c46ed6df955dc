// Downloads and uploads of whole folder trees from the real window against a real server.
#include "core/tables/Table.h"
#include "support/BoxAnswers.h"
#include "support/BrowseFixture.h"

#include <QDialog>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTimer>
#include <unistd.h>

class JobQueueTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(local.isValid());
    }

    bool jobDone() const {
        return !window->jobQueue().running() && window->tables().FTPEvents->recordCount() == 0;
    }

    QByteArray localFile(const QString& relative) const {
        QFile f(local.filePath(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir local;
};

// One file at a time the panel counts the last file's bytes; several at once, the whole job's.
TEST_F(JobQueueTest, DownloadsAFolderTreeAndAFileIntoTheChosenFolder) {
    const struct {
        int simultaneous;
        const char* count;
    } cases[] = {{1, "1500 Byte"}, {4, "1511 Byte"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.simultaneous);
        const QString into = QString::number(c.simultaneous) + u'/';
        ASSERT_TRUE(QDir(local.path()).mkpath(into));
        TMyMenuForm& w = window ? *window : connectWindow();
        ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        w.ui()->SimultaneousTransfers->setValue(c.simultaneous);
        w.localPanel().openFolder(local.filePath(into));
        selectRemote({QStringLiteral("pub"), QStringLiteral("b.txt")});
        w.ui()->LFB008->click();
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return jobDone() || !errors.isEmpty(); }, std::chrono::seconds(20)));
        EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        EXPECT_EQ(localFile(into + QStringLiteral("pub/readme.txt")), QByteArray("read me"));
        EXPECT_EQ(localFile(into + QStringLiteral("pub/x/deep.txt")), QByteArray("deep"));
        EXPECT_EQ(localFile(into + QStringLiteral("b.txt")), QByteArray(1500, 'b'));
        EXPECT_EQ(w.ui()->DownloadProgress->value(), 0);
        EXPECT_EQ(w.ui()->DIL001->text(), QString::fromLatin1(c.count));
        // The remote list shows the folder of the selection again.
        EXPECT_EQ(w.browsingSession().ftp().RetrieveCurrentDir(), QStringLiteral("/"));
    }
}

TEST_F(JobQueueTest, UploadsATreeTwiceReusingTheFoldersAndReplacingTheFiles) {
    QDir(local.path()).mkpath(QStringLiteral("up/sub.d"));
    auto write = [&](const char* name, const QByteArray& data) {
        QFile f(local.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write("up/t.txt", "top");
    write("up/sub.d/s.txt", "sub");
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    // The second upload meets the first one's files: the setting answers the question ahead.
    w.ui()->WhenFileExists->setCurrentText(QStringLiteral("Replace"));
    for (const QByteArray& content : {QByteArray("sub"), QByteArray("changed")}) {
        write("up/sub.d/s.txt", content);
        w.jobQueue().uploadPaths({local.filePath(QStringLiteral("up"))});
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return jobDone() || !errors.isEmpty(); }, std::chrono::seconds(20)));
        EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        QFile uploaded(root.filePath(QStringLiteral("up/sub.d/s.txt")));
        ASSERT_TRUE(uploaded.open(QIODevice::ReadOnly));
        EXPECT_EQ(uploaded.readAll(), content);
    }
    EXPECT_TRUE(listCaptions().contains(QStringLiteral("up"))); // the refresh at the end shows it
}

TEST_F(JobQueueTest, FilesDroppedOnTheRemoteListAreUploaded) {
    QFile f(local.filePath(QStringLiteral("dropped.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("dropped");
    f.close();
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(f.fileName())});
    QWidget* target = w.ui()->FTPFilesList->viewport();
    // Below the items, so into the folder listed (a folder's icon would take them in).
    const QPoint at(5, target->height() - 5);
    ASSERT_EQ(w.ui()->FTPFilesList->itemAt(at), nullptr);
    // Qt hands a drop to the widget that accepted the drag's entry.
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return jobDone() || !errors.isEmpty(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("dropped.txt"))));
}

// pub/loop -> . reads as a folder inside itself on this server: Esc in the job grid ends the list build,
// which would otherwise go on until its depth limit.
TEST_F(JobQueueTest, EscEndsTheListBuildOfAnEndlessTree) {
    ASSERT_EQ(::symlink(".", root.filePath(QStringLiteral("pub/loop")).toLocal8Bit().constData()), 0);
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    openLocal(local.path());
    selectRemote({QStringLiteral("pub")});
    int listings = 0;
    QWidget* grid = w.ui()->FTPEventsTable;
    // The key arrives while the list is being made, the way a user's would.
    QTimer::singleShot(0, grid, [&] {
        ++listings;
        QCoreApplication::postEvent(grid, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    w.ui()->LFB008->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.ui()->ProcessEdit->text() == u"Job cancelled"; },
                                       std::chrono::seconds(20)));
    EXPECT_EQ(listings, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.jobQueue().running());
    EXPECT_FALSE(QFileInfo::exists(local.filePath(QStringLiteral("pub"))));
}

TEST_F(JobQueueTest, AFailingRowStopsTheJobAndKeepsItsRows) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    openLocal(local.path());
    // A file where the folder "pub" must go: the folder row cannot be made.
    QFile blocker(local.filePath(QStringLiteral("pub")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    selectRemote({QStringLiteral("pub"), QStringLiteral("a.txt")});
    w.ui()->LFB008->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !errors.isEmpty(); }, std::chrono::seconds(20)));
    EXPECT_FALSE(w.jobQueue().running());
    TTable& events = *w.tables().FTPEvents;
    ASSERT_GT(events.recordCount(), 0);
    // Nothing was downloaded, and no row says it was.
    for (int row = 0; row < events.recordCount(); ++row)
        EXPECT_NE(events.value(row, 11).toString(), QStringLiteral("Download OK"));
    EXPECT_FALSE(QFile::exists(local.filePath(QStringLiteral("a.txt"))));
}

class SlowJobTest : public JobQueueTest {
protected:
    void SetUp() override {
        JobQueueTest::SetUp();
        writeFile(QStringLiteral("big.bin"), QByteArray(2 * 1024 * 1024, 'x'));
        startServer({QStringLiteral("--max-rate"), QStringLiteral("1000000")});
    }

    void startBigDownload() {
        TMyMenuForm& w = connectWindow();
        ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        openLocal(local.path());
        selectRemote({QStringLiteral("big.bin")});
        w.ui()->LFB008->click();
        ASSERT_TRUE(testsupport::waitUntil([&] { return w.ui()->DIL001->text() != u"0 Byte"; },
                                           std::chrono::seconds(10)));
    }
};

TEST_F(SlowJobTest, AModalDialogDoesNotStallTheTransfer) {
    startBigDownload();
    QDialog dialog(window.get());
    // The dialog stays open until the job is over (or 20 s have passed).
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (jobDone() || clock.elapsed() > 20000) dialog.accept();
    });
    poll.start(50);
    dialog.exec();
    EXPECT_TRUE(jobDone());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(localFile(QStringLiteral("big.bin")).size(), 2 * 1024 * 1024);
}

TEST_F(SlowJobTest, EscCancelsAndLeavesNoPartialFile) {
    startBigDownload();
    QTest::keyClick(window->ui()->FTPEventsTable, Qt::Key_Escape);
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return !window->jobQueue().running(); }, std::chrono::seconds(10)));
    // Stopped by the user: no error box, and the row says so.
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(window->ui()->ProcessEdit->text(), QStringLiteral("Job cancelled"));
    EXPECT_EQ(window->tables().FTPEvents->value(0, 11).toString(), QStringLiteral("Cancelled"));
    // Nothing under the file's name; what came waits in a hidden file, and the next download of the file
    // goes on from it.
    const QStringList kept = QDir(local.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(kept.size(), 1) << kept.join(u' ').toStdString();
    EXPECT_TRUE(kept.first().startsWith(QStringLiteral(".big.bin.part-"))) << kept.first().toStdString();
    const qint64 had = QFileInfo(local.filePath(kept.first())).size();
    EXPECT_GT(had, 0);
    selectRemote({QStringLiteral("big.bin")});
    window->ui()->LFB008->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return jobDone() || !errors.isEmpty(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(localFile(QStringLiteral("big.bin")), QByteArray(2 * 1024 * 1024, 'x'));
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("big.bin")});
}

TEST_F(SlowJobTest, ClosingTheWindowDuringAJobEndsItCleanly) {
    startBigDownload();
    testsupport::BoxAnswers answers("EndJobQuestion");
    answers.queue({QStringLiteral("Enter")}); // the default answer ends the job
    closeWindow();
    // Nothing under the file's name: at most the hidden file a later download goes on from.
    const QStringList left = QDir(local.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_FALSE(left.contains(QStringLiteral("big.bin"))) << left.join(u' ').toStdString();
    for (const QString& name : left)
        EXPECT_TRUE(name.startsWith(QStringLiteral(".big.bin.part-"))) << name.toStdString();
}

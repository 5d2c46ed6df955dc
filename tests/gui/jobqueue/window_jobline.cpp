// Jobs asked for while another runs wait in line under the job grid and start in turn; one that fails
// keeps its error there, without an error box, and does not hold up the rest.
#include "core/tables/Table.h"
#include "support/BrowseFixture.h"

#include <QLabel>
#include <QListWidget>

class JobLineTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(local.isValid() && up.isValid());
        writeFile(QStringLiteral("big.bin"), QByteArray(2 * 1024 * 1024, 'x'));
        writeFile(QStringLiteral("gone.txt"), "soon gone");
        startServer({QStringLiteral("--max-rate"), QStringLiteral("1000000")});
    }

    QStringList lineTexts() const {
        QStringList texts;
        auto* list = window->findChild<QListWidget*>(QStringLiteral("JobLineList"));
        for (int i = 0; list && i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    QString lineLabel() const {
        auto* label = window->findChild<QLabel*>(QStringLiteral("JobLineLabel"));
        return label && label->isVisibleTo(window.get()) ? label->text() : QString();
    }
    QByteArray localFile(const QString& name) const {
        QFile f(local.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    bool allDone() const { return !window->jobQueue().busy() && window->jobQueue().line().waiting() == 0; }

    QTemporaryDir local;
    QTemporaryDir up;
};

TEST_F(JobLineTest, JobsAskedForDuringAJobWaitInLineAndRunInTurn) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    openLocal(local.path());
    selectRemote({QStringLiteral("big.bin")});
    w.ui()->LFB008->click();
    ASSERT_TRUE(w.jobQueue().running());
    // While it runs: a download of a file that will be gone by its turn, a download, an upload and a
    // delete, each put in line instead of refused.
    selectRemote({QStringLiteral("gone.txt")});
    w.ui()->LFB008->click();
    selectRemote({QStringLiteral("b.txt")});
    w.ui()->LFB008->click();
    QFile upFile(up.filePath(QStringLiteral("sent.txt")));
    ASSERT_TRUE(upFile.open(QIODevice::WriteOnly));
    upFile.write("sent");
    upFile.close();
    w.jobQueue().uploadPaths({upFile.fileName()});
    w.jobQueue().setQuestion([](QWidget*, const QString&) { return true; });
    selectRemote({QStringLiteral("a.txt")});
    w.jobQueue().deleteSelection();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(lineTexts(), QStringList({QStringLiteral("Download gone.txt from /"), QStringLiteral("Download b.txt from /"),
                                        QStringLiteral("Upload sent.txt to /"), QStringLiteral("Delete a.txt from /")}));
    EXPECT_EQ(lineLabel(), QStringLiteral("4 jobs in line"));
    QFile::remove(root.filePath(QStringLiteral("gone.txt")));

    ASSERT_TRUE(testsupport::waitUntil([&] { return allDone() || !errors.isEmpty(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(QFileInfo(local.filePath(QStringLiteral("big.bin"))).size(), 2 * 1024 * 1024);
    EXPECT_EQ(QFileInfo(local.filePath(QStringLiteral("b.txt"))).size(), 1500);
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("sent.txt"))));
    EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("a.txt"))));
    // The one whose file was gone waits with its error; the others ran past it.
    const QStringList left = lineTexts();
    ASSERT_EQ(left.size(), 1) << left.join(u"\n").toStdString();
    EXPECT_TRUE(left.first().startsWith(QStringLiteral("Download gone.txt from / - failed: "))) << left.first().toStdString();
    EXPECT_EQ(lineLabel(), QStringLiteral("0 jobs in line, 1 failed"));
    // Retried after the file is back, it runs; then the line is empty and hidden.
    writeFile(QStringLiteral("gone.txt"), "back");
    w.jobQueue().retryInLine(0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return allDone() && w.jobQueue().line().isEmpty(); },
                                       std::chrono::seconds(20)));
    EXPECT_EQ(localFile(QStringLiteral("gone.txt")), QByteArray("back"));
    EXPECT_EQ(lineLabel(), QString());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

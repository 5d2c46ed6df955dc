// A download onto local files that are there already, from the real window: the question with both
// files' facts, and the setting that answers it ahead.
#include "core/tables/Table.h"
#include "gui/common/ExistsQuestion.h"
#include "support/BoxAnswers.h"
#include "support/BrowseFixture.h"

#include <QComboBox>

class WhenExistsTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(local.isValid());
        have("a.txt", "edited");
        have("b.txt", "mine");
    }

    void have(const char* name, const QByteArray& bytes) {
        QFile f(local.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray localFile(const char* name) const {
        QFile f(local.filePath(QString::fromLatin1(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    void downloadBoth(TMyMenuForm& w) {
        w.localPanel().openFolder(local.path());
        selectRemote({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
        w.ui()->LFB008->click();
        ASSERT_TRUE(testsupport::waitUntil(
            [&] {
                return (!w.jobQueue().running() && w.tables().FTPEvents->recordCount() == 0) ||
                       !errors.isEmpty();
            },
            std::chrono::seconds(20)));
        EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    }

    QTemporaryDir local;
};

TEST_F(WhenExistsTest, TheQuestionShowsBothFilesAndEnterReplaces) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    ASSERT_EQ(w.ui()->WhenFileExists->currentText(), QStringLiteral("Ask"));
    w.ui()->SimultaneousTransfers->setValue(2);
    testsupport::BoxAnswers answers(ExistsQuestionName);
    answers.queue(QStringLiteral("a.txt"), QStringLiteral("Enter"));
    answers.queue(QStringLiteral("b.txt"), QStringLiteral("Skip"));
    downloadBoth(w);
    EXPECT_TRUE(answers.allUsed());
    ASSERT_EQ(answers.texts.size(), 2);
    EXPECT_EQ(answers.defaults, QStringList({QStringLiteral("Replace"), QStringLiteral("Replace")}));
    // The local file's size, then the remote one's, each with its date.
    const QString aboutA = answers.texts.filter(QStringLiteral("/a.txt")).value(0);
    EXPECT_TRUE(aboutA.contains(u"there now): 6 Byte, ")) << aboutA.toStdString();
    EXPECT_TRUE(aboutA.contains(u"Remote file: 10 Byte, ")) << aboutA.toStdString();
    EXPECT_EQ(localFile("a.txt"), QByteArray(10, 'a'));
    EXPECT_EQ(localFile("b.txt"), QByteArray("mine"));
}

TEST_F(WhenExistsTest, TheSettingAnswersAheadOfTheQuestion) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    QComboBox* setting = w.ui()->WhenFileExists;
    ASSERT_EQ(setting->count(), 6);
    setting->setCurrentText(QStringLiteral("Rename"));
    testsupport::BoxAnswers answers(ExistsQuestionName);
    downloadBoth(w);
    EXPECT_TRUE(answers.texts.isEmpty());
    EXPECT_EQ(localFile("a.txt"), QByteArray("edited"));
    EXPECT_EQ(localFile("a (1).txt"), QByteArray(10, 'a'));
    EXPECT_EQ(localFile("b (1).txt"), QByteArray(1500, 'b'));
}

TEST_F(WhenExistsTest, AnUploadAsksAboutTheFileTheServerHas) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    testsupport::BoxAnswers answers(ExistsQuestionName);
    answers.queue({QStringLiteral("Skip")});
    w.jobQueue().uploadPaths({local.filePath(QStringLiteral("a.txt"))});
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            return (!w.jobQueue().running() && w.tables().FTPEvents->recordCount() == 0) || !errors.isEmpty();
        },
        std::chrono::seconds(20)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].contains(u"Remote file (there now): 10 Byte, "))
        << answers.texts[0].toStdString();
    EXPECT_TRUE(answers.texts[0].contains(u"Local file: 6 Byte, ")) << answers.texts[0].toStdString();
    QFile kept(root.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray(10, 'a'));
}

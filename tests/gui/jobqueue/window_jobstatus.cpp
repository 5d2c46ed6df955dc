// What the window tells of a job: the Stop button, the rate and the time left, the end text, and the
// question before a close or a disconnect would end a running job; stand-by waits for the job.
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"
#include "support/BoxAnswers.h"
#include "support/BrowseFixture.h"

#include <QRegularExpression>

namespace {

constexpr char EndJobQuestion[] = "EndJobQuestion";

} // namespace

class JobStatusTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        ASSERT_TRUE(local.isValid());
    }

    TMyMenuForm& connected() {
        TMyMenuForm& w = connectWindow();
        EXPECT_TRUE(testsupport::waitUntil([&] { return listItem(QStringLiteral("a.txt")) != nullptr; }));
        openLocal(local.path());
        return w;
    }

    bool idle() const { return !window->jobQueue().running(); }
    QString status() const { return window->ui()->ProcessEdit->text(); }

    QTemporaryDir local;
};

// Two files of 10 and 1500 bytes go down, then up again into a new folder; a delete ends with its own
// text. The texts are written after the remote views were refreshed, so they stay.
TEST_F(JobStatusTest, AJobThatRanThroughSaysWhatItMoved) {
    TMyMenuForm& w = connected();
    selectRemote({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    w.ui()->LFB008->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle() && status().contains(u"finished"); })) << status().toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Download finished: 2 files, 1.5 KByte in \d+ s \(.+/s\)$)"))
                    .match(status())
                    .hasMatch())
        << status().toStdString();

    w.jobQueue().uploadPaths({local.filePath(QStringLiteral("a.txt"))}, QStringLiteral("dir1"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle() && status().startsWith(u"Upload"); })) << status().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Upload finished: 1 file, 10 Byte in \d+ s \(.+/s\)$)"))
                    .match(status())
                    .hasMatch())
        << status().toStdString();

    w.jobQueue().setQuestion([](QWidget*, const QString&) { return true; });
    selectRemote({QStringLiteral("pub")});
    w.ui()->RFS007->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle() && status().startsWith(u"Delete"); })) << status().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Delete finished: 2 files, 2 folders in \d+ s$)"))
                    .match(status())
                    .hasMatch())
        << status().toStdString();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

// A download of 4 MByte at 1 MByte/s.
class SlowJobStatusTest : public JobStatusTest {
protected:
    void SetUp() override {
        JobStatusTest::SetUp();
        writeFile(QStringLiteral("big.bin"), QByteArray(4 * 1024 * 1024, 'x'));
        startServer({QStringLiteral("--max-rate"), QStringLiteral("1000000")});
    }

    TMyMenuForm& startBigDownload() {
        TMyMenuForm& w = connected();
        EXPECT_FALSE(w.ui()->StopJob->isEnabled());
        selectRemote({QStringLiteral("big.bin")});
        w.ui()->LFB008->click();
        EXPECT_TRUE(testsupport::waitUntil([&] { return w.ui()->DIL001->text() != u"0 Byte"; },
                                           std::chrono::seconds(10)));
        return w;
    }

    QString event() const { return window->tables().FTPEvents->value(0, JobField::Event).toString(); }
};

// While bytes flow the status field tells the rate and the time left; Stop ends the job without an error
// box, and the row says it was cancelled.
TEST_F(SlowJobStatusTest, StopEndsTheJobQuietlyAfterTheRateWasShown) {
    TMyMenuForm& w = startBigDownload();
    EXPECT_TRUE(w.ui()->StopJob->isEnabled());
    ASSERT_TRUE(testsupport::waitUntil([&] { return status().endsWith(u" left)"); }, std::chrono::seconds(10)))
        << status().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Start Download \.\.\.  \(\d+(\.\d)? [KM]Byte/s, \d+ s left\)$)"))
                    .match(status())
                    .hasMatch())
        << status().toStdString();
    w.ui()->StopJob->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle(); }, std::chrono::seconds(10)));
    QTest::qWait(100);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(status(), QStringLiteral("Job cancelled"));
    EXPECT_EQ(event(), QStringLiteral("Cancelled"));
    EXPECT_FALSE(w.ui()->StopJob->isEnabled());
    EXPECT_EQ(w.ui()->DownloadProgress->value(), 0);
}

// A failure that is not the user's still gets its error box: the server goes away under the job.
TEST_F(SlowJobStatusTest, AFailureIsStillAnError) {
    startBigDownload();
    server.reset();
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle(); }, std::chrono::seconds(20)));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !errors.isEmpty(); }));
    EXPECT_NE(event(), QStringLiteral("Cancelled"));
}

// "No" keeps the window and the job; the default answer closes and ends the job.
TEST_F(SlowJobStatusTest, ClosingAsksFirstAndNoKeepsTheJob) {
    TMyMenuForm& w = startBigDownload();
    testsupport::BoxAnswers answers(EndJobQuestion);
    answers.queue({QStringLiteral("&No")});
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.jobQueue().running());
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_EQ(answers.texts.first(), QStringLiteral("A job is running. Close the window and end the job?"));
    EXPECT_EQ(answers.defaults.first(), QStringLiteral("&Yes"));
    answers.queue({QStringLiteral("Enter")});
    EXPECT_TRUE(w.close());
    EXPECT_EQ(answers.texts.size(), 2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle(); }, std::chrono::seconds(10)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(SlowJobStatusTest, DisconnectingAsksFirst) {
    TMyMenuForm& w = startBigDownload();
    testsupport::BoxAnswers answers(EndJobQuestion);
    answers.queue({QStringLiteral("&No")});
    w.ui()->EB002->click();
    EXPECT_TRUE(w.jobQueue().running());
    EXPECT_TRUE(w.ui()->EB002->isVisible());
    answers.queue({QStringLiteral("Enter")});
    w.ui()->EB002->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle(); }, std::chrono::seconds(10)));
    ASSERT_EQ(answers.texts.size(), 2);
    EXPECT_EQ(answers.texts.last(), QStringLiteral("A job is running. Disconnect and end the job?"));
    EXPECT_FALSE(w.ui()->EB002->isVisible());
    QTest::qWait(100);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(event(), QStringLiteral("Cancelled"));
}

// The count-down reaching zero during the job does not break it: stand-by comes once the job is over.
TEST_F(SlowJobStatusTest, StandByWaitsForTheJob) {
    TMyMenuForm& w = startBigDownload();
    StandBy& standBy = w.standBy();
    standBy.SleepTime = QTime(0, 0);
    standBy.tick();
    EXPECT_FALSE(standBy.StandByMode);
    EXPECT_TRUE(w.jobQueue().running());
    ASSERT_TRUE(testsupport::waitUntil([&] { return idle(); }, std::chrono::seconds(20)));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(QFileInfo(local.filePath(QStringLiteral("big.bin"))).size(), 4 * 1024 * 1024);
    standBy.SleepTime = QTime(0, 0);
    standBy.tick();
    EXPECT_TRUE(standBy.StandByMode);
}

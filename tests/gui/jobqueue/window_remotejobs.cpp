// Cut, copy, paste and delete of remote folder trees from the real window against a real server.
#include "core/base/DataFolder.h"
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"
#include "gui/common/ReplaceQuestion.h"
#include "support/BoxAnswers.h"
#include "support/BrowseFixture.h"

class RemoteJobsTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        QDir(root.path()).mkpath(QStringLiteral("dst"));
    }

    // Ends when the job is over or something went wrong.
    void waitForJob() {
        ASSERT_TRUE(testsupport::waitUntil(
            [&] {
                return (!window->jobQueue().running() && window->tables().FTPEvents->recordCount() == 0) ||
                       !errors.isEmpty();
            },
            std::chrono::seconds(20)));
    }

    QStringList events(int field) const {
        QStringList values;
        TTable* table = window->tables().FTPEvents;
        for (int row = 0; row < table->recordCount(); ++row)
            values << table->value(row, field).toString();
        return values;
    }

    void key(QKeySequence::StandardKey standard) {
        QListWidget* list = window->ui()->FTPFilesList;
        list->setFocus();
        const QKeySequence sequence(standard);
        QTest::keyClick(list, Qt::Key(sequence[0].key()), sequence[0].keyboardModifiers());
    }

    QString file(const char* relative) const {
        QFile f(root.filePath(QString::fromUtf8(relative)));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<missing>");
    }
};

TEST_F(RemoteJobsTest, CopyThenPasteElsewhereCopiesTheTreeAndLeavesTempEmpty) {
    TMyMenuForm& w = connectWindow();
    // Paste with nothing copied only lists the folder again.
    w.ui()->RFS006->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(w.tables().FTPEvents->recordCount(), 0);

    selectRemote({QStringLiteral("pub")});
    w.ui()->RFS005->click();
    EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::Copy);
    EXPECT_EQ(events(JobField::Event), QStringList({QStringLiteral("-"), QStringLiteral("Copy Ready"),
                                                    QStringLiteral("-"), QStringLiteral("Copy Ready")}));
    // A title click sorts the grid; the copy still goes in list order.
    w.ui()->FTPEventsTable->horizontalHeader()->sectionClicked(10);
    w.remoteBrowser().showFolder(QStringLiteral("/dst"));
    w.ui()->RFS006->click();
    waitForJob();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(file("dst/pub/readme.txt"), QStringLiteral("read me"));
    EXPECT_EQ(file("dst/pub/x/deep.txt"), QStringLiteral("deep"));
    EXPECT_EQ(file("pub/x/deep.txt"), QStringLiteral("deep"));
    EXPECT_TRUE(QDir(dataTempFolder()).isEmpty());
    EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::None);
    EXPECT_EQ(listCaptions(), QStringList({QStringLiteral("pub")}));
}

TEST_F(RemoteJobsTest, CutThenPasteWithTheKeysMovesTheFilesIntoAnotherFolderOnly) {
    TMyMenuForm& w = connectWindow();
    selectRemote({QStringLiteral("pub"), QStringLiteral("a.txt")});
    key(QKeySequence::Cut);
    EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::Cut);
    EXPECT_TRUE(events(JobField::Event).contains(QStringLiteral("Move Ready")));
    // Pasting where the entries are would move them onto themselves.
    key(QKeySequence::Paste);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("in this folder")));
    errors.clear();
    EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::Cut);

    w.remoteBrowser().showFolder(QStringLiteral("/dst"));
    key(QKeySequence::Paste);
    waitForJob();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(file("dst/pub/readme.txt"), QStringLiteral("read me"));
    EXPECT_EQ(file("dst/pub/x/deep.txt"), QStringLiteral("deep"));
    EXPECT_EQ(file("dst/a.txt"), QString(10, u'a'));
    // The source folders stay, emptied of the moved files.
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("pub/x"))).isEmpty());
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("pub"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("x")}));
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("a.txt"))));
}

TEST_F(RemoteJobsTest, DeleteAsksNamingWhatGoesAndRunsOnlyWhenAgreed) {
    TMyMenuForm& w = connectWindow();
    QStringList questions;
    bool answer = false;
    w.jobQueue().setQuestion([&](QWidget*, const QString& text) {
        questions << text;
        return answer;
    });
    selectRemote({QStringLiteral("pub"), QStringLiteral("a.txt")});
    key(QKeySequence::Delete);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions.first(),
              QStringLiteral("Delete 3 files and 2 folders from the server? This cannot be undone."));
    EXPECT_TRUE(QFileInfo::exists(root.filePath(QStringLiteral("pub/x/deep.txt"))));
    EXPECT_EQ(w.tables().FTPEvents->recordCount(), 0);

    answer = true;
    selectRemote({QStringLiteral("pub"), QStringLiteral("a.txt")});
    w.ui()->RFS007->click();
    waitForJob();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("pub"))));
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("a.txt"))));
    EXPECT_FALSE(listCaptions().contains(QStringLiteral("pub")));
    EXPECT_TRUE(listCaptions().contains(QStringLiteral("b.txt")));
}

TEST_F(RemoteJobsTest, AListCopiedOnOneServerIsNotPastedOnAnother) {
    TMyMenuForm& w = connectWindow();
    selectRemote({QStringLiteral("pub")});
    w.ui()->RFS005->click();
    ASSERT_EQ(w.jobQueue().pendingPaste(), JobKind::Copy);
    QTemporaryDir otherRoot;
    testsupport::PyFtpServer other(otherRoot.path());
    w.ui()->FTPE004->setText(QString::number(other.port()));
    w.ui()->EB001->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.browsingSession().isOpen(); }));
    w.ui()->RFS006->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().contains(QStringLiteral("cut or copy them again")))
        << errors.first().toStdString();
    EXPECT_TRUE(QDir(otherRoot.path()).isEmpty());
    EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::None);
}

// A copy written onto what it is copied from loses it when the transfer breaks off: pasting into the
// source folder, or into a copied folder, is refused as a cut there is, and the list waits for a paste
// elsewhere.
TEST_F(RemoteJobsTest, ACopyIsNotPastedOntoItsOwnSource) {
    TMyMenuForm& w = connectWindow();
    selectRemote({QStringLiteral("pub"), QStringLiteral("a.txt")});
    w.ui()->RFS005->click();
    const QStringList ready = events(JobField::Event);
    struct Case {
        const char* folder;
        const char* error;
    } cases[] = {
        {"/", "The copied entries are in this folder: open the folder to copy them to, then paste."},
        {"/pub",
         "This folder is inside the copied folder /pub: open the folder to copy them to, then paste."},
        {"/pub/x",
         "This folder is inside the copied folder /pub: open the folder to copy them to, then paste."},
    };
    for (const Case& c : cases) {
        errors.clear();
        w.remoteBrowser().showFolder(QString::fromUtf8(c.folder));
        w.ui()->RFS006->click();
        EXPECT_EQ(errors.join(u'\n'), QString::fromUtf8(c.error)) << c.folder;
        EXPECT_FALSE(w.jobQueue().running());
        EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::Copy);
        EXPECT_EQ(events(JobField::Event), ready);
    }
    EXPECT_EQ(file("a.txt"), QString(10, u'a'));
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("pub"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("readme.txt"), QStringLiteral("x")}));

    errors.clear();
    w.remoteBrowser().showFolder(QStringLiteral("/dst"));
    w.ui()->RFS006->click();
    waitForJob();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(file("dst/a.txt"), QString(10, u'a'));
    EXPECT_EQ(file("dst/pub/x/deep.txt"), QStringLiteral("deep"));
}

// Each pasted file whose name the folder's listing shows as a file is put to the user: Replace (the
// default) as before, Skip leaves that file out, Cancel pastes nothing. A folder meeting a name there
// still stops the job at that folder, before any file moves.
TEST_F(RemoteJobsTest, PastingOntoListedFilesAsksForEachOne) {
    writeFile(QStringLiteral("dst/a.txt"), "old a");
    writeFile(QStringLiteral("dst/b.txt"), "old b");
    TMyMenuForm& w = connectWindow();
    testsupport::BoxAnswers answers(ReplaceQuestionName);
    const QString bold = QStringLiteral("<b>bold&amp;.txt");
    selectRemote({QStringLiteral("a.txt"), QStringLiteral("b.txt"), bold});
    w.ui()->RFS005->click();
    w.remoteBrowser().showFolder(QStringLiteral("/dst"));

    answers.queue({QStringLiteral("Cancel")});
    w.ui()->RFS006->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(answers.allUsed());
    ASSERT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.texts[0].startsWith(QStringLiteral("This folder already holds a file \"")));
    EXPECT_TRUE(answers.texts[0].endsWith(QStringLiteral(".txt\". Replace it with the one being copied?")));
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("Nothing pasted"));
    EXPECT_FALSE(w.jobQueue().running());
    EXPECT_EQ(w.jobQueue().pendingPaste(), JobKind::Copy);
    EXPECT_EQ(file("dst/a.txt"), QStringLiteral("old a"));
    EXPECT_EQ(file("dst/b.txt"), QStringLiteral("old b"));
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("dst/") + bold)));

    answers.queue(QStringLiteral("\"a.txt\""), QStringLiteral("Skip"));
    answers.queue(QStringLiteral("\"b.txt\""), QStringLiteral("Enter"));
    w.ui()->RFS006->click();
    waitForJob();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(answers.texts.size(), 3);
    EXPECT_EQ(answers.defaults, QStringList(3, QStringLiteral("Replace")));
    EXPECT_EQ(file("dst/a.txt"), QStringLiteral("old a"));
    EXPECT_EQ(file("dst/b.txt"), QString(1500, u'b'));
    EXPECT_EQ(file("dst/<b>bold&amp;.txt"), QStringLiteral("x"));

    // A cut likewise: the skipped file stays where it was, the rest moves.
    w.remoteBrowser().showFolder(QStringLiteral("/"));
    selectRemote({QStringLiteral("pub"), QStringLiteral("a.txt")});
    w.ui()->RFS004->click();
    w.remoteBrowser().showFolder(QStringLiteral("/dst"));
    answers.queue({QStringLiteral("Skip")});
    w.ui()->RFS006->click();
    waitForJob();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(answers.texts.size(), 4);
    EXPECT_EQ(file("a.txt"), QString(10, u'a'));
    EXPECT_EQ(file("dst/a.txt"), QStringLiteral("old a"));
    EXPECT_EQ(file("dst/pub/readme.txt"), QStringLiteral("read me"));

    // The emptied /pub again, onto /dst/pub: no question, the folder stops the job.
    w.remoteBrowser().showFolder(QStringLiteral("/"));
    selectRemote({QStringLiteral("pub")});
    w.ui()->RFS005->click();
    w.remoteBrowser().showFolder(QStringLiteral("/dst"));
    w.ui()->RFS006->click();
    waitForJob();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(answers.texts.size(), 4);
    EXPECT_EQ(file("dst/pub/readme.txt"), QStringLiteral("read me"));
    EXPECT_TRUE(answers.allUsed());
}

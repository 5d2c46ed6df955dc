// Rename, new folder and permissions from the real window against a real server.
#include "core/tables/Table.h"
#include "gui/common/ReplaceQuestion.h"
#include "gui/remoteops/RemoteOperations.h"
#include "support/BoxAnswers.h"
#include "support/BrowseFixture.h"
#include "support/ScriptedWindow.h"

#include <QLineEdit>
#include <sys/stat.h>

class RemoteOperationsTest : public BrowseTest {
protected:
    // The caption editor the list shows, once it is there.
    QLineEdit* editor() const {
        QLineEdit* line = nullptr;
        // Closed editors linger, hidden, until deferred deletion runs.
        testsupport::waitUntil([&] {
            for (QLineEdit* candidate : window->ui()->FTPFilesList->findChildren<QLineEdit*>())
                if (candidate->isVisible()) line = candidate;
            return line != nullptr;
        });
        return line;
    }

    // Types `text` into the open caption editor and ends the edit with `key`.
    void finishEdit(const QString& text, Qt::Key key = Qt::Key_Return) {
        QLineEdit* line = editor();
        ASSERT_NE(line, nullptr);
        line->setText(text);
        QTest::keyClick(line, key);
    }

    bool hasItem(const QString& caption) const { return listItem(caption) != nullptr; }

    int mode(const char* relative) const {
        struct stat st {};
        return ::stat(root.filePath(QString::fromUtf8(relative)).toLocal8Bit().constData(), &st) == 0
                   ? int(st.st_mode & 07777)
                   : -1;
    }
};

TEST_F(RemoteOperationsTest, NewFolderIsCreatedEnteredAndListedOrDroppedWithEscape) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    RemoteOperations& ops = w.remoteOperations();

    // Escape leaves nothing behind: no item, no pending creation.
    w.ui()->RFS001->click();
    ASSERT_TRUE(hasItem(QStringLiteral("New")));
    EXPECT_TRUE(ops.CreateFTPDir);
    finishEdit(QStringLiteral("ignored"), Qt::Key_Escape);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !hasItem(QStringLiteral("New")); }));
    EXPECT_FALSE(ops.CreateFTPDir);

    w.ui()->RFS001->click();
    finishEdit(QStringLiteral("docs"));
    ASSERT_TRUE(testsupport::waitUntil([&] { return hasItem(QStringLiteral("docs")) || !errors.isEmpty(); }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(QFileInfo(root.filePath(QStringLiteral("docs"))).isDir());
    EXPECT_FALSE(hasItem(QStringLiteral("New")));
    EXPECT_FALSE(ops.CreateFTPDir);
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral(" Create New FTP Directory: /docs"));
    EXPECT_EQ(w.browsingSession().ftp().RetrieveCurrentDir(), QStringLiteral("/"));

    // The next one counts the captions holding "New": none yet, so "New" again; then New_1.
    w.ui()->RFS001->click();
    finishEdit(QStringLiteral("New"));
    ASSERT_TRUE(
        testsupport::waitUntil([&] { return QFileInfo(root.filePath(QStringLiteral("New"))).isDir(); }));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !ops.CreateFTPDir; }));
    w.ui()->RFS001->click();
    EXPECT_TRUE(hasItem(QStringLiteral("New_1")));
    finishEdit(QString(), Qt::Key_Escape);
}

TEST_F(RemoteOperationsTest, ARefusedFolderKeepsTheProvisionalItemAndTheStatusSaysWhy) {
    TMyMenuForm& w = connectWindow();
    w.ui()->RFS001->click();
    finishEdit(QStringLiteral("dir1")); // already there
    ASSERT_TRUE(testsupport::waitUntil([&] { return !errors.isEmpty(); }));
    EXPECT_TRUE(w.ui()->ProcessEdit->text().startsWith(QStringLiteral("Create folder refused: ")))
        << w.ui()->ProcessEdit->text().toStdString();
    EXPECT_TRUE(w.remoteOperations().CreateFTPDir);
    // The item is still the provisional one: a second edit abandoned with Escape drops it.
    QListWidget* list = w.ui()->FTPFilesList;
    int provisional = 0;
    for (int i = 0; i < list->count(); ++i)
        provisional += list->item(i)->text() == u"dir1";
    EXPECT_EQ(provisional, 2);
    list->editItem(list->item(list->count() - 1));
    finishEdit(QString(), Qt::Key_Escape);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !w.remoteOperations().CreateFTPDir; }));
    EXPECT_EQ(list->findItems(QStringLiteral("dir1"), Qt::MatchExactly).size(), 1);
}

TEST_F(RemoteOperationsTest, RenameSendsTheNewNameAndRefusalsStayInTheStatus) {
    TMyMenuForm& w = connectWindow();
    testsupport::BoxAnswers answers(ReplaceQuestionName);
    answers.queue({QStringLiteral("Replace")}); // the folder pub is listed: asked, then refused
    QListWidget* list = w.ui()->FTPFilesList;
    struct Case {
        const char* from;
        const char* to;
        const char* status;  // start of the status text; empty: an error
        const char* renamed; // on the server afterwards
    } cases[] = {
        {"a.txt", "c.txt", " Rename: a.txt To: c.txt", "c.txt"},
        {"b.txt", "pub", "Rename refused: ", "b.txt"}, // onto a folder
        {"b.txt", "../escaped.txt", "", "b.txt"},
        {"b.txt", "", "", "b.txt"},
    };
    for (const Case& c : cases) {
        errors.clear();
        list->clearSelection();
        QListWidgetItem* item = listItem(QString::fromUtf8(c.from));
        ASSERT_NE(item, nullptr) << c.from;
        item->setSelected(true);
        w.ui()->RFS002->click();
        finishEdit(QString::fromUtf8(c.to));
        ASSERT_TRUE(testsupport::waitUntil([&] { return !w.remoteOperations().RenameFTPObject; })) << c.to;
        ASSERT_TRUE(testsupport::waitUntil([&] { return hasItem(QString::fromUtf8(c.renamed)); })) << c.to;
        if (*c.status) {
            EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
            EXPECT_TRUE(w.ui()->ProcessEdit->text().startsWith(QString::fromUtf8(c.status)))
                << w.ui()->ProcessEdit->text().toStdString();
        } else {
            EXPECT_EQ(errors.size(), 1) << c.to;
        }
        EXPECT_TRUE(QFileInfo::exists(root.filePath(QString::fromUtf8(c.renamed)))) << c.to;
    }
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("a.txt"))));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(root.path()).path() + QStringLiteral("/escaped.txt")));
    EXPECT_EQ(answers.texts.size(), 1);
    EXPECT_TRUE(answers.allUsed());
}

// A rename onto a name the listing shows is put to the user; only Replace (the default) renames.
TEST_F(RemoteOperationsTest, RenameOntoAListedNameAsksAndOnlyReplaceRenames) {
    TMyMenuForm& w = connectWindow();
    testsupport::BoxAnswers answers(ReplaceQuestionName);
    QListWidget* list = w.ui()->FTPFilesList;
    const QByteArray a(10, 'a'), b(1500, 'b');
    auto content = [&](const char* name) {
        QFile f(root.filePath(QString::fromUtf8(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    struct Case {
        const char* answer;
        bool f2; // the edit started with F2 in the list, else with the rename button
        QByteArray a, b;
        const char* status;
    } cases[] = {
        {"Skip", false, a, b, "Not renamed: a.txt"},
        {"Cancel", true, a, b, "Not renamed: a.txt"},
        {"Enter", true, "<missing>", a, " Rename: a.txt To: b.txt"},
    };
    for (const Case& c : cases) {
        answers.queue({QString::fromUtf8(c.answer)});
        selectRemote({QStringLiteral("a.txt")});
        if (c.f2) {
            list->setCurrentItem(listItem(QStringLiteral("a.txt")));
            list->setFocus();
            QTest::keyClick(list, Qt::Key_F2);
        } else {
            w.ui()->RFS002->click();
        }
        finishEdit(QStringLiteral("b.txt"));
        ASSERT_TRUE(testsupport::waitUntil([&] {
            return answers.allUsed() && !w.remoteOperations().RenameFTPObject;
        })) << c.answer;
        EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        EXPECT_EQ(content("a.txt"), c.a) << c.answer;
        EXPECT_EQ(content("b.txt"), c.b) << c.answer;
        EXPECT_EQ(w.ui()->ProcessEdit->text(), QString::fromUtf8(c.status)) << c.answer;
        // The list shows the server's names again.
        EXPECT_EQ(hasItem(QStringLiteral("a.txt")), c.a == a) << c.answer;
        EXPECT_EQ(list->findItems(QStringLiteral("b.txt"), Qt::MatchExactly).size(), 1) << c.answer;
    }
    ASSERT_EQ(answers.texts.size(), 3);
    EXPECT_EQ(answers.texts.first(),
              QStringLiteral("This folder already holds \"b.txt\". Replace it with \"a.txt\"?"));
    EXPECT_EQ(answers.defaults, QStringList(3, QStringLiteral("Replace")));
}

TEST_F(RemoteOperationsTest, ApplySendsTheBoxesForTheCurrentRowAndATreeChangesEverythingBelow) {
    ASSERT_TRUE(QFile::setPermissions(root.filePath(QStringLiteral("a.txt")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    TMyMenuForm& w = connectWindow();
    auto* ui = w.ui();
    selectGridRow(QStringLiteral("a.txt"));
    EXPECT_EQ(ui->FTPFileNameLabel->text(), QStringLiteral("a.txt"));
    EXPECT_EQ(ui->FTPTypeLabel->text(), QStringLiteral("File"));
    // This server lists rights letters unless asked for the mode, which it offers: the page shows the
    // entry's real mode.
    EXPECT_TRUE(
        ui->DebugEdit->toPlainText().contains(QStringLiteral("OPTS MLST type;size;modify;unix.mode;")))
        << ui->DebugEdit->toPlainText().toStdString();
    EXPECT_EQ(ui->RzDBLabel1->text(), QStringLiteral("-rw-r-----"));
    EXPECT_EQ(ui->FTPPermissions->text(), QStringLiteral("640"));
    // Boxes to octal text, and the text to the server.
    for (QCheckBox* box : {ui->CheckBox11, ui->CheckBox12, ui->CheckBox13, ui->CheckBox21, ui->CheckBox22,
                           ui->CheckBox23, ui->CheckBox31, ui->CheckBox32, ui->CheckBox33})
        box->setChecked(false);
    EXPECT_EQ(ui->FTPPermissions->text(), QStringLiteral("000"));
    ui->CheckBox11->click();
    ui->CheckBox12->click();
    ui->CheckBox21->click();
    ui->CheckBox32->click();
    EXPECT_EQ(ui->FTPPermissions->text(), QStringLiteral("642"));
    ui->ApplayPermissionsButton->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(mode("a.txt"), 0642);
    EXPECT_EQ(ui->ProcessEdit->text(), QStringLiteral("Permissions 642: a.txt"));
    // The refresh keeps the entry current, and the page shows its new mode.
    EXPECT_EQ(ui->FTPFileNameLabel->text(), QStringLiteral("a.txt"));
    EXPECT_EQ(ui->RzDBLabel1->text(), QStringLiteral("-rw-r---w-"));
    EXPECT_EQ(ui->FTPPermissions->text(), QStringLiteral("642"));

    // A whole tree: files 640, folders 750.
    selectGridRow(QStringLiteral("pub"));
    for (QCheckBox* box : {ui->CheckBox11, ui->CheckBox12, ui->CheckBox13, ui->CheckBox21, ui->CheckBox22,
                           ui->CheckBox23, ui->CheckBox31, ui->CheckBox32, ui->CheckBox33})
        box->setChecked(false);
    for (QCheckBox* box : {ui->CheckBox11, ui->CheckBox12, ui->CheckBox21})
        box->click();
    ui->RzCheckBox14->setChecked(true);
    ui->ApplayPermissionsButton->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    for (const char* path : {"pub/readme.txt", "pub/x/deep.txt"})
        EXPECT_EQ(mode(path), 0640) << path;
    for (const char* path : {"pub", "pub/x"})
        EXPECT_EQ(mode(path), 0750) << path;
    EXPECT_EQ(ui->ProcessEdit->text(), QStringLiteral("Permissions 640: pub and 3 entries below it"));
}

// A server that lists rights letters ("perm" facts) and offers no mode: the boxes cannot show what is
// set, and an untouched Apply, which would clear it all, sends nothing.
TEST_F(ListingTest, AnUntouchedApplyOnAServerWithoutModesSendsNothing) {
    const QStringList lines{QStringLiteral("type=file;size=5;modify=20240102030405;perm=adfrw; doc")};
    connectTo(lines);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    auto* ui = window->ui();
    EXPECT_EQ(ui->RzDBLabel1->text(), QStringLiteral("adfrw"));
    EXPECT_EQ(ui->FTPPermissions->text(), QStringLiteral("000"));
    ui->ApplayPermissionsButton->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith(QStringLiteral("The server does not tell the permissions of doc")))
        << errors.first().toStdString();
    window.reset();
    EXPECT_TRUE(server->session().filter(QStringLiteral("SITE")).isEmpty())
        << server->session().join(u'|').toStdString();
}

// A server that lists modes: an untouched Apply sends the mode the entry has, special bits included,
// and a refusal stays in the status field after the refresh.
TEST_F(ListingTest, AnUntouchedApplyKeepsTheSpecialBitsAndARefusalStaysInTheStatus) {
    const QStringList lines{QStringLiteral("type=file;size=5;modify=20240102030405;unix.mode=4755; prog")};
    QStringList after{QStringLiteral("C PWD"), QStringLiteral("S 257 \"/\""),
                      QStringLiteral("C SITE CHMOD 4755 prog"), QStringLiteral("S 550 Not permitted")};
    after << scripted::listingPass(lines) << scripted::listingPass(lines) << QStringLiteral("P 5");
    connectTo(lines, {}, {}, after);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    auto* ui = window->ui();
    EXPECT_EQ(ui->RzDBLabel1->text(), QStringLiteral("-rwsr-xr-x"));
    EXPECT_TRUE(ui->CheckBox13->isChecked());
    EXPECT_EQ(ui->FTPPermissions->text(), QStringLiteral("4755"));
    ui->ApplayPermissionsButton->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(ui->ProcessEdit->text(), QStringLiteral("SITE CHMOD refused: prog: Not permitted"));
    window.reset();
    EXPECT_TRUE(server->session().contains(QStringLiteral("SITE CHMOD 4755 prog")))
        << server->session().join(u'|').toStdString();
}

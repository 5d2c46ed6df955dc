// The history page: editing on and off, and saving the transcript through the folder picker.
#include "gui/cpumonitor/ProcessorMonitor.h"
#include "gui/history/History.h"
#include "gui/history/LocalForm.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QFile>
#include <QProcess>
#include <QProgressBar>
#include <QTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

class HistoryTest : public WindowTest {
protected:
    TLocalForm& openPicker() {
        TMyMenuForm& w = window ? *window : openWindow();
        TLocalForm& picker = w.history().picker();
        picker.setQuestion([this](QWidget*, const QString& text) {
            questions << text;
            return true;
        });
        w.ui()->HEB001->click();
        return picker;
    }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    QStringList questions;
};

TEST_F(HistoryTest, EditingSwitchesAndLaterTrafficStillEndsTheTranscript) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    w.protocolLog().logSent(QStringLiteral("NOOP<EOL>"));
    QPlainTextEdit* pane = ui->HistoryEdit;
    const QString before = pane->toPlainText();

    pane->selectAll();
    ui->HEB008->click(); // read-only: nothing is deleted
    EXPECT_EQ(pane->toPlainText(), before);

    ui->HEB002->click();
    EXPECT_EQ(ui->HEL001->text(), QStringLiteral("Edit ON"));
    pane->selectAll();
    ui->HEB008->click();
    QTest::keyClicks(pane, QStringLiteral("note"));
    ui->HEB002->click();
    EXPECT_EQ(ui->HEL001->text(), QStringLiteral("Edit OFF"));
    EXPECT_TRUE(pane->isReadOnly());

    w.protocolLog().logReceived(QStringLiteral("200 fine<EOL>"));
    const QStringList lines = pane->toPlainText().split(u'\n');
    EXPECT_EQ(lines.first(), QStringLiteral("note"));
    EXPECT_TRUE(lines.contains(QStringLiteral("200 fine")));
}

TEST_F(HistoryTest, SaveWritesRtfIntoTheChosenFolderAndReplacesAfterAsking) {
    TMyMenuForm& w = openWindow();
    w.protocolLog().logSent(QStringLiteral("CWD /caf\u00e9<EOL>"));
    TLocalForm& picker = openPicker();
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(w.processorMonitor().CPUTimer->isActive()); // the picker has the processor display
    ASSERT_TRUE(picker.ControlTimer->isActive());
    emit picker.ControlTimer->timeout({});
    EXPECT_EQ(picker.CPULabel->text(), QString::number(picker.CPUProgress->value()) + u'%');
    EXPECT_EQ(picker.FileNameEdit->text(), QStringLiteral("Report"));

    picker.RzBmpButton3->click(); // no folder chosen yet: nothing happens
    EXPECT_TRUE(picker.ProcessEdit->text().isEmpty());

    picker.chooseFolder(folder.path());
    EXPECT_EQ(picker.ProcessEdit->text(), folder.path());
    picker.FileNameEdit->setText(QStringLiteral("history.rtf"));
    picker.RzBmpButton3->click();
    const QString path = folder.filePath(QStringLiteral("history.rtf"));
    EXPECT_EQ(picker.ProcessEdit->text(), path);
    const QByteArray first = read(path);
    EXPECT_TRUE(first.startsWith("{\\rtf1")) << first.constData();
    EXPECT_TRUE(first.contains("CWD /caf\\'e9")) << first.constData();
    EXPECT_TRUE(questions.isEmpty());

    w.protocolLog().logReceived(QStringLiteral("250 ok<EOL>"));
    picker.RzBmpButton3->click();
    EXPECT_EQ(questions.size(), 1);
    const QByteArray second = read(path);
    EXPECT_TRUE(second.contains("250 ok"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("history.rtf")});
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();

    // unrtf reads the file back.
    QProcess unrtf;
    unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--text"), path});
    ASSERT_TRUE(unrtf.waitForFinished(20000));
    EXPECT_TRUE(unrtf.readAllStandardOutput().contains("250 ok"));

    picker.RzBmpButton5->click();
    EXPECT_FALSE(picker.isVisible());
    EXPECT_TRUE(w.processorMonitor().CPUTimer->isActive());
    EXPECT_FALSE(picker.ControlTimer->isActive());
}

TEST_F(HistoryTest, AFailedSaveReportsTheSystemTextAndKeepsThePickerOpen) {
    QFile plain(folder.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    TLocalForm& picker = openPicker();
    picker.chooseFolder(folder.filePath(QStringLiteral("plain/sub")));
    picker.RzBmpButton3->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_FALSE(errors.first().isEmpty());
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("plain/sub/Report.rtf"))));
}

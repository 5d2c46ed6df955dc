// The console page against an exact server conversation: the lines sent, the echo and the report.
#include "core/ftp/FtpSession.h"
#include "gui/console/Console.h"
#include "support/FtpTestSupport.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QTest>
#include <QTextBlock>

namespace {

QStringList consoleLogin() {
    return ftptest::ss({"S 220 scripted", "C HOST [127.0.0.1]", "S 500 no", "C USER demo", "S 331 password",
                        "C PASS demo", "S 230 in", "C FEAT", "S 211-Features:", "S  MLSD", "S 211 End",
                        "C TYPE I", "S 200 ok", "C SYST", "S 215 UNIX", "C TYPE I", "S 200 ok"});
}

QString mlsd(const char* type, const char* name, qint64 size) {
    return QStringLiteral("type=%1;size=%2;modify=20110503140509;UNIX.mode=0644; %3")
        .arg(QLatin1String(type))
        .arg(size)
        .arg(QLatin1String(name));
}

} // namespace

class ConsoleTest : public WindowTest {
protected:
    TMyMenuForm& fillConnectBar(quint16 port) {
        TMyMenuForm& w = openWindow();
        w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
        w.ui()->FTPE002->setText(QStringLiteral("demo"));
        w.ui()->FTPE003->setText(QStringLiteral("demo"));
        w.ui()->FTPE004->setText(QString::number(port));
        return w;
    }

    void type(const char* line) {
        window->ui()->CMDEdit->setText(QString::fromUtf8(line));
        QTest::keyClick(window->ui()->CMDEdit, Qt::Key_Return);
    }

    QStringList paneLines() const { return window->ui()->ConsoleEdit->toPlainText().split(u'\n'); }

    QColor colourOfLine(const QString& text) const {
        for (QTextBlock b = window->ui()->ConsoleEdit->document()->begin(); b.isValid(); b = b.next())
            if (b.text() == text && b.begin() != b.end())
                return b.begin().fragment().charFormat().foreground().color();
        return {};
    }
};

TEST_F(ConsoleTest, CommandsReportAndEcho) {
    QStringList script = consoleLogin();
    script << ftptest::ss({"C NOOP", "S 200 ok", "C CWD /Pub", "S 250 ok", "C STAT", "S 150 gathering",
                           "S 211 status", "C EPSV = TRUE", "S 500 unknown",
                           "C PWD", "S 257 \"/Pub\"", "C CWD /Pub", "S 250 ok", "L", "C PASV",
                           "S 227 Entering Passive Mode ({pasv})", "C MLSD", "S 150 listing", "A"});
    for (const QString& line :
         {mlsd("dir", "sub", 0), mlsd("file", "a.txt", 999), mlsd("file", "b.txt", 1000),
          mlsd("file", "c.txt", 999999), mlsd("file", "d.bin", 1000000)})
        script << QStringLiteral("D ") + line + QStringLiteral("\\r\\n");
    script << ftptest::ss({"DX", "S 226 done", "C PWD", "S 257 \"/Pub\"", "C *", "S 221 bye"});
    ftptest::ScriptedServer server(script);
    TMyMenuForm& w = fillConnectBar(server.port());
    const auto* ui = w.ui();
    EXPECT_EQ(ui->CL001->text(), QStringLiteral("Connect"));

    ui->CB001->click();
    ASSERT_TRUE(w.console().ConsoleFTP().isOpen()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(ui->CL001->text(), QStringLiteral("Disconnect"));
    EXPECT_FALSE(ui->CB001->isVisibleTo(ui->ConsolePage));
    EXPECT_TRUE(ui->CB002->isVisibleTo(ui->ConsolePage));
    EXPECT_TRUE(ui->CEB007->isEnabled());

    type("noop");
    type("cwd /Pub");
    type("stat"); // its final reply is read before the next command goes out
    type("");
    type("pasv");
    type("list");
    EXPECT_TRUE(ui->CMDEdit->text().isEmpty());
    type("quit");
    EXPECT_FALSE(w.console().ConsoleFTP().isOpen());
    EXPECT_EQ(ui->CL001->text(), QStringLiteral("Connect"));
    EXPECT_FALSE(ui->CEB003->isEnabled());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();

    const QStringList sent = server.session(0);
    const QStringList expected =
        ftptest::ss({"HOST [127.0.0.1]", "USER demo", "PASS demo", "FEAT", "TYPE I", "SYST", "TYPE I", "NOOP",
                     "CWD /Pub", "STAT", "EPSV = TRUE", "PWD", "CWD /Pub", "PASV", "MLSD", "PWD"});
    ASSERT_GE(sent.size(), expected.size());
    EXPECT_EQ(sent.mid(0, expected.size()), expected);
    EXPECT_TRUE(sent.mid(expected.size()).contains(QStringLiteral("QUIT"))) << sent.join(u'|').toStdString();

    const QStringList lines = paneLines();
    for (const char* line : {"Command >> NOOP", "200 ok", "Command >> CWD /Pub", "Command >> EPSV = TRUE",
                             "500 unknown", "150 gathering", "211 status", "Command >> PASS ***", "[ ----- FTP SERVER DIRECTORIES ----- ]",
                             "<DIR>\tsub", "[ ----- FTP SERVER FILES ----- ]", "File name:\ta.txt",
                             "File size:\t\t999 Byte", "File size:\t\t1 KByte", "File size:\t\t999 KByte",
                             "File size:\t\t1 MByte", "Permisions:\t-rw-r--r--"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line;
    EXPECT_FALSE(ui->ConsoleEdit->toPlainText().contains(QStringLiteral("PASS demo")));
    const QString modified = QStringLiteral("Modified:\t\tDate: 03/05/2011; Time:") +
                             QDateTime(QDate(2011, 5, 3), QTime(14, 5, 9), Qt::UTC)
                                 .toLocalTime()
                                 .toString(QStringLiteral("HH:mm:ss.zzz"));
    EXPECT_TRUE(lines.contains(modified)) << modified.toStdString();
    EXPECT_EQ(colourOfLine(QStringLiteral("Command >> NOOP")), QColor(0, 128, 128));
    EXPECT_EQ(colourOfLine(QStringLiteral("500 unknown")), QColor(128, 128, 0));
    EXPECT_EQ(ui->ProcessEdit->text(), QStringLiteral("127.0.0.1"));

    // Enter while disconnected changes nothing.
    type("noop");
    EXPECT_EQ(ui->CMDEdit->text(), QStringLiteral("noop"));
}

// A line entered before the console is started is not lost without a word: the pane says why nothing
// went out, and the line waits in the command line.
TEST_F(ConsoleTest, EnterBeforeStartSaysTheConsoleIsNotConnected) {
    TMyMenuForm& w = openWindow();
    type("noop");
    EXPECT_EQ(w.ui()->CMDEdit->text(), QStringLiteral("noop"));
    EXPECT_EQ(paneLines().filter(QStringLiteral("The console is not connected")).size(), 1)
        << w.ui()->ConsoleEdit->toPlainText().toStdString();
    EXPECT_FALSE(w.console().ConsoleFTP().isOpen());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(ConsoleTest, APortThatIsNoNumberIsReportedAndNothingConnects) {
    TMyMenuForm& w = fillConnectBar(21);
    w.ui()->FTPE004->setText(QStringLiteral("2l21"));
    w.ui()->CB001->click();
    EXPECT_EQ(errors, QStringList{QStringLiteral("'2l21' is not a valid integer value.")});
    EXPECT_FALSE(w.console().ConsoleFTP().isOpen());
    EXPECT_EQ(w.ui()->CL001->text(), QStringLiteral("Connect"));

    errors.clear();
    w.ui()->FTPE003->clear();
    w.ui()->CB001->click();
    EXPECT_TRUE(errors.isEmpty());
}

#include "core/tables/Table.h"
#include "support/BrowseFixture.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

TEST_F(BrowseTest, ConnectShowsTheRootAndDisconnectReturnsToTheStartState) {
    TMyMenuForm& w = openWindow();
    EXPECT_TRUE(showsDisconnected());
    connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(showsConnected());
    EXPECT_TRUE(w.browsingSession().ftp().Connected());
    EXPECT_TRUE(w.browsingSession().ftp().passive()); // "True" in PasiveEdit
    EXPECT_EQ(w.remoteBrowser().FTPCurrentDirectory, QStringLiteral("ftp://127.0.0.1/"));
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/"));
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("/"));
    // Folders first, each pass in listing order.
    const QStringList captions = listCaptions();
    ASSERT_EQ(captions.size(), 5);
    EXPECT_EQ(QSet<QString>(captions.begin(), captions.begin() + 2),
              (QSet<QString>{QStringLiteral("dir1"), QStringLiteral("pub")}));
    EXPECT_EQ(w.remoteBrowser().FTPCurrentIndex, 2);
    EXPECT_TRUE(w.remoteBrowser().FTPPreviewActive);
    EXPECT_EQ(w.tables().Permissions->recordCount(), 5);
    // A file name with characters special to rich text stays plain text everywhere.
    QListWidgetItem* odd = listItem(QStringLiteral("<b>bold&amp;.txt"));
    ASSERT_NE(odd, nullptr);
    EXPECT_TRUE(tableColumn(1).contains(QStringLiteral("<b>bold&amp;.txt")));
    EXPECT_EQ(listItem(QStringLiteral("b.txt"))->data(Qt::UserRole + 1).toString(), QStringLiteral("1500"));
    EXPECT_EQ(
        w.tables().Permissions->value(int(tableColumn(1).indexOf(QStringLiteral("b.txt"))), 4).toString(),
        QStringLiteral("       2 KByte"));

    w.ui()->EB002->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(showsDisconnected());
    EXPECT_FALSE(w.browsingSession().ftp().Connected());
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("Server connection is broken ... "));
    EXPECT_EQ(w.ui()->FTPFilesList->count(), 0);
    EXPECT_EQ(w.tables().Permissions->recordCount(), 5); // the grid keeps the last listing
    EXPECT_TRUE(w.browsingSession().ftp().host().isEmpty());
    EXPECT_EQ(w.browsingSession().ftp().port(), 21);
}

TEST_F(BrowseTest, NavigatesFromBothViews) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();

    // List view: into /pub (one slash), then x, then up.
    doubleClickItem(QStringLiteral("pub"));
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub"));
    EXPECT_EQ(w.remoteBrowser().FTPCurrentDirectory,
              QStringLiteral("ftp://127.0.0.1/")); // the list's open leaves it
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("/pub"));
    doubleClickItem(QStringLiteral("x"));
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub/x"));
    EXPECT_EQ(listCaptions(), QStringList{QStringLiteral("deep.txt")});
    w.ui()->RFS009->click();
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub"));

    // A file does nothing.
    doubleClickItem(QStringLiteral("readme.txt"));
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub"));

    // Grid: Enter on the folder x.
    selectGridRow(QStringLiteral("x"));
    QTest::keyClick(w.ui()->DBGrid, Qt::Key_Return);
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub/x"));
    EXPECT_EQ(w.remoteBrowser().FTPCurrentDirectory, QStringLiteral("/pub/x"));
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("FTP Directory: /pub/x"));

    // Status field: Enter lists the typed path.
    w.ui()->ProcessEdit->setText(QStringLiteral("/"));
    QTest::keyClick(w.ui()->ProcessEdit, Qt::Key_Return);
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(BrowseTest, TitleSortKeepsItsOrderAcrossARefresh) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    emit w.ui()->DBGrid->horizontalHeader()->sectionClicked(1); // "Name"
    const QStringList names = tableColumn(1);
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(tableColumn(0), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                           QStringLiteral("4"), QStringLiteral("5")}));
    w.remoteBrowser().ListRemoteDirectory(QStringLiteral("/"));
    EXPECT_EQ(tableColumn(1), sorted);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(BrowseTest, LogPanesShowEachBlockWithItsMarkers) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    const QString debug = w.ui()->DebugEdit->toPlainText();
    EXPECT_TRUE(debug.contains(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d >> Client: USER demo<EOL>$"),
                           QRegularExpression::MultilineOption)))
        << debug.toStdString();
    EXPECT_TRUE(debug.contains(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d << Server: 331 .*<EOL>$"),
                           QRegularExpression::MultilineOption)));
    EXPECT_TRUE(debug.contains(QStringLiteral(" ... Connected.")));
    const QString history = w.ui()->HistoryEdit->toPlainText();
    EXPECT_TRUE(history.contains(QStringLiteral("CLIENT SENT:\n\nUSER demo\n\n. . .\n")));
    EXPECT_TRUE(history.contains(QStringLiteral("SERVER RESEIVED:\n\n331 ")));
    EXPECT_TRUE(history.contains(QStringLiteral("Local Date: ")));
    // Logged traffic started the stand-by count-down.
    EXPECT_TRUE(w.standBy().SleepTimer->isActive());
    EXPECT_EQ(w.ui()->TimeLabel->text(), QStringLiteral("00:02:00"));
    // The file name with markup is in the log as plain text.
    w.ui()->ICB002->click();
    EXPECT_FALSE(w.ui()->DebugEdit->isVisible());
    w.browsingSession().ftp().Noop();
    EXPECT_TRUE(w.ui()->DebugEdit->toPlainText().contains(QStringLiteral(">> Client: NOOP<EOL>")));
}

TEST_F(BrowseTest, StandByDropsTheConnectionAndTheNextConnectReturns) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    doubleClickItem(QStringLiteral("pub"));
    ASSERT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub"));

    w.standBy().restartCountdown();
    EXPECT_EQ(w.ui()->TimeLabel->text(), QStringLiteral("00:02:00"));
    // The count-down follows the clock: a tick right away takes nothing off.
    w.standBy().tick();
    EXPECT_EQ(w.ui()->TimeLabel->text(), QStringLiteral("00:02:00"));
    // A short interval of two real seconds.
    QElapsedTimer clock;
    clock.start();
    w.standBy().SleepTime = QTime(0, 0, 2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return w.standBy().StandByMode; }, std::chrono::seconds(5)));
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(w.standBy().FTPStandByDirectory, QStringLiteral("/pub"));
    EXPECT_FALSE(w.browsingSession().ftp().Connected());
    EXPECT_EQ(w.ui()->TimeLabel->text(), QStringLiteral("Stand By"));
    EXPECT_TRUE(w.ui()->StopImg01->isVisible());
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("Server connection is broken ..."));
    EXPECT_TRUE(showsDisconnected() || !w.ui()->FTPOnImage->isVisible());

    connectWindow();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.standBy().StandByMode);
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub"));
    EXPECT_FALSE(w.ui()->StopImg01->isVisible());
}

TEST_F(BrowseTest, FaultsShowOneErrorAndTheButtonsMatchTheConnection) {
    // Wrong password.
    TMyMenuForm& w = connectWindow(QStringLiteral("wrong"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(showsDisconnected());
    EXPECT_FALSE(w.browsingSession().ftp().Connected());
    errors.clear();

    // A refused folder: the error, the connection stays.
    connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    w.ui()->ProcessEdit->setText(QStringLiteral("/no/such/folder"));
    QTest::keyClick(w.ui()->ProcessEdit, Qt::Key_Return);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.first(), QStringLiteral("No such file or directory.\r\n"));
    EXPECT_TRUE(showsConnected());
    errors.clear();

    // The server goes away between two commands.
    server->stop();
    w.ui()->RFS009->click();
    ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.browsingSession().ftp().Connected());
    EXPECT_TRUE(showsDisconnected());
}

TEST_F(BrowseTest, AServerWithoutMachineListingsIsBrowsedFromItsListReply) {
    startServer({QStringLiteral("--no-mlsd")});
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.browsingSession().ftp().ListResult().mlsd);
    const QStringList captions = listCaptions();
    ASSERT_EQ(captions.size(), 5) << captions.join(u'\n').toStdString();
    EXPECT_EQ(QSet<QString>(captions.begin(), captions.begin() + 2),
              (QSet<QString>{QStringLiteral("dir1"), QStringLiteral("pub")}));
    EXPECT_EQ(listItem(QStringLiteral("b.txt"))->data(Qt::UserRole + 1).toString(), QStringLiteral("1500"));
    doubleClickItem(QStringLiteral("pub"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/pub"));
    EXPECT_TRUE(showsConnected());
    w.ui()->EB002->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(showsDisconnected());
}

TEST_F(BrowseTest, AHostThatDoesNotAnswerTimesOut) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    TMyMenuForm& w = openWindow();
    ConnectionSettings quick;
    quick.readTimeout = 300;
    w.connectBar().setConnectionDefaults(quick);
    w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
    w.ui()->FTPE002->setText(QStringLiteral("demo"));
    w.ui()->FTPE003->setText(QStringLiteral("demo"));
    w.ui()->FTPE004->setText(QString::number(silent.serverPort()));
    w.ui()->EB001->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.first(), QStringLiteral("Read timed out."));
    EXPECT_TRUE(showsDisconnected());
}

TEST_F(BrowseTest, ConnectBarRules) {
    TMyMenuForm& w = openWindow();
    // An empty field: nothing happens.
    w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
    w.ui()->FTPE002->clear();
    w.ui()->FTPE003->setText(QStringLiteral("demo"));
    w.ui()->EB001->click();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(w.ui()->DebugEdit->toPlainText().isEmpty());
    // A port that is no number.
    w.ui()->FTPE002->setText(QStringLiteral("demo"));
    w.ui()->FTPE004->setText(QStringLiteral("2x1"));
    w.ui()->EB001->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.first(), QStringLiteral("'2x1' is not a valid integer value."));
    EXPECT_EQ(w.ui()->FTPE003->echoMode(), QLineEdit::Password);
}

TEST_F(BrowseTest, TypingInTheConnectBarEditsTheCurrentBookmark) {
    TMyMenuForm& w = openWindow();
    ASSERT_EQ(w.tables().FTPServers->recordCount(), 1);
    w.ui()->FTPE002->selectAll();
    QTest::keyClicks(w.ui()->FTPE002, QStringLiteral("alice"));
    emit w.ui()->FTPE002->editingFinished();
    EXPECT_EQ(w.tables().FTPServers->fieldByName(QStringLiteral("UserID")).asString(),
              QStringLiteral("alice"));
    closeWindow();

    TMyMenuForm& again = openWindow();
    EXPECT_EQ(again.ui()->FTPE002->text(), QStringLiteral("alice"));
    EXPECT_EQ(again.ui()->FTPE001->text(), QStringLiteral("127.0.0.1"));

    // On an empty table, typing starts a new bookmark.
    again.tables().FTPServers->remove();
    ASSERT_EQ(again.tables().FTPServers->recordCount(), 0);
    EXPECT_TRUE(again.ui()->FTPE001->text().isEmpty());
    QTest::keyClicks(again.ui()->FTPE001, QStringLiteral("ftp.example.org"));
    emit again.ui()->FTPE001->editingFinished();
    ASSERT_EQ(again.tables().FTPServers->recordCount(), 1);
    EXPECT_EQ(again.tables().FTPServers->fieldByName(QStringLiteral("Address")).asString(),
              QStringLiteral("ftp.example.org"));
}

TEST_F(BrowseTest, StandByReturnsOnlyToAKnownFolderOnTheSameServerAndUser) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    doubleClickItem(QStringLiteral("pub"));
    w.standBy().enterStandBy();
    ASSERT_TRUE(w.standBy().StandByMode);

    // Another address for the same server is another server: the login folder is shown.
    w.ui()->FTPE001->setText(QStringLiteral("localhost"));
    w.ui()->EB001->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.standBy().StandByMode);
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/"));

    // A folder that is gone fails once; the next connect does not try it again.
    doubleClickItem(QStringLiteral("pub"));
    w.standBy().enterStandBy();
    ASSERT_TRUE(QDir(root.path() + QStringLiteral("/pub")).removeRecursively());
    w.ui()->EB001->click();
    EXPECT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.standBy().StandByMode);
    w.ui()->EB002->click();
    errors.clear();
    w.ui()->EB001->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(showsConnected());
}

TEST_F(BrowseTest, LogPanesHaveTheirDefaultsAndEachBlockItsColour) {
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    QPlainTextEdit* debug = w.ui()->DebugEdit;
    QPlainTextEdit* history = w.ui()->HistoryEdit;
    EXPECT_EQ(debug->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(debug->palette().color(QPalette::Text), QColor(Qt::gray));
    EXPECT_EQ(history->palette().color(QPalette::Text), QColor(64, 128, 128));
    EXPECT_EQ(debug->font().pointSize(), 8);

    // The colour of the first text on a line of each pane.
    auto colourOf = [](QPlainTextEdit* pane, const QString& text) {
        for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next())
            if (b.text().contains(text)) return b.begin().fragment().charFormat().foreground().color();
        return QColor();
    };
    // The status lines of the connect come before any block: they take the pane's grey.
    EXPECT_EQ(colourOf(debug, QStringLiteral(" ... ")), QColor(Qt::gray));
    EXPECT_EQ(colourOf(debug, QStringLiteral(">> Client: USER demo")), w.protocolLog().ClientColor);
    EXPECT_EQ(colourOf(debug, QStringLiteral("<< Server: 331")), w.protocolLog().ServerColor);
    EXPECT_EQ(colourOf(history, QStringLiteral("CLIENT SENT:")), w.protocolLog().ClientColor);
    EXPECT_EQ(colourOf(history, QStringLiteral("SERVER RESEIVED:")), w.protocolLog().ServerColor);
}

TEST_F(BrowseTest, LabelsShowFolderNamesAsPlainText) {
    QDir(root.path()).mkpath(QStringLiteral("<h1>BIG"));
    TMyMenuForm& w = connectWindow();
    ASSERT_TRUE(errors.isEmpty());
    doubleClickItem(QStringLiteral("<h1>BIG"));
    EXPECT_EQ(w.ui()->FTPSelectedFile->text(), QStringLiteral("/<h1>BIG"));
    for (const QLabel* label : w.findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

// The browsing window when the server is slow, silent or gone, and when the user acts meanwhile.
#include "support/ScriptedWindow.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTimer>

namespace {

// The login, then a first listing whose CWD the server answers only after `seconds`.
QStringList slowFirstListing(int seconds) {
    QStringList script = scripted::loginScript();
    script << QStringLiteral("C CWD /") << QStringLiteral("P %1").arg(seconds) << QStringLiteral("S 250 ok");
    script += scripted::listingPass({scripted::fact("file", "a.txt")}).mid(2);
    script += scripted::listingPass({scripted::fact("file", "a.txt")});
    script << QStringLiteral("C PWD") << QStringLiteral("S 257 \"/\"") << QStringLiteral("P 5");
    return script;
}

bool allRemoteButtonsDisabled(const Ui::TMyMenuForm& ui) {
    for (const QToolButton* b : {ui.RFS001, ui.RFS002, ui.RFS003, ui.RFS004, ui.RFS005, ui.RFS006, ui.RFS007,
                                 ui.RFS008, ui.RFS009, ui.LFB008})
        if (b->isEnabled()) return false;
    return true;
}

} // namespace

using BrowsingFaultTest = ListingTest;

TEST_F(BrowsingFaultTest, DisconnectingFromAServerThatStoppedAnsweringTakesAboutASecond) {
    connectTo({scripted::fact("file", "a.txt")}, {}, {}, {QStringLiteral("P 30")});
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    TMyMenuForm& w = *window;
    QElapsedTimer clock;
    clock.start();
    w.ui()->EB002->click();
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.browsingSession().isOpen());
    EXPECT_TRUE(w.ui()->EB001->isVisible() && w.ui()->EB001->isEnabled());
    EXPECT_TRUE(allRemoteButtonsDisabled(*w.ui()));
}

TEST_F(BrowsingFaultTest, ADisconnectDuringAListingIsNoErrorAndLeavesTheButtonsOff) {
    connectScript(slowFirstListing(3), [](TMyMenuForm& w) {
        w.antiFreeze().setIdleTimeOut(50);
        QTimer::singleShot(400, &w, [&w] { w.ui()->EB002->click(); });
    });
    TMyMenuForm& w = *window;
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.browsingSession().isOpen());
    EXPECT_TRUE(w.ui()->EB001->isVisible());
    EXPECT_FALSE(w.ui()->EB002->isVisible());
    EXPECT_TRUE(allRemoteButtonsDisabled(*w.ui()));
    EXPECT_FALSE(w.ui()->FTPOnImage->isVisible());
}

TEST_F(BrowsingFaultTest, NavigationDuringARefreshIsIgnored) {
    connectScript(slowFirstListing(2), [](TMyMenuForm& w) {
        w.antiFreeze().setIdleTimeOut(50);
        QTimer::singleShot(400, &w, [&w] {
            w.ui()->ProcessEdit->setText(QStringLiteral("/other"));
            emit w.ui()->ProcessEdit->returnPressed();
            emit w.ui()->DBGrid->horizontalHeader()->sectionClicked(1);
            w.ui()->EB001->click();
        });
    });
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(column(1), QStringList{QStringLiteral("a.txt")});
    EXPECT_EQ(window->ui()->FTPSelectedFile->text(), QStringLiteral("/"));
    closeWindow();
    const QStringList sent = server->session(0);
    EXPECT_FALSE(sent.contains(QStringLiteral("CWD /other"))) << sent.join(u'|').toStdString();
    EXPECT_EQ(server->rawTranscript().count("<end>"), 1); // the connect click made no second connection
}

TEST_F(BrowsingFaultTest, AConnectionLostDuringTheFirstListingResetsTheWindowOnce) {
    QStringList script = scripted::loginScript();
    script << QStringLiteral("C CWD /") << QStringLiteral("X");
    connectScript(script);
    TMyMenuForm& w = *window;
    EXPECT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(w.browsingSession().isOpen());
    EXPECT_FALSE(w.ui()->FTPOnImage->isVisible());
    EXPECT_FALSE(w.standBy().SleepTimer->isActive());
    EXPECT_TRUE(w.ui()->EB001->isVisible());
    EXPECT_TRUE(allRemoteButtonsDisabled(*w.ui()));
}

TEST_F(BrowsingFaultTest, ClosingTheWindowDuringAListingEndsQuietly) {
    connectScript(slowFirstListing(3), [](TMyMenuForm& w) {
        w.antiFreeze().setIdleTimeOut(50);
        QTimer::singleShot(400, &w, [&w] { w.close(); });
    });
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->browsingSession().isOpen());
}

TEST_F(BrowsingFaultTest, GridTitlesSortSizesDatesAndNumbersByValue) {
    QStringList lines{scripted::fact("file", "a", 10, "20240105000000"),
                      scripted::fact("file", "b", 1500, "20231220000000"),
                      scripted::fact("file", "c", 1, "20230301000000")};
    for (int i = 0; i < 8; ++i)
        lines << QStringLiteral("type=file;size=%1;modify=20200101000000; z%2").arg(100000 + i).arg(i);
    connectTo(lines);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    QHeaderView* titles = window->ui()->DBGrid->horizontalHeader();
    emit titles->sectionClicked(3); // Size
    EXPECT_EQ(column(1).mid(0, 3),
              (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    emit titles->sectionClicked(4); // Date
    EXPECT_EQ(column(1).mid(8), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
    emit titles->sectionClicked(0); // No, after the renumbering of the date sort
    QStringList numbers;
    for (int i = 1; i <= 11; ++i)
        numbers << QString::number(i);
    EXPECT_EQ(column(0), numbers);
    EXPECT_EQ(column(1).mid(8), (QStringList{QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_F(BrowsingFaultTest, OpeningDotAndDotDotFromTheListAndTheGrid) {
    const QStringList lines{scripted::fact("cdir", "."), scripted::fact("pdir", ".."),
                            scripted::fact("dir", "sub")};
    QStringList after = scripted::listingPass(lines) + scripted::listingPass(lines); // "." in the list
    after << QStringLiteral("C CDUP") << QStringLiteral("S 250 ok") << QStringLiteral("C PWD")
          << QStringLiteral("S 257 \"/\""); // ".." in the grid
    after += scripted::listingPass(lines) + scripted::listingPass(lines);
    after << QStringLiteral("C PWD") << QStringLiteral("S 257 \"/\"") << QStringLiteral("P 5");
    connectTo(lines, {}, {}, after);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    TMyMenuForm& w = *window;
    QListWidget* list = w.ui()->FTPFilesList;
    list->setCurrentRow(0);
    emit list->itemDoubleClicked(list->item(0));
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    w.ui()->DBGrid->selectRow(1);
    emit w.ui()->DBGrid->doubleClicked(w.ui()->DBGrid->currentIndex());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(w.remoteBrowser().FTPCurrentDirectory, QStringLiteral("/"));
    closeWindow();
    const QStringList sent = server->session(0);
    EXPECT_FALSE(sent.join(u'|').contains(QStringLiteral("!!"))) << sent.join(u'|').toStdString();
    EXPECT_EQ(sent.count(QStringLiteral("CDUP")), 1);
    EXPECT_EQ(sent.count(QStringLiteral("MLSD")), 6);
}

TEST_F(BrowsingFaultTest, AListedFolderIsOpenedByItsOwnBytes) {
    // UTF-8 bytes from a server that did not offer UTF8: the connection itself would send Latin-1.
    const QStringList lines{QStringLiteral("type=dir;size=0;modify=20240102030405; Caf\\xC3\\xA9")};
    QStringList after{QStringLiteral("C PWD"), QStringLiteral("S 257 \"/\"")};
    for (int pass = 0; pass < 2; ++pass)
        after << QStringLiteral("CB CWD /Caf\\xC3\\xA9") << QStringLiteral("S 250 ok")
              << scripted::listingPass({}).mid(2, 8) << QStringLiteral("C PWD")
              << QStringLiteral("R 257 \"/Caf\\xC3\\xA9\"\\r\\n");
    after << QStringLiteral("P 5");
    connectTo(lines, {}, {}, after);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    QListWidget* list = window->ui()->FTPFilesList;
    ASSERT_EQ(list->count(), 1);
    list->setCurrentRow(0);
    emit list->itemDoubleClicked(list->item(0));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    closeWindow();
    const QStringList sent = server->session(0);
    EXPECT_FALSE(sent.join(u'|').contains(QStringLiteral("!!"))) << sent.join(u'|').toStdString();
}

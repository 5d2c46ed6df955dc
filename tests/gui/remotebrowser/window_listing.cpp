// The listing refresh against exact server conversations: entry order, numbering, types and images.
#include "core/browse/RemoteListing.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/tables/Table.h"
#include "support/FtpTestSupport.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QTimer>
#include <functional>

namespace {

QStringList loginScript() {
    return {QStringLiteral("S 220 scripted"),  QStringLiteral("C HOST [127.0.0.1]"),
            QStringLiteral("S 500 no"),        QStringLiteral("C USER demo"),
            QStringLiteral("S 331 password"),  QStringLiteral("C PASS demo"),
            QStringLiteral("S 230 in"),        QStringLiteral("C FEAT"),
            QStringLiteral("S 211-Features:"), QStringLiteral("S  MLSD"),
            QStringLiteral("S 211 End"),       QStringLiteral("C TYPE I"),
            QStringLiteral("S 200 ok"),        QStringLiteral("C SYST"),
            QStringLiteral("S 215 UNIX"),      QStringLiteral("C TYPE I"),
            QStringLiteral("S 200 ok")};
}

// One pass of the refresh: CWD, MLSD over a passive data connection, PWD.
QStringList listingPass(const QStringList& mlsdLines) {
    QStringList steps{QStringLiteral("C CWD /"),
                      QStringLiteral("S 250 ok"),
                      QStringLiteral("L"),
                      QStringLiteral("C PASV"),
                      QStringLiteral("S 227 Entering Passive Mode ({pasv})"),
                      QStringLiteral("C MLSD"),
                      QStringLiteral("S 150 listing"),
                      QStringLiteral("A")};
    for (const QString& line : mlsdLines)
        steps << QStringLiteral("D ") + line + QStringLiteral("\\r\\n");
    steps << QStringLiteral("DX") << QStringLiteral("S 226 done") << QStringLiteral("C PWD")
          << QStringLiteral("S 257 \"/\"");
    return steps;
}

QString fact(const char* type, const char* name, int size = 0) {
    return QStringLiteral("type=%1;size=%2;modify=20240102030405; %3")
        .arg(QLatin1String(type))
        .arg(size)
        .arg(QLatin1String(name));
}

} // namespace

class ListingTest : public WindowTest {
protected:
    void connectTo(const QStringList& mlsdLines, const QStringList& beforeGreeting = {},
                   const std::function<void(TMyMenuForm&)>& prepare = {}) {
        QStringList script = beforeGreeting + loginScript() + listingPass(mlsdLines) + listingPass(mlsdLines);
        script << QStringLiteral("C PWD") << QStringLiteral("S 257 \"/\"") << QStringLiteral("P 5");
        server = std::make_unique<ftptest::ScriptedServer>(script);
        TMyMenuForm& w = openWindow();
        w.ui()->PasiveEdit->setCurrentText(QStringLiteral("True"));
        w.ui()->TransferEdit->setCurrentText(QStringLiteral("Binary"));
        w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
        w.ui()->FTPE002->setText(QStringLiteral("demo"));
        w.ui()->FTPE003->setText(QStringLiteral("demo"));
        w.ui()->FTPE004->setText(QString::number(server->port()));
        if (prepare) prepare(w);
        w.ui()->EB001->click();
    }

    QStringList column(int field) const {
        QStringList values;
        for (int row = 0; row < window->tables().Permissions->recordCount(); ++row)
            values << window->tables().Permissions->value(row, field).toString();
        return values;
    }

    QList<int> listImages() const {
        QList<int> images;
        for (int i = 0; i < window->ui()->FTPFilesList->count(); ++i)
            images << window->ui()->FTPFilesList->item(i)->data(RemoteImageRole).toInt();
        return images;
    }

    int txtIcon() const {
        QStringList extensions;
        for (int row = 0; row < window->tables().FileInfo->recordCount(); ++row)
            extensions << window->tables().FileInfo->value(row, 1).toString();
        return fileIconIndex(QStringLiteral("a.txt"), extensions);
    }

    std::unique_ptr<ftptest::ScriptedServer> server;
};

TEST_F(ListingTest, FoldersFirstWithTheRootAndUpEntries) {
    connectTo({fact("cdir", "."), fact("pdir", ".."), fact("file", "a.txt", 10), fact("dir", "dir1"),
               fact("file", "b.txt", 1500)});
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    TMyMenuForm& w = *window;
    EXPECT_EQ(column(1), (QStringList{QStringLiteral("."), QStringLiteral(".."), QStringLiteral("dir1"),
                                      QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    EXPECT_EQ(column(0), (QStringList{QString(), QString(), QStringLiteral("1"), QStringLiteral("2"),
                                      QStringLiteral("3")}));
    EXPECT_EQ(column(2),
              (QStringList{QStringLiteral("Root"), QStringLiteral("Dir Up"), QStringLiteral("<DIR>"),
                           QStringLiteral("File"), QStringLiteral("File")}));
    EXPECT_EQ(column(4).last(), QStringLiteral("       2 KByte"));
    EXPECT_EQ(column(6).first(), QStringLiteral("02.01.2024"));
    EXPECT_NE(txtIcon(), 3); // the catalogue knows .TXT
    EXPECT_EQ(listImages(), (QList<int>{0, 1, 2, txtIcon(), txtIcon()}));
    EXPECT_EQ(w.remoteBrowser().FTPCurrentIndex, 3);
    EXPECT_EQ(w.ui()->FTPFilesList->item(4)->data(RemoteSizeRole).toString(), QStringLiteral("1500"));
    EXPECT_EQ(w.ui()->FTPFilesList->item(2)->data(RemoteKindRole).toString(), QStringLiteral("<DIR>"));
    // The row picture is the list's image.
    EXPECT_EQ(w.tables().Permissions->value(3, 3).value<QImage>(),
              w.remoteBrowser().FTPImageList.at(txtIcon()).toImage());

    // Each pass changes folder, lists and asks for the folder itself; then the connect asks once more,
    // and closing the window says goodbye.
    closeWindow();
    const QStringList sent = server->session(0);
    const QStringList pass{QStringLiteral("CWD /"), QStringLiteral("PASV"), QStringLiteral("MLSD"),
                           QStringLiteral("PWD")};
    EXPECT_EQ(sent.mid(7), (pass + pass + QStringList{QStringLiteral("PWD"), QStringLiteral("QUIT")}))
        << sent.join(u'|').toStdString();
}

TEST_F(ListingTest, NumbersFollowListingPositionsNotNames) {
    connectTo({fact("file", "a.txt"), fact("file", "b.txt"), fact("dir", "dir1"), fact("file", "c.txt")});
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(column(1), (QStringList{QStringLiteral("dir1"), QStringLiteral("a.txt"),
                                      QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("-1"), QString(), QString(), QStringLiteral("2")}));
    EXPECT_EQ(window->remoteBrowser().FTPCurrentIndex, 1);
}

TEST_F(ListingTest, ASecondConnectClickWhileConnectingIsIgnored) {
    int clicks = 0;
    connectTo({fact("file", "a.txt")}, {QStringLiteral("P 1")}, [&clicks](TMyMenuForm& w) {
        // Let waiting calls dispatch events quickly, and click again while the greeting is awaited.
        w.antiFreeze().setIdleTimeOut(50);
        QTimer::singleShot(300, &w, [&w, &clicks] {
            ++clicks;
            w.ui()->EB001->click();
        });
    });
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(window->browsingSession().ftp().Connected());
    EXPECT_EQ(column(1), QStringList{QStringLiteral("a.txt")});
    closeWindow();
    EXPECT_EQ(server->rawTranscript().count("<end>"), 1); // one connection only
}

// The listing refresh against exact server conversations: entry order, numbering, types and images.
#include "support/ScriptedWindow.h"

#include <QTimer>

TEST_F(ListingTest, FoldersFirstWithTheRootAndUpEntries) {
    connectTo({scripted::fact("cdir", "."), scripted::fact("pdir", ".."), scripted::fact("file", "a.txt", 10),
               scripted::fact("dir", "dir1"), scripted::fact("file", "b.txt", 1500)});
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
    // Caption and icon come from the item's own members until an edit sets the caption; the view's
    // model then answers the edited one for both roles.
    QListWidgetItem* a = w.ui()->FTPFilesList->item(3);
    EXPECT_EQ(a->text(), QStringLiteral("a.txt"));
    EXPECT_FALSE(a->icon().isNull());
    a->setData(Qt::EditRole, QStringLiteral("z.txt"));
    const QModelIndex index = w.ui()->FTPFilesList->model()->index(3, 0);
    EXPECT_EQ(index.data(Qt::DisplayRole).toString(), QStringLiteral("z.txt"));
    EXPECT_EQ(index.data(Qt::EditRole).toString(), QStringLiteral("z.txt"));
    EXPECT_FALSE(index.data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(index.data(RemoteRawNameRole).toByteArray(), QByteArray("a.txt")); // the name it was listed by
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

TEST_F(ListingTest, NumbersFromOneWithoutDotEntries) {
    connectTo({scripted::fact("file", "a.txt"), scripted::fact("file", "b.txt"),
               scripted::fact("dir", "dir1"), scripted::fact("file", "c.txt")});
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(column(1), (QStringList{QStringLiteral("dir1"), QStringLiteral("a.txt"),
                                      QStringLiteral("b.txt"), QStringLiteral("c.txt")}));
    // Without "." and ".." in the listing the rows are numbered from 1 in display order.
    EXPECT_EQ(column(0), (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                      QStringLiteral("4")}));
    EXPECT_EQ(window->remoteBrowser().FTPCurrentIndex, 1);
}

TEST_F(ListingTest, ASecondConnectClickWhileConnectingIsIgnored) {
    int clicks = 0;
    connectTo({scripted::fact("file", "a.txt")}, {QStringLiteral("P 1")}, [&clicks](TMyMenuForm& w) {
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

// The bookmark page: grid columns, the editor, numbering, pending changes and the table's file.
#include "core/tables/Table.h"
#include "gui/bookmarks/Bookmarks.h"
#include "support/BrowseFixture.h"
#include "ui_MyMenu.h"

#include <QTest>
#include <QHeaderView>

class BookmarksTest : public WindowTest {
protected:
    TTable& table() const { return *window->tables().FTPServers; }

    void addAndApply(const char* alias, const char* server) {
        const auto* ui = window->ui();
        ui->RzBmpButton28->click();
        ui->SBE001->setText(QString::fromLatin1(alias));
        ui->SBE002->setText(QString::fromLatin1(server));
        ui->SBE003->setText(QStringLiteral("alice"));
        ui->SBE004->setText(QStringLiteral("secret"));
        ui->RzBmpButton26->click();
    }

    QString numbers() const {
        QStringList out;
        for (int row = 0; row < table().recordCount(); ++row)
            out << table().value(row, 1).toString() + u':' + table().value(row, 0).toString();
        return out.join(u' ');
    }

    void emptyTable() {
        while (table().recordCount() > 0)
            window->ui()->RzBmpButton10->click();
    }
};

TEST_F(BookmarksTest, GridShowsTheColumnsAndHidesPasswordsUntilAsked) {
    TMyMenuForm& w = openWindow();
    QTableView* grid = w.ui()->ServersTable;
    QAbstractItemModel* model = grid->model();
    ASSERT_EQ(model->columnCount(), 28);
    QStringList shown;
    for (int c = 0; c < 28; ++c)
        if (!grid->isColumnHidden(c)) shown << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(shown.join(u','), QStringLiteral("No,URL Alias,FTP Server Address,FTP Server IP,User ID,Port,"
                                               "Transfer Type,Use TLS,Passive,EditDate,EditTime"));
    EXPECT_EQ(grid->columnWidth(1), 200);
    EXPECT_FALSE(w.ui()->VPC001->isChecked());
    EXPECT_EQ(w.ui()->SBE004->echoMode(), QLineEdit::Password);

    w.ui()->VPC001->click();
    EXPECT_FALSE(grid->isColumnHidden(5));
    EXPECT_EQ(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Password"));
    w.ui()->VPC001->click();
    EXPECT_TRUE(grid->isColumnHidden(5));
}

TEST_F(BookmarksTest, NumberingAddDeleteRefreshAndRestart) {
    TMyMenuForm& w = openWindow();
    emptyTable();
    w.ui()->RzBmpButton10->click();
    EXPECT_EQ(errors,
              QStringList{QStringLiteral("FTPServers: Cannot perform this operation on an empty dataset.")});
    errors.clear();

    for (const char* alias : {"one", "two", "three"})
        addAndApply(alias, "ftp.example.com");
    EXPECT_EQ(numbers(), QStringLiteral("one:1 two:2 three:3"));
    w.ui()->RzBmpButton28->click();
    EXPECT_EQ(w.ui()->BookmarkPendingLabel->text(), QStringLiteral("New bookmark not applied"));
    EXPECT_TRUE(w.ui()->SBE001->text().isEmpty());
    EXPECT_EQ(w.ui()->FTPE004->text(), QStringLiteral("21"));
    w.ui()->RzBmpButton15->click(); // Cancel drops it
    EXPECT_TRUE(w.ui()->BookmarkPendingLabel->text().isEmpty());
    EXPECT_EQ(table().recordCount(), 3);

    w.ui()->ServersTable->selectRow(1);
    EXPECT_EQ(w.ui()->SBE001->text(), QStringLiteral("two"));
    w.ui()->RzBmpButton10->click();
    addAndApply("new", "ftp.example.org");
    EXPECT_EQ(numbers(), QStringLiteral("one:1 three:3 new:3"));
    w.ui()->RzBmpButton18->click();
    EXPECT_EQ(numbers(), QStringLiteral("one:1 three:2 new:3"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();

    closeWindow();
    TMyMenuForm& again = openWindow();
    EXPECT_EQ(numbers(), QStringLiteral("one:1 three:2 new:3"));
    EXPECT_EQ(int(QFile(systemFile(QStringLiteral("FTPServers.XML"))).permissions()) & 0x0077, 0);
    (void)again;
}

TEST_F(BookmarksTest, AChangeTypedInTheConnectBarShowsPendingAndRefreshDropsIt) {
    TMyMenuForm& w = openWindow();
    ASSERT_GT(table().recordCount(), 0);
    const QString before = table().fieldByName(QStringLiteral("Address")).asString();
    QTest::keyClicks(w.ui()->FTPE001, QStringLiteral("x"));
    EXPECT_EQ(w.ui()->BookmarkPendingLabel->text(), QStringLiteral("Change not applied"));
    const QModelIndex cell = w.ui()->ServersTable->model()->index(table().recNo(), 1);
    EXPECT_TRUE(cell.data(Qt::FontRole).value<QFont>().italic());
    w.ui()->RzBmpButton18->click();
    EXPECT_TRUE(w.ui()->BookmarkPendingLabel->text().isEmpty());
    EXPECT_EQ(table().fieldByName(QStringLiteral("Address")).asString(), before);
    EXPECT_EQ(w.ui()->FTPE001->text(), before);
}

TEST_F(BookmarksTest, EditModeAndTitleSort) {
    TMyMenuForm& w = openWindow();
    emptyTable();
    for (const char* alias : {"b", "C", "a"})
        addAndApply(alias, "ftp.example.com");
    QAbstractItemModel* model = w.ui()->ServersTable->model();
    const QModelIndex alias = model->index(0, 1);
    EXPECT_FALSE(model->flags(alias) & Qt::ItemIsEditable);
    w.ui()->RzBmpButton6->click();
    EXPECT_EQ(w.ui()->SEI001->text(), QStringLiteral("Database edit ON"));
    EXPECT_TRUE(model->setData(alias, QStringLiteral("bb")));
    w.ui()->RzBmpButton6->click();
    EXPECT_EQ(w.ui()->SEI001->text(), QStringLiteral("Database edit OFF"));

    w.ui()->ServersTable->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(numbers(), QStringLiteral("a:1 bb:2 C:3"));
    EXPECT_EQ(table().recNo(), 0);
}

class BookmarkConnectTest : public BrowseTest {
protected:
    TTable& table() const { return *window->tables().FTPServers; }
};

// A bookmark made in the editor carries its address and port to the connect bar, and the connect goes
// there; choosing a bookmark shows its own port. The shipped bookmark's port is 2121.
TEST_F(BookmarkConnectTest, ABookmarksAddressAndPortReachTheConnectBarAndTheConnect) {
    startServer();
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    ASSERT_EQ(table().recordCount(), 1);
    EXPECT_EQ(ui->FTPE004->text(), QStringLiteral("2121"));
    EXPECT_EQ(ui->RzEdit1->text(), QStringLiteral("2121"));
    EXPECT_TRUE(ui->RzEdit1->isEnabled());

    const QString port = QString::number(server->port());
    ui->RzBmpButton28->click();
    ui->SBE001->setText(QStringLiteral("mine"));
    ui->SBE002->setText(QStringLiteral("127.0.0.1"));
    ui->SBE003->setText(QStringLiteral("demo"));
    ui->SBE004->setText(QStringLiteral("demo"));
    ui->RzEdit1->setText(port);
    ui->RzBmpButton26->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_EQ(ui->FTPE001->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(ui->FTPE004->text(), port);

    ui->ServersTable->selectRow(0);
    EXPECT_EQ(ui->FTPE004->text(), QStringLiteral("2121"));
    ui->ServersTable->selectRow(1);
    EXPECT_EQ(ui->FTPE001->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(ui->FTPE004->text(), port);
    ui->EB001->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(showsConnected());
    EXPECT_EQ(w.browsingSession().ftp().port(), server->port());
    ui->EB002->click();

    // A bookmark stored with its server's address only (no connect-bar address) still shows it.
    table().edit();
    table().fieldByName(QStringLiteral("Address")).clear();
    table().post();
    ui->ServersTable->selectRow(0);
    ui->ServersTable->selectRow(1);
    EXPECT_EQ(ui->FTPE001->text(), QStringLiteral("127.0.0.1"));
}

TEST_F(BookmarkConnectTest, ConnectWithoutAnAddressSaysSo) {
    TMyMenuForm& w = openWindow();
    auto* ui = w.ui();
    ui->FTPE001->clear();
    ui->FTPE002->setText(QStringLiteral("demo"));
    ui->FTPE003->setText(QStringLiteral("demo"));
    ui->EB001->click();
    EXPECT_EQ(errors,
              QStringList{QStringLiteral("There is no server address to connect to: type one into "
                                         "\"Address:\" or choose a bookmark on the \"FTP Servers\" page.")});
    EXPECT_FALSE(w.browsingSession().isOpen());
    EXPECT_TRUE(showsDisconnected());
}

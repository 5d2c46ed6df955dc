#pragma once

// Window tests against a real FTP server: pyftpdlib serving a small fixed tree.

#include "core/ftp/TIdFTP.h"
#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QDir>
#include <QFile>
#include <QTest>

class BrowseTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(root.isValid());
        writeFile(QStringLiteral("a.txt"), QByteArray(10, 'a'));
        writeFile(QStringLiteral("b.txt"), QByteArray(1500, 'b'));
        writeFile(QStringLiteral("<b>bold&amp;.txt"), "x");
        writeFile(QStringLiteral("pub/readme.txt"), "read me");
        writeFile(QStringLiteral("pub/x/deep.txt"), "deep");
        QDir(root.path()).mkpath(QStringLiteral("dir1"));
    }

    void writeFile(const QString& relative, const QByteArray& data) {
        const QString path = root.path() + u'/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    void startServer(const QStringList& extra = {}) {
        server = std::make_unique<testsupport::PyFtpServer>(root.path(), extra);
    }

    // Fills the connect bar and presses the connect button.
    TMyMenuForm& connectWindow(const QString& password = QStringLiteral("demo")) {
        if (!server) startServer();
        TMyMenuForm& w = window ? *window : openWindow();
        w.ui()->FTPE001->setText(QStringLiteral("127.0.0.1"));
        w.ui()->FTPE002->setText(QStringLiteral("demo"));
        w.ui()->FTPE003->setText(password);
        w.ui()->FTPE004->setText(QString::number(server->port()));
        w.ui()->EB001->click();
        return w;
    }

    // Opens a local folder and waits for the folder tree to echo it into the status field, which it does
    // once it has loaded the folder: an echo that came later would land over a job's texts.
    void openLocal(const QString& path) {
        window->localPanel().openFolder(path);
        testsupport::waitUntil([&] { return window->ui()->ProcessEdit->text() == QDir(path).absolutePath(); },
                               std::chrono::seconds(3));
    }

    QStringList listCaptions() const {
        QStringList captions;
        for (int i = 0; i < window->ui()->FTPFilesList->count(); ++i)
            captions << window->ui()->FTPFilesList->item(i)->text();
        return captions;
    }

    QStringList tableColumn(int field) const {
        QStringList values;
        for (int row = 0; row < window->tables().Permissions->recordCount(); ++row)
            values << window->tables().Permissions->value(row, field).toString();
        return values;
    }

    QListWidgetItem* listItem(const QString& caption) const {
        auto found = window->ui()->FTPFilesList->findItems(caption, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    // Selects the remote list items with these captions, and only them.
    void selectRemote(const QStringList& captions) {
        QListWidget* list = window->ui()->FTPFilesList;
        list->clearSelection();
        for (const QString& caption : captions) {
            QListWidgetItem* item = listItem(caption);
            ASSERT_NE(item, nullptr) << caption.toStdString();
            item->setSelected(true);
        }
    }

    // Double-clicks the list item with this caption, as the user would.
    void doubleClickItem(const QString& caption) {
        QListWidget* list = window->ui()->FTPFilesList;
        QListWidgetItem* item = listItem(caption);
        ASSERT_NE(item, nullptr) << caption.toStdString();
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // Makes the grid row with this name current, as a click on it would.
    void selectGridRow(const QString& name) {
        const QStringList names = tableColumn(1);
        const int row = int(names.indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        window->ui()->DBGrid->selectRow(row);
    }

    bool showsConnected() const {
        const auto* ui = window->ui();
        return !ui->EB001->isVisible() && ui->EB002->isVisible() && ui->SML001->text() == u"Disconnect" &&
               ui->RFS001->isEnabled() && ui->LFB008->isEnabled() && ui->FTPOnImage->isVisible();
    }

    bool showsDisconnected() const {
        const auto* ui = window->ui();
        for (const QToolButton* b : {ui->RFS001, ui->RFS002, ui->RFS003, ui->RFS004, ui->RFS005, ui->RFS006,
                                     ui->RFS007, ui->RFS008, ui->RFS009, ui->LFB008})
            if (b->isEnabled()) return false;
        return ui->EB001->isVisible() && ui->EB001->isEnabled() && !ui->EB002->isVisible() &&
               ui->SML001->text() == u"Connect" && !ui->FTPOnImage->isVisible();
    }

    QTemporaryDir root;
    std::unique_ptr<testsupport::PyFtpServer> server;
};

// Walking the server's folders from the icon list and the grid, and sorting the grid.
#include "gui/mainwindow/MyMenu.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/TIdFTP.h"
#include "ui_MyMenu.h"

void TMyMenuForm::FTPFilesListDblClick() {
    const QList<QListWidgetItem*> selected = m_ui->FTPFilesList->selectedItems();
    if (selected.isEmpty()) return;
    // The first selected item in list order.
    QListWidgetItem* item = selected.first();
    for (QListWidgetItem* s : selected)
        if (m_ui->FTPFilesList->row(s) < m_ui->FTPFilesList->row(item)) item = s;
    const QString caption = item->text();
    if (caption == u".") {
        ListRemoteDirectory(QStringLiteral("/"));
    } else if (caption == u"..") {
        IdFTP->ChangeDirUp();
        ListRemoteDirectory(IdFTP->RetrieveCurrentDir());
    } else if (item->data(RemoteKindRole).toString() == u"<DIR>") {
        ListRemoteDirectory(JoinRemotePath(IdFTP->RetrieveCurrentDir(), caption));
    }
}

void TMyMenuForm::OpenGridEntry() {
    if (!Permissions->active() || Permissions->recordCount() == 0) return;
    const QString name = Permissions->fieldByName(QStringLiteral("Name")).asString();
    const QString type = Permissions->fieldByName(QStringLiteral("Type")).asString();
    if (name == u".") {
        ListRemoteDirectory(QStringLiteral("/"));
        FTPCurrentDirectory = IdFTP->RetrieveCurrentDir();
    } else if (name == u"..") {
        IdFTP->ChangeDirUp();
        ListRemoteDirectory(IdFTP->RetrieveCurrentDir());
        FTPCurrentDirectory = IdFTP->RetrieveCurrentDir();
    } else if (type == u"<DIR>") {
        FTPCurrentDirectory = JoinRemotePath(IdFTP->RetrieveCurrentDir(), name);
        ListRemoteDirectory(FTPCurrentDirectory);
        m_ui->ProcessEdit->setText(QStringLiteral("FTP Directory: ") + FTPCurrentDirectory);
    }
}

void TMyMenuForm::DBGridDblClick() {
    OpenGridEntry();
}

void TMyMenuForm::DBGridKeyPress(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) OpenGridEntry();
}

void TMyMenuForm::RFS009Click() {
    IdFTP->ChangeDirUp();
    ListRemoteDirectory(IdFTP->RetrieveCurrentDir());
}

void TMyMenuForm::DBGridTitleClick(int column) {
    SortAndRenumber(*Permissions, m_permissionsModel->fieldNameOfColumn(column));
}

// Walking the server's folders from the icon list and the grid, and sorting the grid.
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "gui/remotebrowser/RemoteBrowser.h"
#include "ui_MyMenu.h"

void RemoteBrowser::openSelectedListItem() {
    const QList<QListWidgetItem*> selected = m_ui.FTPFilesList->selectedItems();
    if (selected.isEmpty()) return;
    // The first selected item in list order.
    QListWidgetItem* item = selected.first();
    for (QListWidgetItem* s : selected)
        if (m_ui.FTPFilesList->row(s) < m_ui.FTPFilesList->row(item)) item = s;
    const QString caption = item->text();
    TIdFTP& ftp = m_session.ftp();
    if (caption == u".") {
        ListRemoteDirectory(QStringLiteral("/"));
    } else if (caption == u"..") {
        ftp.ChangeDirUp();
        ListRemoteDirectory(ftp.RetrieveCurrentDir());
    } else if (item->data(RemoteKindRole).toString() == u"<DIR>") {
        ListRemoteDirectory(JoinRemotePath(ftp.RetrieveCurrentDir(), caption));
    }
}

void RemoteBrowser::openGridEntry() {
    TTable* permissions = m_tables.Permissions;
    if (!permissions->active() || permissions->recordCount() == 0) return;
    const QString name = permissions->fieldByName(QStringLiteral("Name")).asString();
    const QString type = permissions->fieldByName(QStringLiteral("Type")).asString();
    TIdFTP& ftp = m_session.ftp();
    if (name == u".") {
        ListRemoteDirectory(QStringLiteral("/"));
        FTPCurrentDirectory = ftp.RetrieveCurrentDir();
    } else if (name == u"..") {
        ftp.ChangeDirUp();
        ListRemoteDirectory(ftp.RetrieveCurrentDir());
        FTPCurrentDirectory = ftp.RetrieveCurrentDir();
    } else if (type == u"<DIR>") {
        FTPCurrentDirectory = JoinRemotePath(ftp.RetrieveCurrentDir(), name);
        ListRemoteDirectory(FTPCurrentDirectory);
        m_ui.ProcessEdit->setText(QStringLiteral("FTP Directory: ") + FTPCurrentDirectory);
    }
}

void RemoteBrowser::goUp() {
    TIdFTP& ftp = m_session.ftp();
    ftp.ChangeDirUp();
    ListRemoteDirectory(ftp.RetrieveCurrentDir());
}

void RemoteBrowser::sortGrid(int column) {
    SortAndRenumber(*m_tables.Permissions, m_model->fieldNameOfColumn(column));
}

void RemoteBrowser::showLoginFolder() {
    ListRemoteDirectory(QStringLiteral("/"));
    FTPCurrentDirectory =
        QStringLiteral("ftp://") + m_session.settings().host + m_session.ftp().RetrieveCurrentDir();
}

void RemoteBrowser::refresh() {
    if (m_session.isOpen()) ListRemoteDirectory(m_session.ftp().RetrieveCurrentDir());
}

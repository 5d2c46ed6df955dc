// Walking the server's folders from the icon list and the grid, and sorting the grid.
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/RemotePath.h"
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
        openSubFolder(caption);
    }
}

QByteArray RemoteBrowser::rawNameOf(const QString& caption) const {
    for (int i = 0; i < m_ui.FTPFilesList->count(); ++i) {
        const QListWidgetItem* item = m_ui.FTPFilesList->item(i);
        if (item->text() == caption) return item->data(RemoteRawNameRole).toByteArray();
    }
    return m_session.ftp().encodeText(caption);
}

// The folder's own bytes go back to the server, whatever the connection's encoding makes of its text.
QString RemoteBrowser::openSubFolder(const QString& caption) {
    TIdFTP& ftp = m_session.ftp();
    const QString current = ftp.RetrieveCurrentDir();
    const QString path = JoinRemotePath(current, caption);
    listFolder(joinRemotePath(ftp.encodeText(current), rawNameOf(caption)), path);
    return path;
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
        FTPCurrentDirectory = openSubFolder(name);
        m_ui.ProcessEdit->setText(QStringLiteral("FTP Directory: ") + FTPCurrentDirectory);
    }
}

void RemoteBrowser::goUp() {
    TIdFTP& ftp = m_session.ftp();
    ftp.ChangeDirUp();
    ListRemoteDirectory(ftp.RetrieveCurrentDir());
}

// Size sorts by the byte count, Date and Time by the date-time, No as a number; the others as text.
void RemoteBrowser::sortGrid(int column) {
    if (busy()) return;
    const QString field = m_model->fieldNameOfColumn(column);
    if (field == u"No")
        SortAndRenumber(*m_tables.Permissions, field, IndexValues::Numeric);
    else if (field == u"Size")
        SortAndRenumber(*m_tables.Permissions, QStringLiteral("SizeValue"), IndexValues::Numeric);
    else if (field == u"Date" || field == u"Time")
        SortAndRenumber(*m_tables.Permissions, field + QStringLiteral("Value"));
    else
        SortAndRenumber(*m_tables.Permissions, field);
}

void RemoteBrowser::showLoginFolder() {
    m_session.unlessClosed([this] {
        ListRemoteDirectory(QStringLiteral("/"));
        FTPCurrentDirectory =
            QStringLiteral("ftp://") + m_session.settings().host + m_session.ftp().RetrieveCurrentDir();
    });
}

void RemoteBrowser::showFolder(const QString& path) {
    m_session.unlessClosed([&] { ListRemoteDirectory(path); });
}

void RemoteBrowser::refresh() {
    m_session.unlessClosed([this] {
        if (m_session.isOpen() && !busy()) ListRemoteDirectory(m_session.ftp().RetrieveCurrentDir());
    });
}

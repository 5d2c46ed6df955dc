// The listing refresh: the remote folder into the icon list FTPFilesList and the table Permissions.
#include "core/base/TextFormat.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "gui/common/Guard.h"
#include "gui/remotebrowser/RemoteBrowser.h"
#include "gui/remotebrowser/RemoteListItem.h"
#include "ui_MyMenu.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

// Ends the bulk update of the list and the table on every way out of a pass.
class BulkUpdate {
public:
    BulkUpdate(QListWidget* list, TTable* table) : m_list(list), m_table(table) {
        m_list->setUpdatesEnabled(false);
        m_table->beginBulkUpdate();
    }
    ~BulkUpdate() {
        m_table->endBulkUpdate();
        m_list->setUpdatesEnabled(true);
    }

private:
    QListWidget* m_list;
    TTable* m_table;
};

} // namespace

void RemoteBrowser::loadIcons() {
    TTable* catalogue = m_tables.FileInfo;
    FTPImageList.clear();
    const int count = catalogue->recordCount();
    FTPImageList.reserve(count);
    catalogue->first();
    for (int p = 0; p < count; ++p) {
        FTPImageList.insert(
            p, QPixmap::fromImage(catalogue->fieldByName(QStringLiteral("Pictures48x48")).picture()));
        catalogue->next();
    }
    catalogue->first();
    DirectoryFirst = true;
}

void RemoteBrowser::ListRemoteDirectory(const QString& path) {
    FTPPreviewActive = false;
    if (!m_session.isOpen()) return;
    listFolder(m_session.ftp().encodeText(path), path);
}

void RemoteBrowser::listFolder(const QByteArray& rawPath, const QString& path) {
    FTPPreviewActive = false;
    if (!m_session.isOpen()) return;
    const bool nested = m_refreshing;
    m_refreshing = true;
    if (!nested) emit busyChanged(true);
    runThenAlways([&] { refreshViews(rawPath, path); },
                  [&] {
                      if (nested) return;
                      m_refreshing = false;
                      emit busyChanged(false);
                  });
    FTPPreviewActive = true;
    m_ui.FTPSelectedFile->setText(path);
    emit folderChanged(path);
}

void RemoteBrowser::refreshViews(const QByteArray& rawPath, const QString& path) {
    TTable* permissions = m_tables.Permissions;
    m_ui.ProcessEdit->setText(path);
    permissions->emptyDataSet();
    permissions->first();
    m_ui.FTPFilesList->clear();
    // Without "." and ".." in the listing, the rows are simply numbered from 1.
    if (DirectoryFirst) {
        addListingPass(rawPath, true, true);
        addListingPass(rawPath, false, false);
    } else {
        addListingPass(rawPath, false, true);
        addListingPass(rawPath, true, false);
    }
    permissions->first();
}

QStringList RemoteBrowser::catalogueExtensions() const {
    QStringList extensions;
    TTable* catalogue = m_tables.FileInfo;
    if (!catalogue->active()) return extensions;
    const int count = catalogue->recordCount();
    extensions.reserve(count);
    for (int row = 0; row < count; ++row)
        extensions << catalogue->value(row, 1).toString();
    return extensions;
}

void RemoteBrowser::addListingPass(const QByteArray& rawPath, bool folders, bool first) {
    TIdFTP& ftp = m_session.ftp();
    TTable* permissions = m_tables.Permissions;
    int listIndex = first ? 0 : FTPCurrentIndex;
    ftp.ChangeDir(rawPath);
    ftp.List(nullptr, QString(), true);
    m_ui.ProcessEdit->setText(ftp.RetrieveCurrentDir());

    const QStringList extensions = catalogueExtensions();
    QList<QIcon> icons;
    icons.reserve(FTPImageList.size());
    for (const QPixmap& pixmap : FTPImageList)
        icons << QIcon(pixmap);

    BulkUpdate bulk(m_ui.FTPFilesList, permissions);
    // Each pass lists the folder anew; the numbering follows the listing of the first pass. The entries
    // are parsed as they are added, so a large folder's listing is never held parsed as a whole.
    if (first) {
        bool dots = false;
        ftp.forEachListedEntry([&](const TIdFTPListItem& e) { dots = dots || e.FileName == u"." || e.FileName == u".."; });
        m_numberFromOne = !dots;
    }
    const QString iconField = QStringLiteral("Icon");
    // A folder's entries share few dates and times: each distinct one is written once and its text shared.
    QHash<QDate, QString> dateTexts;
    QHash<int, QString> timeTexts;
    const auto dateText = [&](const QDateTime& value) {
        auto found = dateTexts.find(value.date());
        if (found == dateTexts.end())
            found = dateTexts.insert(value.date(), formatDateTime(QStringLiteral("dd.mm.yyyy"), value));
        return *found;
    };
    // Byte-count texts keep three digits and a unit, so many sizes share one text.
    QSet<QString> sizeTexts;
    const auto sizeText = [&](qint64 size) { return *sizeTexts.insert(ByteSizeText(size)); };
    const auto timeText = [&](const QDateTime& value) {
        const int second = value.time().isValid() ? value.time().msecsSinceStartOfDay() / 1000 : -1;
        auto found = timeTexts.find(second);
        if (found == timeTexts.end())
            found = timeTexts.insert(second, formatDateTime(QStringLiteral("hh:nn:ss"), value));
        return *found;
    };
    int p = -1; // the entry's position in the listing
    ftp.forEachListedEntry([&](const TIdFTPListItem& entry) {
        ++p;
        const bool isFolder = entry.ItemType == ditDirectory;
        if (isFolder != folders) return;
        int image;
        QString type;
        if (isFolder) {
            image = entry.FileName == u"." ? 0 : entry.FileName == u".." ? 1 : 2;
            type = image == 0   ? QStringLiteral("Root")
                   : image == 1 ? QStringLiteral("Dir Up")
                                : QStringLiteral("<DIR>");
        } else {
            image = fileIconIndex(entry.FileName, extensions);
            type = QStringLiteral("File");
        }

        const int rowsBefore = permissions->recordCount();
        permissions->append();
        permissions->fields(0).setAsString(m_numberFromOne ? QString::number(rowsBefore + 1)
                                                           : listingRowNumber(p, rowsBefore));
        permissions->fields(1).setAsString(entry.FileName);
        permissions->fields(2).setAsString(type);
        permissions->fields(4).setAsString(sizeText(entry.Size));
        permissions->fields(5).setAsInteger(qint32(quint32(quint64(entry.Size) & 0xFFFFFFFFu)));
        permissions->fields(6).setAsString(dateText(entry.ModifiedDate));
        permissions->fields(7).setAsDateTime(entry.ModifiedDate);
        permissions->fields(8).setAsString(timeText(entry.ModifiedDate));
        permissions->fields(9).setAsDateTime(entry.ModifiedDate);
        permissions->fields(10).setAsString(entry.PermissionDisplay);
        // The row picture is the chosen image of the icon list (a missing image leaves it empty).
        permissions->fieldByName(iconField).assign(FTPImageList.value(image).toImage());
        permissions->post();
        permissions->next();

        auto* item = new RemoteListItem(icons.value(image), entry.FileName, isFolder, entry.Size, image, entry.RawName);
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
        m_ui.FTPFilesList->addItem(item);
        ++listIndex;
    });
    if (first) FTPCurrentIndex = listIndex;
}

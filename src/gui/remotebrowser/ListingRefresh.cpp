// The listing refresh: the remote folder into the icon list FTPFilesList and the table Permissions.
#include "gui/mainwindow/MyMenu.h"
#include "core/tables/Table.h"
#include "core/base/TextFormat.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/TIdFTP.h"
#include "ui_MyMenu.h"

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

void TMyMenuForm::ListRemoteDirectory(const QString& path) {
    FTPPreviewActive = false;
    if (!IdFTP->Connected()) return;
    m_ui->ProcessEdit->setText(path);
    Permissions->emptyDataSet();
    Permissions->first();
    m_ui->FTPFilesList->clear();
    if (DirectoryFirst) {
        AddFolderEntries(path);
        AddFileEntries(path);
    } else {
        AddFileEntries(path);
        AddFolderEntries(path);
    }
    Permissions->first();
    FTPPreviewActive = true;
    m_ui->FTPSelectedFile->setText(path);
}

void TMyMenuForm::AddFolderEntries(const QString& path) {
    addListingPass(path, true, DirectoryFirst);
}

void TMyMenuForm::AddFileEntries(const QString& path) {
    addListingPass(path, false, !DirectoryFirst);
}

QStringList TMyMenuForm::catalogueExtensions() const {
    QStringList extensions;
    if (!FileInfo->active()) return extensions;
    const int count = FileInfo->recordCount();
    extensions.reserve(count);
    for (int row = 0; row < count; ++row)
        extensions << FileInfo->value(row, 1).toString();
    return extensions;
}

void TMyMenuForm::addListingPass(const QString& path, bool folders, bool first) {
    int listIndex = first ? 0 : FTPCurrentIndex;
    IdFTP->ChangeDir(path);
    QStringList lines;
    IdFTP->List(&lines, QString(), true);
    m_ui->ProcessEdit->setText(IdFTP->RetrieveCurrentDir());

    const QStringList extensions = catalogueExtensions();
    QList<QIcon> icons;
    icons.reserve(FTPImageList.size());
    for (const QPixmap& pixmap : FTPImageList)
        icons << QIcon(pixmap);

    BulkUpdate bulk(m_ui->FTPFilesList, Permissions);
    const QList<TIdFTPListItem>& listing = IdFTP->DirectoryListing();
    const QString iconField = QStringLiteral("Icon");
    for (int p = 0; p < listing.size(); ++p) {
        const TIdFTPListItem& entry = listing.at(p);
        const bool isFolder = entry.ItemType == ditDirectory;
        if (isFolder != folders) continue;
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

        const int rowsBefore = Permissions->recordCount();
        Permissions->append();
        Permissions->fields(0).setAsString(listingRowNumber(p, rowsBefore));
        Permissions->fields(1).setAsString(entry.FileName);
        Permissions->fields(2).setAsString(type);
        Permissions->fields(4).setAsString(ByteSizeText(entry.Size));
        Permissions->fields(5).setAsInteger(qint32(quint32(quint64(entry.Size) & 0xFFFFFFFFu)));
        Permissions->fields(6).setAsString(formatDateTime(QStringLiteral("dd.mm.yyyy"), entry.ModifiedDate));
        Permissions->fields(7).setAsDateTime(entry.ModifiedDate);
        Permissions->fields(8).setAsString(formatDateTime(QStringLiteral("hh:nn:ss"), entry.ModifiedDate));
        Permissions->fields(9).setAsDateTime(entry.ModifiedDate);
        Permissions->fields(10).setAsString(entry.PermissionDisplay);
        // The row picture is the chosen image of the icon list (a missing image leaves it empty).
        Permissions->fieldByName(iconField).assign(FTPImageList.value(image).toImage());
        Permissions->post();
        Permissions->next();

        auto* item = new QListWidgetItem(icons.value(image), entry.FileName);
        item->setData(RemoteKindRole, isFolder ? QStringLiteral("<DIR>") : QStringLiteral("Files"));
        item->setData(RemoteSizeRole, isFolder ? QString() : QString::number(entry.Size));
        item->setData(RemoteImageRole, image);
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
        m_ui->FTPFilesList->addItem(item);
        ++listIndex;
    }
    if (first) FTPCurrentIndex = listIndex;
}

// Start-up of the main window: the data folder, the table files, the tables and the icon list.
#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "gui/common/Guard.h"
#include "gui/mainwindow/MyMenu.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "core/base/TextFormat.h"
#include "ui_MyMenu.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QScreen>
#include <QShowEvent>
#include <QTableView>

void TMyMenuForm::createTables() {
    Permissions = new TTable(permissionsTable().tableName, permissionsTable().fields, this);
    FTPServers = new TTable(ftpServersTable().tableName, ftpServersTable().fields, this);
    FTPEvents = new TTable(ftpEventsTable().tableName, ftpEventsTable().fields, this);
    FileInfo = new TTable(fileInfoTable().tableName, fileInfoTable().fields, this);
}

void TMyMenuForm::FormCreate() {
    Xp = width() - 800;
    Yp = height() - 500;
    InitWindowRegion();
    ClientColor = colorFromBGR(4227200);
    ServerColor = colorFromBGR(8421376);
    FTPFilesDrag = false;
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void TMyMenuForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_shown || event->spontaneous()) return;
    m_shown = true;
    guarded(this, [this] { FormShow(); });
}

void TMyMenuForm::FormShow() {
    const QString data = dataFolderPath();
    const QString system = dataSystemFolder();
    for (const QString& folder : {data, system, dataTempFolder()})
        if (!QFileInfo(folder).isDir()) ForceLocalFolders(folder);
    // Without the folder no table can be opened or saved: say so once instead of once per table.
    if (!QFileInfo(system).isDir())
        throw QeltoError(QStringLiteral("Cannot create the data folder ") + system);

    QStringList files;
    for (const TableSpec& spec : allTables())
        files << spec.fileName;
    copyMissingTemplates(findTemplateFolder(), system, files);

    const std::pair<TTable*, QString> order[] = {{Permissions, permissionsTable().fileName},
                                                 {FTPServers, ftpServersTable().fileName},
                                                 {FTPEvents, ftpEventsTable().fileName},
                                                 {FileInfo, fileInfoTable().fileName}};
    for (const auto& [table, fileName] : order) {
        table->setActive(false);
        table->setFileName(system + u'/' + fileName);
        table->setActive(true);
    }

    Permissions->emptyDataSet();
    Permissions->first();
    FTPEvents->emptyDataSet();
    FTPEvents->first();
    DirectoryFirst = true;

    SortAndRenumber(*FileInfo, QStringLiteral("No"));
    FileInfo->first();
    FTPImageList.clear();
    const int count = FileInfo->recordCount();
    FTPImageList.reserve(count);
    for (int p = 0; p < count; ++p) {
        FTPImageList.insert(
            p, QPixmap::fromImage(FileInfo->fieldByName(QStringLiteral("Pictures48x48")).picture()));
        FileInfo->next();
    }
    FileInfo->first();
    FilesNameList.clear();
    StandByMode = false;
}

void TMyMenuForm::bindGrids() {
    auto columns = [](std::initializer_list<const char*> names) {
        QList<TableColumn> list;
        for (const char* n : names)
            list << TableColumn{QString::fromLatin1(n), QString(), true};
        return list;
    };
    m_permissionsModel = new TableModel(
        *Permissions, columns({"No", "Name", "Type", "Size", "Date", "Time", "Permissions"}), this);
    QList<TableColumn> events;
    for (const FieldDef& f : FTPEvents->schema())
        events << TableColumn{f.name, QString(), f.name != u"SizeValue"};
    m_eventsModel = new TableModel(*FTPEvents, events, this);
    static const QHash<QString, QString> serverTitles{
        {QStringLiteral("URLAlias"), QStringLiteral("URL Alias")},
        {QStringLiteral("FTPServer"), QStringLiteral("FTP Server Address")},
        {QStringLiteral("FTPServerIP"), QStringLiteral("FTP Server IP")},
        {QStringLiteral("UserID"), QStringLiteral("User ID")},
        {QStringLiteral("TransferType"), QStringLiteral("Transfer Type")},
        {QStringLiteral("UseTLS"), QStringLiteral("Use TLS")}};
    QList<TableColumn> servers;
    for (const FieldDef& f : FTPServers->schema()) {
        const int pos = int(servers.size());
        servers << TableColumn{f.name, serverTitles.value(f.name), pos < 10 || pos > 25};
    }
    m_serversModel = new TableModel(*FTPServers, servers, this);
    QList<TableColumn> types;
    for (const FieldDef& f : FileInfo->schema())
        types << TableColumn{f.name, QString(),
                             f.name == u"No" || f.name == u"Extention" || f.name == u"FileType"};
    m_fileInfoModel = new TableModel(*FileInfo, types, this);

    bindGrid(m_ui->DBGrid, m_permissionsModel);
    bindGrid(m_ui->FTPEventsTable, m_eventsModel);
    bindGrid(m_ui->ServersTable, m_serversModel);
    bindGrid(m_ui->FTPGrid, m_fileInfoModel);

    // DBGrid: No centred, Name 200, the others 100 and centred; centred titles.
    QHeaderView* header = m_ui->DBGrid->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setSectionsClickable(true);
    const int widths[] = {50, 200, 100, 100, 100, 100, 100};
    for (int c = 0; c < 7; ++c)
        m_ui->DBGrid->setColumnWidth(c, widths[c]);
}

void TMyMenuForm::closeTables() {
    for (TTable* table : {Permissions, FTPServers, FTPEvents, FileInfo})
        if (table) guarded(this, [table] { table->close(); });
}

// A read-only grid on a table that follows its current record both ways.
void TMyMenuForm::bindGrid(QTableView* grid, TableModel* model) {
    grid->setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        grid->setColumnHidden(c, !model->isColumnVisible(c));
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->verticalHeader()->hide();
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
            [this, model](const QModelIndex& current) {
                guarded(this, [&] {
                    if (current.isValid() && current.row() != model->currentRow())
                        model->setCurrentRow(current.row());
                });
            });
    connect(model, &TableModel::currentRowChanged, grid, [grid, model](int row) {
        if (row < 0) return;
        const QModelIndex index = model->index(row, qMax(0, grid->currentIndex().column()));
        if (grid->currentIndex().row() != row)
            grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
    });
}

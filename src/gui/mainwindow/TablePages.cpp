#include "gui/mainwindow/TablePages.h"

#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "gui/common/GridBinding.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QHash>
#include <QHeaderView>

namespace {

// Title clicks sort the grid's own table by the clicked column.
void sortOnTitleClick(QTableView* grid, TTable& table, TableModel* model, QWidget* window) {
    QObject::connect(
        grid->horizontalHeader(), &QHeaderView::sectionClicked, window, [&table, model, window](int column) {
            userAction(window, [&] { SortAndRenumber(table, model->fieldNameOfColumn(column)); });
        });
}

} // namespace

void bindTablePages(Ui::TMyMenuForm& ui, DataTables& tables, QWidget* window) {
    QList<TableColumn> events;
    for (const FieldDef& f : tables.FTPEvents->schema())
        events << TableColumn{f.name, QString(), f.name != u"SizeValue"};
    auto* eventsModel = new TableModel(*tables.FTPEvents, events, window);

    static const QHash<QString, QString> serverTitles{
        {QStringLiteral("URLAlias"), QStringLiteral("URL Alias")},
        {QStringLiteral("FTPServer"), QStringLiteral("FTP Server Address")},
        {QStringLiteral("FTPServerIP"), QStringLiteral("FTP Server IP")},
        {QStringLiteral("UserID"), QStringLiteral("User ID")},
        {QStringLiteral("TransferType"), QStringLiteral("Transfer Type")},
        {QStringLiteral("UseTLS"), QStringLiteral("Use TLS")}};
    QList<TableColumn> servers;
    for (const FieldDef& f : tables.FTPServers->schema()) {
        const int pos = int(servers.size());
        servers << TableColumn{f.name, serverTitles.value(f.name), pos < 10 || pos > 25};
    }
    auto* serversModel = new TableModel(*tables.FTPServers, servers, window);

    QList<TableColumn> types;
    for (const FieldDef& f : tables.FileInfo->schema())
        types << TableColumn{f.name, QString(),
                             f.name == u"No" || f.name == u"Extention" || f.name == u"FileType"};
    auto* fileInfoModel = new TableModel(*tables.FileInfo, types, window);

    bindGrid(ui.FTPEventsTable, eventsModel);
    bindGrid(ui.ServersTable, serversModel);
    bindGrid(ui.FTPGrid, fileInfoModel);
    // The catalogue grid keeps its order: the icon list follows it.
    sortOnTitleClick(ui.FTPEventsTable, *tables.FTPEvents, eventsModel, window);
    sortOnTitleClick(ui.ServersTable, *tables.FTPServers, serversModel, window);
}

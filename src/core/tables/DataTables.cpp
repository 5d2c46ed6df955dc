#include "core/tables/DataTables.h"

#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"

#include <QFileInfo>

namespace {

TTable* makeTable(const TableSpec& spec, QObject* parent) {
    return new TTable(spec.tableName, spec.fields, parent);
}

} // namespace

DataTables::DataTables(QObject* parent)
    : QObject(parent), Permissions(makeTable(permissionsTable(), this)),
      FTPServers(makeTable(ftpServersTable(), this)), FTPEvents(makeTable(ftpEventsTable(), this)),
      FileInfo(makeTable(fileInfoTable(), this)) {}

DataTables::~DataTables() = default;

void DataTables::open() {
    const QString system = dataSystemFolder();
    for (const QString& folder : {dataFolderPath(), system, dataTempFolder()})
        if (!QFileInfo(folder).isDir()) ForceLocalFolders(folder);
    // Without the folder no table can be opened or saved: say so once instead of once per table.
    if (!QFileInfo(system).isDir())
        throw QeltoError(QStringLiteral("Cannot create the data folder ") + system);

    QStringList files;
    for (const TableSpec& spec : allTables())
        files << spec.fileName;
    copyMissingTemplates(templateSearchFolders(), system, files);

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
    SortAndRenumber(*FileInfo, QStringLiteral("No"));
    FileInfo->first();
}

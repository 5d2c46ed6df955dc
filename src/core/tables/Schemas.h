#pragma once

#include "core/tables/Table.h"

#include <QList>
#include <QString>

// The four tables: name, file in the data folder's System folder, and fields in their fixed order
// (much of the program addresses fields by position).
struct TableSpec {
    QString tableName;
    QString fileName;
    QList<FieldDef> fields;
};

QList<FieldDef> permissionsSchema();
QList<FieldDef> ftpEventsSchema();
QList<FieldDef> ftpServersSchema();
QList<FieldDef> fileInfoSchema();

TableSpec permissionsTable(); // "Permissions", "Permisions.XML"
TableSpec ftpEventsTable();   // "FTPEvents", "FTPEvents.XML"
TableSpec ftpServersTable();  // "FTPServers", "FTPServers.XML"
TableSpec fileInfoTable();    // "FileInfo", "FilesInfo.XML"

// In the order the files are copied from their templates: FilesInfo, FTPEvents, FTPServers, Permisions.
QList<TableSpec> allTables();

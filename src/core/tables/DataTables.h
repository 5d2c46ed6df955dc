#pragma once

#include <QList>
#include <QObject>

class TTable;

// The four tables of the program, opened from the data folder at start-up and saved as they close.
class DataTables : public QObject {
    Q_OBJECT
public:
    explicit DataTables(QObject* parent = nullptr);
    ~DataTables() override;

    TTable* const Permissions;
    TTable* const FTPServers;
    TTable* const FTPEvents;
    TTable* const FileInfo;

    // Creates the data folder, copies the missing table files from their templates and opens the
    // tables in their fixed order; empties the listing and job tables and renumbers the catalogue.
    // The first failure ends it with the tables opened so far.
    void open();
    // In the order they are opened.
    QList<TTable*> all() const { return {Permissions, FTPServers, FTPEvents, FileInfo}; }
};

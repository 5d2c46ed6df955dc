#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class TIdFTP;
class TTable;

// An entry of the remote list the user selected.
struct RemoteSelection {
    QString name;
    QByteArray rawName;
    bool folder = false;
};

// What a list build wrote besides the rows.
struct ListBuild {
    QStringList skipped;                  // entries left out, by path, with the reason
    QHash<QString, QByteArray> rawRemote; // the server's bytes of every row's remote path
    QHash<QString, qint64> sizes;         // the true size of every row's remote entry
    QString folder;                       // the folder the selection was made in, as the server names it
    QByteArray rawFolder;                 // and as its bytes
};

// Writes the job rows of a remote selection made in the connection's current folder: the rows of the
// selected folders, then each selected folder's contents (files before sub-folders, each sub-folder's
// row followed by its own contents), then the selected files. Each folder is listed once; links are
// never followed; a name that cannot be a local path is skipped. A folder that cannot be entered or
// listed stops the build with its error. The connection ends in the folder it started in.
ListBuild buildDownloadList(TIdFTP& ftp, const QList<RemoteSelection>& selection, TTable& events);

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class TIdFTP;
class TTable;

// An entry of the remote list the user selected.
struct RemoteSelection {
    QString name;
    QByteArray rawName;
    bool folder = false;
};

// What a list build wrote besides the rows. Two server names may decode to one text, so the rows'
// server paths are kept by row position (the order the rows were written in), never by their text.
struct ListBuild {
    QStringList skipped;         // entries left out, by path, with the reason
    QList<QByteArray> rawRemote; // per row: the server's bytes of its remote path
    QList<qint64> sizes;         // per row: the true size of its remote entry
    QString folder;              // the folder the selection was made in, as the server names it
    QByteArray rawFolder;        // and as its bytes

    QByteArray rawAt(int row) const { return row >= 0 && row < rawRemote.size() ? rawRemote[row] : QByteArray(); }
    qint64 sizeAt(int row, qint64 otherwise) const {
        return row >= 0 && row < sizes.size() ? sizes[row] : otherwise;
    }
};

// How local targets compare when rows are checked for collisions.
enum class LocalNames {
    Unchecked,  // the rows are not written locally (delete, move, permissions)
    Exact,      // a file system that tells letter case apart
    IgnoreCase, // one that does not: "README" and "readme" are one file
};

struct ListOptions {
    // Delete, move and recursive permissions: a folder whose listing facts cannot tell a link from a
    // real folder (MLSD describes a link by its target) is looked up in the plain LIST as well, and a
    // link there is left out. Without it such a walk would reach files outside the selection.
    bool confirmLinks = false;
    // Delete: a link becomes a file row of its own (the link is removed, never what it leads to).
    bool linksAsFiles = false;
    // Two entries that would land on one local path: the second is left out and reported.
    LocalNames localNames = LocalNames::Unchecked;
    // Asked before each folder is listed; true ends the build with "Job cancelled".
    std::function<bool()> cancelled;
    // A tree deeper than this is refused: a server can list folders without end.
    int maxDepth = 64;
};

// Writes the job rows of a remote selection made in the connection's current folder: the rows of the
// selected folders, then each selected folder's contents (files before sub-folders, each sub-folder's
// row followed by its own contents), then the selected files. Each folder is listed once; links are
// never followed; a name that cannot be a local path is skipped. A folder that cannot be entered or
// listed stops the build with its error. The connection ends in the folder it started in.
ListBuild buildDownloadList(TIdFTP& ftp, const QList<RemoteSelection>& selection, TTable& events,
                            const ListOptions& options = {});

// The connection's current folder as an absolute path. A job's rows are absolute paths: a relative one
// would name another file on a transfer connection, which starts in the login folder. Throws when the
// server's PWD reply names no absolute folder.
QString absoluteCurrentDir(TIdFTP& ftp);

// Whether the file system holding `folder` ignores letter case (tried with a file of its own).
bool folderIgnoresCase(const QString& folder);

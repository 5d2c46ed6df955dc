#pragma once

#include <QDateTime>
#include <QString>

class TTable;
struct TIdFTPListItem;

// What built the job list in FTPEvents; a runner takes only a list of its own kind. Cut is run as a
// move.
enum class JobKind { None, Download, Upload, Cut, Copy, Delete };

// One job row as the list builders write it.
struct JobRow {
    QString name;
    bool folder = false;
    qint64 size = 0;
    QDateTime modified;
    QString permissions;
    QString remote;
    QString local;
    QString event; // "Download Ready", "Upload Ready" or "-"
};

// Appends the row at the end of the job table, numbered after the rows already there.
void appendJobRow(TTable& events, const JobRow& row);

// The row of a remote entry listed in `folder` (the server's path), below the local relative folder
// `localFolder` ("" or ending in "/").
JobRow remoteJobRow(const TIdFTPListItem& entry, const QString& folder, const QString& localFolder);

// A name from a server that may become part of a local path: not empty, not "." or "..", and without
// "/", NUL or another control character.
bool isSafeRemoteName(const QString& name);

// `relative` below `root`, refused with an error when the result would leave `root` (checked on the
// canonical path of the deepest part that exists).
QString localTargetBelow(const QString& root, const QString& relative);

// What names a download's kept hidden file: the remote path's bytes with the size and time the listing
// gave, so that only the same version of the same file goes on from it (12 hex digits).
QString downloadPartKey(const QByteArray& remote, qint64 size, const QString& modified);

// Row fields by position.
namespace JobField {
enum {
    No,
    Name,
    Type,
    Size,
    SizeValue,
    Date,
    Time,
    Permissions,
    Status,
    Remote,
    Local,
    Event,
    StartTime,
    EndTime,
    EventDate
};
}

#pragma once

#include "core/transfer/DownloadList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TIdFTP;
class TTable;

// What a permission change did.
struct PermissionChange {
    int changed = 0;     // entries whose SITE CHMOD the server took
    QStringList refused; // "path: reply" of the ones it refused
    QStringList skipped; // entries the walk left out, with the reason
};

// Sends "SITE CHMOD <octal> <name>" for `entry` of the connection's current folder. With `recursive` on
// a folder, everything below it is changed too, by absolute path: each entry before the folder holding
// it (so a change that closes a folder does not lock out what is inside), folders with execute wherever
// read is set. A refusal is recorded and the rest go on; any other failure stops with its error. A name
// that could point anywhere else ("", ".", "..", one holding "/" or a control character) is never sent.
PermissionChange changePermissions(TIdFTP& ftp, const RemoteSelection& entry, int mode, bool recursive);

// A name as the server's bytes that stays one entry of its folder: not empty, not "." or "..", and
// without "/", NUL or another control character (a line end would end the command early).
bool isSafeRawName(const QByteArray& name);

// The part of a job row's remote path `raw` below the folder of its selection `rawFolder`, both as the
// server's bytes ("a/b/g" for "/pub/a/b/g" below "/pub"). Empty when `raw` is not below `rawFolder` or a
// part of the rest is not a safe name.
QByteArray rawPathBelow(const QByteArray& rawFolder, const QByteArray& raw);

// Sets Event of every file row to `event`: a list waiting for its paste shows what it is waiting for.
void markFileRows(TTable& events, const QString& event);

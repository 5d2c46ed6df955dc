#include "core/transfer/RemoteChanges.h"

#include "core/base/Errors.h"
#include "core/browse/RemoteEditing.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Schemas.h"
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"

PermissionChange changePermissions(TIdFTP& ftp, const RemoteSelection& entry, int mode, bool recursive) {
    PermissionChange change;
    const QByteArray raw = entry.rawName.isEmpty() ? ftp.encodeText(entry.name) : entry.rawName;
    if (!isSafeRemoteName(entry.name) || !isSafeRawName(raw)) {
        change.skipped << entry.name + QStringLiteral(" (not a usable file name)");
        return change;
    }
    auto chmod = [&](const QByteArray& path, const QString& shown, int bits) {
        try {
            ftp.Site(QByteArray("CHMOD " + octalText(bits).toLatin1() + ' ' + path));
            ++change.changed;
        } catch (const FtpReplyError& e) {
            change.refused << shown + QStringLiteral(": ") + e.text().trimmed();
        }
    };
    if (!recursive || !entry.folder) {
        chmod(raw, entry.name, mode);
        return change;
    }
    // The walk of the job lists, into a table of its own: the job grid keeps what it shows.
    const TableSpec spec = ftpEventsTable();
    TTable rows(spec.tableName, spec.fields);
    rows.createDataSet();
    ListOptions options;
    options.confirmLinks = true; // a link to a folder elsewhere must keep its files' modes
    const ListBuild build = buildDownloadList(ftp, {entry}, rows, options);
    change.skipped = build.skipped;
    // The rows hold every folder before its contents: backwards, each entry comes before its folder.
    for (int row = rows.recordCount() - 1; row >= 0; --row) {
        const QString remote = rows.value(row, JobField::Remote).toString();
        const bool folder = rows.value(row, JobField::Type).toString() == u"<DIR>";
        const QByteArray path = build.rawAt(row);
        if (path.isEmpty()) continue;
        chmod(path, remote, folder ? folderMode(mode) : mode);
    }
    return change;
}

bool isSafeRawName(const QByteArray& name) {
    if (name.isEmpty() || name == "." || name == "..") return false;
    for (const char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

QByteArray rawPathBelow(const QByteArray& rawFolder, const QByteArray& raw) {
    QByteArray folder = rawFolder;
    while (folder.endsWith('/'))
        folder.chop(1);
    if (!raw.startsWith(QByteArray(folder + '/'))) return {};
    const QByteArray rest = raw.mid(folder.size() + 1);
    for (const QByteArray& part : rest.split('/'))
        if (!isSafeRawName(part)) return {};
    return rest;
}

void markFileRows(TTable& events, const QString& event) {
    for (int row = 0; row < events.recordCount(); ++row) {
        if (events.value(row, JobField::Type).toString() != u"File") continue;
        events.moveTo(row);
        events.edit();
        events.fields(JobField::Event).setAsString(event);
        events.post();
    }
    events.first();
}

#include "core/transfer/JobRows.h"

#include "core/base/Errors.h"
#include "core/base/TextFormat.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/ListParse.h"
#include "core/tables/Table.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

void appendJobRow(TTable& events, const JobRow& row) {
    const QString zero = QStringLiteral("00:00:00");
    events.last();
    const int count = events.recordCount();
    events.append();
    events.fields(JobField::No).setAsString(QString::number(count + 1));
    events.fields(JobField::Name).setAsString(row.folder ? u'<' + row.name + u'>' : row.name);
    events.fields(JobField::Type).setAsString(row.folder ? QStringLiteral("<DIR>") : QStringLiteral("File"));
    events.fields(JobField::Size).setAsString(ByteSizeText(row.size));
    events.fields(JobField::SizeValue).setAsInteger(qint32(quint32(quint64(row.size) & 0xFFFFFFFFu)));
    events.fields(JobField::Date).setAsString(formatDateTime(QStringLiteral("dd.mm.yyyy"), row.modified));
    events.fields(JobField::Time).setAsString(formatDateTime(QStringLiteral("hh:nn:ss"), row.modified));
    events.fields(JobField::Permissions).setAsString(row.permissions);
    events.fields(JobField::Status).setAsString(row.folder ? QStringLiteral("-") : QStringLiteral("0%"));
    events.fields(JobField::Remote).setAsString(row.remote);
    events.fields(JobField::Local).setAsString(row.local);
    events.fields(JobField::Event).setAsString(row.event);
    events.fields(JobField::StartTime).setAsString(zero);
    events.fields(JobField::EndTime).setAsString(zero);
    events.fields(JobField::EventDate)
        .setAsString(formatDateTime(QStringLiteral("dd.mm.yyyy"), QDateTime::currentDateTime()));
    events.post();
}

JobRow remoteJobRow(const TIdFTPListItem& entry, const QString& folder, const QString& localFolder) {
    JobRow row;
    row.folder = entry.ItemType == ditDirectory;
    row.name = entry.FileName;
    row.size = entry.Size;
    row.modified = entry.ModifiedDate;
    row.permissions = entry.PermissionDisplay;
    row.remote = folder + u'/' + entry.FileName;
    row.local = localFolder + entry.FileName;
    row.event = row.folder ? QStringLiteral("-") : QStringLiteral("Download Ready");
    return row;
}

bool isSafeRemoteName(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u"..") return false;
    for (const QChar c : name)
        if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    return true;
}

QString localTargetBelow(const QString& root, const QString& relative) {
    // The chosen folder may itself be reached through a link: the check works below its real path.
    const QString base = QDir(root).canonicalPath();
    const QString target = QDir::cleanPath(base + u'/' + relative);
    // The deepest existing part decides where a symbolic link on the way really leads.
    QString existing = target;
    while (!QFileInfo::exists(existing) && existing.size() > base.size())
        existing = QFileInfo(existing).path();
    const QString real = QFileInfo(existing).canonicalFilePath();
    const QString rest = target.mid(existing.size());
    const QString resolved = real + rest;
    if (base.isEmpty() || !(resolved == base || resolved.startsWith(base + u'/')))
        throw QeltoError(QStringLiteral("The path \"%1\" leads outside the folder %2").arg(relative, root),
                         ErrorCategory::LocalFile);
    return target; // the path that was checked
}

QString downloadPartKey(const QByteArray& remote, qint64 size, const QString& modified) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(remote);
    const QByteArray version = QByteArray(1, '\0') + QByteArray::number(size) + '\0' + modified.toUtf8();
    hash.addData(version);
    return QString::fromLatin1(hash.result().toHex().left(12));
}

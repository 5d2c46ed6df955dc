#include "core/transfer/UploadList.h"

#include "core/ftp/ListParse.h"
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"

#include <QDir>
#include <QFileInfo>

namespace {

class LocalWalk {
public:
    LocalWalk(const QString& base, const QString& remoteFolder, TTable& events)
        : m_base(base.endsWith(u'/') ? base : base + u'/'), m_remoteFolder(remoteFolder), m_events(events) {}

    void add(const QFileInfo& info) {
        if (info.isSymLink() && info.isDir()) {
            skipped << info.filePath() + QStringLiteral(" (a link to a folder)");
        } else if (info.isDir()) {
            addFolder(info);
            walk(info.filePath());
        } else if (info.isFile()) {
            addFile(info);
        } else {
            skipped << info.filePath() + QStringLiteral(" (not a regular file)");
        }
    }

    QStringList skipped;

private:
    void walk(const QString& folder) {
        const QDir dir(folder);
        const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        const QFileInfoList entries = dir.entryInfoList(all, QDir::Name);
        for (const QFileInfo& e : entries)
            if (e.isDir()) add(e);
        for (const QFileInfo& e : entries)
            if (!e.isDir()) add(e);
    }

    QString relative(const QFileInfo& info) const { return info.filePath().mid(m_base.size()); }

    QString remotePath(const QString& rel) const {
        return (m_remoteFolder.endsWith(u'/') ? m_remoteFolder : m_remoteFolder + u'/') + rel;
    }

    void addFolder(const QFileInfo& info) {
        JobRow row;
        row.folder = true;
        row.name = relative(info);
        row.modified = zeroDateTime();
        row.permissions = QStringLiteral("drwx--x--x");
        row.remote = remotePath(row.name) + u'/';
        row.local = info.filePath();
        row.event = QStringLiteral("-");
        appendJobRow(m_events, row);
    }

    void addFile(const QFileInfo& info) {
        JobRow row;
        row.name = relative(info);
        row.size = info.size();
        // Two-second resolution, odd seconds rounded down.
        QDateTime modified = info.lastModified();
        modified = modified.addMSecs(-modified.time().msec()).addSecs(-(modified.time().second() % 2));
        row.modified = modified;
        row.permissions = QStringLiteral("-rw-------");
        row.remote = remotePath(row.name);
        row.local = info.filePath();
        row.event = QStringLiteral("Upload Ready");
        appendJobRow(m_events, row);
    }

    QString m_base;
    QString m_remoteFolder;
    TTable& m_events;
};

} // namespace

QStringList buildUploadList(const QStringList& selectedPaths, const QString& base,
                            const QString& remoteFolder, TTable& events) {
    events.emptyDataSet();
    LocalWalk walk(base, remoteFolder, events);
    for (const QString& path : selectedPaths)
        walk.add(QFileInfo(path));
    events.first();
    return walk.skipped;
}

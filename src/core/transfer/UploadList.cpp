#include "core/transfer/UploadList.h"

#include "core/ftp/ListParse.h"
#include "core/tables/Table.h"
#include "core/transfer/JobRows.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

// A name that a server which reads a backslash as a separator would take for a path out of the folder:
// "..\x" or "\etc\x". Such a name is fine on this machine, so only these are left out.
bool leavesFolderOnBackslashServer(const QString& name) {
    if (!name.contains(u'\\')) return false;
    if (name.startsWith(u'\\')) return true;
    const QStringList parts = name.split(u'\\');
    return parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral("."));
}

class LocalWalk {
public:
    LocalWalk(const QString& base, const QString& remoteFolder, TTable& events)
        : m_base(base.endsWith(u'/') ? base : base + u'/'), m_remoteFolder(remoteFolder), m_events(events) {}

    // A selected entry: what is below it belongs to the selection, and only that is sent.
    void addSelected(const QFileInfo& info) {
        const QString real = info.canonicalFilePath();
        if (!real.isEmpty()) m_selection << real;
        m_top = true;
        add(info);
    }

    void add(const QFileInfo& info) {
        const bool top = std::exchange(m_top, false);
        if (leavesFolderOnBackslashServer(info.fileName())) {
            skipped << info.filePath() + QStringLiteral(" (a name with \\ that a server may read as a path)");
        } else if (info.isSymLink() && info.isDir()) {
            skipped << info.filePath() + QStringLiteral(" (a link to a folder)");
        } else if (info.isSymLink() && !top && !insideSelection(info.canonicalFilePath())) {
            // A link inside a selected folder that leads elsewhere (a key, a password file) is not
            // sent; a link the user selected is.
            skipped << info.filePath() + QStringLiteral(" (a link that leads outside the selection)");
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

    bool insideSelection(const QString& real) const {
        if (real.isEmpty()) return false; // a link that leads nowhere
        for (const QString& selected : m_selection)
            if (real == selected || real.startsWith(selected + u'/')) return true;
        return false;
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
    QStringList m_selection; // the selected entries' real paths
    bool m_top = false;
    QString m_remoteFolder;
    TTable& m_events;
};

} // namespace

QStringList buildUploadList(const QStringList& selectedPaths, const QString& base,
                            const QString& remoteFolder, TTable& events) {
    events.emptyDataSet();
    LocalWalk walk(base, remoteFolder, events);
    for (const QString& path : selectedPaths)
        walk.addSelected(QFileInfo(path));
    events.first();
    return walk.skipped;
}

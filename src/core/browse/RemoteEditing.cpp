#include "core/browse/RemoteEditing.h"

#include "core/browse/RemoteListing.h"
#include "core/tables/Table.h"

QString newFolderCaption(const QStringList& captions) {
    qsizetype count = 0;
    for (const QString& caption : captions)
        if (caption.contains(u"New", Qt::CaseSensitive)) ++count;
    return count == 0 ? QStringLiteral("New") : QStringLiteral("New_") + QString::number(count);
}

int permissionMode(const QString& text) {
    // Special bit of each class: set-user-ID, set-group-ID, sticky.
    static constexpr int special[3] = {04000, 02000, 01000};
    int mode = 0;
    for (int c = 0; c < 3; ++c) {
        const int at = 1 + 3 * c;
        const int shift = 3 * (2 - c);
        auto mark = [&](int offset) { return at + offset < text.size() ? text.at(at + offset) : QChar(); };
        if (mark(0) == u'r') mode |= 4 << shift;
        if (mark(1) == u'w') mode |= 2 << shift;
        const QChar x = mark(2);
        if (x == u'x' || x == u's' || x == u't') mode |= 1 << shift;
        if ((x == u's' || x == u'S') && c < 2) mode |= special[c];
        if ((x == u't' || x == u'T') && c == 2) mode |= special[c];
    }
    return mode;
}

bool isPermissionText(const QString& text) {
    if (text.size() < 10) return false;
    for (int c = 0; c < 3; ++c) {
        const int at = 1 + 3 * c;
        if (text.at(at) != u'r' && text.at(at) != u'-') return false;
        if (text.at(at + 1) != u'w' && text.at(at + 1) != u'-') return false;
        if (!QStringView(u"xsStT-").contains(text.at(at + 2))) return false;
    }
    return true;
}

QString octalText(int mode) {
    mode &= 07777;
    return QStringLiteral("%1").arg(mode, mode > 0777 ? 4 : 3, 8, QLatin1Char('0'));
}

int folderMode(int mode) {
    return mode | ((mode >> 2) & 0111);
}

NameClash nameClash(const QList<NamedEntry>& listing, const NamedEntry& incoming) {
    for (const NamedEntry& entry : listing)
        if (entry.name == incoming.name)
            return entry.folder || incoming.folder ? NameClash::Folder : NameClash::FileOnFile;
    return NameClash::None;
}

QList<NamedEntry> listedEntries(const TTable& permissions) {
    // Name and type of a listing row; the type is "Root" and "Dir Up" for "." and "..".
    constexpr int nameField = 1, typeField = 2;
    QList<NamedEntry> entries;
    for (int row = 0; row < permissions.recordCount(); ++row) {
        const QString type = permissions.value(row, typeField).toString();
        if (type == u"Root" || type == u"Dir Up") continue;
        entries << NamedEntry{permissions.value(row, nameField).toString(), type == u"<DIR>"};
    }
    return entries;
}

namespace {

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

bool sameRemoteFolder(const QString& a, const QString& b) {
    return withoutTrailingSlash(a) == withoutTrailingSlash(b);
}

QString copiedFolderHolding(const QString& target, const QString& sourceFolder,
                            const QStringList& copiedFolders) {
    const QString here = withoutTrailingSlash(target);
    for (const QString& name : copiedFolders) {
        const QString folder = JoinRemotePath(withoutTrailingSlash(sourceFolder), name);
        if (here == folder || here.startsWith(folder + u'/')) return folder;
    }
    return QString();
}

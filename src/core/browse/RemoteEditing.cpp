#include "core/browse/RemoteEditing.h"

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

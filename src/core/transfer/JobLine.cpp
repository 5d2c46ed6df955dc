#include "core/transfer/JobLine.h"

#include <algorithm>

QString LineEntry::name() const {
    QStringList names;
    for (const RemoteSelection& s : remote)
        names << s.name;
    for (const QString& path : localPaths)
        names << path.section(u'/', -1, -1, QString::SectionSkipEmpty);
    const QString what = names.join(QStringLiteral(", "));
    switch (kind) {
    case JobKind::Download:
        return QStringLiteral("Download %1 from %2").arg(what, remoteFolder);
    case JobKind::Upload:
        return QStringLiteral("Upload %1 to %2").arg(what, remoteFolder);
    case JobKind::Delete:
        return QStringLiteral("Delete %1 from %2").arg(what, remoteFolder);
    default:
        return what;
    }
}

int JobLine::waiting() const {
    return int(std::count_if(m_entries.cbegin(), m_entries.cend(),
                             [](const LineEntry& e) { return e.error.isEmpty(); }));
}

bool JobLine::takeNext(LineEntry& entry) {
    for (int i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].error.isEmpty()) continue;
        entry = m_entries.takeAt(i);
        m_taken = i;
        return true;
    }
    return false;
}

void JobLine::failed(LineEntry entry, const QString& error) {
    entry.error = error.isEmpty() ? QStringLiteral("Failed") : error;
    const int at = m_taken >= 0 && m_taken <= m_entries.size() ? m_taken : int(m_entries.size());
    m_entries.insert(at, entry);
    m_taken = -1;
}

void JobLine::retry(int index) {
    if (index >= 0 && index < m_entries.size()) m_entries[index].error.clear();
}

void JobLine::remove(int index) {
    if (index >= 0 && index < m_entries.size()) m_entries.removeAt(index);
}

#include "gui/remotebrowser/RemoteListItem.h"

namespace {

// Whether the bytes are the text's characters, all of them ASCII.
bool isAsciiOf(const QByteArray& bytes, const QString& text) {
    if (bytes.size() != text.size()) return false;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (uchar(bytes[i]) >= 0x80 || uchar(bytes[i]) != text[i].unicode()) return false;
    return true;
}

} // namespace

RemoteListItem::RemoteListItem(const QIcon& icon, const QString& caption, bool folder, qint64 size, int image,
                               QByteArray rawName)
    : m_caption(caption), m_icon(icon), m_size(size), m_image(image), m_folder(folder) {
    // Most names are plain ASCII: their raw bytes are made again when asked for instead of kept.
    m_rawIsCaption = isAsciiOf(rawName, caption);
    if (!m_rawIsCaption) m_rawName = std::move(rawName);
}

quint8 RemoteListItem::roleBit(int role) {
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: // the base item keeps both as one
        return 1u << 0;
    case Qt::DecorationRole:
        return 1u << 1;
    case RemoteKindRole:
    case RemoteSizeRole:
    case RemoteImageRole:
    case RemoteRawNameRole:
        return quint8(1u << (2 + role - RemoteKindRole));
    default:
        return 0;
    }
}

QVariant RemoteListItem::data(int role) const {
    const quint8 bit = roleBit(role);
    if (!bit || (m_setRoles & bit)) return QListWidgetItem::data(role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_caption;
    case Qt::DecorationRole:
        return m_icon;
    case RemoteKindRole:
        return m_folder ? QStringLiteral("<DIR>") : QStringLiteral("Files");
    case RemoteSizeRole:
        return m_folder ? QString() : QString::number(m_size);
    case RemoteImageRole:
        return m_image;
    default:
        return m_rawIsCaption ? m_caption.toLatin1() : m_rawName;
    }
}

void RemoteListItem::setData(int role, const QVariant& value) {
    m_setRoles |= roleBit(role);
    QListWidgetItem::setData(role, value);
}

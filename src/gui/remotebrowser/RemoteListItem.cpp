#include "gui/remotebrowser/RemoteListItem.h"

RemoteListItem::RemoteListItem(const QIcon& icon, const QString& caption, bool folder, qint64 size, int image,
                               QByteArray rawName)
    : QListWidgetItem(icon, caption), m_rawName(std::move(rawName)), m_size(size), m_image(image),
      m_folder(folder) {}

QVariant RemoteListItem::data(int role) const {
    if (!isOwnRole(role) || (m_setRoles & (1u << (role - RemoteKindRole)))) return QListWidgetItem::data(role);
    switch (role) {
    case RemoteKindRole:
        return m_folder ? QStringLiteral("<DIR>") : QStringLiteral("Files");
    case RemoteSizeRole:
        return m_folder ? QString() : QString::number(m_size);
    case RemoteImageRole:
        return m_image;
    default:
        return m_rawName;
    }
}

void RemoteListItem::setData(int role, const QVariant& value) {
    if (isOwnRole(role)) m_setRoles |= quint8(1u << (role - RemoteKindRole));
    QListWidgetItem::setData(role, value);
}

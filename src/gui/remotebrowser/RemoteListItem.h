#pragma once

#include "core/browse/RemoteListing.h"

#include <QByteArray>
#include <QListWidgetItem>

// An item of the remote file list. Its kind, byte count, image index and raw name are answered from
// plain members rather than stored as one value per role: a folder of a hundred thousand entries would
// otherwise hold four more values, and a byte-count text, per item. A role set through setData is kept
// by the base item and answered from there, as on any list item.
class RemoteListItem : public QListWidgetItem {
public:
    RemoteListItem(const QIcon& icon, const QString& caption, bool folder, qint64 size, int image,
                   QByteArray rawName);

    QVariant data(int role) const override;
    void setData(int role, const QVariant& value) override;
    QListWidgetItem* clone() const override { return new RemoteListItem(*this); }

private:
    static bool isOwnRole(int role) { return role >= RemoteKindRole && role <= RemoteRawNameRole; }

    QByteArray m_rawName;
    qint64 m_size;
    int m_image;
    bool m_folder;
    quint8 m_setRoles = 0; // own roles since set through setData, one bit each
};

#pragma once

#include "core/browse/RemoteListing.h"

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QListWidgetItem>

// An item of the remote file list. Its caption, icon, kind, byte count, image index and raw name are
// answered from plain members rather than stored as one value per role: a folder of a hundred thousand
// entries would otherwise hold a list of six values, and a byte-count text, per item. A role set through
// setData (a rename sets the caption) is kept by the base item and answered from there, as on any list
// item.
class RemoteListItem : public QListWidgetItem {
public:
    RemoteListItem(const QIcon& icon, const QString& caption, bool folder, qint64 size, int image,
                   QByteArray rawName);

    QVariant data(int role) const override;
    void setData(int role, const QVariant& value) override;
    QListWidgetItem* clone() const override { return new RemoteListItem(*this); }

private:
    // The bit that marks a role as set through setData; 0 for roles the base item keeps from the start.
    static quint8 roleBit(int role);

    QString m_caption;
    QIcon m_icon;
    QByteArray m_rawName; // empty while the raw name is the caption's own ASCII (m_rawIsCaption)
    qint64 m_size;
    int m_image;
    bool m_folder;
    bool m_rawIsCaption = false;
    quint8 m_setRoles = 0; // own roles since set through setData, one bit each (roleBit)
};

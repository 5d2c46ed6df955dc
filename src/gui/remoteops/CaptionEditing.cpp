#include "gui/remoteops/CaptionEditing.h"

#include "core/browse/RemoteListing.h"

#include <QLineEdit>

CaptionEditing::CaptionEditing(QObject* parent) : QStyledItemDelegate(parent) {}

QWidget* CaptionEditing::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    m_edit = CaptionEdit{};
    m_edit.oldCaption = index.data(Qt::DisplayRole).toString();
    m_edit.provisional = index.data(ProvisionalItemRole).toBool();
    if (!m_edit.provisional) m_edit.oldRawName = index.data(RemoteRawNameRole).toByteArray();
    m_committed = false;
    emit const_cast<CaptionEditing*>(this)->editStarted(m_edit.provisional);
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void CaptionEditing::setModelData(QWidget* editor, QAbstractItemModel* model,
                                  const QModelIndex& index) const {
    QStyledItemDelegate::setModelData(editor, model, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        m_edit.newText = line->text();
        m_committed = true;
    }
}

void CaptionEditing::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    QStyledItemDelegate::destroyEditor(editor, index);
    auto* self = const_cast<CaptionEditing*>(this);
    if (std::exchange(m_committed, false))
        QMetaObject::invokeMethod(
            self, [self, edit = m_edit] { emit self->accepted(edit); }, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(
            self, [self] { emit self->abandoned(); }, Qt::QueuedConnection);
}

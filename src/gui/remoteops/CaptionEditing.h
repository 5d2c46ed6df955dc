#pragma once

#include <QByteArray>
#include <QStyledItemDelegate>

// An in-place edit of a caption of the remote list, as it ended.
struct CaptionEdit {
    QString oldCaption;
    QByteArray oldRawName; // the server's bytes of the entry's name; empty for the provisional item
    QString newText;
    bool provisional = false; // the item added for a new folder
};

// Data role marking the provisional item of a folder creation.
inline constexpr int ProvisionalItemRole = Qt::UserRole + 32;

// The caption editor of the remote list: tells whether an edit was accepted (Enter, or the focus
// leaving the editor) or abandoned (Escape, or the list rebuilt under it), whatever ended it. Both
// signals are queued, so their handlers run once the list is done with the editor.
class CaptionEditing : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CaptionEditing(QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

signals:
    void editStarted(bool provisional);
    void accepted(const CaptionEdit& edit);
    void abandoned();

private:
    mutable CaptionEdit m_edit;
    mutable bool m_committed = false;
};

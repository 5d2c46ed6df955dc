#pragma once

#include "core/tables/TableModel.h"

// The bookmark grid's model: cells can be edited in place while editing is switched on, and the
// bookmark with a pending change shows that change, in italics.
class BookmarkModel : public TableModel {
    Q_OBJECT
public:
    BookmarkModel(TTable& table, QList<TableColumn> columns, QObject* parent);

    void setEditable(bool editable) { m_editable = editable; }
    bool editable() const { return m_editable; }

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Redraws the current row after its pending change grew or was stored.
    void refreshCurrentRow();

private:
    bool pendingRow(int row) const;

    TTable& m_table;
    bool m_editable = false;
};

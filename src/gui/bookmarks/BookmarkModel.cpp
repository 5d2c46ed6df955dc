#include "gui/bookmarks/BookmarkModel.h"

#include "gui/common/Guard.h"

#include <QFont>

BookmarkModel::BookmarkModel(TTable& table, QList<TableColumn> columns, QObject* parent)
    : TableModel(table, std::move(columns), parent), m_table(table) {}

bool BookmarkModel::pendingRow(int row) const {
    return m_table.state() == TableState::Edit && row == m_table.recNo();
}

QVariant BookmarkModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && pendingRow(index.row())) {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_table.fieldByName(fieldNameOfColumn(index.column())).asString();
        if (role == Qt::FontRole) {
            QFont font;
            font.setItalic(true);
            return font;
        }
    }
    if (role == Qt::EditRole) return TableModel::data(index, Qt::DisplayRole);
    return TableModel::data(index, role);
}

Qt::ItemFlags BookmarkModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = TableModel::flags(index);
    return m_editable && index.isValid() ? base | Qt::ItemIsEditable : base;
}

bool BookmarkModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_editable || role != Qt::EditRole || !index.isValid()) return false;
    bool stored = false;
    // The editor commits inside the view's own event handling: the error ends here.
    guarded(nullptr, [&] {
        if (m_table.recNo() != index.row()) setCurrentRow(index.row());
        m_table.edit();
        m_table.fieldByName(fieldNameOfColumn(index.column())).setAsString(value.toString());
        m_table.post();
        stored = true;
    });
    return stored;
}

void BookmarkModel::refreshCurrentRow() {
    const int row = m_table.recNo();
    if (row >= 0 && columnCount() > 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

#pragma once

#include "core/tables/Table.h"

#include <QAbstractTableModel>
#include <QPointer>

struct TableColumn {
    QString fieldName;
    QString title; // empty: the field name
    bool visible = true;
};

// Shows a table read-only in a grid and follows its current record both ways: currentRowChanged when
// the table moves, setCurrentRow (for the grid's selection) to move the table. Hidden columns stay in
// the model; the view hides the ones isColumnVisible() denies.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // No columns: every field, titled with its name. Unknown field names throw the table's error.
    explicit TableModel(TTable& table, QList<TableColumn> columns = {}, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QString fieldNameOfColumn(int column) const;
    int columnOfField(const QString& fieldName) const; // -1 when not shown
    bool isColumnVisible(int column) const;
    int currentRow() const { return m_currentRow; }

public slots:
    // Makes that row the table's current record; a row outside the table, or a closed table, is ignored.
    void setCurrentRow(int row);

signals:
    void currentRowChanged(int row);

private:
    void followCurrent();

    QPointer<TTable> m_table;
    QList<TableColumn> m_columns;
    QList<int> m_fieldOfColumn;
    int m_currentRow = -1;
};

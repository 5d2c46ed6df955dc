#include "core/tables/TableModel.h"

#include "core/tables/TableStorage.h"

TableModel::TableModel(TTable& table, QList<TableColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(&table), m_columns(std::move(columns)) {
    if (m_columns.isEmpty())
        for (const FieldDef& field : table.schema())
            m_columns.append({field.name, QString(), true});
    for (TableColumn& column : m_columns) {
        const TField& field = table.fieldByName(column.fieldName);
        column.fieldName = field.name();
        if (column.title.isEmpty()) column.title = field.name();
        m_fieldOfColumn.append(field.position());
    }

    connect(&table, &TTable::dataReset, this, [this] {
        beginResetModel();
        endResetModel();
        followCurrent();
    });
    connect(&table, &TTable::rowChanged, this, [this](int row) {
        if (!m_columns.isEmpty()) emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    });
    connect(&table, &TTable::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(&table, &TTable::rowInserted, this, [this] { endInsertRows(); });
    connect(&table, &TTable::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(&table, &TTable::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&table, &TTable::afterScroll, this, &TableModel::followCurrent);
    m_currentRow = table.recNo();
}

int TableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_table ? 0 : m_table->recordCount();
}

int TableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
    if (!m_table || !index.isValid() || index.column() >= m_columns.size()) return {};
    const int field = m_fieldOfColumn[index.column()];
    const bool picture = m_table->schema()[field].kind == FieldKind::Picture;
    if (role == Qt::DisplayRole && !picture) {
        const QVariant value = m_table->value(index.row(), field);
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        return value;
    }
    if (role == Qt::DecorationRole && picture) {
        const QImage image = pictureOf(m_table->value(index.row(), field));
        return image.isNull() ? QVariant() : QVariant(image);
    }
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_columns.size())
        return m_columns[section].title;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QString TableModel::fieldNameOfColumn(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns[column].fieldName : QString();
}

int TableModel::columnOfField(const QString& fieldName) const {
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

bool TableModel::isColumnVisible(int column) const {
    return column >= 0 && column < m_columns.size() && m_columns[column].visible;
}

void TableModel::setCurrentRow(int row) {
    if (!m_table || !m_table->active() || row == m_table->recNo() || row < 0 || row >= m_table->recordCount())
        return;
    m_table->moveTo(row);
}

void TableModel::followCurrent() {
    const int row = m_table ? m_table->recNo() : -1;
    if (row == m_currentRow) return;
    m_currentRow = row;
    emit currentRowChanged(row);
}

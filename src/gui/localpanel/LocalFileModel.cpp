#include "gui/localpanel/LocalFileModel.h"

bool LocalFileModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != 0 || !index.isValid() || !m_renamer)
        return QFileSystemModel::setData(index, value, role);
    return m_renamer(index, value.toString());
}

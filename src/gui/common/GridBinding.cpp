#include "gui/common/GridBinding.h"

#include "core/tables/TableModel.h"
#include "gui/common/Guard.h"

#include <QHeaderView>
#include <QTableView>

void bindGrid(QTableView* grid, TableModel* model) {
    grid->setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        grid->setColumnHidden(c, !model->isColumnVisible(c));
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->verticalHeader()->hide();
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                     [grid, model](const QModelIndex& current) {
                         guarded(grid->window(), [&] {
                             if (current.isValid() && current.row() != model->currentRow())
                                 model->setCurrentRow(current.row());
                         });
                     });
    QObject::connect(model, &TableModel::currentRowChanged, grid, [grid, model](int row) {
        if (row < 0) return;
        const QModelIndex index = model->index(row, qMax(0, grid->currentIndex().column()));
        if (grid->currentIndex().row() != row)
            grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
    });
}

#include "gui/mainwindow/TablePages.h"

#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "gui/common/GridBinding.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QHeaderView>

namespace {

// Title clicks sort the grid's own table by the clicked column.
void sortOnTitleClick(QTableView* grid, TTable& table, TableModel* model, QWidget* window) {
    QObject::connect(
        grid->horizontalHeader(), &QHeaderView::sectionClicked, window, [&table, model, window](int column) {
            userAction(window, [&] { SortAndRenumber(table, model->fieldNameOfColumn(column)); });
        });
}

} // namespace

void bindTablePages(Ui::TMyMenuForm& ui, DataTables& tables, QWidget* window) {
    QList<TableColumn> events;
    for (const FieldDef& f : tables.FTPEvents->schema())
        events << TableColumn{f.name, QString(), f.name != u"SizeValue"};
    auto* eventsModel = new TableModel(*tables.FTPEvents, events, window);

    bindGrid(ui.FTPEventsTable, eventsModel);
    sortOnTitleClick(ui.FTPEventsTable, *tables.FTPEvents, eventsModel, window);
}

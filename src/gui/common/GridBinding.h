#pragma once

class QTableView;
class TableModel;

// Shows a table in a read-only grid whose current row and the table's current record follow each other.
void bindGrid(QTableView* grid, TableModel* model);

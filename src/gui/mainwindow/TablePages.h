#pragma once

namespace Ui {
class TMyMenuForm;
}
class DataTables;
class QWidget;

// The grids of the job table, the bookmarks and the file-type catalogue on their pages.
void bindTablePages(Ui::TMyMenuForm& ui, DataTables& tables, QWidget* window);

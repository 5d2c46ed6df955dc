#pragma once

namespace Ui {
class TMyMenuForm;
}
class DataTables;
class QWidget;

// The grid of the job table on its page.
void bindTablePages(Ui::TMyMenuForm& ui, DataTables& tables, QWidget* window);

// Signals of the remote views, the stand-by timer and the settings page, bound to their handlers.
#include "gui/mainwindow/MyMenu.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "ui_MyMenu.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

// Enter in a grid runs its key handler; other keys keep their usual meaning.
class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void(int)> onKey)
        : QObject(parent), m_onKey(std::move(onKey)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_onKey(key);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> m_onKey;
};

// Centres the text of a grid column.
class CentredColumn : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignCenter;
    }
};

} // namespace

void TMyMenuForm::connectBrowsing() {
    // Double clicks open folders; captions are edited with F2 or a click on a selected item.
    m_ui->FTPFilesList->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                        QAbstractItemView::SelectedClicked);
    m_ui->FTPFilesList->setDragEnabled(true);
    auto* centred = new CentredColumn(m_ui->DBGrid);
    for (const char* field : {"No", "Type", "Date", "Time", "Permissions"})
        m_ui->DBGrid->setItemDelegateForColumn(m_permissionsModel->columnOfField(QString::fromLatin1(field)),
                                               centred);

    connect(m_ui->FTPFilesList, &QListWidget::itemDoubleClicked, this,
            [this] { handle([this] { FTPFilesListDblClick(); }); });
    connect(m_ui->DBGrid, &QTableView::doubleClicked, this, [this] { handle([this] { DBGridDblClick(); }); });
    m_ui->DBGrid->installEventFilter(
        new EnterKeyFilter(this, [this](int key) { handle([this, key] { DBGridKeyPress(key); }); }));
    connect(m_ui->DBGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { handle([this, column] { DBGridTitleClick(column); }); });
    connect(m_ui->RFS009, &QToolButton::clicked, this, [this] { handle([this] { RFS009Click(); }); });

    // The job grid and the bookmark grid sort their own tables by the clicked column. The catalogue grid
    // keeps its order: the icon list follows it.
    connect(m_ui->FTPEventsTable->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        handle([this, column] { SortAndRenumber(*FTPEvents, m_eventsModel->fieldNameOfColumn(column)); });
    });
    connect(m_ui->ServersTable->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        handle([this, column] { SortAndRenumber(*FTPServers, m_serversModel->fieldNameOfColumn(column)); });
    });

    connect(SleepTimer, &QTimer::timeout, this, [this] { handle([this] { SleepTimerTimer(); }); });
    connect(m_ui->ICB002, &QCheckBox::clicked, this, [this] { handle([this] { ICB002Click(); }); });
    m_ui->PasiveEdit->setCurrentText(QStringLiteral("True"));
    m_ui->TransferEdit->setCurrentText(QStringLiteral("ASCII"));
}

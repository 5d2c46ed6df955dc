#include "gui/remotebrowser/RemoteBrowser.h"

#include "core/ftp/FtpSession.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "gui/common/GridBinding.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace {

// Enter in a grid runs its handler; other keys keep their usual meaning.
class EnterKeyFilter : public QObject {
public:
    EnterKeyFilter(QObject* parent, std::function<void()> onEnter)
        : QObject(parent), m_onEnter(std::move(onEnter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_onEnter();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onEnter;
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

QList<TableColumn> gridColumns() {
    QList<TableColumn> list;
    for (const char* n : {"No", "Name", "Type", "Size", "Date", "Time", "Permissions"})
        list << TableColumn{QString::fromLatin1(n), QString(), true};
    return list;
}

} // namespace

RemoteBrowser::RemoteBrowser(Ui::TMyMenuForm& ui, FtpSession& session, DataTables& tables, QWidget* window)
    : QObject(window), m_ui(ui), m_session(session), m_tables(tables), m_window(window),
      m_model(new TableModel(*tables.Permissions, gridColumns(), this)) {
    bindGrid(m_ui.DBGrid, m_model);
    // DBGrid: No centred, Name 200, the others 100 and centred; centred titles.
    QHeaderView* header = m_ui.DBGrid->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setSectionsClickable(true);
    const int widths[] = {50, 200, 100, 100, 100, 100, 100};
    for (int c = 0; c < 7; ++c)
        m_ui.DBGrid->setColumnWidth(c, widths[c]);
    auto* centred = new CentredColumn(m_ui.DBGrid);
    for (const char* field : {"No", "Type", "Date", "Time", "Permissions"})
        m_ui.DBGrid->setItemDelegateForColumn(m_model->columnOfField(QString::fromLatin1(field)), centred);
    connectViews();
}

template <class F> void RemoteBrowser::navigate(F&& step) {
    if (busy()) return;
    m_session.unlessClosed(step);
}

void RemoteBrowser::connectViews() {
    // Double clicks open folders; captions are edited with F2 or a click on a selected item.
    m_ui.FTPFilesList->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                       QAbstractItemView::SelectedClicked);
    m_ui.FTPFilesList->setDragEnabled(true);
    auto act = [this](auto step) { return [this, step] { userAction(m_window, [&] { navigate(step); }); }; };

    connect(m_ui.FTPFilesList, &QListWidget::itemDoubleClicked, this,
            act([this] { openSelectedListItem(); }));
    connect(m_ui.DBGrid, &QTableView::doubleClicked, this, act([this] { openGridEntry(); }));
    m_ui.DBGrid->installEventFilter(new EnterKeyFilter(this, act([this] { openGridEntry(); })));
    connect(m_ui.DBGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { userAction(m_window, [&] { sortGrid(column); }); });
    connect(m_ui.RFS009, &QToolButton::clicked, this, act([this] { goUp(); }));
    connect(m_ui.ProcessEdit, &QLineEdit::returnPressed, this, act([this] {
                if (m_session.isOpen()) ListRemoteDirectory(m_ui.ProcessEdit->text());
            }));
}

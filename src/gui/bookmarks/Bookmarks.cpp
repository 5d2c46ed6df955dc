#include "gui/bookmarks/Bookmarks.h"

#include "core/bookmarks/BookmarkEditing.h"
#include "core/ftp/ConnectBarText.h"
#include "core/ftp/ConnectionSettings.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "gui/bookmarks/BookmarkModel.h"
#include "gui/common/GridBinding.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QHash>
#include <QHeaderView>
#include <QIntValidator>
#include <QMessageBox>
#include <QShortcut>

Bookmarks::Bookmarks(Ui::TMyMenuForm& ui, TTable& bookmarks, FtpSession& browsing, QWidget* window)
    : QObject(window), m_ui(ui), m_bookmarks(bookmarks), m_browsing(browsing), m_window(window) {
    bindGrid();
    // The bookmark's own TLS mode; its first item leaves the choice to the settings page.
    m_ui.SBE008->setEnabled(true);
    m_ui.SBE008->setToolTip(QString());
    // The bookmark's own port, which the connect bar takes when the bookmark is chosen.
    m_ui.RzEdit1->setEnabled(true);
    m_ui.RzEdit1->setToolTip(QString());
    m_ui.RzEdit1->setValidator(new QIntValidator(0, 65535, m_ui.RzEdit1));
    auto onClick = [this](QAbstractButton* button, void (Bookmarks::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { userAction(m_window, [&] { (this->*handler)(); }); });
    };
    onClick(m_ui.RzBmpButton28, &Bookmarks::addBookmark);
    onClick(m_ui.RzBmpButton26, &Bookmarks::applyEditor);
    onClick(m_ui.RzBmpButton15, &Bookmarks::cancelChange);
    onClick(m_ui.RzBmpButton10, &Bookmarks::deleteBookmark);
    onClick(m_ui.RzBmpButton18, &Bookmarks::refresh);
    onClick(m_ui.RzBmpButton6, &Bookmarks::switchEditing);
    onClick(m_ui.RzBmpButton5, &Bookmarks::applyBookmarkToConnection);
    connect(m_ui.VPC001, &QCheckBox::clicked, this,
            [this](bool checked) { userAction(m_window, [&] { showPasswords(checked); }); });
    connect(m_ui.ServersTable, &QTableView::doubleClicked, this,
            [this] { userAction(m_window, [this] { applyBookmarkToConnection(); }); });

    connect(&m_bookmarks, &TTable::afterScroll, this,
            [this] { guarded(m_window, [this] { showCurrentBookmark(); }); });
    connect(&m_bookmarks, &TTable::afterScroll, this, &Bookmarks::showPending);
    connect(&m_bookmarks, &TTable::rowChanged, this, &Bookmarks::showPending);
    // Typing into the connect bar starts a change of the current bookmark.
    for (QLineEdit* edit : {m_ui.FTPE001, m_ui.FTPE002, m_ui.FTPE003}) {
        connect(edit, &QLineEdit::textEdited, this, &Bookmarks::showPending);
        connect(edit, &QLineEdit::editingFinished, this, &Bookmarks::showPending);
    }
    connect(&UserActions::instance(), &UserActions::finished, this, &Bookmarks::showPending);
}

void Bookmarks::bindGrid() {
    static const QHash<QString, QString> titles{
        {QStringLiteral("URLAlias"), QStringLiteral("URL Alias")},
        {QStringLiteral("FTPServer"), QStringLiteral("FTP Server Address")},
        {QStringLiteral("FTPServerIP"), QStringLiteral("FTP Server IP")},
        {QStringLiteral("UserID"), QStringLiteral("User ID")},
        {QStringLiteral("TransferType"), QStringLiteral("Transfer Type")},
        {QStringLiteral("UseTLS"), QStringLiteral("Use TLS")}};
    static const QHash<QString, int> widths{
        {QStringLiteral("No"), 50},         {QStringLiteral("URLAlias"), 200},
        {QStringLiteral("FTPServer"), 200}, {QStringLiteral("FTPServerIP"), 100},
        {QStringLiteral("UserID"), 100},    {QStringLiteral("Password"), 100},
        {QStringLiteral("Port"), 50},       {QStringLiteral("TransferType"), 100},
        {QStringLiteral("UseTLS"), 100},    {QStringLiteral("Passive"), 100},
        {QStringLiteral("EditDate"), 100},  {QStringLiteral("EditTime"), 100}};
    QList<TableColumn> columns;
    for (const FieldDef& f : m_bookmarks.schema())
        columns << TableColumn{f.name, titles.value(f.name), widths.contains(f.name)};
    m_model = new BookmarkModel(m_bookmarks, columns, this);
    ::bindGrid(m_ui.ServersTable, m_model);
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (m_model->isColumnVisible(c))
            m_ui.ServersTable->setColumnWidth(c, widths.value(m_model->fieldNameOfColumn(c)));
    m_ui.ServersTable->setAlternatingRowColors(true);
    m_ui.ServersTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    showPasswords(m_ui.VPC001->isChecked());

    connect(m_ui.ServersTable->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { userAction(m_window, [&] { sortBy(column); }); });
    auto* remove = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete), m_ui.ServersTable);
    remove->setContext(Qt::WidgetWithChildrenShortcut);
    connect(remove, &QShortcut::activated, this, [this] {
        userAction(m_window, [this] {
            if (!m_model->editable()) return;
            if (QMessageBox::question(m_window, QStringLiteral("Qelto"), QStringLiteral("Delete record?")) ==
                QMessageBox::Yes)
                deleteBookmark();
        });
    });
}

void Bookmarks::showCurrentBookmark() {
    const bool any =
        m_bookmarks.active() && (m_bookmarks.recNo() >= 0 || m_bookmarks.state() == TableState::Insert);
    auto field = [&](const char* name) {
        return any ? m_bookmarks.fieldByName(QString::fromLatin1(name)).asString() : QString();
    };
    m_ui.SBE001->setText(field("URLAlias"));
    m_ui.SBE002->setText(field("FTPServer"));
    m_ui.SBE003->setText(field("UserID"));
    m_ui.SBE004->setText(field("Password"));
    m_ui.SBE008->setCurrentIndex(tlsModeIndex(bookmarkTlsMode(field("UseTLS")).value_or(TlsMode::None)));
    const QString port = bookmarkPortText(field("Port"));
    m_ui.RzEdit1->setText(port);
    m_ui.FTPE004->setText(port);
}

void Bookmarks::showPending() {
    const TableState state = m_bookmarks.state();
    m_ui.BookmarkPendingLabel->setText(state == TableState::Insert
                                           ? QStringLiteral("New bookmark not applied")
                                       : state == TableState::Edit ? QStringLiteral("Change not applied")
                                                                   : QString());
    m_model->refreshCurrentRow();
}

void Bookmarks::addBookmark() {
    ::addBookmark(m_bookmarks);
}

void Bookmarks::applyEditor() {
    const QString port = QString::number(editorPort());
    applyBookmark(m_bookmarks,
                  {m_ui.SBE001->text(), m_ui.SBE002->text(), m_ui.SBE003->text(), m_ui.SBE004->text(),
                   bookmarkTlsText(tlsModeAt(m_ui.SBE008->currentIndex())), port});
    // The connect bar connects where the stored bookmark says.
    m_ui.FTPE004->setText(port);
}

quint16 Bookmarks::editorPort() const {
    const QString text = m_ui.RzEdit1->text();
    return text.trimmed().isEmpty() ? quint16(21) : connectBarPort(text);
}

void Bookmarks::cancelChange() {
    if (m_bookmarks.active()) m_bookmarks.cancel();
}

void Bookmarks::deleteBookmark() {
    ::deleteBookmark(m_bookmarks);
}

void Bookmarks::refresh() {
    refreshBookmarks(m_bookmarks);
}

void Bookmarks::sortBy(int column) {
    const QString field = m_model->fieldNameOfColumn(column);
    if (!field.isEmpty()) SortAndRenumber(m_bookmarks, field);
}

void Bookmarks::switchEditing() {
    const bool editable = !m_model->editable();
    m_model->setEditable(editable);
    m_ui.SEI001->setText(editable ? QStringLiteral("Database edit ON") : QStringLiteral("Database edit OFF"));
}

void Bookmarks::showPasswords(bool show) {
    m_ui.ServersTable->setColumnHidden(m_model->columnOfField(QStringLiteral("Password")), !show);
}

void Bookmarks::applyBookmarkToConnection() {
    if (m_browsing.isOpen()) return;
    if (m_ui.FTPE001->text().isEmpty() || m_ui.FTPE002->text().isEmpty() || m_ui.FTPE003->text().isEmpty())
        return;
    TIdFTP& ftp = m_browsing.ftp();
    ftp.setHost(m_ui.SBE002->text());
    ftp.setUsername(m_ui.SBE003->text());
    ftp.setPassword(m_ui.SBE004->text());
    ftp.setPort(editorPort());
}

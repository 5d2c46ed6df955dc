#include "gui/settings/InformationPage.h"

#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "gui/common/GridBinding.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QHeaderView>

namespace {

QString commandReference() {
    struct Entry {
        const char* command;
        const char* meaning;
    };
    static const Entry common[] = {
        {"ABOR", "abort a file transfer"},
        {"CWD", "change working directory"},
        {"DELE", "delete a remote file"},
        {"LIST", "list remote files"},
        {"MDTM", "return the modification time of a file"},
        {"MKD", "make a remote directory"},
        {"NLST", "name list of remote directory"},
        {"PASS", "send password"},
        {"PASV", "enter passive mode"},
        {"PORT", "open a data port"},
        {"PWD", "print working directory"},
        {"QUIT", "terminate the connection"},
        {"RETR", "retrieve a remote file"},
        {"RMD", "remove a remote directory"},
        {"RNFR", "rename from"},
        {"RNTO", "rename to"},
        {"SITE", "site-specific commands"},
        {"SIZE", "return the size of a file"},
        {"STOR", "store a file on the remote host"},
        {"TYPE", "set transfer type"},
        {"USER", "send username"},
    };
    static const Entry lessCommon[] = {
        {"ACCT*", "send account information"},
        {"APPE", "append to a remote file"},
        {"CDUP", "change to the parent directory"},
        {"HELP", "return help on using the server"},
        {"MODE", "set transfer mode"},
        {"NOOP", "do nothing"},
        {"REIN*", "reinitialize the connection"},
        {"STAT", "return server status"},
        {"STOU", "store a file uniquely"},
        {"STRU", "set file transfer structure"},
        {"SYST", "return system type"},
    };
    QString text = QStringLiteral("RAW FTP COMMANDS\n\n"
                                  "This is a technical document: the commands go to the server as typed.\n"
                                  "Commands marked with a * are not implemented by a number of servers.\n\n"
                                  "Common commands:\n");
    for (const Entry& e : common)
        text += QStringLiteral("\u2022 %1 - %2\n").arg(QLatin1String(e.command), QLatin1String(e.meaning));
    text += QStringLiteral("\nLess common commands:\n");
    for (const Entry& e : lessCommon)
        text += QStringLiteral("\u2022 %1 - %2\n").arg(QLatin1String(e.command), QLatin1String(e.meaning));
    return text;
}

} // namespace

InformationPage::InformationPage(Ui::TMyMenuForm& ui, TTable& fileTypes, QWidget* window, QObject* parent)
    : QObject(parent), m_ui(ui), m_fileTypes(fileTypes), m_window(window) {
    m_ui.CommandsEdit->setPlainText(commandReference());
    connect(m_ui.CommandsCheck, &QCheckBox::clicked, this,
            [this](bool checked) { userAction(m_window, [&] { showCommandReference(checked); }); });

    QList<TableColumn> columns;
    for (const FieldDef& f : fileTypes.schema())
        columns << TableColumn{f.name, QString(),
                               f.name == u"No" || f.name == u"Extention" || f.name == u"FileType"};
    auto* model = new TableModel(fileTypes, columns, this);
    bindGrid(m_ui.FTPGrid, model);
    m_ui.FTPGrid->setColumnWidth(model->columnOfField(QStringLiteral("Extention")), 100);
    m_ui.FTPGrid->setColumnWidth(model->columnOfField(QStringLiteral("FileType")), 200);
    // The catalogue keeps its order: the icon list of the remote files follows it.
    connect(&fileTypes, &TTable::afterScroll, this,
            [this] { guarded(m_window, [this] { showCurrentType(); }); });
}

void InformationPage::showCommandReference(bool show) {
    m_ui.CommandsEdit->setVisible(show);
}

void InformationPage::showCurrentType() {
    const bool any = m_fileTypes.active() && m_fileTypes.recNo() >= 0;
    const QImage picture =
        any ? m_fileTypes.fieldByName(QStringLiteral("Pictures48x48")).picture() : QImage();
    m_ui.FileImage->setPixmap(QPixmap::fromImage(picture));
    m_ui.RzDBRichEdit1->setPlainText(any ? m_fileTypes.fieldByName(QStringLiteral("Information")).asString()
                                         : QString());
}

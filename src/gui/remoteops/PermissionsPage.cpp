// The permissions page: the current grid row as nine boxes and an octal text, and Apply.
#include "core/base/Errors.h"
#include "core/browse/RemoteEditing.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/transfer/RemoteChanges.h"
#include "gui/common/UserAction.h"
#include "gui/remoteops/RemoteOperations.h"
#include "ui_MyMenu.h"

namespace {

// The boxes by mode bit, user read first.
QList<QCheckBox*> boxes(const Ui::TMyMenuForm& ui) {
    return {ui.CheckBox11, ui.CheckBox12, ui.CheckBox13, ui.CheckBox21, ui.CheckBox22,
            ui.CheckBox23, ui.CheckBox31, ui.CheckBox32, ui.CheckBox33};
}

} // namespace

void RemoteOperations::connectPermissionsPage() {
    TTable* permissions = m_tables.Permissions;
    // The boxes always show the current row, so Apply never sends one entry's bits to another.
    connect(permissions, &TTable::afterScroll, this,
            [this] { guarded(m_window, [this] { showCurrentEntry(); }); });
    connect(permissions, &TTable::dataReset, this,
            [this] { guarded(m_window, [this] { showCurrentEntry(); }); });
    for (QCheckBox* box : boxes(m_ui)) {
        connect(box, &QCheckBox::toggled, this, [this] { boxesToOctalText(); });
        connect(box, &QCheckBox::clicked, this, [this] { m_boxesChosen = true; });
    }
    connect(m_ui.ApplayPermissionsButton, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { applyPermissions(); }); });
}

void RemoteOperations::showCurrentEntry() {
    TTable* permissions = m_tables.Permissions;
    const bool any = permissions->active() && permissions->recordCount() > 0;
    const QString text = any ? permissions->fieldByName(QStringLiteral("Permissions")).asString() : QString();
    m_ui.FTPFileNameLabel->setText(any ? permissions->fieldByName(QStringLiteral("Name")).asString()
                                       : QString());
    m_ui.FTPTypeLabel->setText(any ? permissions->fieldByName(QStringLiteral("Type")).asString() : QString());
    m_ui.RzDBLabel1->setText(text);
    const QImage icon = any ? permissions->fieldByName(QStringLiteral("Icon")).picture() : QImage();
    m_ui.DBImage->setPixmap(QPixmap::fromImage(icon));
    const int mode = permissionMode(text);
    m_specialBits = mode & 07000;
    m_modeKnown = isPermissionText(text);
    m_boxesChosen = false;
    const QList<QCheckBox*> all = boxes(m_ui);
    for (int bit = 0; bit < 9; ++bit)
        all[bit]->setChecked(mode & (0400 >> bit));
    boxesToOctalText();
}

int RemoteOperations::boxBits() const {
    int bits = 0;
    const QList<QCheckBox*> all = boxes(m_ui);
    for (int bit = 0; bit < 9; ++bit)
        if (all[bit]->isChecked()) bits |= 0400 >> bit;
    return bits;
}

void RemoteOperations::boxesToOctalText() {
    m_ui.FTPPermissions->setText(octalText(m_specialBits | boxBits()));
}

QByteArray RemoteOperations::rawNameOf(const QString& caption) const {
    for (int i = 0; i < m_ui.FTPFilesList->count(); ++i) {
        const QListWidgetItem* item = m_ui.FTPFilesList->item(i);
        if (item->text() == caption) return item->data(RemoteRawNameRole).toByteArray();
    }
    return {};
}

void RemoteOperations::selectEntry(const QString& name) {
    TTable* permissions = m_tables.Permissions;
    for (int row = 0; row < permissions->recordCount(); ++row)
        if (permissions->value(row, 1).toString() == name) {
            permissions->moveTo(row);
            return;
        }
}

void RemoteOperations::applyPermissions() {
    if (!m_session.isOpen())
        throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
    TTable* permissions = m_tables.Permissions;
    if (!permissions->active() || permissions->recordCount() == 0) return;
    const QString name = permissions->fieldByName(QStringLiteral("Name")).asString();
    const bool folder = permissions->fieldByName(QStringLiteral("Type")).asString() == u"<DIR>";
    // Boxes that only look empty because the server does not tell the mode would take every right away.
    if (!m_modeKnown && !m_boxesChosen)
        throw QeltoError(
            QStringLiteral("The server does not tell the permissions of %1: tick the ones it is to "
                           "have, then Apply")
                .arg(name));
    const int mode = m_specialBits | boxBits();
    const bool tree = folder && m_ui.RzCheckBox14->isChecked();
    TIdFTP& ftp = m_session.ftp();
    const QString current = ftp.RetrieveCurrentDir();
    const PermissionChange change = changePermissions(ftp, {name, rawNameOf(name), folder}, mode, tree);
    // The grid shows what the server now holds, on the same entry.
    emit listRequested(current);
    selectEntry(name);
    QString status;
    if (!change.refused.isEmpty()) {
        status = QStringLiteral("SITE CHMOD refused: ") + change.refused.first();
        if (change.refused.size() > 1)
            status += QStringLiteral(" (and %1 more, see the log)").arg(change.refused.size() - 1);
    } else if (change.changed > 0) {
        status = QStringLiteral("Permissions ") + octalText(mode) + QStringLiteral(": ") + name;
        if (tree) status += QStringLiteral(" and %1 entries below it").arg(change.changed - 1);
    }
    if (!status.isEmpty()) m_ui.ProcessEdit->setText(status);
    if (!change.skipped.isEmpty())
        throw QeltoError(QStringLiteral("These entries were left out:\n") + change.skipped.join(u'\n'));
}

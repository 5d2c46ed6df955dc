#include "gui/preview/Preview.h"

#include "core/browse/PreviewAddress.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "gui/common/UserAction.h"
#include "gui/preview/PreviewForm.h"
#include "ui_MyMenu.h"

Preview::Preview(Ui::TMyMenuForm& ui, FtpSession& session, ProcessorUsage& usage, QWidget* window)
    : QObject(window), m_ui(ui), m_session(session), m_window(window),
      m_form(new TPreviewForm(usage, window)) {
    connect(m_ui.RFS003, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { openSelected(); }); });
    connect(m_form, &TPreviewForm::closed, this, &Preview::closed);
}

void Preview::openSelected() {
    const QList<QListWidgetItem*> selected = m_ui.FTPFilesList->selectedItems();
    if (selected.isEmpty()) return;
    QListWidgetItem* current = m_ui.FTPFilesList->currentItem();
    const QListWidgetItem* entry = current && current->isSelected() ? current : selected.first();
    m_ui.ProcessEdit->clear();
    // Asking the server first: a lost connection ends here, before the window opens.
    const QString path = JoinRemotePath(m_session.ftp().RetrieveCurrentDir(), entry->text());
    const QString address = previewAddress(m_ui.PreviewAddressEdit->text(), m_ui.FTPE001->text(), path);
    // The window takes over the processor display only once it is open: a web view that cannot be
    // loaded leaves everything as it was.
    m_form->showPage(entry->text(), address);
    emit opened();
}

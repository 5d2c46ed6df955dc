#include "gui/history/History.h"

#include "core/base/TextFormat.h"
#include "core/history/RtfWriter.h"
#include "gui/common/UserAction.h"
#include "gui/history/LocalForm.h"
#include "ui_MyMenu.h"

#include <QTextBlock>

namespace {

const QColor transcriptColor = colorFromBGR(0x808040);

} // namespace

History::History(Ui::TMyMenuForm& ui, ProcessorUsage& usage, QWidget* window)
    : QObject(window), m_ui(ui), m_window(window), m_picker(new TLocalForm(usage, window)) {
    QPlainTextEdit* pane = m_ui.HistoryEdit;
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Text, transcriptColor);
    pane->setPalette(palette);
    pane->setFont(QFont(QStringLiteral("Tahoma"), 8));
    // Only the user's edits can be undone, not the traffic appended while the transcript was read-only.
    pane->setUndoRedoEnabled(false);
    m_picker->setContent([this] { return transcriptRtf(); });

    connect(m_ui.HEB001, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { openPicker(); }); });
    connect(m_ui.HEB002, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { switchEditing(); }); });
    // Cut, paste, delete and undo change nothing while the transcript is read-only.
    connect(m_ui.HEB004, &QToolButton::clicked, pane, [pane] {
        if (!pane->isReadOnly()) pane->undo();
    });
    connect(m_ui.HEB005, &QToolButton::clicked, pane, &QPlainTextEdit::cut);
    connect(m_ui.HEB006, &QToolButton::clicked, pane, &QPlainTextEdit::copy);
    connect(m_ui.HEB007, &QToolButton::clicked, pane, &QPlainTextEdit::paste);
    connect(m_ui.HEB008, &QToolButton::clicked, pane, [pane] {
        if (!pane->isReadOnly()) pane->textCursor().removeSelectedText();
    });
    connect(m_picker, &TLocalForm::closed, this, &History::pickerClosed);
}

void History::switchEditing() {
    QPlainTextEdit* pane = m_ui.HistoryEdit;
    const bool editable = pane->isReadOnly();
    pane->setReadOnly(!editable);
    pane->setUndoRedoEnabled(editable);
    if (!editable) {
        // Later traffic goes on a line of its own, whatever the edits left at the end.
        const QTextBlock last = pane->document()->lastBlock();
        if (!last.text().isEmpty()) {
            QTextCursor cursor(pane->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(QStringLiteral("\n"));
        }
    }
    m_ui.HEL001->setText(editable ? QStringLiteral("Edit ON") : QStringLiteral("Edit OFF"));
}

void History::openPicker() {
    emit pickerOpened();
    m_picker->execute();
}

QByteArray History::transcriptRtf() const {
    return documentToRtf(*m_ui.HistoryEdit->document(), transcriptColor, QStringLiteral("Tahoma"), 8);
}

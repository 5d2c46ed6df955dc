#include "gui/common/PaneText.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace {
const char* const colorProperty = "qeltoPaneColor";
}

void setPaneColor(QPlainTextEdit* pane, const QColor& color) {
    pane->setProperty(colorProperty, color);
}

void appendPaneLine(QPlainTextEdit* pane, const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    const QVariant color = pane->property(colorProperty);
    if (color.isValid()) format.setForeground(color.value<QColor>());
    // The document always ends in an empty line that the next append fills.
    cursor.insertText(lines + u'\n', format);
}

void scrollPaneToEnd(QPlainTextEdit* pane) {
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

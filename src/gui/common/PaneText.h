#pragma once

#include <QColor>
#include <QString>

class QPlainTextEdit;

// Appending to the log panes: the text goes in as a new line at the end (CR LF inside it breaks it
// into further lines) in the pane's current colour. Appends with a cursor at the end of the document,
// so a long session does not make each append slower.
void setPaneColor(QPlainTextEdit* pane, const QColor& color);
void appendPaneLine(QPlainTextEdit* pane, const QString& text);
void scrollPaneToEnd(QPlainTextEdit* pane);

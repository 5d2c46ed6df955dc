#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

class QTextDocument;

// Writes a plain-text document with coloured runs as RTF: one font, a colour table, one paragraph per
// text block. Characters beyond ASCII go out as code-page 1252 escapes where that code page has them and
// as Unicode escapes (with a "?" fallback) otherwise, so any RTF reader shows them.
QByteArray documentToRtf(const QTextDocument& document, const QColor& defaultColor, const QString& fontName,
                         int pointSize);

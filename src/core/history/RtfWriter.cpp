#include "core/history/RtfWriter.h"

#include <QList>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// The colour table's index of `color` (1-based: index 0 is the reader's default colour).
int colorIndex(QList<QColor>& table, const QColor& color) {
    qsizetype pos = table.indexOf(color);
    if (pos < 0) {
        table.append(color);
        pos = table.size() - 1;
    }
    return int(pos) + 1;
}

void appendUnicodeEscape(QByteArray& out, char16_t unit) {
    // RTF's \u takes a signed 16-bit number.
    out += "\\u" + QByteArray::number(qint16(unit)) + '?';
}

void appendEscaped(QByteArray& out, const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u == 0x2028 || u == u'\n' || u == u'\r') {
            out += "\\line ";
        } else if (u < 0x20) {
            continue; // other control characters have no place in the text
        } else if (u < 0x80) {
            out += char(u);
        } else if (u >= 0xA0 && u <= 0xFF) {
            // Code page 1252 agrees with Latin-1 from 0xA0 on.
            out += "\\'" + QByteArray::number(u, 16).rightJustified(2, '0');
        } else {
            appendUnicodeEscape(out, u);
        }
    }
}

} // namespace

QByteArray documentToRtf(const QTextDocument& document, const QColor& defaultColor, const QString& fontName,
                         int pointSize) {
    QList<QColor> colors;
    const int defaultIndex = colorIndex(colors, defaultColor.rgb());
    QByteArray body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QBrush brush = fragment.charFormat().foreground();
            const int index =
                brush.style() == Qt::NoBrush ? defaultIndex : colorIndex(colors, brush.color().rgb());
            body += "{\\cf" + QByteArray::number(index) + ' ';
            appendEscaped(body, fragment.text());
            body += '}';
        }
        if (block.next().isValid()) body += "\\par\n";
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fswiss\\fcharset0 ";
    appendEscaped(out, fontName);
    out += ";}}\n{\\colortbl;";
    for (const QColor& color : colors)
        out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green()) +
               "\\blue" + QByteArray::number(color.blue()) + ';';
    out += "}\n\\pard\\plain\\f0\\fs" + QByteArray::number(pointSize * 2) + '\n';
    out += body;
    out += "\\par\n}\n";
    return out;
}

#include "core/ftp/TIdLogEvent.h"

#include "core/base/TextFormat.h"
#include "core/ftp/ProtocolLogText.h"

#include <QDateTime>
#include <QStringDecoder>

namespace {

// The block's text as the listings read names: UTF-8 when the bytes are UTF-8 (a name sent or listed
// after OPTS UTF8), else one character per byte. A character split over two reads shows as its bytes.
QString blockText(const QByteArray& block) {
    if (!block.isValidUtf8()) return QString::fromLatin1(block);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return utf8.decode(block);
}

} // namespace

QString TIdLogEvent::markLineEnds(const QByteArray& block) {
    const QString decoded = blockText(block);
    QString text;
    text.reserve(decoded.size() + 16);
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const QChar c = decoded[i];
        if (c == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n') {
            text += QLatin1String("<EOL>");
            ++i;
        } else if (c == u'\r') {
            text += QLatin1String("<CR>");
        } else if (c == u'\n') {
            text += QLatin1String("<LF>");
        } else {
            text += c;
        }
    }
    return text;
}

QString TIdLogEvent::nowText() {
    return formatDateTime(QStringLiteral("dd.mm.yyyy hh:nn:ss"), QDateTime::currentDateTime());
}

void TIdLogEvent::sent(const QByteArray& block) {
    // What the log shows can be saved to a file: no password goes there.
    if (m_active && OnSent) OnSent(nowText(), markLineEnds(maskSecretArguments(block)));
}

void TIdLogEvent::received(const QByteArray& block) {
    if (m_active && OnReceived) OnReceived(nowText(), markLineEnds(block));
}

void TIdLogEvent::connected() {
    if (m_active && OnStatus) OnStatus(QStringLiteral("Connected."));
}

void TIdLogEvent::disconnected() {
    if (m_active && OnStatus) OnStatus(QStringLiteral("Disconnected."));
}

#include "core/ftp/TIdLogEvent.h"

#include "core/base/TextFormat.h"
#include "core/ftp/ProtocolLogText.h"

#include <QDateTime>

QString TIdLogEvent::markLineEnds(const QByteArray& block) {
    QString text;
    text.reserve(block.size() + 16);
    for (qsizetype i = 0; i < block.size(); ++i) {
        const char c = block[i];
        if (c == '\r' && i + 1 < block.size() && block[i + 1] == '\n') {
            text += QLatin1String("<EOL>");
            ++i;
        } else if (c == '\r') {
            text += QLatin1String("<CR>");
        } else if (c == '\n') {
            text += QLatin1String("<LF>");
        } else {
            text += QChar(char16_t(uchar(c)));
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

#include "core/ftp/ProtocolLogText.h"

#include "core/base/TextFormat.h"

namespace {
const QString crlf = QStringLiteral("\r\n");
}

QString LocalDateText(const QDateTime& now) {
    return QStringLiteral("Local Date: ") + formatDateTime(QStringLiteral("dddd d mmmm yyyy"), now);
}

QString LocalTimeText(const QDateTime& now) {
    return QStringLiteral("Local Time: ") + formatDateTime(QStringLiteral("hh:nn:ss, zzz"), now) +
           QStringLiteral(" ms");
}

QString receivedHistoryHeader(const QDateTime& now) {
    return crlf + LocalDateText(now) + crlf + LocalTimeText(now) + crlf + crlf +
           QStringLiteral("SERVER RESEIVED:") + crlf;
}

QString sentHistoryHeader(const QDateTime& now) {
    return crlf + LocalDateText(now) + QStringLiteral("; ") + LocalTimeText(now) + crlf + crlf +
           QStringLiteral("CLIENT SENT:") + crlf;
}

QString historyBlockText(const QString& data) {
    QString out = data;
    out.replace(QStringLiteral("<EOL>"), crlf, Qt::CaseInsensitive);
    return out;
}

QString debugReceivedLine(const QString& data, const QDateTime& now) {
    return formatDateTime(QStringLiteral("hh:nn:ss.zzz"), now) + QStringLiteral(" << Server: ") + data;
}

QString debugSentLine(const QString& data, const QDateTime& now) {
    return formatDateTime(QStringLiteral("hh:nn:ss.zzz"), now) + QStringLiteral(" >> Client: ") + data;
}

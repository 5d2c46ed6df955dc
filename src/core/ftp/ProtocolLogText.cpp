#include "core/ftp/ProtocolLogText.h"

#include "core/base/TextFormat.h"

#include <algorithm>

namespace {
const QString crlf = QStringLiteral("\r\n");
}

QByteArray maskSecretArguments(const QByteArray& sentBlock) {
    QByteArray masked;
    masked.reserve(sentBlock.size());
    qsizetype start = 0;
    while (start < sentBlock.size()) {
        qsizetype end = sentBlock.indexOf('\n', start);
        end = end < 0 ? sentBlock.size() : end + 1;
        const QByteArrayView line(sentBlock.constData() + start, end - start);
        const QByteArray verb = line.first(std::min<qsizetype>(line.size(), 5)).toByteArray().toUpper();
        if (verb == "PASS " || verb == "ACCT ") {
            qsizetype textEnd = line.size();
            while (textEnd > 5 && (line[textEnd - 1] == '\r' || line[textEnd - 1] == '\n'))
                --textEnd;
            masked.append(line.first(5)).append("****").append(line.sliced(textEnd));
        } else {
            masked += line;
        }
        start = end;
    }
    return masked;
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

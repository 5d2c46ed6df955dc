#include "core/ftp/DataAddress.h"

#include "core/ftp/FtpErrors.h"

#include <optional>

namespace {

// Replies are capped in length, not in content: keep the quoted part of an error readable.
QString quoted(QStringView text) {
    constexpr qsizetype limit = 80;
    if (text.size() <= limit) return text.toString();
    return text.first(limit).toString() + QStringLiteral("...");
}

bool allDigits(QStringView text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// A number of decimal digits within 0..max; nothing otherwise.
std::optional<uint> boundedNumber(QStringView text, uint max) {
    if (!allDigits(text)) return std::nullopt;
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > max) return std::nullopt;
    return value;
}

// The text between "(" and the next ")", when both occur.
std::optional<QStringView> parenthesised(QStringView line) {
    const qsizetype open = line.indexOf(u'(');
    if (open < 0) return std::nullopt;
    const qsizetype close = line.indexOf(u')', open + 1);
    if (close < 0) return std::nullopt;
    return line.sliced(open + 1, close - open - 1);
}

QString ipv4Text(quint32 address) {
    return QString::number(address >> 24) + u'.' + QString::number((address >> 16) & 0xFF) + u'.' +
           QString::number((address >> 8) & 0xFF) + u'.' + QString::number(address & 0xFF);
}

} // namespace

DataAddress parsePasvReply(const QString& firstLine) {
    const QStringView line = QStringView(firstLine).trimmed();
    QStringView numbers;
    if (const auto inner = parenthesised(line)) {
        numbers = *inner;
    } else {
        const qsizetype blank = line.lastIndexOf(u' ');
        numbers = blank < 0 ? line : line.sliced(blank + 1);
    }
    const auto invalid = [&] {
        return QeltoError(QStringLiteral("Server sent invalid passive address (") + quoted(numbers) + u')',
                          ErrorCategory::Protocol);
    };

    uint values[6];
    int count = 0;
    for (const QStringView part : numbers.tokenize(u',')) {
        if (count == 6) throw invalid();
        const auto value = boundedNumber(part.trimmed(), 255);
        if (!value) throw invalid();
        values[count++] = *value;
    }
    if (count != 6) throw invalid();

    DataAddress address;
    address.host = QString::number(values[0]) + u'.' + QString::number(values[1]) + u'.' +
                   QString::number(values[2]) + u'.' + QString::number(values[3]);
    address.port = static_cast<quint16>(values[4] * 256 + values[5]);
    if (address.port == 0) throw invalid();
    return address;
}

DataAddress parseEpsvReply(const QString& firstLine) {
    const QStringView inner = parenthesised(QStringView(firstLine)).value_or(QStringView());
    QStringView fields[4];
    int count = 0;
    if (!inner.isEmpty()) {
        for (const QStringView field : inner.sliced(1).tokenize(inner.front())) {
            if (count == 4) break;
            fields[count++] = field;
        }
    }
    // Fields after the leading delimiter: protocol, host, port.
    const QStringView host = count > 1 ? fields[1] : QStringView();
    const QStringView portText = count > 2 ? fields[2] : QStringView();
    const auto port = boundedNumber(portText, 65535);
    if (!port || *port == 0)
        throw QeltoError(QStringLiteral("Server sent invalid port number (") + quoted(portText) + u')',
                         ErrorCategory::Protocol);
    return DataAddress{host.toString(), static_cast<quint16>(*port)};
}

QString portArgument(const QHostAddress& address, quint16 port) {
    bool ok = false;
    const quint32 ipv4 = address.toIPv4Address(&ok);
    if (!ok) throw QeltoError(QStringLiteral("PORT needs an IPv4 address, not ") + address.toString());
    return QString::number(ipv4 >> 24) + u',' + QString::number((ipv4 >> 16) & 0xFF) + u',' +
           QString::number((ipv4 >> 8) & 0xFF) + u',' + QString::number(ipv4 & 0xFF) + u',' +
           QString::number(port >> 8) + u',' + QString::number(port & 0xFF);
}

QString eprtArgument(const QHostAddress& address, quint16 port) {
    bool ok = false;
    const quint32 ipv4 = address.toIPv4Address(&ok);
    if (ok) return QStringLiteral("|1|") + ipv4Text(ipv4) + u'|' + QString::number(port) + u'|';
    if (address.protocol() != QAbstractSocket::IPv6Protocol)
        throw QeltoError(QStringLiteral("EPRT needs an IP address, not ") + address.toString());
    QHostAddress plain(address);
    plain.setScopeId(QString());
    return QStringLiteral("|2|") + plain.toString() + u'|' + QString::number(port) + u'|';
}

QString chooseDataHost(const QString& replyHost, const QHostAddress& controlPeer) {
    if (controlPeer.isNull()) throw notConnected();
    const QHostAddress named(replyHost);
    if (!named.isNull() && named.isEqual(controlPeer, QHostAddress::TolerantConversion)) return replyHost;
    bool ok = false;
    const quint32 ipv4 = controlPeer.toIPv4Address(&ok);
    return ok ? ipv4Text(ipv4) : controlPeer.toString();
}

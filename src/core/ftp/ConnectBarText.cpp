#include "core/ftp/ConnectBarText.h"

#include "core/base/Errors.h"

quint16 connectBarPort(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    // A number beyond the port range is refused too, rather than cut down to some other port.
    if (!ok || value < 0 || value > 65535)
        throw QeltoError(QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value"));
    return value == 0 ? 21 : quint16(value);
}

bool passiveFromText(const QString& text) {
    return text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
}

TIdFTPTransferType transferTypeFromText(const QString& text) {
    return text == u"ASCII" ? ftASCII : ftBinary;
}

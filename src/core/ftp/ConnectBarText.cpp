#include "core/ftp/ConnectBarText.h"

#include "core/base/Errors.h"
#include "core/ftp/ConnectionSettings.h"

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

TlsMode tlsModeAt(int index) {
    switch (index) {
    case 1:
        return TlsMode::Explicit;
    case 2:
        return TlsMode::Implicit;
    case 3:
        return TlsMode::Require;
    default:
        return TlsMode::None;
    }
}

int tlsModeIndex(TlsMode mode) {
    switch (mode) {
    case TlsMode::Explicit:
        return 1;
    case TlsMode::Implicit:
        return 2;
    case TlsMode::Require:
        return 3;
    case TlsMode::None:
        break;
    }
    return 0;
}

std::optional<TlsMode> bookmarkTlsMode(const QString& text) {
    const QString t = text.trimmed();
    auto starts = [&](const char* word) { return t.startsWith(QLatin1String(word), Qt::CaseInsensitive); };
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0 || starts("Explicit"))
        return TlsMode::Explicit;
    if (starts("Implicit")) return TlsMode::Implicit;
    // The list's own spelling of the last item is "Recuire".
    if (starts("Require") || starts("Recuire")) return TlsMode::Require;
    return std::nullopt;
}

QString bookmarkTlsText(TlsMode mode) {
    switch (mode) {
    case TlsMode::Explicit:
        return QStringLiteral("Explicit");
    case TlsMode::Implicit:
        return QStringLiteral("Implicit");
    case TlsMode::Require:
        return QStringLiteral("Require");
    case TlsMode::None:
        break;
    }
    return QStringLiteral("False");
}

#include "core/settings/SettingsText.h"

#include "core/base/Errors.h"

#include <algorithm>
#include <array>

namespace {

struct ProxyType {
    const char* item;
    TIdFtpProxyType method;
};

const std::array<ProxyType, 10> proxyTypes{{
    {"Custom Proxy", fpcmCustomProxy},
    {"HTTP Proxy With FTP", fpcmHttpProxyWithFtp},
    {"None", fpcmNone},
    {"Novell Border", fpcmNovellBorder},
    {"Open", fpcmOpen},
    {"Site", fpcmSite},
    {"Transparent", fpcmTransparent},
    {"User Host FireWall ID", fpcmUserHostFireWallID},
    {"User Pass", fpcmUserPass},
    {"User Site", fpcmUserSite},
}};

const std::array<const char*, 6> whenExistsItems{"Ask", "Replace", "Replace if newer", "Resume", "Rename", "Skip"};

} // namespace

QStringList proxyTypeItems() {
    QStringList items;
    for (const ProxyType& type : proxyTypes)
        items << QString::fromLatin1(type.item);
    return items;
}

TIdFtpProxyType proxyMethodAt(int position) {
    if (position < 0 || position >= int(proxyTypes.size())) return fpcmNone;
    return proxyTypes[std::size_t(position)].method;
}

QStringList whenFileExistsItems() {
    QStringList items;
    for (const char* item : whenExistsItems)
        items << QString::fromLatin1(item);
    return items;
}

WhenFileExists whenFileExistsAt(int position) {
    if (position < 0 || position >= int(whenExistsItems.size())) return WhenFileExists::Ask;
    return WhenFileExists(position);
}

int settingsNumber(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < min || value > max)
        throw QeltoError(QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value"));
    return value;
}

TIdIPVersion ipVersionFromText(const QString& text) {
    return text.trimmed().compare(QStringLiteral("IP Version 6"), Qt::CaseInsensitive) == 0 ? Id_IPv6
                                                                                            : Id_IPv4;
}

void applySystemSettings(const SystemSettingsTexts& texts, ConnectionSettings& settings) {
    constexpr int maxTimeout = 24 * 60 * 60 * 1000;
    const int readTimeout = settingsNumber(texts.readTimeout, 0, maxTimeout);
    const int listenTimeout = settingsNumber(texts.listenTimeout, 0, maxTimeout);
    const int transferTimeout = settingsNumber(texts.transferTimeout, 0, maxTimeout);
    const int dataPort = settingsNumber(texts.dataPort, 0, 65535);
    const int dataPortMin = settingsNumber(texts.dataPortMin, 0, 65535);
    const int dataPortMax = settingsNumber(texts.dataPortMax, 0, 65535);

    settings.readTimeout = readTimeout;
    settings.listenTimeout = listenTimeout;
    settings.transferTimeout = transferTimeout;
    settings.dataPort = quint16(dataPort);
    settings.dataPortMin = quint16(dataPortMin);
    settings.dataPortMax = quint16(dataPortMax);
    settings.ipVersion = ipVersionFromText(texts.ipVersion);
    settings.useExtensionDataPort = texts.useExtensionDataPort;
    settings.useHOST = texts.useHOST;
    settings.useMLIS = texts.useMLIS;
    settings.autoIssueFEAT = texts.autoIssueFEAT;
    settings.tryNATFastTrack = texts.tryNATFastTrack;
    settings.keepTransferConnectionOpen = texts.keepTransferConnectionOpen;
    settings.simultaneousTransfers = std::clamp(texts.simultaneousTransfers, 1, 10);
    settings.whenFileExists = whenFileExistsAt(texts.whenFileExists);
}

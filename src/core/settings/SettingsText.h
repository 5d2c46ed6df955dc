#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QString>
#include <QStringList>

// The settings page's texts and how they become connection settings.

// The proxy types in list order; the position picks the proxy method.
QStringList proxyTypeItems();
// The method of the item at `position`; a position outside the list gives fpcmNone (direct).
TIdFtpProxyType proxyMethodAt(int position);

// A decimal number typed into a settings field, from `min` to `max`. Anything else fails with
// "'<text>' is not a valid integer value".
int settingsNumber(const QString& text, int min, int max);

// The choices of "When the file exists:", in the order of WhenFileExists.
QStringList whenFileExistsItems();
// The choice at `position` of that list; a position outside it gives Ask.
WhenFileExists whenFileExistsAt(int position);

// "IP Version 6" selects IPv6, any other text IPv4.
TIdIPVersion ipVersionFromText(const QString& text);

// What the "FTP System Settings" block holds, as texts and switches.
struct SystemSettingsTexts {
    QString readTimeout = QStringLiteral("60000");
    QString listenTimeout = QStringLiteral("10000");
    QString transferTimeout = QStringLiteral("0");
    QString dataPort = QStringLiteral("0");
    QString dataPortMin = QStringLiteral("0");
    QString dataPortMax = QStringLiteral("0");
    QString ipVersion = QStringLiteral("IP Version 4");
    bool useExtensionDataPort = false;
    bool useHOST = true;
    bool useMLIS = true;
    bool autoIssueFEAT = true;
    bool tryNATFastTrack = false;
    bool keepTransferConnectionOpen = false;
    int simultaneousTransfers = 1;
    int whenFileExists = 0; // the position in whenFileExistsItems()
};

// Puts the block's values into `settings`; throws as settingsNumber, before changing anything.
void applySystemSettings(const SystemSettingsTexts& texts, ConnectionSettings& settings);

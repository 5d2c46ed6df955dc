#pragma once

#include "core/ftp/FtpTypes.h"

#include <QString>

// How the connect bar and the settings page turn their texts into connection settings.

// The port field: a number from 0 to 65535, 0 meaning the standard port 21. Anything else fails with
// "'<text>' is not a valid integer value".
quint16 connectBarPort(const QString& text);

// "True" in any letter case selects passive data connections.
bool passiveFromText(const QString& text);

// "ASCII" selects ftASCII, anything else ftBinary.
TIdFTPTransferType transferTypeFromText(const QString& text);

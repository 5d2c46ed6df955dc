#pragma once

#include "core/ftp/FtpTypes.h"

#include <QString>
#include <optional>

// How the connect bar and the settings page turn their texts into connection settings.

// The port field: a number from 0 to 65535, 0 meaning the standard port 21. Anything else fails with
// "'<text>' is not a valid integer value".
quint16 connectBarPort(const QString& text);

// "True" in any letter case selects passive data connections.
bool passiveFromText(const QString& text);

// "ASCII" selects ftASCII, anything else ftBinary.
TIdFTPTransferType transferTypeFromText(const QString& text);

enum class TlsMode;

// The "Use TLS:" lists of the settings page and the bookmark editor, in their order: no TLS, explicit,
// implicit, required.
TlsMode tlsModeAt(int index);
int tlsModeIndex(TlsMode mode);

// A bookmark's UseTLS: "Explicit" (or "True"), "Implicit" or "Require" choose that mode for the bookmark,
// as do the list texts; "False", an empty field and anything else choose nothing, so the settings page
// decides. Letter case and surrounding blanks do not matter.
std::optional<TlsMode> bookmarkTlsMode(const QString& text);
// What the bookmark editor stores for a mode: "False" for no TLS, so the settings page decides.
QString bookmarkTlsText(TlsMode mode);

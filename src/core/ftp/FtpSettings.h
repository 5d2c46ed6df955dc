#pragma once

#include "core/ftp/FtpTypes.h"

#include <QString>

// The FTP proxy a connection logs in through.
struct TIdFtpProxySettings {
    TIdFtpProxyType ProxyType = fpcmNone;
    QString Host;
    QString UserName;
    QString Password;
    quint16 Port = 0;

    bool operator==(const TIdFtpProxySettings&) const = default;
};

// What the client tells the server about itself with CLNT.
class TIdFTPClientIdentifier {
public:
    QString clientName() const { return m_clientName; }
    QString clientVersion() const { return m_clientVersion; }
    QString platformDescription() const { return m_platformDescription; }

    // Name and version keep only the first word of the trimmed value.
    void setClientName(const QString& value) { m_clientName = firstWord(value); }
    void setClientVersion(const QString& value) { m_clientVersion = firstWord(value); }
    void setPlatformDescription(const QString& value) { m_platformDescription = value; }

    // Name, then version when set, then platform when both are set, separated by blanks.
    QString clientText() const {
        QString text = m_clientName;
        if (!m_clientVersion.isEmpty()) {
            text += u' ' + m_clientVersion;
            if (!m_platformDescription.isEmpty()) text += u' ' + m_platformDescription;
        }
        return text;
    }

private:
    static QString firstWord(const QString& value) {
        const QString trimmed = value.trimmed();
        qsizetype end = 0;
        while (end < trimmed.size() && !trimmed[end].isSpace())
            ++end;
        return trimmed.left(end);
    }

    QString m_clientName;
    QString m_clientVersion;
    QString m_platformDescription;
};

#pragma once

#include "core/ftp/FtpSettings.h"
#include "core/ftp/FtpTypes.h"

#include <QString>

class TIdFTP;

// How a connection protects itself with TLS.
enum class TlsMode { None, Explicit, Implicit, Require };

// Everything a connection needs to reach and log in to a server: a plain value, built from the connect
// bar or a bookmark and copied to every connection made with the same credentials.
struct ConnectionSettings {
    QString host;
    quint16 port = 21;
    QString user;
    QString password;
    QString account;
    bool passive = true;
    TIdFTPTransferType transferType = ftBinary;
    TIdFtpProxySettings proxy;

    int readTimeout = 60000;
    int listenTimeout = 10000;
    int transferTimeout = 0;
    int connectTimeLimit = 120000;

    quint16 dataPort = 0;
    quint16 dataPortMin = 0;
    quint16 dataPortMax = 0;
    bool useExtensionDataPort = false;
    bool useHOST = true;
    bool useMLIS = true;
    bool autoIssueFEAT = true;
    bool tryNATFastTrack = false;
    TIdIPVersion ipVersion = Id_IPv4;

    TlsMode tls = TlsMode::None;
    // Where the certificates the user trusted are kept; empty: the data folder's file. Every connection
    // made from these settings trusts the same certificates.
    QString trustStorePath;
    // Jobs log in once and keep their transfer connection until the job ends, instead of once per file.
    bool keepTransferConnectionOpen = false;

    // Puts every setting into the connection.
    void applyTo(TIdFTP& ftp) const;

    bool operator==(const ConnectionSettings&) const = default;
};

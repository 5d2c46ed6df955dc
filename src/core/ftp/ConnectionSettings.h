#pragma once

#include "core/ftp/FtpSettings.h"
#include "core/ftp/FtpTypes.h"

#include <QString>

class TIdFTP;

// What a download or upload does with a target that is already there.
enum class WhenFileExists { Ask, Replace, ReplaceIfNewer, Resume, Rename, Skip };

// How a connection protects itself with TLS.
enum class TlsMode { None, Explicit, Implicit, Require };

// The mode of another connection to the server of one that runs `encrypted` or not: an encrypted
// connection is the floor, so the other one requires TLS and never falls back to clear text.
TlsMode tlsModeBeside(TlsMode mode, bool encrypted);

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
    // The certificate (SHA-256 fingerprint) the connection must meet; empty: any the checks accept.
    QString pinnedCertificate;
    // Jobs log in once and keep their transfer connection until the job ends, instead of once per file.
    bool keepTransferConnectionOpen = false;
    // Files a download or upload job moves at once, each over a transfer connection of its own (1-10).
    int simultaneousTransfers = 1;
    // What a job does with a file whose target exists.
    WhenFileExists whenFileExists = WhenFileExists::Ask;

    // Puts every setting into the connection.
    void applyTo(TIdFTP& ftp) const;

    bool operator==(const ConnectionSettings&) const = default;
};

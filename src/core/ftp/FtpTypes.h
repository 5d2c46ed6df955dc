#pragma once

// Enumerations shared by the FTP connection, its data connections and the listing parse.

enum TIdFTPTransferType { ftASCII, ftBinary };

enum TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

enum TWorkMode { wmRead, wmWrite };

enum TIdFtpProxyType {
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmUserHostFireWallID,
    fpcmNovellBorder,
    fpcmHttpProxyWithFtp,
    fpcmCustomProxy
};

enum TIdDirItemType {
    ditDirectory,
    ditFile,
    ditSymbolicLink,
    ditSymbolicLinkDir,
    ditBlockDev,
    ditCharDev,
    ditFIFO,
    ditSocket
};

enum TIdIPVersion { Id_IPv4, Id_IPv6 };

#include "core/ftp/ConnectionSettings.h"

#include "core/ftp/TIdFTP.h"

TlsMode tlsModeBeside(TlsMode mode, bool encrypted) {
    if (!encrypted || mode == TlsMode::Implicit) return mode;
    return TlsMode::Require;
}

void ConnectionSettings::applyTo(TIdFTP& ftp) const {
    ftp.setHost(host);
    ftp.setPort(port);
    ftp.setUsername(user);
    ftp.setPassword(password);
    ftp.setAccount(account);
    ftp.setTryNATFastTrack(tryNATFastTrack); // before passive: fast-tracking forces passive mode
    if (!tryNATFastTrack) ftp.setPassive(passive);
    ftp.setTransferType(transferType);
    ftp.proxySettings() = proxy;
    ftp.setReadTimeout(readTimeout);
    ftp.setListenTimeout(listenTimeout);
    ftp.setTransferTimeout(transferTimeout);
    ftp.setConnectTimeLimit(connectTimeLimit);
    ftp.setDataPort(dataPort);
    ftp.setDataPortMin(dataPortMin);
    ftp.setDataPortMax(dataPortMax);
    ftp.setUseExtensionDataPort(useExtensionDataPort);
    ftp.setUseHOST(useHOST);
    ftp.setUseMLIS(useMLIS);
    ftp.setAutoIssueFEAT(autoIssueFEAT);
    ftp.setIPVersion(ipVersion);
    ftp.setTlsMode(tls);
    ftp.setTrustStore(trustStorePath.isEmpty() ? TlsTrustStore() : TlsTrustStore(trustStorePath));
    ftp.setPinnedCertificate(pinnedCertificate);
}

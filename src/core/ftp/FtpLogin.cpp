// Login sequences, the feature list and the steps that follow a login.
#include "core/ftp/OneTimePassword.h"
#include "core/ftp/TIdFTP.h"

#include <QRegularExpression>

namespace {

const QList<int> anyReply;

} // namespace

QString TIdFTP::loginPassword() const {
    return otpResponse(m_lastCmdResult.text.join(u'\n'), m_password).value_or(m_password);
}

void TIdFTP::accountStep() {
    const bool needed =
        m_lastCmdResult.code == 332 ||
        (m_lastCmdResult.text.join(u'\n').contains(QLatin1String("ACCOUNT")) && !m_account.isEmpty());
    if (!needed) return;
    if (m_account.isEmpty()) throw FtpReplyError(m_lastCmdResult.code, m_lastCmdResult.errorText());
    sendCmd(QStringLiteral("ACCT ") + m_account, {202, 230, 500});
}

// USER, and PASS with the login password when the server asks for it (331), then the account step.
void TIdFTP::userAndPassword(const QString& user, const QList<int>& userCodes, const QList<int>& passCodes) {
    if (sendCmd(QStringLiteral("USER ") + user, userCodes) != 331) return;
    sendCmd(QStringLiteral("PASS ") + loginPassword(), passCodes);
    accountStep();
}

void TIdFTP::Login() {
    refuseWhileBusy();
    loginSequence();
    m_loginMsg = m_lastCmdResult;
    protectDataStep();
    if (m_autoIssueFEAT) featStep();
    sendTransferType(m_transferType);
}

void TIdFTP::loginSequence() {
    const TIdFtpProxySettings& proxy = m_proxySettings;
    const QString h = m_port == 21 ? m_host : m_host + u':' + QString::number(m_port);
    const bool proxyUser = !proxy.UserName.isEmpty();
    const QList<int> userCodes{230, 232, 331};
    const QList<int> passCodes{230, 332};

    switch (proxy.ProxyType) {
    case fpcmNone:
        userAndPassword(m_username, userCodes, passCodes);
        return;
    case fpcmUserSite:
        if (proxyUser && sendCmd(QStringLiteral("USER ") + proxy.UserName, {230, 331}) == 331) {
            sendCmd(QStringLiteral("PASS ") + proxy.Password, {230});
            accountStep();
        }
        userAndPassword(m_username + u'@' + h, userCodes, {230, 331});
        return;
    case fpcmSite:
        if (proxyUser && sendCmd(QStringLiteral("USER ") + proxy.UserName, {230, 331}) == 331)
            sendCmd(QStringLiteral("PASS ") + proxy.Password, {230});
        sendCmd(QStringLiteral("SITE ") + h, anyReply);
        userAndPassword(m_username, userCodes, passCodes);
        return;
    case fpcmOpen:
        if (proxyUser) userAndPassword(proxy.UserName, {230, 331}, passCodes);
        sendCmd(QStringLiteral("OPEN ") + h, anyReply);
        userAndPassword(m_username, userCodes, passCodes);
        return;
    case fpcmUserPass:
        if (sendCmd(QStringLiteral("USER ") + m_username + u'@' + proxy.UserName + u'@' + h, userCodes) ==
            331) {
            QString pass = loginPassword();
            if (!proxy.Password.isEmpty()) pass += u'@' + proxy.Password;
            sendCmd(QStringLiteral("PASS ") + pass, passCodes);
            accountStep();
        }
        return;
    case fpcmTransparent:
        if (proxyUser && sendCmd(QStringLiteral("USER ") + proxy.UserName, {230, 331}) == 331)
            sendCmd(QStringLiteral("PASS ") + proxy.Password, {230, 332});
        userAndPassword(m_username, userCodes, passCodes);
        return;
    case fpcmUserHostFireWallID:
        if (sendCmd(QStringLiteral("USER ") +
                        QString(m_username + u'@' + h + u' ' + proxy.UserName).trimmed(),
                    {230, 331}) == 331 &&
            sendCmd(QStringLiteral("PASS ") + loginPassword(), {230, 232, 202, 332}) == 332) {
            sendCmd(QStringLiteral("ACCT ") + proxy.Password, {230, 232, 332});
            accountStep();
        }
        return;
    case fpcmNovellBorder:
        if (sendCmd(QStringLiteral("USER ") +
                        QString(proxy.UserName + u'$' + m_username + u'$' + h).trimmed(),
                    {230, 331}) == 331 &&
            sendCmd(QStringLiteral("PASS ") + proxy.UserName + u'$' + loginPassword(),
                    {230, 232, 202, 332}) == 332)
            accountStep();
        return;
    case fpcmHttpProxyWithFtp:
        throw QeltoError(QStringLiteral("Command not supported."));
    case fpcmCustomProxy:
        throw QeltoError(QStringLiteral("OnCustomFTPProxy required but not assigned"));
    }
}

void TIdFTP::featStep() {
    const int code = sendCmd(QStringLiteral("FEAT"), anyReply);
    m_capabilities.clear();
    const QStringList& text = m_lastCmdResult.text;
    if ((code == 211 || code == 221) && text.size() > 2) m_capabilities = text.mid(1, text.size() - 2);
    if (m_usingExtDataPort)
        m_usingExtDataPort = IsExtSupported(QStringLiteral("EPRT")) && IsExtSupported(QStringLiteral("EPSV"));
    m_canUseMLS = IsExtSupported(QStringLiteral("MLSD")) || IsExtSupported(QStringLiteral("MLST"));
    if (IsExtSupported(QStringLiteral("CLNT")))
        sendCmd(QStringLiteral("CLNT ") + m_clientInfo.clientText(), anyReply);
    if (IsExtSupported(QStringLiteral("UTF8"))) {
        writeCommand(QStringLiteral("OPTS UTF8 ON"));
        // The server may refuse and still talk UTF-8; from here on both directions use it.
        m_utf8 = true;
        readReply();
    }
}

void TIdFTP::systStep() {
    m_systemDesc = sendCmd(QStringLiteral("SYST"), anyReply) == 500 ? QStringLiteral("Unknown")
                                                                    : m_lastCmdResult.text.value(0);
}

bool TIdFTP::siteCapabilityListsZone() const {
    static const QRegularExpression separators(QStringLiteral("[\\s;,]+"));
    for (const QString& line : m_capabilities) {
        const QStringList words = line.split(separators, Qt::SkipEmptyParts);
        if (!words.isEmpty() && words.first().compare(QLatin1String("SITE"), Qt::CaseInsensitive) == 0 &&
            words.mid(1).contains(QStringLiteral("ZONE"), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

void TIdFTP::siteZoneStep() {
    static const QStringList zoneServers{QStringLiteral("Serv-U "), QStringLiteral("BPFTP Server "),
                                         QStringLiteral("TitanFTP server "),
                                         QStringLiteral("Titan FTP Server ")};
    const QString first = m_greeting.text.value(0);
    const bool known = std::any_of(zoneServers.begin(), zoneServers.end(),
                                   [&](const QString& prefix) { return first.startsWith(prefix); });
    if (!known && !siteCapabilityListsZone()) return;
    if (sendCmd(QStringLiteral("SITE ZONE"), anyReply) != 210) return;
    static const QRegularExpression offset(QStringLiteral("UTC([+-]?\\d{1,5})"));
    const QRegularExpressionMatch match = offset.match(m_lastCmdResult.text.value(0));
    if (match.hasMatch()) m_serverUtcOffset = match.captured(1).toInt();
}

void TIdFTP::natFastTrackStep() {
    if (!m_tryNATFastTrack || !IsExtSupported(QStringLiteral("EPSV"))) return;
    if (sendCmd(QStringLiteral("EPSV ALL"), anyReply) == 229) sendCmd(QStringLiteral("ABOR"), anyReply);
}

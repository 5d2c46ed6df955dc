#include "core/ftp/TIdFTP.h"

#include "core/ftp/FtpErrors.h"
#include "core/ftp/FtpTransfer.h"
#include "core/ftp/SocketErrors.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdLogEvent.h"
#include "core/ftp/TcpConnect.h"

#include <QDeadlineTimer>
#include <QStringEncoder>
#include <algorithm>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int ConnectDispatchMs = 125;
constexpr int QuitReplyWaitMs = 100;
// The longest a wait goes without looking at the cancel flag, and, with an anti-freeze, without
// dispatching events: the window stays responsive while a server is slow to answer.
constexpr int CancelCheckMs = 50;
constexpr int MaxDispatchGapMs = 50;
// Read in bounded chunks: a flooding server must not fill memory before the reply reader sees it.
constexpr qint64 ControlReadBufferSize = 256 * 1024;


QHostAddress resolve(const QString& host, TIdIPVersion version) {
    addrinfo hints{};
    hints.ai_family = version == Id_IPv6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found);
    if (rc != 0) throw resolverError(rc);
    QHostAddress address(found->ai_addr);
    ::freeaddrinfo(found);
    return address;
}

QeltoError transferRunning() {
    return QeltoError(QStringLiteral("A transfer is already running on this connection"));
}

struct DepthGuard {
    explicit DepthGuard(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthGuard() { --m_depth; }
    int& m_depth;
};

} // namespace

TIdFTP::TIdFTP() = default;

TIdFTP::~TIdFTP() {
    if (m_socket) m_socket->abort();
}

QSslSocket& TIdFTP::socket() {
    if (!m_socket) renewSocket();
    return *m_socket;
}

void TIdFTP::renewSocket() {
    m_socket.emplace();
    m_socket->setReadBufferSize(ControlReadBufferSize);
}

void TIdFTP::setPassive(bool value) {
    if (!value && m_tryNATFastTrack)
        throw QeltoError(QStringLiteral("Can not use active transfers with NAT fastracking."));
    m_passive = value;
}

void TIdFTP::setTryNATFastTrack(bool value) {
    m_tryNATFastTrack = value;
    if (value) m_passive = true;
}

void TIdFTP::setTransferType(TIdFTPTransferType value) {
    if (value == m_transferType) return;
    if (Connected()) refuseWhileBusy();
    if (Connected()) sendTransferType(value);
    m_transferType = value;
}

bool TIdFTP::Connected() const {
    // Unread bytes still count: a server that sent its last reply and hung up is read to the end.
    return m_opened && m_socket &&
           (m_socket->state() == QAbstractSocket::ConnectedState || m_socket->bytesAvailable() > 0);
}

bool TIdFTP::stillUsableWhenIdle() {
    if (!Connected() || m_waitDepth > 0) return Connected();
    // Lets the socket take in what arrived while nobody read: bytes, an end of stream or a reset.
    if (m_socket->state() == QAbstractSocket::ConnectedState) m_socket->waitForReadyRead(0);
    const bool spoke = m_socket->bytesAvailable() > 0 || m_reader.hasBufferedData();
    if (!spoke && m_socket->state() == QAbstractSocket::ConnectedState) return true;
    if (spoke) {
        try {
            readChunk();
            if (std::optional<FtpReply> reply = m_reader.takeReply(m_utf8))
                doStatus(hsStatusText, QStringLiteral("The server ended the idle connection: %1 %2")
                                           .arg(reply->code)
                                           .arg(reply->text.value(0)));
        } catch (const QeltoError&) {
        }
    }
    closeControl(m_opened);
    return false;
}

bool TIdFTP::IsExtSupported(const QString& name) const {
    for (const QString& line : m_capabilities) {
        const QString first = line.section(u' ', 0, 0, QString::SectionSkipEmpty);
        if (first.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

void TIdFTP::doStatus(TIdStatus status, const QString& text) {
    if (OnStatus) OnStatus(status, text);
}

// --- waits -------------------------------------------------------------------------------------------

void TIdFTP::checkInterrupted(const InterruptMark& mark, bool abortable) {
    if (m_generation != mark.generation) throw notConnected();
    if (abortable && m_abortCount != mark.aborts) {
        // The reply of the command and that of the ABOR are still owed: the next command would read them.
        closeControl(m_opened);
        throw operationAborted();
    }
}

void TIdFTP::checkCancelled() {
    if (!m_cancelFlag || !m_cancelFlag->load()) return;
    // Whatever the server still owes stays unread: the connection cannot be trusted with another command.
    closeControl(m_opened);
    throw operationAborted();
}

TIdFTP::WaitResult TIdFTP::waitInSlices(const std::function<WaitResult(int sliceMs)>& step, int timeoutMs,
                                        bool abortable, int dispatchEveryMs) {
    const DepthGuard depth(m_waitDepth);
    const InterruptMark mark = interruptMark();
    const bool antiFreeze = TIdAntiFreeze::applies();
    int sliceLimit = !antiFreeze ? -1
                                 : std::min(dispatchEveryMs > 0 ? dispatchEveryMs
                                                                : TIdAntiFreeze::instance()->idleTimeOut(),
                                            MaxDispatchGapMs);
    if (m_cancelFlag) sliceLimit = sliceLimit < 0 ? CancelCheckMs : std::min(sliceLimit, CancelCheckMs);
    const QDeadlineTimer deadline =
        timeoutMs > 0 ? QDeadlineTimer(timeoutMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    while (true) {
        checkCancelled();
        int slice = sliceLimit;
        if (!deadline.isForever()) {
            const int left = int(deadline.remainingTime());
            if (left <= 0) return WaitResult::TimedOut;
            slice = slice < 0 ? left : std::min(slice, left);
        }
        const WaitResult result = step(slice);
        if (result != WaitResult::TimedOut) return result;
        if (antiFreeze) {
            dispatchEvents();
            checkInterrupted(mark, abortable);
        }
    }
}

TIdFTP::WaitResult TIdFTP::waitForSocket(QAbstractSocket& socket, SocketWait what, int timeoutMs,
                                         bool abortable) {
    const auto done = [&] {
        return what == SocketWait::ReadyRead ? socket.bytesAvailable() > 0 : socket.bytesToWrite() == 0;
    };
    return waitInSlices(
        [&](int slice) {
            // A handler run between slices may have read or closed the socket.
            if (done()) return WaitResult::Ready;
            if (socket.state() == QAbstractSocket::UnconnectedState) return WaitResult::Failed;
            const bool ready = what == SocketWait::ReadyRead ? socket.waitForReadyRead(slice)
                                                             : socket.waitForBytesWritten(slice);
            if (ready || done()) return WaitResult::Ready;
            if (socket.state() == QAbstractSocket::UnconnectedState) return WaitResult::Failed;
            return WaitResult::TimedOut;
        },
        timeoutMs, abortable);
}

void TIdFTP::connectTcp(QTcpSocket& socket, const QHostAddress& address, quint16 port, int timeoutMs) {
    TcpConnectAttempt attempt(address, port);
    const WaitResult result = waitInSlices(
        [&](int slice) { return attempt.wait(slice) ? WaitResult::Ready : WaitResult::TimedOut; }, timeoutMs,
        true, ConnectDispatchMs);
    if (result == WaitResult::TimedOut)
        throw QeltoError(QStringLiteral("Connect timed out."), ErrorCategory::Timeout);
    socket.abort();
    const int fd = attempt.release();
    if (!socket.setSocketDescriptor(fd)) {
        ::close(fd);
        throw socketError(socket);
    }
}

void TIdFTP::afterDataBlock() {
    checkCancelled();
    if (!TIdAntiFreeze::applies()) return;
    const InterruptMark mark = interruptMark();
    dispatchEvents();
    checkInterrupted(mark, false);
}

// --- control connection ------------------------------------------------------------------------------

QeltoError TIdFTP::connectionError() const {
    if (!m_opened || !m_socket) return notConnected();
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError || error == QAbstractSocket::SocketTimeoutError ||
        error == QAbstractSocket::UnknownSocketError)
        return QeltoError(QStringLiteral("Connection Closed Gracefully."), ErrorCategory::ConnectionLost);
    return socketError(*m_socket);
}

void TIdFTP::writeRaw(const QByteArray& bytes) {
    checkCancelled();
    if (!m_opened || socket().state() != QAbstractSocket::ConnectedState) throw connectionError();
    if (socket().write(bytes) != bytes.size()) throw connectionError();
    const quint64 generation = m_generation;
    if (m_intercept) m_intercept->sent(bytes);
    if (generation != m_generation) throw notConnected();
    while (socket().bytesToWrite() > 0) {
        // During a transfer, Abort only marks it: its replies are still read in step by the transfer.
        switch (waitForSocket(socket(), SocketWait::BytesWritten, m_readTimeout, !m_transfer)) {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            // Part of the command may have gone out: the connection is out of step.
            closeControl(m_opened);
            throw QeltoError(QStringLiteral("Write timed out."), ErrorCategory::Timeout);
        case WaitResult::Failed:
            throw connectionError();
        }
    }
}

QByteArray TIdFTP::encodeText(const QString& text) const {
    if (m_utf8) {
        QStringEncoder encoder(QStringEncoder::Utf8);
        QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError()) return bytes;
    } else if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; })) {
        return text.toLatin1();
    }
    // Never a "?" in place of what cannot be carried: that would name another file.
    throw QeltoError(
        QStringLiteral("Cannot send \"%1\": the connection's character encoding cannot carry it").arg(text));
}

void TIdFTP::writeCommand(const QString& line) {
    writeCommand(encodeText(line));
}

void TIdFTP::writeCommand(const QByteArray& line) {
    // A line break inside a command would smuggle a second command past the reply checks.
    if (line.contains('\r') || line.contains('\n'))
        throw QeltoError(QStringLiteral("Invalid command: line breaks are not allowed"));
    if (!m_opened) throw notConnected();
    writeRaw(line + "\r\n");
}

void TIdFTP::readChunk() {
    const QByteArray chunk = socket().readAll();
    if (chunk.isEmpty()) return;
    const quint64 generation = m_generation;
    if (m_intercept) m_intercept->received(chunk);
    if (generation != m_generation) throw notConnected();
    m_reader.feed(chunk);
}

TIdFTP::WaitResult TIdFTP::waitForReply() {
    // A handler run between slices may have read from the socket, or closed it; what it read and left
    // in the reader counts as much as bytes on the socket.
    const auto arrived = [this] { return m_reader.replyReady() || socket().bytesAvailable() > 0; };
    const auto closed = [this] { return socket().state() == QAbstractSocket::UnconnectedState; };
    return waitInSlices(
        [&](int slice) {
            if (arrived()) return WaitResult::Ready;
            if (closed()) return WaitResult::Failed;
            if (socket().waitForReadyRead(slice) || arrived()) return WaitResult::Ready;
            return closed() ? WaitResult::Failed : WaitResult::TimedOut;
        },
        m_readTimeout, !m_transfer);
}

FtpReply TIdFTP::readReply() {
    if (!m_opened) throw notConnected();
    try {
        while (true) {
            if (std::optional<FtpReply> reply = m_reader.takeReply(m_utf8)) {
                m_lastCmdResult = *reply;
                return *reply;
            }
            if (socket().bytesAvailable() > 0) {
                readChunk();
                continue;
            }
            if (socket().state() != QAbstractSocket::ConnectedState) throw connectionError();
            switch (waitForReply()) {
            case WaitResult::Ready:
                break;
            case WaitResult::TimedOut:
                // A reply that comes late would answer the next command: end the connection instead.
                closeControl(m_opened);
                throw QeltoError(QStringLiteral("Read timed out."), ErrorCategory::Timeout);
            case WaitResult::Failed:
                if (socket().bytesAvailable() == 0 && !m_reader.replyReady()) throw connectionError();
                break;
            }
        }
    } catch (const FtpProtocolError&) {
        // The reader is out of step with the server: drop the connection.
        if (m_opened) disconnectInternal(false);
        throw;
    }
}

int TIdFTP::sendCmd(const QString& line, const QList<int>& accepted) {
    return sendCmd(encodeText(line), accepted);
}

int TIdFTP::sendCmd(const QByteArray& line, const QList<int>& accepted) {
    writeCommand(line);
    const FtpReply reply = readReply();
    if (!accepted.isEmpty() && !accepted.contains(reply.code))
        throw FtpReplyError(reply.code, reply.errorText());
    return reply.code;
}

bool TIdFTP::replyArrivesWithin(int ms) {
    return m_reader.hasBufferedData() || socket().bytesAvailable() > 0 ||
           waitForSocket(socket(), SocketWait::ReadyRead, ms, false) == WaitResult::Ready;
}

void TIdFTP::dispatchEvents() {
    const DepthGuard depth(m_dispatchDepth);
    TIdAntiFreeze::process();
}

void TIdFTP::refuseWhileBusy() const {
    // A command started by a handler run inside a call of this connection (from a wait, or from a
    // transfer's progress events) would read that call's reply.
    if (m_transfer) throw transferRunning();
    if (m_dispatchDepth > 0)
        throw QeltoError(QStringLiteral("A command is already running on this connection"));
}

void TIdFTP::transferStarts(FtpTransfer& transfer) {
    if (m_transfer) throw transferRunning();
    refuseWhileBusy();
    if (!Connected()) throw connectionError();
    m_transfer = &transfer;
}

void TIdFTP::sendTransferType(TIdFTPTransferType type) {
    sendCmd(type == ftBinary ? QStringLiteral("TYPE I") : QStringLiteral("TYPE A"), {200});
}

// --- connect and disconnect --------------------------------------------------------------------------

void TIdFTP::connectSocket() {
    const bool viaProxy = m_proxySettings.ProxyType != fpcmNone &&
                          m_proxySettings.ProxyType != fpcmTransparent && !m_proxySettings.Host.isEmpty();
    const QString host = viaProxy ? m_proxySettings.Host : m_host;
    quint16 port = viaProxy ? m_proxySettings.Port : m_port;
    if (m_tlsMode == TlsMode::Implicit && port == 21) port = 990;

    closeSocket();
    // A socket that carried TLS stays in its TLS mode after abort(), and a socket given a descriptor is
    // never put back into plain mode: it would take the next server's plain greeting for TLS records. Such
    // a socket is replaced by a fresh one in place, so every reference to it stays valid.
    if (!m_socket || m_socket->mode() != QSslSocket::UnencryptedMode) renewSocket();
    QHostAddress address;
    if (!address.setAddress(host)) {
        doStatus(hsResolving, QStringLiteral("Resolving hostname %1.").arg(host));
        address = resolve(host, m_ipVersion);
    }
    doStatus(hsConnecting, QStringLiteral("Connecting to %1.").arg(address.toString()));
    connectTcp(socket(), address, port, TIdAntiFreeze::applies() ? m_connectTimeLimit : 0);
    m_opened = true;
    if (m_intercept) m_intercept->connected();
    if (m_tlsMode == TlsMode::Implicit) startTls();
    doStatus(hsConnected, QStringLiteral("Connected."));
    if (OnConnected) OnConnected();
}

void TIdFTP::Connect() {
    refuseWhileBusy();
    m_capabilities.clear();
    m_canUseMLS = false;
    m_resumeSupport = ResumeSupport::Unknown;
    m_listAllRefused = false;
    m_protectData = false;
    m_usingExtDataPort = m_useExtensionDataPort || m_tryNATFastTrack;
    bool greetingAccepted = false;
    try {
        connectSocket();
        m_utf8 = false;
        FtpReply greeting = readReply();
        if (greeting.code >= 100 && greeting.code < 200) greeting = readReply();
        if (greeting.code != 220) throw FtpReplyError(greeting.code, greeting.errorText());
        m_greeting = greeting;
        greetingAccepted = true;

        if (m_useHOST) {
            const QHostAddress hostAddress(m_host);
            const bool isPeer = !hostAddress.isNull() && hostAddress.isEqual(socket().peerAddress());
            if (sendCmd(isPeer ? QStringLiteral("HOST [%1]").arg(m_host) : QStringLiteral("HOST ") + m_host,
                        {}) == 220)
                m_greeting = m_lastCmdResult;
        }
        authTlsStep();
        if (m_autoLogin) {
            Login();
            natFastTrackStep();
            systStep();
            siteZoneStep();
            sendTransferType(m_transferType);
            doStatus(ftpReady, QStringLiteral("Connection established"));
        } else {
            systStep();
            if (m_autoIssueFEAT) featStep();
        }
    } catch (...) {
        try {
            disconnectInternal(greetingAccepted);
        } catch (...) {
            // The original failure is the one to report.
        }
        throw;
    }
}

void TIdFTP::Disconnect() {
    disconnectInternal(true);
}

void TIdFTP::disconnectInternal(bool notifyPeer) {
    if (notifyPeer && Connected()) {
        try {
            writeCommand(QStringLiteral("QUIT"));
            if (replyArrivesWithin(QuitReplyWaitMs)) readReply();
        } catch (const QeltoError&) {
            // The connection is going away; a missing goodbye changes nothing.
        }
    }
    closeControl(m_opened);
}

void TIdFTP::closeControl(bool wasOpen) {
    m_opened = false;
    ++m_generation;
    if (wasOpen) doStatus(hsDisconnecting, QStringLiteral("Disconnecting."));
    if (m_socket) m_socket->abort();
    m_reader.clear();
    if (!wasOpen) return;
    if (m_intercept) m_intercept->disconnected();
    if (OnDisconnected) OnDisconnected();
    doStatus(hsDisconnected, QStringLiteral("Disconnected."));
}

void TIdFTP::closeSocket() {
    closeControl(false);
}

void TIdFTP::Abort() {
    if (Connected()) writeCommand(QStringLiteral("ABOR"));
    ++m_abortCount;
    if (m_transfer) {
        // The transfer's end handling reads the replies.
        m_transfer->requestAbort();
        return;
    }
    // A call waiting on this connection owns the replies; it notices the abort and fails.
    if (m_waitDepth > 0) return;
    readReply();
}

// --- single-line commands ----------------------------------------------------------------------------

void TIdFTP::ChangeDir(const QString& dir) {
    ChangeDir(encodeText(dir));
}

void TIdFTP::ChangeDir(const QByteArray& dir) {
    refuseWhileBusy();
    sendCmd("CWD " + dir, {200, 250});
}

void TIdFTP::ChangeDirUp() {
    refuseWhileBusy();
    sendCmd(QStringLiteral("CDUP"), {200, 250});
}

QString TIdFTP::RetrieveCurrentDir() {
    refuseWhileBusy();
    sendCmd(QStringLiteral("PWD"), {257});
    const QString line = m_lastCmdResult.text.value(0);
    const qsizetype open = line.indexOf(u'"');
    if (open < 0) {
        // Some servers leave the quotes out ("257 /pub is the current directory"): an absolute path at
        // the start is taken; anything else names no folder.
        const QString first = line.section(u' ', 0, 0);
        return first.startsWith(u'/') ? first : QString();
    }
    // A quote inside the path is sent doubled.
    QString dir;
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] != u'"') {
            dir += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == u'"') {
            dir += u'"';
            ++i;
        } else {
            return dir;
        }
    }
    return QString();
}

void TIdFTP::MakeDir(const QString& dir) {
    MakeDir(encodeText(dir));
}

void TIdFTP::MakeDir(const QByteArray& dir) {
    refuseWhileBusy();
    sendCmd("MKD " + dir, {257});
}

void TIdFTP::RemoveDir(const QString& dir) {
    RemoveDir(encodeText(dir));
}

void TIdFTP::RemoveDir(const QByteArray& dir) {
    refuseWhileBusy();
    sendCmd("RMD " + dir, {250});
}

void TIdFTP::Delete(const QString& file) {
    Delete(encodeText(file));
}

void TIdFTP::Delete(const QByteArray& file) {
    refuseWhileBusy();
    sendCmd("DELE " + file, {250});
}

void TIdFTP::Rename(const QString& from, const QString& to) {
    // Both names are checked before RNFR goes out.
    const QByteArray fromBytes = encodeText(from);
    Rename(fromBytes, encodeText(to));
}

void TIdFTP::Rename(const QByteArray& from, const QByteArray& to) {
    refuseWhileBusy();
    sendCmd("RNFR " + from, {350});
    sendCmd("RNTO " + to, {250});
}

void TIdFTP::Site(const QString& command) {
    Site(encodeText(command));
}

void TIdFTP::Site(const QByteArray& command) {
    refuseWhileBusy();
    sendCmd("SITE " + command, {200});
}

void TIdFTP::Noop() {
    refuseWhileBusy();
    sendCmd(QStringLiteral("NOOP"), {200});
}

int TIdFTP::Quote(const QString& command) {
    refuseWhileBusy();
    return sendCmd(command, {});
}

int TIdFTP::SendCmd(const QString& line, int code) {
    refuseWhileBusy();
    return sendCmd(line, code == -1 ? QList<int>{} : QList<int>{code});
}

int TIdFTP::SendCmd(const QString& line, const QList<int>& codes) {
    refuseWhileBusy();
    return sendCmd(line, codes);
}

QString TIdFTP::SendCmd(const QString& line, const QString& code) {
    refuseWhileBusy();
    writeCommand(line);
    const FtpReply reply = readReply();
    if (!code.isEmpty() && reply.codeText() != code) throw FtpReplyError(reply.code, reply.errorText());
    return reply.codeText();
}

int TIdFTP::ReadNextReply() {
    refuseWhileBusy();
    return readReply().code;
}

qint64 TIdFTP::Size(const QString& file) {
    return Size(encodeText(file));
}

qint64 TIdFTP::Size(const QByteArray& file) {
    refuseWhileBusy();
    const TIdFTPTransferType previous = m_transferType;
    setTransferType(ftBinary);
    try {
        sendCmd("SIZE " + file, {});
    } catch (...) {
        try {
            setTransferType(previous);
        } catch (const QeltoError&) {
            // The SIZE failure is the one to report.
        }
        throw;
    }
    const FtpReply reply = m_lastCmdResult;
    setTransferType(previous);
    if (reply.code != 213) return -1;
    const QString value = reply.text.value(0).trimmed().section(u' ', -1);
    bool ok = false;
    const qint64 size = value.toLongLong(&ok);
    return ok && size >= 0 ? size : -1;
}

void TIdFTP::Status(QStringList& lines) {
    refuseWhileBusy();
    if (sendCmd(QStringLiteral("STAT"), {211, 212, 213, 500}) != 500) lines = m_lastCmdResult.text;
}

// --- progress ----------------------------------------------------------------------------------------

void TIdFTP::doWorkBegin(TWorkMode mode, qint64 expected) {
    if (++m_workNesting[mode] == 1 && OnWorkBegin) OnWorkBegin(mode, expected);
}

void TIdFTP::doWork(TWorkMode mode, qint64 count) {
    if (m_workNesting[mode] > 0 && OnWork) OnWork(mode, count);
}

void TIdFTP::doWorkEnd(TWorkMode mode) {
    if (m_workNesting[mode] > 0 && --m_workNesting[mode] == 0 && OnWorkEnd) OnWorkEnd(mode);
}

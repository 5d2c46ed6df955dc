#include "core/ftp/FtpTransfer.h"

#include "core/ftp/DataAddress.h"
#include "core/ftp/FtpErrors.h"
#include "core/ftp/SocketErrors.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TcpConnect.h"

#include <QFileDevice>
#include <cerrno>
#include <exception>

namespace {

constexpr int ConnectDispatchMs = 125;
constexpr int AbortTrailerWaitMs = 10;

const QList<int> ListingPassiveCodes{125, 150, 154, 450};
const QList<int> DownloadCodes{125, 150, 154};
const QList<int> UploadPassiveCodes{110, 125, 150};
const QList<int> UploadActiveCodes{125, 150};
const QList<int> FinalCodes{226, 225, 250};
const QList<int> AbortFirstCodes{225, 226, 250, 426, 450, 451, 425, 550, 552};
const QList<int> AbortSecondAfter{226, 426, 450, 451, 425, 550};
const QList<int> AbortSecondCodes{226, 225};
const QList<int> AbortThirdCodes{226, 426, 450, 451, 425, 550};

// Write failures meaning the data connection is gone (the server stopped taking data, or Abort closed
// it): the upload stops writing and the server's replies tell how it ended.
bool dataConnectionGone(int error) {
    return error == EPIPE || error == ECONNRESET || error == EBADF || error == ENOTCONN || error == ESHUTDOWN;
}

} // namespace

FtpTransfer::FtpTransfer(TIdFTP& ftp, Direction direction, QString command, bool listing)
    : m_ftp(ftp), m_direction(direction), m_command(std::move(command)), m_listing(listing) {}

void FtpTransfer::run(QIODevice& local, qint64 restartAt, qint64 limit, const QString& limitError) {
    // A second transfer started by a handler inside this one would read this one's replies.
    if (m_ftp.m_transferRunning)
        throw QeltoError(QStringLiteral("A transfer is already running on this connection"));
    if (!m_ftp.Connected()) throw m_ftp.connectionError();
    m_local = &local;
    m_restartAt = restartAt;
    m_limit = limit;
    m_limitError = limitError;

    m_ftp.m_aborted = false;
    m_ftp.m_transferRunning = true;
    m_ftp.m_dataChannel = &m_channel;
    std::exception_ptr failure;
    try {
        m_ftp.doStatus(ftpTransfer, QStringLiteral("Starting FTP transfer"));
        if (m_ftp.m_passive)
            passive();
        else
            active();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        end();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    m_ftp.m_dataChannel = nullptr;
    m_ftp.m_transferRunning = false;
    if (failure) std::rethrow_exception(failure);
    if (m_ftp.m_aborted) throw operationAborted();
}

// --- opening the data connection ---------------------------------------------------------------------

void FtpTransfer::passive() {
    QHostAddress host;
    quint16 port = 0;
    passiveAddress(host, port);
    if (aborted()) return;
    if (m_direction == Upload) {
        // The command goes first; its reply comes once the data connection is open.
        m_ftp.writeCommand(m_command);
        m_commandSent = true;
    }
    connectData(host, port);
    if (aborted()) return;
    if (m_direction == Upload) {
        readCommandReply(UploadPassiveCodes);
    } else {
        sendRestart();
        if (aborted()) return;
        sendCommand(m_listing ? ListingPassiveCodes : DownloadCodes);
        if (m_commandReply == 450) return;
    }
    if (aborted()) return;
    m_direction == Download ? receive() : send();
}

void FtpTransfer::active() {
    FtpDataListener listener;
    listener.listen(m_ftp.controlLocalAddress(), m_ftp.m_dataPort, m_ftp.m_dataPortMin, m_ftp.m_dataPortMax);
    sendDataPort(listener);
    if (aborted()) return;
    if (m_direction == Download) {
        sendRestart();
        if (aborted()) return;
    }
    sendCommand(m_direction == Download ? DownloadCodes : UploadActiveCodes);
    if (aborted()) return;
    acceptData(listener);
    listener.close();
    if (aborted()) return;
    m_direction == Download ? receive() : send();
}

void FtpTransfer::passiveAddress(QHostAddress& host, quint16& port) {
    if (m_ftp.IsExtSupported(QStringLiteral("PRET"))) m_ftp.sendCmd(QStringLiteral("PRET ") + m_command, {});
    const QHostAddress peer = m_ftp.controlPeerAddress();
    DataAddress address;
    bool found = false;
    if (m_ftp.m_usingExtDataPort) {
        int code = 0;
        if (m_ftp.m_proxySettings.ProxyType != fpcmNone) {
            const QString protocol =
                peer.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("2") : QStringLiteral("1");
            code = m_ftp.sendCmd(QStringLiteral("EPSV ") + protocol, {});
        }
        if (code != 229) code = m_ftp.sendCmd(QStringLiteral("EPSV"), {});
        if (code == 229) {
            try {
                address = parseEpsvReply(m_ftp.m_lastCmdResult.text.value(0));
            } catch (const QeltoError&) {
                m_ftp.sendCmd(QStringLiteral("ABOR"), {});
                throw;
            }
            found = true;
        } else {
            m_ftp.m_usingExtDataPort = false;
        }
    }
    if (!found) {
        m_ftp.sendCmd(QStringLiteral("PASV"), {227});
        address = parsePasvReply(m_ftp.m_lastCmdResult.text.value(0).trimmed());
    }
    // Only the control connection's peer is ever connected to, whatever host the reply names.
    host = m_ftp.m_passiveUseControlHost ? peer : QHostAddress(chooseDataHost(address.host, peer));
    port = address.port;
}

void FtpTransfer::connectData(const QHostAddress& host, quint16 port) {
    TcpConnectAttempt attempt(host, port);
    const auto result = m_ftp.waitInSlices(
        [&](int slice) {
            if (aborted()) return TIdFTP::WaitResult::Failed;
            return attempt.wait(slice) ? TIdFTP::WaitResult::Ready : TIdFTP::WaitResult::TimedOut;
        },
        TIdAntiFreeze::applies() ? m_ftp.m_connectTimeLimit : 0, false, ConnectDispatchMs);
    if (result == TIdFTP::WaitResult::TimedOut)
        throw QeltoError(QStringLiteral("Connect timed out."), ErrorCategory::Timeout);
    if (result == TIdFTP::WaitResult::Ready) m_channel.adopt(attempt.release());
}

void FtpTransfer::sendDataPort(const FtpDataListener& listener) {
    if (m_ftp.m_usingExtDataPort) {
        if (m_ftp.sendCmd(QStringLiteral("EPRT ") + eprtArgument(listener.address(), listener.port()), {}) ==
            200)
            return;
        m_ftp.m_usingExtDataPort = false;
    }
    m_ftp.sendCmd(QStringLiteral("PORT ") + portArgument(listener.address(), listener.port()), {200});
}

void FtpTransfer::acceptData(FtpDataListener& listener) {
    const QHostAddress peer = m_ftp.controlPeerAddress();
    int fd = -1;
    const auto result = m_ftp.waitInSlices(
        [&](int slice) {
            if (aborted()) return TIdFTP::WaitResult::Failed;
            fd = listener.accept(slice, peer);
            return fd >= 0 ? TIdFTP::WaitResult::Ready : TIdFTP::WaitResult::TimedOut;
        },
        m_ftp.m_listenTimeout, false);
    if (result == TIdFTP::WaitResult::TimedOut)
        throw QeltoError(QStringLiteral("Accept timed out."), ErrorCategory::Timeout);
    if (result == TIdFTP::WaitResult::Ready) m_channel.adopt(fd);
}

// --- commands ----------------------------------------------------------------------------------------

void FtpTransfer::sendRestart() {
    if (m_restartAt >= 0) m_ftp.sendCmd(QStringLiteral("REST ") + QString::number(m_restartAt), {350});
}

void FtpTransfer::sendCommand(const QList<int>& accepted) {
    m_ftp.writeCommand(m_command);
    m_commandSent = true;
    readCommandReply(accepted);
}

void FtpTransfer::readCommandReply(const QList<int>& accepted) {
    const FtpReply reply = m_ftp.readReply();
    m_replyRead = true;
    m_commandReply = reply.code;
    if (!accepted.contains(reply.code)) throw FtpReplyError(reply.code, reply.errorText());
}

int FtpTransfer::readReply(const QList<int>& accepted) {
    const FtpReply reply = m_ftp.readReply();
    if (!accepted.isEmpty() && !accepted.contains(reply.code))
        throw FtpReplyError(reply.code, reply.errorText());
    return reply.code;
}

// --- data --------------------------------------------------------------------------------------------

bool FtpTransfer::waitOnData(bool forWriting) {
    const auto result = m_ftp.waitInSlices(
        [&](int slice) {
            if (aborted() || !m_channel.isOpen()) return TIdFTP::WaitResult::Failed;
            const bool ready = forWriting ? m_channel.waitWritable(slice) : m_channel.waitReadable(slice);
            return ready ? TIdFTP::WaitResult::Ready : TIdFTP::WaitResult::TimedOut;
        },
        m_ftp.m_transferTimeout, false);
    if (result == TIdFTP::WaitResult::TimedOut)
        throw QeltoError(forWriting ? QStringLiteral("Write timed out.") : QStringLiteral("Read timed out."),
                         ErrorCategory::Timeout);
    return result == TIdFTP::WaitResult::Ready;
}

void FtpTransfer::writeLocal(const char* data, qint64 size) {
    if (m_local->write(data, size) != size)
        throw QeltoError(QStringLiteral("Cannot write file. ") + m_local->errorString(),
                         ErrorCategory::LocalFile);
}

void FtpTransfer::receive() {
    QByteArray& buffer = m_ftp.m_transferBuffer;
    if (buffer.size() != BlockSize) buffer.resize(BlockSize);
    char* const data = buffer.data();
    qint64 total = 0;
    m_ftp.doWorkBegin(wmRead, 0);
    try {
        bool atEnd = false;
        while (!atEnd) {
            // Fill the block with what the kernel holds; hand it on as soon as no more is waiting, so
            // a slow server still gets its progress shown.
            qint64 filled = 0;
            while (filled < BlockSize) {
                const qint64 n = m_channel.read(data + filled, BlockSize - filled);
                if (n > 0) {
                    filled += n;
                } else if (n == 0) {
                    atEnd = true;
                    break;
                } else if (filled > 0) {
                    break;
                } else if (!waitOnData(false)) {
                    m_ftp.doWorkEnd(wmRead);
                    return;
                }
            }
            if (filled == 0) continue;
            if (m_limit >= 0 && total + filled > m_limit) throw QeltoError(m_limitError);
            writeLocal(data, filled);
            total += filled;
            m_ftp.doWork(wmRead, total);
            m_ftp.afterDataBlock();
        }
    } catch (...) {
        m_ftp.doWorkEnd(wmRead);
        throw;
    }
    m_ftp.doWorkEnd(wmRead);
}

void FtpTransfer::send() {
    qint64 total = 0;
    m_ftp.doWorkBegin(wmWrite, m_local->size());
    try {
        // A local file goes from the page cache to the socket in the kernel; other sources, or files
        // that cannot be sent that way, through the block buffer.
        const auto* file = qobject_cast<QFileDevice*>(m_local);
        bool inKernel = file && file->handle() >= 0;
        while (m_channel.isOpen()) {
            const qint64 sent = inKernel ? sendFromFile(file->handle(), total == 0, inKernel) : sendBlock();
            if (sent == 0) break;
            if (sent < 0) continue;
            total += sent;
            m_ftp.doWork(wmWrite, total);
            m_ftp.afterDataBlock();
        }
        // The server takes the end of the data connection as the end of the file.
        m_channel.close();
    } catch (...) {
        m_ftp.doWorkEnd(wmWrite);
        throw;
    }
    m_ftp.doWorkEnd(wmWrite);
}

qint64 FtpTransfer::sendFromFile(int fd, bool first, bool& inKernel) {
    const qint64 sent = m_channel.sendFile(fd, BlockSize);
    if (sent >= 0) return sent;
    const int error = m_channel.lastError();
    if (error == EAGAIN) return waitOnData(true) ? -1 : 0;
    if (first && (error == EINVAL || error == ENOSYS)) {
        inKernel = false;
        return -1;
    }
    if (dataConnectionGone(error)) return 0;
    throw errnoError(error);
}

qint64 FtpTransfer::sendBlock() {
    QByteArray& buffer = m_ftp.m_transferBuffer;
    if (buffer.size() != BlockSize) buffer.resize(BlockSize);
    char* const data = buffer.data();
    const qint64 n = m_local->read(data, BlockSize);
    if (n < 0)
        throw QeltoError(QStringLiteral("Cannot read file. ") + m_local->errorString(),
                         ErrorCategory::LocalFile);
    qint64 offset = 0;
    while (offset < n) {
        const qint64 written = m_channel.write(data + offset, n - offset);
        if (written > 0) {
            offset += written;
        } else if (written < 0) {
            const int error = m_channel.lastError();
            if (dataConnectionGone(error)) return 0;
            throw errnoError(error);
        } else if (!waitOnData(true)) {
            return 0;
        }
    }
    return n;
}

// --- end handling ------------------------------------------------------------------------------------

void FtpTransfer::end() {
    m_channel.close();
    if (m_commandSent && !m_replyRead) {
        // A passive upload whose data connection failed: the server still answers the command.
        m_commandReply = m_ftp.readReply().code;
        m_replyRead = true;
    }
    const bool abortedBefore = aborted();
    // Only a preliminary reply to the command announces a closing reply; a command never sent, or
    // refused, has none to wait for (only the ABOR, when one was sent, still owes its reply).
    if (!m_commandSent || m_commandReply < 100 || m_commandReply >= 200) {
        m_ftp.doStatus(ftpAborted, QStringLiteral("Transfer aborted"));
        if (abortedBefore) readReply({});
        return;
    }
    m_ftp.doStatus(ftpReady, QStringLiteral("Transfer complete"));
    if (!abortedBefore) {
        readReply(FinalCodes);
        // An Abort made while the closing reply was awaited sent an ABOR that is answered as well.
        if (aborted()) readReply({});
        return;
    }
    try {
        readAbortReplies();
    } catch (...) {
        m_ftp.doStatus(ftpAborted, QStringLiteral("Transfer aborted"));
        throw;
    }
    m_ftp.doStatus(ftpAborted, QStringLiteral("Transfer aborted"));
}

void FtpTransfer::readAbortReplies() {
    const int first = readReply(AbortFirstCodes);
    if (!AbortSecondAfter.contains(first)) return;
    readReply(AbortSecondCodes);
    if (first != 226) return;
    const bool more = m_ftp.m_reader.hasBufferedData() || m_ftp.m_socket.bytesAvailable() > 0 ||
                      m_ftp.waitForSocket(m_ftp.m_socket, TIdFTP::SocketWait::ReadyRead, AbortTrailerWaitMs,
                                          false) == TIdFTP::WaitResult::Ready;
    if (more) readReply(AbortThirdCodes);
}

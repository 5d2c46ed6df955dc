#include "core/ftp/FtpTransfer.h"

#include "core/ftp/DataAddress.h"
#include "core/ftp/FtpErrors.h"
#include "core/ftp/SocketErrors.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"
#include "core/ftp/TcpConnect.h"

#include <QFileDevice>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <cerrno>
#include <exception>

Q_LOGGING_CATEGORY(lcTransfer, "qelto.ftp.transfer", QtWarningMsg)

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

// The size a 150 reply names, as in "Opening BINARY mode data connection for x (11 bytes)"; -1 when it
// names none.
qint64 announcedSize(const QString& text) {
    static const QRegularExpression size(QStringLiteral("\\((\\d{1,18}) bytes?\\)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = size.match(text);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace

const char* FtpTransfer::phaseName(Phase phase) {
    switch (phase) {
    case Phase::Idle:
        return "idle";
    case Phase::Addressing:
        return "addressing";
    case Phase::Restarting:
        return "restarting";
    case Phase::Commanded:
        return "commanded";
    case Phase::Moving:
        return "moving";
    case Phase::Declined:
        return "declined";
    case Phase::Ending:
        return "ending";
    case Phase::Done:
        return "done";
    }
    return "?";
}

FtpTransfer::FtpTransfer(FtpControl& control, Direction direction, QByteArray command, bool listing)
    : m_control(control), m_settings(control.client()), m_direction(direction), m_command(std::move(command)),
      m_listing(listing) {}

void FtpTransfer::enter(Phase next) {
    // An abort stops the transfer before it asks the server for anything more; the phase reached tells
    // the end handling what the server still owes.
    const bool asks = next == Phase::Addressing || next == Phase::Restarting || next == Phase::Commanded;
    if (m_abortRequested && asks) throw Stopped();
    qCDebug(lcTransfer, "%s: %s -> %s", m_command.constData(), phaseName(m_phase), phaseName(next));
    m_phase = next;
}

void FtpTransfer::openData(int fd) {
    m_data = m_control.openDataConnection(fd);
}

void FtpTransfer::closeData() {
    if (m_data) m_data->close();
}

void FtpTransfer::requestAbort() {
    m_abortRequested = true;
    closeData();
}

void FtpTransfer::run(QIODevice& local, qint64 restartAt, qint64 limit, const QString& limitError) {
    m_control.transferStarts(*this);
    m_local = &local;
    m_restartAt = restartAt;
    m_limit = limit;
    m_limitError = limitError;

    std::exception_ptr failure;
    try {
        m_control.doStatus(ftpTransfer, QStringLiteral("Starting FTP transfer"));
        enter(Phase::Addressing);
        if (m_settings.passive())
            passive();
        else
            active();
    } catch (const Stopped&) {
        // Aborted: the end handling reads the replies.
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        end();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    m_control.transferEnds();
    if (failure) std::rethrow_exception(failure);
    if (m_abortRequested) throw operationAborted();
    // The server takes the end of the data connection as the end of the file and may well confirm a
    // cut-off upload; the file is not all there, so the upload has failed.
    if (m_uploadCut)
        throw QeltoError(QStringLiteral("Data connection closed before the whole file was sent."),
                         ErrorCategory::ConnectionLost);
    // A file that shrank or grew while it was read went up in a form that never existed on disk.
    if (m_direction == Upload && m_toSend >= 0 && m_moved != m_toSend)
        throw QeltoError(QStringLiteral("The local file changed while it was sent: %1 bytes went, it had %2 "
                                        "when the upload began.")
                             .arg(m_moved)
                             .arg(m_toSend),
                         ErrorCategory::LocalFile);
    // A server that names the size in its 150 reply and then sends less has cut the file short. In ASCII
    // mode the line ends may change on the way, so only binary transfers are held to the count.
    if (m_direction == Download && !m_listing && m_restartAt < 0 && m_settings.transferType() == ftBinary &&
        m_announced >= 0 && m_moved >= 0 && m_moved < m_announced)
        throw QeltoError(QStringLiteral("Partial file: %1 of the %2 bytes the server announced came.")
                             .arg(m_moved)
                             .arg(m_announced),
                         ErrorCategory::ConnectionLost);
}

// --- opening the data connection ---------------------------------------------------------------------

void FtpTransfer::passive() {
    QHostAddress host;
    quint16 port = 0;
    passiveAddress(host, port);
    if (m_direction == Upload) {
        // The command goes first; its reply comes once the data connection is open.
        sendCommand();
        connectData(host, port);
        readCommandReply(UploadPassiveCodes);
        if (m_phase == Phase::Moving) send();
        return;
    }
    connectData(host, port);
    sendRestart();
    sendCommand();
    readCommandReply(m_listing ? ListingPassiveCodes : DownloadCodes);
    if (m_phase == Phase::Moving) receive();
}

void FtpTransfer::active() {
    FtpDataListener listener;
    listener.listen(m_control.controlLocalAddress(), m_settings.dataPort(), m_settings.dataPortMin(),
                    m_settings.dataPortMax());
    sendDataPort(listener);
    if (m_direction == Download) sendRestart();
    sendCommand();
    readCommandReply(m_direction == Download ? DownloadCodes : UploadActiveCodes);
    acceptData(listener);
    listener.close();
    m_direction == Download ? receive() : send();
}

void FtpTransfer::passiveAddress(QHostAddress& host, quint16& port) {
    if (m_settings.IsExtSupported(QStringLiteral("PRET"))) m_control.sendCmd("PRET " + m_command, {});
    const QHostAddress peer = m_control.controlPeerAddress();
    DataAddress address;
    bool found = false;
    if (m_settings.usingExtensionDataPort()) {
        int code = 0;
        if (m_settings.proxySettings().ProxyType != fpcmNone) {
            const QString protocol =
                peer.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("2") : QStringLiteral("1");
            code = m_control.sendCmd(QStringLiteral("EPSV ") + protocol, {});
        }
        if (code != 229) code = m_control.sendCmd(QStringLiteral("EPSV"), {});
        if (code == 229) {
            try {
                address = parseEpsvReply(m_settings.LastCmdResult().text.value(0));
            } catch (const QeltoError&) {
                m_control.sendCmd(QStringLiteral("ABOR"), {});
                throw;
            }
            found = true;
        } else {
            m_control.dropExtensionDataPort();
        }
    }
    if (!found) {
        m_control.sendCmd(QStringLiteral("PASV"), {227});
        address = parsePasvReply(m_settings.LastCmdResult().text.value(0).trimmed());
    }
    // Only the control connection's peer is ever connected to, whatever host the reply names.
    host = m_settings.passiveUseControlHost() ? peer : QHostAddress(chooseDataHost(address.host, peer));
    port = address.port;
}

void FtpTransfer::connectData(const QHostAddress& host, quint16 port) {
    TcpConnectAttempt attempt(host, port);
    const auto result = m_control.waitInSlices(
        [&](int slice) {
            if (m_abortRequested) throw Stopped();
            return attempt.wait(slice) ? FtpControl::WaitResult::Ready : FtpControl::WaitResult::TimedOut;
        },
        TIdAntiFreeze::applies() ? m_settings.connectTimeLimit() : 0, false, ConnectDispatchMs);
    if (result == FtpControl::WaitResult::TimedOut)
        throw QeltoError(QStringLiteral("Connect timed out."), ErrorCategory::Timeout);
    openData(attempt.release());
}

void FtpTransfer::sendDataPort(const FtpDataListener& listener) {
    if (m_settings.usingExtensionDataPort()) {
        if (m_control.sendCmd(QStringLiteral("EPRT ") + eprtArgument(listener.address(), listener.port()),
                              {}) == 200)
            return;
        m_control.dropExtensionDataPort();
    }
    m_control.sendCmd(QStringLiteral("PORT ") + portArgument(listener.address(), listener.port()), {200});
}

void FtpTransfer::acceptData(FtpDataListener& listener) {
    const QHostAddress peer = m_control.controlPeerAddress();
    int fd = -1;
    const auto result = m_control.waitInSlices(
        [&](int slice) {
            if (m_abortRequested) throw Stopped();
            fd = listener.accept(slice, peer);
            return fd >= 0 ? FtpControl::WaitResult::Ready : FtpControl::WaitResult::TimedOut;
        },
        m_settings.listenTimeout(), false);
    if (result == FtpControl::WaitResult::TimedOut)
        throw QeltoError(QStringLiteral("Accept timed out."), ErrorCategory::Timeout);
    openData(fd);
}

// --- commands ----------------------------------------------------------------------------------------

void FtpTransfer::sendRestart() {
    if (m_restartAt < 0) return;
    enter(Phase::Restarting);
    m_control.sendCmd(QStringLiteral("REST ") + QString::number(m_restartAt), {350});
}

void FtpTransfer::sendCommand() {
    enter(Phase::Commanded);
    m_control.writeCommand(m_command);
}

void FtpTransfer::readCommandReply(const QList<int>& accepted) {
    const FtpReply reply = m_control.readReply();
    // Only a preliminary reply announces data, and with it a closing reply.
    enter(reply.code >= 100 && reply.code < 200 ? Phase::Moving : Phase::Declined);
    if (reply.code == 150 || reply.code == 125) m_announced = announcedSize(reply.text.join(u' '));
    if (!accepted.contains(reply.code)) throw FtpReplyError(reply.code, reply.errorText());
}

int FtpTransfer::readReply(const QList<int>& accepted) {
    const FtpReply reply = m_control.readReply();
    if (!accepted.isEmpty() && !accepted.contains(reply.code))
        throw FtpReplyError(reply.code, reply.errorText());
    return reply.code;
}

// --- data --------------------------------------------------------------------------------------------

bool FtpTransfer::waitOnData(bool forWriting) {
    const auto result = m_control.waitInSlices(
        [&](int slice) {
            if (m_abortRequested || !dataOpen()) return FtpControl::WaitResult::Failed;
            const bool ready = forWriting ? m_data->waitWritable(slice) : m_data->waitReadable(slice);
            return ready ? FtpControl::WaitResult::Ready : FtpControl::WaitResult::TimedOut;
        },
        m_settings.transferTimeout(), false);
    if (result == FtpControl::WaitResult::TimedOut)
        throw QeltoError(forWriting ? QStringLiteral("Write timed out.") : QStringLiteral("Read timed out."),
                         ErrorCategory::Timeout);
    return result == FtpControl::WaitResult::Ready;
}

void FtpTransfer::writeLocal(const char* data, qint64 size) {
    if (m_local->write(data, size) != size)
        throw QeltoError(QStringLiteral("Cannot write file. ") + m_local->errorString(),
                         ErrorCategory::LocalFile);
}

void FtpTransfer::receive() {
    qint64 total = 0;
    m_control.doWorkBegin(wmRead, 0);
    try {
        // Into an unbuffered local file the bytes go from the socket to the page cache in the kernel;
        // into anything else, a file that refuses that, or under a size limit, through the block buffer.
        const auto* file = qobject_cast<QFileDevice*>(m_local);
        const bool inKernel =
            m_limit < 0 && file && file->handle() >= 0 && file->openMode().testFlag(QIODevice::Unbuffered);
        if (!inKernel || !receiveIntoFile(file->handle(), total)) receiveThroughBuffer(total);
        m_moved = total;
    } catch (...) {
        m_control.doWorkEnd(wmRead);
        throw;
    }
    m_control.doWorkEnd(wmRead);
}

bool FtpTransfer::receiveIntoFile(int fd, qint64& total) {
    while (true) {
        const qint64 n = m_data->receiveFile(fd, BlockSize);
        if (n == 0) return true;
        if (n > 0) {
            total += n;
            m_control.doWork(wmRead, total);
            m_control.afterDataBlock();
            continue;
        }
        const int error = m_data->lastError();
        if (error == EINVAL || error == ENOSYS) return false;
        if (error != EAGAIN) throw errnoError(error);
        if (!waitOnData(false)) return true;
    }
}

void FtpTransfer::receiveThroughBuffer(qint64& total) {
    QByteArray& buffer = m_control.transferBuffer();
    if (buffer.size() != BlockSize) buffer.resize(BlockSize);
    char* const data = buffer.data();
    bool atEnd = false;
    while (!atEnd) {
        // Fill the block with what the kernel holds; hand it on as soon as no more is waiting, so a slow
        // server still gets its progress shown.
        qint64 filled = 0;
        while (filled < BlockSize) {
            const qint64 n = m_data->read(data + filled, BlockSize - filled);
            if (n > 0) {
                filled += n;
            } else if (n == 0) {
                atEnd = true;
                break;
            } else if (filled > 0) {
                break;
            } else if (!waitOnData(false)) {
                return;
            }
        }
        if (filled == 0) continue;
        if (m_limit >= 0 && total + filled > m_limit) throw QeltoError(m_limitError);
        writeLocal(data, filled);
        total += filled;
        m_control.doWork(wmRead, total);
        m_control.afterDataBlock();
    }
}

void FtpTransfer::send() {
    qint64 total = 0;
    m_control.doWorkBegin(wmWrite, m_local->size());
    try {
        // A local file goes from the page cache to the socket in the kernel; other sources, or files
        // that cannot be sent that way, through the block buffer.
        const auto* file = qobject_cast<QFileDevice*>(m_local);
        bool inKernel = file && file->handle() >= 0;
        if (file && !file->isSequential()) m_toSend = file->size() - file->pos();
        while (dataOpen()) {
            const qint64 sent = inKernel ? sendFromFile(file->handle(), total == 0, inKernel) : sendBlock();
            if (sent == 0) break;
            if (sent < 0) continue;
            total += sent;
            m_control.doWork(wmWrite, total);
            m_control.afterDataBlock();
        }
        m_moved = total;
        // The server takes the end of the data connection as the end of the file.
        closeData();
    } catch (...) {
        m_control.doWorkEnd(wmWrite);
        throw;
    }
    m_control.doWorkEnd(wmWrite);
}

qint64 FtpTransfer::sendFromFile(int fd, bool first, bool& inKernel) {
    const qint64 sent = m_data->sendFile(fd, BlockSize);
    if (sent >= 0) return sent;
    const int error = m_data->lastError();
    if (error == EAGAIN) return waitOnData(true) ? -1 : 0;
    if (first && (error == EINVAL || error == ENOSYS)) {
        inKernel = false;
        return -1;
    }
    if (dataConnectionGone(error)) {
        m_uploadCut = true;
        return 0;
    }
    throw errnoError(error);
}

qint64 FtpTransfer::sendBlock() {
    QByteArray& buffer = m_control.transferBuffer();
    if (buffer.size() != BlockSize) buffer.resize(BlockSize);
    char* const data = buffer.data();
    const qint64 n = m_local->read(data, BlockSize);
    if (n < 0)
        throw QeltoError(QStringLiteral("Cannot read file. ") + m_local->errorString(),
                         ErrorCategory::LocalFile);
    qint64 offset = 0;
    while (offset < n) {
        const qint64 written = m_data->write(data + offset, n - offset);
        if (written > 0) {
            offset += written;
        } else if (written < 0) {
            const int error = m_data->lastError();
            if (dataConnectionGone(error)) {
                m_uploadCut = true;
                return 0;
            }
            throw errnoError(error);
        } else if (!waitOnData(true)) {
            return 0;
        }
    }
    return n;
}

// --- end handling ------------------------------------------------------------------------------------

void FtpTransfer::end() {
    closeData();
    Phase reached = m_phase;
    enter(Phase::Ending);
    if (reached == Phase::Commanded) {
        // A passive upload whose data connection failed: the server still answers the command.
        const int code = m_control.readReply().code;
        reached = code >= 100 && code < 200 ? Phase::Moving : Phase::Declined;
    }
    const bool abortedBefore = m_abortRequested;
    if (reached != Phase::Moving) {
        // No closing reply is owed; only the ABOR, when one was sent, still owes its reply.
        m_control.doStatus(ftpAborted, QStringLiteral("Transfer aborted"));
        if (abortedBefore) readReply({});
        enter(Phase::Done);
        return;
    }
    m_control.doStatus(ftpReady, QStringLiteral("Transfer complete"));
    if (!abortedBefore) {
        readReply(FinalCodes);
        // An Abort made while the closing reply was awaited sent an ABOR that is answered as well.
        if (m_abortRequested) readReply({});
        enter(Phase::Done);
        return;
    }
    try {
        readAbortReplies();
    } catch (...) {
        m_control.doStatus(ftpAborted, QStringLiteral("Transfer aborted"));
        throw;
    }
    m_control.doStatus(ftpAborted, QStringLiteral("Transfer aborted"));
    enter(Phase::Done);
}

void FtpTransfer::readAbortReplies() {
    const int first = readReply(AbortFirstCodes);
    if (!AbortSecondAfter.contains(first)) return;
    readReply(AbortSecondCodes);
    if (first == 226 && m_control.replyArrivesWithin(AbortTrailerWaitMs)) readReply(AbortThirdCodes);
}

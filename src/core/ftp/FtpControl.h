#pragma once

#include "core/ftp/FtpDataConnection.h"
#include "core/ftp/FtpReply.h"
#include "core/ftp/FtpTypes.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class FtpTransfer;
class TIdFTP;

// What a data transfer may do on the control connection it belongs to: commands and replies, the
// waits, progress and status events, and the connection's transfer state. TIdFTP provides it to its own
// transfers and to nobody else.
class FtpControl {
public:
    enum class WaitResult { Ready, TimedOut, Failed };

    // The connection's settings (data ports, time limits, passive mode).
    virtual const TIdFTP& client() const = 0;

    // A QString line goes out in the connection's encoding, a QByteArray one as it is.
    virtual void writeCommand(const QString& line) = 0;
    virtual void writeCommand(const QByteArray& line) = 0;
    virtual FtpReply readReply() = 0;
    virtual int sendCmd(const QString& line, const QList<int>& accepted) = 0; // empty accepts any reply
    virtual int sendCmd(const QByteArray& line, const QList<int>& accepted) = 0;
    // True when a reply is already held or arrives within ms.
    virtual bool replyArrivesWithin(int ms) = 0;

    // Runs step(sliceMs) until it returns Ready or Failed; TimedOut from a step means "not yet". Gives up
    // with TimedOut after timeoutMs (0: no limit). Between slices events may be dispatched (every
    // dispatchEveryMs, or the anti-freeze's idle time with 0, and at least every 50 ms) and the
    // connection's cancel flag is checked. Throws
    // "Not Connected" when the control connection was closed meanwhile, "Operation aborted." when
    // cancelled and, when `abortable`, when Abort was called meanwhile.
    virtual WaitResult waitInSlices(const std::function<WaitResult(int sliceMs)>& step, int timeoutMs,
                                    bool abortable, int dispatchEveryMs = 0) = 0;
    // Dispatches events after a block of a data transfer; throws like waitInSlices.
    virtual void afterDataBlock() = 0;

    virtual void doWorkBegin(TWorkMode mode, qint64 expected) = 0;
    virtual void doWork(TWorkMode mode, qint64 count) = 0;
    virtual void doWorkEnd(TWorkMode mode) = 0;
    virtual void doStatus(TIdStatus status, const QString& text) = 0;

    virtual QHostAddress controlPeerAddress() const = 0;
    virtual QHostAddress controlLocalAddress() const = 0;
    // The server refused EPSV or EPRT: PASV and PORT from now on.
    virtual void dropExtensionDataPort() = 0;
    // One block, reused by every transfer of the connection.
    virtual QByteArray& transferBuffer() = 0;

    // A transfer registers while it runs, so Abort reaches it; starting throws when the connection is
    // busy or closed.
    virtual void transferStarts(FtpTransfer& transfer) = 0;
    virtual void transferEnds() = 0;
    // Takes over a connected data socket: plain, or protected as the control connection decided.
    virtual std::unique_ptr<FtpDataConnection> openDataConnection(int fd) = 0;

protected:
    ~FtpControl() = default;
};

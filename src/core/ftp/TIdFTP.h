#pragma once

#include "core/base/Errors.h"
#include "core/ftp/ConnectionSettings.h"
#include "core/ftp/FtpControl.h"
#include "core/ftp/FtpReply.h"
#include "core/ftp/FtpReplyReader.h"
#include "core/ftp/FtpSettings.h"
#include "core/ftp/FtpTypes.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/TlsTrust.h"

#include <QHostAddress>
#include <QList>
#include <QStringList>
#include <QSslSocket>
#include <QTcpSocket>
#include <atomic>
#include <functional>
#include <optional>

class FtpTransfer;
class QBuffer;
class TIdLogEvent;

// Lines of the last listing, as the data transfer delivered them.
struct FtpListResult {
    QByteArray data;                // the listing as it came, held once and never changed
    QList<QByteArrayView> rawLines; // its lines, without their ends: views into `data`
    // The lines as text: MLSD lines one byte per character (the listing parse decodes each name by its
    // charset fact), others decoded as the connection does. Made on request: a large folder's listing
    // is held once, as bytes.
    QStringList lines() const;
    bool mlsd = false;          // came from MLSD
    bool details = false;       // a detailed listing was asked for
    bool utf8 = false;          // the connection spoke UTF-8
};

// The FTP client: settings, the control connection, login and the single-line commands. Calls block;
// while they wait, pending events run through the TIdAntiFreeze when one exists, so a handler may call
// Abort or Disconnect on this object in the middle of a call. Failures throw QeltoError or
// FtpReplyError. A failure after which a reply may still be owed (a read or write time-out, an Abort of a
// call that is not a transfer, a cancel) closes the control connection, so no late reply can answer a
// later command.
class TIdFTP : private FtpControl {
public:
    TIdFTP();
    virtual ~TIdFTP();
    TIdFTP(const TIdFTP&) = delete;
    TIdFTP& operator=(const TIdFTP&) = delete;

    // Settings.
    QString host() const { return m_host; }
    void setHost(const QString& value) { m_host = value; }
    quint16 port() const { return m_port; }
    void setPort(quint16 value) { m_port = value; }
    QString username() const { return m_username; }
    void setUsername(const QString& value) { m_username = value; }
    QString password() const { return m_password; }
    void setPassword(const QString& value) { m_password = value; }
    QString account() const { return m_account; }
    void setAccount(const QString& value) { m_account = value; }
    bool passive() const { return m_passive; }
    void setPassive(bool value); // false is refused while NAT fast-tracking
    bool passiveUseControlHost() const { return m_passiveUseControlHost; }
    void setPassiveUseControlHost(bool value) { m_passiveUseControlHost = value; }
    TIdFTPTransferType transferType() const { return m_transferType; }
    void setTransferType(TIdFTPTransferType value); // sends TYPE when connected
    bool autoLogin() const { return m_autoLogin; }
    void setAutoLogin(bool value) { m_autoLogin = value; }
    bool autoIssueFEAT() const { return m_autoIssueFEAT; }
    void setAutoIssueFEAT(bool value) { m_autoIssueFEAT = value; }
    bool useHOST() const { return m_useHOST; }
    void setUseHOST(bool value) { m_useHOST = value; }
    bool useMLIS() const { return m_useMLIS; }
    void setUseMLIS(bool value) { m_useMLIS = value; }
    int readTimeout() const { return m_readTimeout; }
    void setReadTimeout(int ms) { m_readTimeout = ms; }
    int listenTimeout() const { return m_listenTimeout; }
    void setListenTimeout(int ms) { m_listenTimeout = ms; }
    int transferTimeout() const { return m_transferTimeout; }
    void setTransferTimeout(int ms) { m_transferTimeout = ms; }
    quint16 dataPort() const { return m_dataPort; }
    void setDataPort(quint16 value) { m_dataPort = value; }
    quint16 dataPortMin() const { return m_dataPortMin; }
    void setDataPortMin(quint16 value) { m_dataPortMin = value; }
    quint16 dataPortMax() const { return m_dataPortMax; }
    void setDataPortMax(quint16 value) { m_dataPortMax = value; }
    bool useExtensionDataPort() const { return m_useExtensionDataPort; }
    void setUseExtensionDataPort(bool value) { m_useExtensionDataPort = value; }
    bool tryNATFastTrack() const { return m_tryNATFastTrack; }
    void setTryNATFastTrack(bool value); // true also forces passive mode
    TIdIPVersion ipVersion() const { return m_ipVersion; }
    void setIPVersion(TIdIPVersion value) { m_ipVersion = value; }
    TIdFtpProxySettings& proxySettings() { return m_proxySettings; }
    const TIdFtpProxySettings& proxySettings() const { return m_proxySettings; }
    TIdFTPClientIdentifier& clientInfo() { return m_clientInfo; }
    const TIdFTPClientIdentifier& clientInfo() const { return m_clientInfo; }

    // TLS: None, Explicit (AUTH TLS when the server offers it), Require (AUTH TLS or no login) or
    // Implicit (TLS from the first byte, on port 990 when the port is 21). With TLS, data connections are
    // protected too (PBSZ 0, PROT P) and resume the control connection's TLS session.
    TlsMode tlsMode() const { return m_tlsMode; }
    void setTlsMode(TlsMode value) { m_tlsMode = value; }
    // TLS 1.2 at most, for a server that cannot resume TLS 1.3 sessions on its data connections; off by
    // default (TLS 1.2 or later).
    bool tlsAtMost12() const { return m_tlsAtMost12; }
    void setTlsAtMost12(bool value) { m_tlsAtMost12 = value; }
    // Where certificates the user trusted are remembered; the data folder's file by default.
    void setTrustStore(const TlsTrustStore& store) { m_trustStore = store; }
    const TlsTrustStore& trustStore() const { return m_trustStore; }
    // The one certificate (SHA-256 fingerprint) this connection takes: a connection that serves another
    // one, which already accepted it, never meets a different server under the same name. Empty: none.
    void setPinnedCertificate(const QString& fingerprint) { m_pinnedCertificate = fingerprint; }
    const QString& pinnedCertificate() const { return m_pinnedCertificate; }
    // The fingerprint of the certificate of the TLS session in force; empty without TLS.
    QString peerCertificateFingerprint() const;
    // Asked about a certificate the system does not trust and the trust store does not hold; without it
    // such a certificate is refused.
    TlsCertificateHook OnUntrustedCertificate;

    // Longest wait for the TCP connect when an anti-freeze is in use (the user-interface case).
    int connectTimeLimit() const { return m_connectTimeLimit; }
    void setConnectTimeLimit(int ms) { m_connectTimeLimit = ms; }

    // A flag another thread may set to cancel: every wait of this connection checks it at least every
    // 50 ms, and once it is set the waiting call closes the control connection (no QUIT) and fails with
    // "Operation aborted." (category Aborted), as does every later call until it is cleared. Null: none.
    void setCancelFlag(const std::atomic<bool>* flag) { m_cancelFlag = flag; }
    const std::atomic<bool>* cancelFlag() const { return m_cancelFlag; }

    void setIntercept(TIdLogEvent* intercept) { m_intercept = intercept; }
    TIdLogEvent* intercept() const { return m_intercept; }

    // Events.
    std::function<void(TIdStatus status, const QString& text)> OnStatus;
    std::function<void()> OnConnected;
    std::function<void()> OnDisconnected;
    std::function<void(TWorkMode mode, qint64 expected)> OnWorkBegin;
    std::function<void(TWorkMode mode, qint64 count)> OnWork;
    std::function<void(TWorkMode mode)> OnWorkEnd;

    // State.
    bool Connected() const;
    // A command or transfer of this connection is under way (its wait dispatches events): a handler
    // run meanwhile must not start another.
    bool Busy() const { return m_transfer != nullptr || m_dispatchDepth > 0; }
    // For a connection left idle between commands: takes in what the server sent meanwhile. False when
    // the server closed it, reset it or spoke unasked (a 421 before it hangs up); the connection is then
    // closed without a word, so the caller can connect afresh.
    bool stillUsableWhenIdle();
    const FtpReply& LastCmdResult() const { return m_lastCmdResult; }
    const FtpReply& Greeting() const { return m_greeting; }
    const FtpReply& LoginMsg() const { return m_loginMsg; }
    QString SystemDesc() const { return m_systemDesc; }
    QStringList Capabilities() const { return m_capabilities; }
    bool IsExtSupported(const QString& name) const;
    bool CanUseMLS() const { return m_canUseMLS; }
    bool usingUtf8() const { return m_utf8; }
    bool usingTls() const { return m_socket && m_socket->isEncrypted(); }
    bool protectsData() const { return m_protectData; }
    bool usingExtensionDataPort() const { return m_usingExtDataPort; }
    std::optional<int> serverUtcOffsetMinutes() const { return m_serverUtcOffset; }
    const FtpListResult& ListResult() const { return m_listResult; }

    // Operations.
    void Connect();
    void Login();
    void Disconnect();
    // Sends ABOR. A running transfer ends through its end handling, which reads the replies; a call
    // waiting for any other reply fails with "Operation aborted." and closes the connection; with no
    // call waiting, reads the ABOR's reply.
    void Abort();
    // Closes the socket without a word to the server and without events; closing twice does nothing.
    void closeSocket();
    // Paths and names: a QString is sent in the connection's encoding (UTF-8 once the server took
    // OPTS UTF8, else one byte per character), and text that encoding cannot carry is refused before
    // anything is sent; a QByteArray is sent as it is, so a listed entry's RawName reaches the server
    // exactly as the server named it.
    void ChangeDir(const QString& dir);
    void ChangeDir(const QByteArray& dir);
    void ChangeDirUp();
    QString RetrieveCurrentDir();
    void MakeDir(const QString& dir);
    void MakeDir(const QByteArray& dir);
    void RemoveDir(const QString& dir);
    void RemoveDir(const QByteArray& dir);
    void Delete(const QString& file);
    void Delete(const QByteArray& file);
    void Rename(const QString& from, const QString& to);
    void Rename(const QByteArray& from, const QByteArray& to);
    void Site(const QString& command);
    void Site(const QByteArray& command);
    void Noop();
    int Quote(const QString& command);
    int SendCmd(const QString& line, int code = -1);           // -1 accepts any reply
    int SendCmd(const QString& line, const QList<int>& codes); // empty accepts any reply
    QString SendCmd(const QString& line, const QString& code); // empty accepts any reply
    // Reads the next reply without sending anything: the final reply that follows a preliminary (1xx) one.
    int ReadNextReply();
    qint64 Size(const QString& file);
    qint64 Size(const QByteArray& file);
    // `text` in the connection's encoding; throws QeltoError when the encoding cannot carry it.
    QByteArray encodeText(const QString& text) const;
    void Status(QStringList& lines);

    // A listing is held in memory; a longer one fails with "Listing too large".
    static constexpr qint64 MaxListingBytes = 256 * 1024 * 1024;

    // Data transfers. Each runs over a data connection of its own and fails with the reply's error
    // after the end-of-transfer replies were read; after an Abort it fails with "Operation aborted.".
    // Lists the current folder (or `specifier`) into ListResult, copied into `lines` when given.
    void List(QStringList* lines, const QString& specifier = QString(), bool details = true);
    void List(QStringList* lines, const QByteArray& specifier, bool details = true);
    // The entries of the last List, parsed on first use; throws as parseListing does. A LIST reply is
    // read by parseListLines; its lines that no form fits are left out and counted.
    const QList<TIdFTPListItem>& DirectoryListing();
    int DirectoryListingUnknownLines() const { return m_listUnknownLines; }
    // The same entries handed to `visit` one at a time, parsed as they go unless DirectoryListing has
    // parsed them already: a large folder's entries are then never all held at once.
    void forEachListedEntry(const std::function<void(TIdFTPListItem&)>& visit);
    // A fresh download replaces `localFile` only once it is complete; a resumed one appends to it.
    void Get(const QString& source, const QString& localFile, bool canOverwrite = false, bool resume = false);
    void Get(const QByteArray& source, const QString& localFile, bool canOverwrite = false,
             bool resume = false);
    // A download that can go on another time from where it stopped: the hidden file beside the target
    // is named after `partKey` and kept when the transfer fails or is cancelled. When one is there and the
    // server takes REST, the download goes on from its length; a resumed file must end with
    // `expectedSize` bytes (when >= 0), else it is discarded and the download fails.
    void GetResumable(const QByteArray& source, const QString& localFile, const QString& partKey,
                      qint64 expectedSize);
    // An empty destination means the local file's name.
    void Put(const QString& localFile, const QString& destination = QString(), bool append = false);
    // `from`: the local file is sent from this offset on (an append that goes on where the remote file ends).
    void Put(const QString& localFile, const QByteArray& destination, bool append = false, qint64 from = 0);

protected:
    enum class SocketWait { ReadyRead, BytesWritten };
    using FtpControl::WaitResult;

    // Control connection primitives, also for the data transfers.
    void writeCommand(const QString& line) override;
    void writeCommand(const QByteArray& line) override;
    FtpReply readReply() override;
    int sendCmd(const QString& line, const QList<int>& accepted) override; // empty accepts any reply
    int sendCmd(const QByteArray& line, const QList<int>& accepted) override;
    QHostAddress controlPeerAddress() const override { return m_socket ? m_socket->peerAddress() : QHostAddress(); }
    QHostAddress controlLocalAddress() const override { return m_socket ? m_socket->localAddress() : QHostAddress(); }

    // See FtpControl::waitInSlices; for any wait of a transfer, e.g. an active-mode listener's accept.
    WaitResult waitInSlices(const std::function<WaitResult(int sliceMs)>& step, int timeoutMs, bool abortable,
                            int dispatchEveryMs = 0) override;
    // Connects `socket`, at most timeoutMs (0: no limit; then "Connect timed out."), dispatching events
    // every 125 ms with an anti-freeze. Throws socket errors, and like waitForSocket when interrupted.
    void connectTcp(QTcpSocket& socket, const QHostAddress& address, quint16 port, int timeoutMs);
    // Waits until `socket` has data to read or has written everything, through waitInSlices.
    WaitResult waitForSocket(QAbstractSocket& socket, SocketWait what, int timeoutMs, bool abortable = true);
    void afterDataBlock() override;

    // Progress events; begin and end nest, only the outermost pair is reported.
    void doWorkBegin(TWorkMode mode, qint64 expected) override;
    void doWork(TWorkMode mode, qint64 count) override;
    void doWorkEnd(TWorkMode mode) override;

    void doStatus(TIdStatus status, const QString& text) override;
    void sendTransferType(TIdFTPTransferType type);
    // The connection's error for an operation that found the control socket gone.
    QeltoError connectionError() const;

    FtpListResult m_listResult;

private:
    enum class ResumeSupport { Unknown, Yes, No };

    struct InterruptMark {
        quint64 generation;
        quint64 aborts;
    };

    // What the data transfers use besides the primitives above.
    const TIdFTP& client() const override { return *this; }
    bool replyArrivesWithin(int ms) override;
    void dropExtensionDataPort() override { m_usingExtDataPort = false; }
    QByteArray& transferBuffer() override { return m_transferBuffer; }
    void transferStarts(FtpTransfer& transfer) override;
    void transferEnds() override { m_transfer = nullptr; }
    std::unique_ptr<FtpDataConnection> openDataConnection(int fd) override;

    // TLS on the control connection: the handshake, then the certificate check.
    void startTls();
    void checkCertificate();
    void authTlsStep();
    void protectDataStep();

    QSslSocket& socket();
    void renewSocket();
    void connectSocket();
    void disconnectInternal(bool notifyPeer);
    void closeControl(bool wasOpen);
    void readChunk();
    void writeRaw(const QByteArray& bytes);
    void checkInterrupted(const InterruptMark& mark, bool abortable);
    void checkCancelled();
    // Throws when a handler run inside a call of this connection starts another one; Abort and
    // Disconnect stay allowed.
    void refuseWhileBusy() const;
    void dispatchEvents();
    WaitResult waitForReply();
    InterruptMark interruptMark() const { return {m_generation, m_abortCount}; }

    void loginSequence();
    void userAndPassword(const QString& user, const QList<int>& userCodes, const QList<int>& passCodes);
    QString loginPassword() const;
    void accountStep();
    void featStep();
    void systStep();
    void siteZoneStep();
    void natFastTrackStep();
    bool siteCapabilityListsZone() const;
    bool serverCanResume();
    // "LIST -a" into `buffer`.
    enum class ListAllResult { Listed, Refused, NoFiles };
    ListAllResult listAll(QBuffer& buffer);

    QString m_host;
    quint16 m_port = 21;
    QString m_username;
    QString m_password;
    QString m_account;
    bool m_passive = false;
    bool m_passiveUseControlHost = false;
    TIdFTPTransferType m_transferType = ftASCII;
    bool m_autoLogin = true;
    bool m_autoIssueFEAT = true;
    bool m_useHOST = true;
    bool m_useMLIS = true;
    int m_readTimeout = 60000;
    int m_listenTimeout = 10000;
    int m_transferTimeout = 0;
    quint16 m_dataPort = 0;
    quint16 m_dataPortMin = 0;
    quint16 m_dataPortMax = 0;
    bool m_useExtensionDataPort = false;
    bool m_tryNATFastTrack = false;
    TIdIPVersion m_ipVersion = Id_IPv4;
    TIdFtpProxySettings m_proxySettings;
    TIdFTPClientIdentifier m_clientInfo;
    int m_connectTimeLimit = 120000;
    TIdLogEvent* m_intercept = nullptr;
    const std::atomic<bool>* m_cancelFlag = nullptr;

    TlsMode m_tlsMode = TlsMode::None;
    bool m_tlsAtMost12 = false;
    TlsTrustStore m_trustStore;
    QString m_pinnedCertificate;
    bool m_protectData = false; // PROT P in force

    // Made on first connect (making one loads the TLS library) and then kept in place as long as the object
    // lives, so a nested Disconnect never frees it under a wait.
    std::optional<QSslSocket> m_socket;
    FtpReplyReader m_reader;
    bool m_opened = false; // opened by Connect and not closed by us since
    bool m_utf8 = false;
    quint64 m_generation = 0; // counts closes, so a wait sees a Disconnect made by a nested handler
    quint64 m_abortCount = 0; // counts Abort calls, for the same reason
    int m_waitDepth = 0;      // waits in progress on this object
    int m_dispatchDepth = 0;  // event dispatches in progress from this object's waits
    int m_workNesting[2] = {0, 0};

    FtpReply m_lastCmdResult;
    FtpReply m_greeting;
    FtpReply m_loginMsg;
    QString m_systemDesc;
    QStringList m_capabilities;
    bool m_canUseMLS = false;
    std::optional<int> m_serverUtcOffset;

    ResumeSupport m_resumeSupport = ResumeSupport::Unknown;  // asked once per connection
    std::optional<QList<TIdFTPListItem>> m_directoryListing; // parsed from m_listResult on first use
    QByteArray m_transferBuffer;                             // one block, reused by every transfer
    FtpTransfer* m_transfer = nullptr;                       // the running transfer (Abort reaches it)
    bool m_usingExtDataPort = false; // EPSV/EPRT; dropped when the server refuses them
    bool m_listAllRefused = false;   // "LIST -a" refused; plain LIST for the rest of the connection
    int m_listUnknownLines = 0;
    bool m_listUnknownReported = false; // the status naming the unread lines of the last listing was sent
};

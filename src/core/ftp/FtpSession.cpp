#include "core/ftp/FtpSession.h"

#include "core/ftp/TIdFTP.h"
#include "core/ftp/TIdLogEvent.h"

#include <algorithm>

namespace {

// Longest wait for the server's answer to the ABOR of a closing session.
constexpr int CloseAbortWaitMs = 1000;

} // namespace

FtpSession::FtpSession(const QString& platform, QObject* parent)
    : QObject(parent), m_log(std::make_unique<TIdLogEvent>()), m_ftp(std::make_unique<TIdFTP>()) {
    m_ftp->clientInfo().setClientName(QStringLiteral("Qelto"));
    m_ftp->clientInfo().setClientVersion(QStringLiteral("1.00.00.01"));
    m_ftp->clientInfo().setPlatformDescription(platform);
    m_ftp->setPassiveUseControlHost(true);
    m_ftp->setTransferType(ftBinary);
    m_ftp->setIntercept(m_log.get());
    m_ftp->setCancelFlag(&m_cancel);

    m_ftp->OnConnected = [this] { emit connected(); };
    m_ftp->OnDisconnected = [this] { emit disconnected(); };
    m_ftp->OnStatus = [this](TIdStatus s, const QString& text) { emit status(s, text); };
    m_ftp->OnWorkBegin = [this](TWorkMode mode, qint64 expected) { emit workBegin(mode, expected); };
    m_ftp->OnWork = [this](TWorkMode mode, qint64 count) { emit work(mode, count); };
    m_ftp->OnWorkEnd = [this](TWorkMode mode) { emit workEnd(mode); };
    m_log->OnSent = [this](const QString&, const QString& block) { emit sent(block); };
    m_log->OnReceived = [this](const QString&, const QString& block) { emit received(block); };
}

FtpSession::~FtpSession() {
    // The session goes quietly: receivers may already be half gone.
    blockSignals(true);
    m_ftp->closeSocket();
}

void FtpSession::configure(const ConnectionSettings& settings) {
    m_settings = settings;
    settings.applyTo(*m_ftp);
}

void FtpSession::open() {
    clearCancel();
    m_closedOnPurpose = false;
    m_settings.applyTo(*m_ftp);
    m_ftp->Connect();
}

bool FtpSession::isOpen() const {
    return m_ftp->Connected();
}

void FtpSession::close() {
    m_closedOnPurpose = true;
    if (m_ftp->Connected()) {
        const int readTimeout = m_ftp->readTimeout();
        m_ftp->setReadTimeout(readTimeout > 0 ? std::min(readTimeout, CloseAbortWaitMs) : CloseAbortWaitMs);
        try {
            m_ftp->Abort();
        } catch (...) {
            // A server that does not answer the abort is dropped all the same.
        }
        m_ftp->setReadTimeout(readTimeout);
    }
    quit();
}

void FtpSession::quit() {
    m_closedOnPurpose = true;
    if (m_ftp->Connected()) {
        try {
            m_ftp->Disconnect();
        } catch (...) {
        }
    }
    m_ftp->closeSocket();
}

void FtpSession::cancel() {
    m_cancel.store(true);
}

void FtpSession::clearCancel() {
    m_cancel.store(false);
}

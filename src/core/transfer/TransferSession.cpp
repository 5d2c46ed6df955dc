#include "core/transfer/TransferSession.h"

#include "core/base/Errors.h"
#include "core/ftp/TIdFTP.h"

namespace {

constexpr int ProgressEveryMs = 50;

} // namespace

TransferSession::TransferSession(int slot, const QString& platform) : m_slot(slot), m_platform(platform) {}

TransferSession::~TransferSession() {
    if (m_ftp) m_ftp->closeSocket();
}

TIdFTP& TransferSession::connection(const ConnectionSettings& settings) {
    if (!m_ftp) {
        m_ftp = std::make_unique<TIdFTP>();
        m_ftp->clientInfo().setClientName(QStringLiteral("Qelto"));
        m_ftp->clientInfo().setClientVersion(QStringLiteral("1.00.00.01"));
        m_ftp->clientInfo().setPlatformDescription(m_platform);
        m_ftp->setCancelFlag(&m_cancel);
        m_ftp->OnWork = [this](TWorkMode, qint64 count) {
            m_moved = count;
            if (!m_sinceProgress.isValid() || m_sinceProgress.elapsed() >= ProgressEveryMs) {
                m_sinceProgress.restart();
                emit progress(m_slot, count);
            }
        };
        m_ftp->OnWorkEnd = [this](TWorkMode) { m_sinceProgress.invalidate(); };
    }
    // A connection is closed after each file unless it is kept; one still open here was kept or made
    // ready for this job, and serves only the settings it logged in with.
    if (m_ftp->Connected() && !(settings == m_bound)) close();
    // A kept connection the server ended meanwhile (421, reset, end of stream) is replaced, not failed on.
    if (m_ftp->Connected() && !m_ftp->stillUsableWhenIdle()) m_ftp->closeSocket();
    if (!m_ftp->Connected()) {
        // The job's credentials, proxy, protection and time-outs; always passive and binary.
        ConnectionSettings own = settings;
        own.passive = true;
        own.transferType = ftBinary;
        own.applyTo(*m_ftp);
        m_bound = settings;
        m_ftp->Connect();
    }
    return *m_ftp;
}

void TransferSession::transfer(const ConnectionSettings& settings, const TransferRequest& request) {
    QString error;
    m_moved = 0;
    try {
        TIdFTP& ftp = connection(settings);
        m_sinceProgress.invalidate();
        m_moved = 0;
        if (request.download && !request.resume && !request.partKey.isEmpty())
            ftp.GetResumable(request.remote, request.local, request.partKey, request.expectedSize);
        else if (request.download)
            ftp.Get(request.remote, request.local, true, request.resume);
        else
            ftp.Put(request.local, request.remote, request.resume, request.resume ? request.uploadFrom : 0);
    } catch (const QeltoError& e) {
        error = e.text();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    // The job hears first: a failure stops it at once, and the next file does not wait for a goodbye.
    // Whatever the job asks of this session next is queued behind the close.
    emit finished(m_slot, error.isEmpty(), error, m_moved);
    if (!error.isEmpty() || !settings.keepTransferConnectionOpen) close();
}

void TransferSession::prepare(const ConnectionSettings& settings) {
    try {
        connection(settings);
    } catch (const QeltoError&) {
        // The first file connects again and reports what fails.
        close();
    }
}

void TransferSession::release() {
    close();
    m_bound = ConnectionSettings();
}

void TransferSession::close() {
    if (!m_ftp) return;
    if (m_ftp->Connected()) {
        try {
            m_ftp->Disconnect();
        } catch (const QeltoError&) {
        }
    }
    m_ftp->closeSocket();
}

#include "core/transfer/TransferWorker.h"

#include "core/base/Errors.h"
#include "core/ftp/TIdFTP.h"

namespace {

constexpr int ProgressEveryMs = 50;

} // namespace

TransferWorker::TransferWorker(const QString& platform) : m_platform(platform) {}

TransferWorker::~TransferWorker() {
    if (m_ftp) m_ftp->closeSocket();
}

TIdFTP& TransferWorker::connection(const ConnectionSettings& settings) {
    if (!m_ftp) {
        m_ftp = std::make_unique<TIdFTP>();
        m_ftp->clientInfo().setClientName(QStringLiteral("Qelto"));
        m_ftp->clientInfo().setClientVersion(QStringLiteral("1.00.00.01"));
        m_ftp->clientInfo().setPlatformDescription(m_platform);
        m_ftp->setCancelFlag(&m_cancel);
        m_ftp->OnWork = [this](TWorkMode, qint64 count) {
            if (!m_sinceProgress.isValid() || m_sinceProgress.elapsed() >= ProgressEveryMs) {
                m_sinceProgress.restart();
                emit progress(count);
            }
        };
        m_ftp->OnWorkEnd = [this](TWorkMode) { m_sinceProgress.invalidate(); };
    }
    if (m_ftp->Connected() && !settings.keepTransferConnectionOpen) close();
    if (!m_ftp->Connected()) {
        // The browsing connection's credentials, proxy and time-outs; always passive and binary.
        ConnectionSettings own = settings;
        own.passive = true;
        own.transferType = ftBinary;
        own.applyTo(*m_ftp);
        m_ftp->Connect();
    }
    return *m_ftp;
}

void TransferWorker::transfer(const ConnectionSettings& settings, const TransferRequest& request) {
    QString error;
    try {
        m_cancel.store(false);
        TIdFTP& ftp = connection(settings);
        m_sinceProgress.invalidate();
        if (request.download)
            ftp.Get(request.remote, request.local, true, false);
        else
            ftp.Put(request.local, request.remote, false);
    } catch (const QeltoError& e) {
        error = e.text();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    if (!error.isEmpty() || !settings.keepTransferConnectionOpen) close();
    emit finished(error.isEmpty(), error);
}

void TransferWorker::endJob() {
    close();
}

void TransferWorker::close() {
    if (!m_ftp) return;
    if (m_ftp->Connected()) {
        try {
            m_ftp->Disconnect();
        } catch (const QeltoError&) {
        }
    }
    m_ftp->closeSocket();
}

#include "core/transfer/TransferPool.h"

#include "core/ftp/TIdFTP.h"
#include "core/transfer/TransferSession.h"

#include <QThread>

TransferPool::TransferPool(QObject* parent) : QObject(parent) {}

TransferPool::~TransferPool() {
    cancel();
    for (QThread* thread : std::as_const(m_threads)) {
        thread->quit();
        thread->wait();
    }
    // The threads are done: their sessions go with the sockets they still hold.
    qDeleteAll(m_sessions);
}

ConnectionSettings TransferPool::sessionSettings(const ConnectionSettings& browsingSettings,
                                                 const TIdFTP& browsing) {
    ConnectionSettings settings = browsingSettings;
    settings.passive = true;
    settings.transferType = ftBinary;
    settings.simultaneousTransfers = std::clamp(settings.simultaneousTransfers, 1, MaxSessions);
    settings.tls = tlsModeBeside(settings.tls, browsing.usingTls());
    settings.pinnedCertificate = browsing.peerCertificateFingerprint();
    return settings;
}

void TransferPool::begin(int count) {
    count = std::clamp(count, 1, MaxSessions);
    while (m_sessions.size() < count) {
        auto* session = new TransferSession(int(m_sessions.size()), QStringLiteral("MS Windows"));
        auto* thread = new QThread(this);
        thread->setObjectName(QStringLiteral("TransferFTP%1").arg(m_sessions.size()));
        session->moveToThread(thread);
        connect(session, &TransferSession::progress, this, &TransferPool::progress);
        connect(session, &TransferSession::finished, this, &TransferPool::finished);
        thread->start();
        m_sessions << session;
        m_threads << thread;
    }
    for (TransferSession* session : std::as_const(m_sessions))
        session->clearCancel();
}

void TransferPool::prepare(const ConnectionSettings& settings, int count) {
    begin(count);
    for (int slot = 0; slot < std::clamp(count, 1, MaxSessions); ++slot) {
        TransferSession* session = m_sessions[slot];
        QMetaObject::invokeMethod(session, [session, settings] { session->prepare(settings); });
    }
}

void TransferPool::cancel() {
    for (TransferSession* session : std::as_const(m_sessions))
        session->cancel();
}

void TransferPool::releaseAll() {
    for (TransferSession* session : std::as_const(m_sessions))
        QMetaObject::invokeMethod(session, &TransferSession::release);
}

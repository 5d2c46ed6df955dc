#include "core/ftp/TIdAntiFreeze.h"

#include "core/base/Errors.h"

#include <QCoreApplication>
#include <QThread>

TIdAntiFreeze* TIdAntiFreeze::s_instance = nullptr;

TIdAntiFreeze::TIdAntiFreeze() {
    if (s_instance) throw QeltoError(QStringLiteral("Only one TIdAntiFreeze can exist per application."));
    s_instance = this;
}

TIdAntiFreeze::~TIdAntiFreeze() {
    s_instance = nullptr;
}

bool TIdAntiFreeze::applies() {
    const QCoreApplication* app = QCoreApplication::instance();
    return s_instance && s_instance->m_active && app && QThread::currentThread() == app->thread();
}

void TIdAntiFreeze::process() {
    if (applies()) QCoreApplication::processEvents();
}

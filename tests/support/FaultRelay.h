#pragma once

#include "support/TestSupport.h"

#include <QString>

namespace testsupport {

// tests/fixtures/fault_relay.py in front of the server on `target`, injecting `fault`.
class FaultRelay : public ServerProcess {
public:
    FaultRelay(quint16 target, const QString& fault) {
        start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(QELTO_FIXTURES_DIR "/fault_relay.py"), QStringLiteral("--target"),
               QString::number(target), QStringLiteral("--fault"), fault});
    }
};

} // namespace testsupport

#pragma once

// Debian's proftpd and pure-ftpd as test peers: tests/fixtures/proftpd_server.py and pureftpd_server.py
// run them on 127.0.0.1 and a free port with a login of their own (a generated user and password,
// read from the fixture's "LOGIN <user> <password>" line), starting in the served folder `root`
// without a lock-in: paths on the server are the real ones below `root`. The binaries are the ones
// scripts/test (and .ci/sanitizers) unpack from the packages into the build folder; without them the
// server does not start and the test fails, saying to run scripts/test.

#include "core/ftp/ConnectionSettings.h"
#include "support/TestSupport.h"

#include <QStringList>
#include <unistd.h>

namespace testsupport {

class LoginServer : public ServerProcess {
public:
    // Host, port and the fixture's login.
    ConnectionSettings settings() const {
        ConnectionSettings s;
        s.host = QStringLiteral("127.0.0.1");
        s.port = port();
        for (const QString& line : output().split(u'\n')) {
            const QStringList words = line.trimmed().split(u' ');
            if (words.size() == 3 && words[0] == u"LOGIN") {
                s.user = words[1];
                s.password = words[2];
            }
        }
        return s;
    }

protected:
    void run(const char* fixture, const QString& option, const QString& binary, const QString& root) {
        start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(QELTO_FIXTURES_DIR "/") + QLatin1StringView(fixture), QStringLiteral("--root"), root,
               option, binary});
    }
};

// proftpd as whoever runs the tests: its login is a user of its own with that user's uid.
class ProftpdServer : public LoginServer {
public:
    explicit ProftpdServer(const QString& root) {
        run("proftpd_server.py", QStringLiteral("--proftpd"),
            QStringLiteral(QELTO_BINARY_DIR "/test-servers/proftpd-core/usr/sbin/proftpd"), root);
    }
};

// pure-ftpd serves only when started as root (a login sets the session's groups); its sessions run as
// "daemon", which is handed the served tree.
class PureFtpdServer : public LoginServer {
public:
    static bool startable() { return ::geteuid() == 0; }
    static constexpr const char* notStartable =
        "pure-ftpd takes logins only when started as root: it sets each session's groups";

    explicit PureFtpdServer(const QString& root) {
        run("pureftpd_server.py", QStringLiteral("--pure-ftpd"),
            QStringLiteral(QELTO_BINARY_DIR "/test-servers/pure-ftpd/usr/sbin/pure-ftpd"), root);
    }
};

} // namespace testsupport

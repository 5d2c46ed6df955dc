#pragma once

// Helpers of the FTP protocol tests: the scripted server fixture and a client set up for it.

#include "core/ftp/FtpErrors.h"
#include "core/ftp/TIdFTP.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace ftptest {

// The tests write their texts as UTF-8 literals.
inline QString s(const char* text) {
    return QString::fromUtf8(text);
}

inline QStringList ss(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts)
        list.append(s(text));
    return list;
}

// tests/fixtures/scripted_server.py playing `script` (its step lines, sessions separated by "---").
class ScriptedServer : public testsupport::ServerProcess {
public:
    explicit ScriptedServer(const QStringList& script) {
        const QString scriptPath = m_dir.filePath(QStringLiteral("script.txt"));
        m_transcriptPath = m_dir.filePath(QStringLiteral("transcript.txt"));
        QFile file(scriptPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(script.join(u'\n').toUtf8()) < 0)
            throw std::runtime_error("cannot write the server script");
        file.close();
        start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral(QELTO_FIXTURES_DIR "/scripted_server.py"), QStringLiteral("--script"),
               scriptPath, QStringLiteral("--transcript"), m_transcriptPath});
    }

    QByteArray rawTranscript() const {
        QFile file(m_transcriptPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The lines the client sent on connection `index` (0 = first), once that connection is over;
    // bytes shown one per character.
    QStringList session(int index = 0) const {
        QList<QStringList> sessions;
        testsupport::waitUntil([&] {
            sessions = split();
            return sessions.size() > index;
        });
        return sessions.size() > index ? sessions[index] : QStringList{QStringLiteral("<session not over>")};
    }

private:
    QList<QStringList> split() const {
        QList<QStringList> sessions;
        QStringList current;
        for (const QByteArray& line : rawTranscript().split('\n')) {
            if (line == "<end>") {
                sessions.append(current);
                current.clear();
            } else if (!line.isEmpty()) {
                current.append(QString::fromLatin1(line));
            }
        }
        return sessions;
    }

    QTemporaryDir m_dir;
    QString m_transcriptPath;
};

// A client aimed at the scripted server, with short waits so faults show quickly.
inline void aim(TIdFTP& ftp, quint16 port, const QString& user = QStringLiteral("alice"),
                const QString& password = QStringLiteral("secret")) {
    ftp.setHost(QStringLiteral("127.0.0.1"));
    ftp.setPort(port);
    ftp.setUsername(user);
    ftp.setPassword(password);
    ftp.setReadTimeout(5000);
}

// aim() with the HOST command off, which the scripted dialogues leave out.
inline void aimWithoutHost(TIdFTP& ftp, quint16 port) {
    aim(ftp, port);
    ftp.setUseHOST(false);
}

// aimWithoutHost() and a passive connect: the scripted dialogues with data connections.
inline void connectPassive(TIdFTP& ftp, quint16 port) {
    aimWithoutHost(ftp, port);
    ftp.setPassive(true);
    ftp.Connect();
}

// The listed entry whose name has these bytes, or null.
inline const TIdFTPListItem* entryNamed(const QList<TIdFTPListItem>& items, const QByteArray& rawName) {
    for (const TIdFTPListItem& item : items)
        if (item.RawName == rawName) return &item;
    return nullptr;
}

// The scripted server's side of the login connectQuietly() does, and the commands the client sends in it.
inline const QStringList loggedIn = ss({"S 220 Ready", "C USER alice", "S 230 Logged in", "C TYPE A",
                                        "S 200 ok", "C SYST", "S 215 UNIX", "C TYPE A", "S 200 ok"});
inline const QStringList loginCommands = ss({"USER alice", "TYPE A", "SYST", "TYPE A"});

// Connects without HOST and FEAT, so the dialogue starts with `loggedIn`.
inline void connectQuietly(TIdFTP& ftp, quint16 port) {
    aimWithoutHost(ftp, port);
    ftp.setAutoIssueFEAT(false);
    ftp.Connect();
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Runs `call` and returns the text of the QeltoError it throws ("<no error>" when it returns).
template <typename Call> QString errorOf(Call&& call) {
    try {
        call();
    } catch (const QeltoError& error) {
        return error.text();
    }
    return QStringLiteral("<no error>");
}

// The text and category of a failure, and whether the connection counts as usable after it.
struct Failure {
    QString text;
    ErrorCategory category = ErrorCategory::General;
    bool usable = true;
    bool operator==(const Failure&) const = default;
};

inline const char* categoryName(ErrorCategory category) {
    switch (category) {
    case ErrorCategory::General:
        return "General";
    case ErrorCategory::ConnectionLost:
        return "ConnectionLost";
    case ErrorCategory::Timeout:
        return "Timeout";
    case ErrorCategory::Refused:
        return "Refused";
    case ErrorCategory::Transient:
        return "Transient";
    case ErrorCategory::Protocol:
        return "Protocol";
    case ErrorCategory::LocalFile:
        return "LocalFile";
    case ErrorCategory::Aborted:
        return "Aborted";
    case ErrorCategory::Tls:
        return "Tls";
    }
    return "?";
}

inline void PrintTo(const Failure& failure, std::ostream* out) {
    *out << '{' << '"' << failure.text.toStdString() << "\", " << categoryName(failure.category)
         << (failure.usable ? ", usable}" : ", not usable}");
}

// Runs `call` and returns the failure it throws (text "<no error>" when it returns).
template <typename Call> Failure failureOf(Call&& call) {
    try {
        call();
    } catch (const QeltoError& error) {
        return {error.text(), error.category(), connectionUsableAfter(error)};
    }
    return {QStringLiteral("<no error>")};
}

} // namespace ftptest

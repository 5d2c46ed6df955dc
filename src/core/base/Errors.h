#pragma once

#include <QString>
#include <exception>

// What kind of failure an error is, so a caller (a job queue above all) can decide whether to retry,
// reconnect or give up without reading the text.
enum class ErrorCategory {
    General,        // none of the below: a refused argument, a setting that does not fit
    ConnectionLost, // the connection is gone or never came up (closed by the peer, socket errors)
    Timeout,        // a wait ran out
    Refused,        // the server said no for good (5xx)
    Transient,      // the server said not now (4xx)
    Protocol,       // the server broke the protocol or answered out of turn
    LocalFile,      // a local file could not be read, written or created
    Aborted,        // the user or the program stopped the operation
    Tls,            // the secure layer failed
};

// The one error hierarchy of Qelto. Every failure that ends a user action is one of these; the window
// catches them in exactly one place per action (see Guard.h) and shows the text to the user.
class QeltoError : public std::exception {
public:
    explicit QeltoError(QString text, ErrorCategory category = ErrorCategory::General)
        : m_text(std::move(text)), m_utf8(m_text.toUtf8()), m_category(category) {}
    const QString& text() const noexcept { return m_text; }
    ErrorCategory category() const noexcept { return m_category; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
    ErrorCategory m_category;
};

// A server reply outside the accepted codes: carries the reply code with the reply's text; its category
// follows from the code.
class FtpReplyError : public QeltoError {
public:
    FtpReplyError(int code, QString text) : QeltoError(std::move(text), categoryOf(code)), m_code(code) {}
    int code() const noexcept { return m_code; }

    // 4xx is transient, 5xx refused; any other code where a refusal was expected is out of turn.
    static ErrorCategory categoryOf(int code) {
        if (code >= 400 && code < 500) return ErrorCategory::Transient;
        if (code >= 500 && code < 600) return ErrorCategory::Refused;
        return ErrorCategory::Protocol;
    }

private:
    int m_code;
};

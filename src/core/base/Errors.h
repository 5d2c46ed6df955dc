#pragma once

#include <QString>
#include <exception>

// The one error hierarchy of Qelto. Every failure that ends a user action is one of these; the window
// catches them in exactly one place per action (see Guard.h) and shows the text to the user.
class QeltoError : public std::exception {
public:
    explicit QeltoError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// A server reply outside the accepted codes: carries the reply code with the reply's text.
class FtpReplyError : public QeltoError {
public:
    FtpReplyError(int code, QString text) : QeltoError(std::move(text)), m_code(code) {}
    int code() const noexcept { return m_code; }

private:
    int m_code;
};

#pragma once

#include "core/base/Errors.h"
#include "core/ftp/FtpReply.h"

#include <QByteArray>
#include <QList>
#include <optional>

// The server broke the reply format beyond repair (a line or reply over the limits).
class FtpProtocolError : public QeltoError {
public:
    explicit FtpProtocolError(QString text) : QeltoError(std::move(text), ErrorCategory::Protocol) {}
};

// Splits the bytes of a control connection into replies. Bytes are fed as they arrive; complete
// replies are taken out one at a time, the rest stays buffered for the next call. A line longer than
// MaxLineBytes or a reply larger than MaxReplyBytes throws FtpProtocolError: the server is out of step and
// the caller must drop the connection.
class FtpReplyReader {
public:
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    static constexpr qsizetype MaxReplyBytes = 4 * 1024 * 1024;

    void feed(const QByteArray& bytes);
    // The next complete reply, decoded as UTF-8 or one byte per character; nullopt while incomplete.
    std::optional<FtpReply> takeReply(bool utf8);
    // Whether a complete reply is held, ready to be taken. Throws like takeReply.
    bool replyReady();
    bool hasBufferedData() const { return !m_pending.isEmpty() || !m_lines.isEmpty(); }
    void clear();

private:
    bool completeLinesEndReply();

    QByteArray m_pending;      // bytes after the last line end
    QList<QByteArray> m_lines; // trimmed, non-empty lines of the reply being read
    qsizetype m_replyBytes = 0;
    qsizetype m_scanned = 0; // how much of m_pending is known to hold no line end
    bool m_ready = false;    // m_lines hold a complete reply
};

#include "core/ftp/FtpReplyReader.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool startsWithCode(const QByteArray& line) {
    return line.size() >= 3 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]);
}

// "ddd" alone or "ddd " followed by text.
bool isFinalLine(const QByteArray& line) {
    return startsWithCode(line) && (line.size() == 3 || line[3] == ' ');
}

// A first line "ddd-..." opens a multi-line reply, which only a final line with the same code closes;
// otherwise a padded text line starting with digits would end it early and shift every later reply.
bool opensMultiLine(const QByteArray& first) {
    return startsWithCode(first) && first.size() > 3 && first[3] == '-';
}

QString decode(const QByteArray& bytes, bool utf8) {
    return utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace

QString FtpReply::errorText() const {
    QString result;
    for (const QString& line : text)
        result += line + QStringLiteral("\r\n");
    return result;
}

void FtpReplyReader::feed(const QByteArray& bytes) {
    m_pending += bytes;
    // Only the unterminated tail can grow without bound; complete lines are checked when split.
    const qsizetype lastEnd = m_pending.lastIndexOf('\n');
    const qsizetype tail = m_pending.size() - (lastEnd + 1);
    if (tail > MaxLineBytes + 1) throw FtpProtocolError(QStringLiteral("Reply line too long"));
}

bool FtpReplyReader::completeLinesEndReply() {
    // Lines are cut by offset and the consumed bytes dropped once, so a large block of short lines
    // costs linear time.
    qsizetype start = 0;
    bool complete = false;
    while (!complete) {
        const qsizetype end = m_pending.indexOf('\n', std::max(start, m_scanned));
        if (end < 0) break;
        const qsizetype length = end - start;
        if (length > MaxLineBytes + 1) throw FtpProtocolError(QStringLiteral("Reply line too long"));
        m_replyBytes += length + 1;
        if (m_replyBytes > MaxReplyBytes) throw FtpProtocolError(QStringLiteral("Reply too long"));
        const QByteArray line = m_pending.mid(start, length).trimmed();
        start = end + 1;
        if (line.isEmpty()) continue;
        m_lines.append(line);
        const QByteArray& first = m_lines.first();
        complete = isFinalLine(line) &&
                   !(m_lines.size() > 1 && opensMultiLine(first) && !line.startsWith(first.left(3)));
    }
    m_pending.remove(0, start);
    m_scanned = complete ? 0 : m_pending.size();
    return complete;
}

bool FtpReplyReader::replyReady() {
    if (!m_ready) m_ready = completeLinesEndReply();
    return m_ready;
}

std::optional<FtpReply> FtpReplyReader::takeReply(bool utf8) {
    if (!replyReady()) return std::nullopt;
    m_ready = false;
    FtpReply reply;
    const QByteArray first = m_lines.first();
    const QByteArray code = startsWithCode(first) ? first.left(3) : QByteArray();
    reply.code = code.isEmpty() ? 0 : code.toInt();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QByteArray line = m_lines[i];
        if (i == 0) {
            if (!code.isEmpty())
                line = line.mid(line.size() > 3 && (line[3] == ' ' || line[3] == '-') ? 4 : 3);
        } else if (!code.isEmpty() && line.startsWith(code) &&
                   (line.size() == 3 || line[3] == ' ' || line[3] == '-')) {
            line = line.mid(4);
        }
        reply.text.append(decode(line, utf8));
    }
    m_lines.clear();
    m_replyBytes = 0;
    return reply;
}

void FtpReplyReader::clear() {
    m_pending.clear();
    m_lines.clear();
    m_replyBytes = 0;
    m_scanned = 0;
    m_ready = false;
}

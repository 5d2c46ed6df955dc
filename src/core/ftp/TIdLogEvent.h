#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Line intercept of a control connection: reports every block written to or read from the socket,
// with a date-time text and the block as text, line ends marked; the arguments of PASS and ACCT show as
// "****".
class TIdLogEvent {
public:
    using BlockHandler = std::function<void(const QString& dateTimeText, const QString& block)>;

    BlockHandler OnSent;
    BlockHandler OnReceived;
    std::function<void(const QString& text)> OnStatus;

    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    // The block as text, decoded as listed names are (UTF-8 when it is valid UTF-8, else one character
    // per byte); CR LF -> "<EOL>", then a lone CR -> "<CR>" and a lone LF -> "<LF>".
    static QString markLineEnds(const QByteArray& block);

    // Called by the connection.
    void sent(const QByteArray& block);
    void received(const QByteArray& block);
    void connected();
    void disconnected();

private:
    static QString nowText();

    bool m_active = true;
};

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Texts of the protocol log panes.

// A block the client sent, as the log may show it: the argument of PASS and ACCT (a password, a proxy
// password, an account) replaced by "****", the verb in any letter case. Other lines stay as they are.
QByteArray maskSecretArguments(const QByteArray& sentBlock);

// "Local Date: " + "dddd d mmmm yyyy" and "Local Time: " + "hh:nn:ss, zzz" + " ms".
QString LocalDateText(const QDateTime& now = QDateTime::currentDateTime());
QString LocalTimeText(const QDateTime& now = QDateTime::currentDateTime());

// Header of a history record for a received and for a sent block.
QString receivedHistoryHeader(const QDateTime& now = QDateTime::currentDateTime());
QString sentHistoryHeader(const QDateTime& now = QDateTime::currentDateTime());

// A block for the history pane: every "<EOL>" marker, in any letter case, becomes CR LF.
QString historyBlockText(const QString& data);

// One line of the debugger pane: "hh:nn:ss.zzz" + " << Server: " or " >> Client: " + the block as marked.
QString debugReceivedLine(const QString& data, const QDateTime& now = QDateTime::currentDateTime());
QString debugSentLine(const QString& data, const QDateTime& now = QDateTime::currentDateTime());

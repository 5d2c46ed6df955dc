#pragma once

#include <QDateTime>
#include <QString>

// Texts of the protocol log panes.

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

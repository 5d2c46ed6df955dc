#pragma once

#include "core/ftp/ListParse.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// What a line typed into the console asks for.
enum class ConsoleAction {
    Nothing,         // an empty line: many servers never answer one
    Disconnect,      // QUIT, BYE or CLOSE
    ExtendedPassive, // PASV: the line sent is "EPSV = TRUE"
    DirectoryReport, // LIST or DIR: the report of the current folder
    Send             // anything else, sent as `line`
};

struct ConsoleCommand {
    ConsoleAction action = ConsoleAction::Nothing;
    QString line; // what goes to the server
};

// Upper-cases the command word only (leading blanks stay, arguments keep their case: paths on the
// server are case-sensitive) and recognises the console's own words in the whole line.
ConsoleCommand parseConsoleCommand(const QString& typed);

// Echo texts of the console pane: every "<EOL>" marker, in any letter case, becomes CR LF. A sent PASS
// line shows its argument masked.
QString consoleSentText(const QString& block);
QString consoleReceivedText(const QString& block);

// A size as the report gives it: whole MByte from 1000000 bytes, whole KByte from 1000, else Byte; the
// remainder is dropped.
QString consoleSizeText(qint64 size);

// The directory report's appends, each a new line of the pane (CR LF breaks it further): a blank line,
// the folders under their header, then four lines per other entry under the files header. The caller
// appends the closing blank line, also when the listing failed.
QStringList consoleDirectoryReport(const QList<TIdFTPListItem>& entries, const QLocale& locale = QLocale());

#pragma once

#include "core/ftp/FtpTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>
#include <optional>

// One entry of a directory listing.
struct TIdFTPListItem {
    QString FileName;   // the name as text, for display
    QByteArray RawName; // the name's exact bytes, for the commands about this entry
    TIdDirItemType ItemType = ditFile;
    qint64 Size = 0;
    QDateTime ModifiedDate;    // local time (MLSD: with the offset in force then); zeroDateTime() if none
    QString PermissionDisplay; // empty when the listing gives none
    QString LinkTarget;        // target of an "OS.unix=slink:<target>" entry, else empty
};

// The "no date" value of a listing entry: 30 December 1899, 00:00:00 local time.
QDateTime zeroDateTime();
bool isZeroDate(const QDateTime& value);

// Parses one MLSD line. Returns nothing for a line that yields no entry (empty, or without a name).
// The byte form takes the line as it came off the data connection. The text form takes a line held
// one byte per character (as a listing result keeps MLSD lines); a text that holds characters above
// U+00FF is already decoded and its name is kept as it is.
std::optional<TIdFTPListItem> parseMlsdLine(QByteArrayView line);
std::optional<TIdFTPListItem> parseMlsdLine(QStringView line);

// Parses every MLSD line in order; lines that yield no entry are left out.
QList<TIdFTPListItem> parseMlsdListing(const QStringList& lines);

// Parses the lines of one listing transfer one at a time, as parseListing below does for them all: a
// large folder's entries need not all be held at once. Lines that yield no entry give nothing.
class ListingParser {
public:
    ListingParser(bool fromMlsd, bool details, bool utf8);
    ~ListingParser();
    ListingParser(const ListingParser&) = delete;
    ListingParser& operator=(const ListingParser&) = delete;
    std::optional<TIdFTPListItem> parse(QByteArrayView line);

private:
    struct Context;
    std::unique_ptr<Context> m_context; // what the lines before taught the MLSD parse
    bool m_fromMlsd;
    bool m_details;
    bool m_utf8;
};

// Turns the lines of a listing transfer, as they came off the data connection, into entries: MLSD lines
// as above; LIST lines (details asked for) cannot be parsed and throw QeltoError unless all are empty;
// name-list lines give one entry per non-empty line, its text decoded as UTF-8 when `utf8` and the line
// is valid UTF-8, else one byte per character.
QList<TIdFTPListItem> parseListing(const QList<QByteArrayView>& rawLines, bool fromMlsd, bool details, bool utf8);
QList<TIdFTPListItem> parseListing(const QList<QByteArray>& rawLines, bool fromMlsd, bool details, bool utf8);

// Turns the lines of a listing transfer into entries. Lines from MLSD are parsed as above. Lines from
// LIST (details asked for) cannot be parsed: a result with any non-empty line throws QeltoError. Lines
// of a name list (no details) give one entry per non-empty line, named by the line.
QList<TIdFTPListItem> parseListing(const QStringList& lines, bool fromMlsd, bool details = true);

// The ten-character permission text for a UNIX.mode value of digits ("0755" on a directory gives
// "drwxr-xr-x"); a value that is not all digits is returned unchanged.
QString unixModePermissionText(QStringView mode, TIdDirItemType type);

#pragma once

#include "core/ftp/ListParse.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QList>

// The LIST reply of servers without MLSD: Unix "ls -l" lines (with or without the group column, a time
// or a year, device numbers in place of a size, "name -> target" for links) and the DOS/IIS form
// ("01-02-24  10:15AM  <DIR>  name"). Pure functions: the caller gives the present moment, which a
// date without a year is placed against.

enum class ListLineKind {
    Entry,   // an entry was read
    Skipped, // nothing to read: a blank line or a "total 12"
    Unknown, // no form fits; the line is left out and counted
};

struct ListLine {
    ListLineKind kind = ListLineKind::Unknown;
    TIdFTPListItem item; // for Entry
};

struct ListLines {
    QList<TIdFTPListItem> items;
    int unknown = 0; // lines no form fits
};

// One line as it came off the data connection (its line end may still be there). Names are decoded as
// UTF-8 when `utf8` and the bytes are valid UTF-8, else one byte per character; RawName keeps the
// bytes. Times are local times of the listing; `now` is local time too.
ListLine parseListLine(QByteArrayView line, bool utf8, const QDateTime& now);

// Every line in order.
ListLines parseListLines(const QList<QByteArrayView>& lines, bool utf8, const QDateTime& now);
ListLines parseListLines(const QList<QByteArray>& lines, bool utf8, const QDateTime& now);

// The most recent date on `month`/`day` at `time` that is not later than a day after `now` (a server in
// a time zone ahead of ours may list a file changed a moment ago with a time still to come here).
// An invalid date (day 31 in a short month) gives an invalid QDateTime.
QDateTime dateWithoutYear(int month, int day, QTime time, const QDateTime& now);

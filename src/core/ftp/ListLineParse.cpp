#include "core/ftp/ListLineParse.h"

#include <QVarLengthArray>
#include <limits>
#include <optional>

namespace {

struct Token {
    qsizetype start;
    qsizetype end;
};
using Tokens = QVarLengthArray<Token, 16>;

Tokens tokenize(QByteArrayView line) {
    Tokens tokens;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (i == line.size()) break;
        const qsizetype start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        tokens.append({start, i});
    }
    return tokens;
}

QByteArrayView piece(QByteArrayView line, const Token& t) {
    return line.sliced(t.start, t.end - t.start);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allDigits(QByteArrayView v) {
    if (v.isEmpty()) return false;
    for (const char c : v)
        if (!isDigit(c)) return false;
    return true;
}

// Decimal digits only; nothing on overflow.
std::optional<qint64> count(QByteArrayView v) {
    if (!allDigits(v)) return std::nullopt;
    qint64 value = 0;
    for (const char c : v) {
        const int digit = c - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// A small number of 1 to 4 digits; -1 otherwise.
int number(QByteArrayView v) {
    if (v.isEmpty() || v.size() > 4 || !allDigits(v)) return -1;
    int value = 0;
    for (const char c : v)
        value = value * 10 + (c - '0');
    return value;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

int monthNumber(QByteArrayView v) {
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (v.size() != 3) return 0;
    for (int m = 0; m < 12; ++m)
        if (lower(v[0]) == months[m][0] && lower(v[1]) == months[m][1] && lower(v[2]) == months[m][2])
            return m + 1;
    return 0;
}

// "H:MM", "HH:MM" or "HH:MM:SS".
QTime clockTime(QByteArrayView v) {
    const qsizetype colon = v.indexOf(':');
    if (colon < 1 || colon > 2) return {};
    const int hour = number(v.first(colon));
    const QByteArrayView rest = v.sliced(colon + 1);
    if (rest.size() == 2) return QTime(hour, number(rest), 0);
    if (rest.size() == 5 && rest[2] == ':') return QTime(hour, number(rest.first(2)), number(rest.sliced(3)));
    return {};
}

QString nameText(QByteArrayView bytes, bool utf8) {
    return utf8 && bytes.isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

QDateTime orZero(const QDateTime& value) {
    return value.isValid() ? value : zeroDateTime();
}

TIdDirItemType unixType(char c) {
    switch (c) {
    case 'd':
        return ditDirectory;
    case 'l':
        return ditSymbolicLink;
    case 'b':
        return ditBlockDev;
    case 'c':
        return ditCharDev;
    case 'p':
        return ditFIFO;
    case 's':
        return ditSocket;
    default:
        return ditFile;
    }
}

// "drwxr-xr-x", possibly followed by an ACL or security-context mark ("+", ".", "@").
bool isPermissionText(QByteArrayView v) {
    if (v.size() < 10 || v.size() > 11) return false;
    if (!QByteArrayView("-dlbcpsD").contains(v[0])) return false;
    for (qsizetype i = 1; i < 10; ++i)
        if (!QByteArrayView("-rwxsStTlL").contains(v[i])) return false;
    return v.size() == 10 || QByteArrayView("+.@").contains(v[10]);
}

// A device's "major, minor" as one token ("1,3") or as its minor alone ("3", the major "1," before it).
bool isDeviceNumber(QByteArrayView v) {
    const qsizetype comma = v.indexOf(',');
    if (comma < 0) return allDigits(v);
    return allDigits(v.first(comma)) && (comma + 1 == v.size() || allDigits(v.sliced(comma + 1)));
}

struct DatePlace {
    QDateTime when;
    qsizetype nameStart = -1; // offset in the line
    qsizetype sizeToken = -1;
};

// The date columns starting at token i: "Mon DD HH:MM", "Mon DD YYYY" or "YYYY-MM-DD HH:MM".
std::optional<DatePlace> dateAt(QByteArrayView line, const Tokens& t, qsizetype i, const QDateTime& now) {
    const QByteArrayView first = piece(line, t[i]);
    if (const int month = monthNumber(first); month > 0 && i + 2 < t.size()) {
        const int day = number(piece(line, t[i + 1]));
        const QByteArrayView third = piece(line, t[i + 2]);
        if (day < 1 || day > 31) return std::nullopt;
        DatePlace place;
        if (third.size() == 4 && allDigits(third)) {
            place.when = QDateTime(QDate(number(third), month, day), QTime(0, 0), Qt::LocalTime);
        } else {
            const QTime time = clockTime(third);
            if (!time.isValid()) return std::nullopt;
            place.when = dateWithoutYear(month, day, time, now);
        }
        place.nameStart = t[i + 2].end + 1;
        return place;
    }
    if (first.size() == 10 && first[4] == '-' && first[7] == '-' && i + 1 < t.size()) {
        const QDate date(number(first.first(4)), number(first.sliced(5, 2)), number(first.sliced(8, 2)));
        const QTime time = clockTime(piece(line, t[i + 1]));
        if (!date.isValid() || !time.isValid()) return std::nullopt;
        DatePlace place;
        place.when = QDateTime(date, time, Qt::LocalTime);
        place.nameStart = t[i + 1].end + 1;
        return place;
    }
    return std::nullopt;
}

std::optional<TIdFTPListItem> unixLine(QByteArrayView line, const Tokens& t, bool utf8,
                                       const QDateTime& now) {
    const QByteArrayView mode = piece(line, t[0]);
    if (!isPermissionText(mode)) return std::nullopt;
    const TIdDirItemType type = unixType(mode[0]);
    const bool device = type == ditBlockDev || type == ditCharDev;
    // The date is found by its shape, so the columns before it (link count, owner, group) may be there
    // or not; the size is the column right before it.
    for (qsizetype i = 2; i < t.size(); ++i) {
        const QByteArrayView size = piece(line, t[i - 1]);
        const std::optional<qint64> bytes = count(size);
        if (device ? !isDeviceNumber(size) : !bytes) continue;
        const std::optional<DatePlace> place = dateAt(line, t, i, now);
        // Exactly one blank follows the date, so a name may begin with blanks of its own.
        if (!place || place->nameStart >= line.size()) continue;

        QByteArrayView name = line.sliced(place->nameStart);
        TIdFTPListItem item;
        item.ItemType = type;
        item.Size = device ? 0 : *bytes;
        item.ModifiedDate = orZero(place->when);
        item.PermissionDisplay = QString::fromLatin1(mode.first(10));
        if (type == ditSymbolicLink) {
            const qsizetype arrow = name.indexOf(" -> ");
            if (arrow > 0) {
                item.LinkTarget = nameText(name.sliced(arrow + 4), utf8);
                name = name.first(arrow);
            }
        }
        item.RawName = name.toByteArray();
        item.FileName = nameText(name, utf8);
        return item;
    }
    return std::nullopt;
}

// "MM-DD-YY" or "MM-DD-YYYY"; two-digit years below 70 are this century's.
QDate dosDate(QByteArrayView v) {
    if ((v.size() != 8 && v.size() != 10) || v[2] != '-' || v[5] != '-') return {};
    int year = number(v.sliced(6));
    if (year < 0) return {};
    if (v.size() == 8) year += year < 70 ? 2000 : 1900;
    return QDate(year, number(v.first(2)), number(v.sliced(3, 2)));
}

// "10:15AM", "12:00PM"; also a 24-hour "22:15".
QTime dosTime(QByteArrayView v) {
    if (v.size() >= 3 && (lower(v.back()) == 'm')) {
        const char half = lower(v[v.size() - 2]);
        if (half != 'a' && half != 'p') return {};
        const QTime clock = clockTime(v.first(v.size() - 2));
        if (!clock.isValid() || clock.hour() < 1 || clock.hour() > 12) return {};
        const int hour = clock.hour() % 12 + (half == 'p' ? 12 : 0);
        return QTime(hour, clock.minute(), clock.second());
    }
    return clockTime(v);
}

std::optional<TIdFTPListItem> dosLine(QByteArrayView line, const Tokens& t, bool utf8) {
    if (t.size() < 4) return std::nullopt;
    const QDate date = dosDate(piece(line, t[0]));
    const QTime time = dosTime(piece(line, t[1]));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    const QByteArrayView third = piece(line, t[2]);
    TIdFTPListItem item;
    if (third == "<DIR>") {
        item.ItemType = ditDirectory;
    } else if (const auto size = count(third)) {
        item.Size = *size;
    } else {
        return std::nullopt;
    }
    item.ModifiedDate = QDateTime(date, time, Qt::LocalTime);
    // The name column is aligned with blanks; everything from its first character on is the name.
    const QByteArrayView name = line.sliced(t[3].start);
    item.RawName = name.toByteArray();
    item.FileName = nameText(name, utf8);
    return item;
}

bool isTotalLine(QByteArrayView line, const Tokens& t) {
    if (t.size() != 2) return false;
    const QByteArrayView word = piece(line, t[0]);
    return word.size() == 5 && lower(word[0]) == 't' && lower(word[1]) == 'o' && lower(word[2]) == 't' &&
           lower(word[3]) == 'a' && lower(word[4]) == 'l' && allDigits(piece(line, t[1]));
}

} // namespace

QDateTime dateWithoutYear(int month, int day, QTime time, const QDateTime& now) {
    const QDateTime latest = now.addDays(1);
    // Back through the years until the date exists (29 February) and is not still to come.
    for (int year = latest.date().year(); year >= latest.date().year() - 8; --year) {
        const QDate date(year, month, day);
        if (!date.isValid()) continue;
        const QDateTime candidate(date, time, Qt::LocalTime);
        if (candidate <= latest) return candidate;
    }
    return {};
}

ListLine parseListLine(QByteArrayView line, bool utf8, const QDateTime& now) {
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line.chop(1);
    const Tokens tokens = tokenize(line);
    if (tokens.isEmpty() || isTotalLine(line, tokens)) return {ListLineKind::Skipped, {}};
    std::optional<TIdFTPListItem> item = unixLine(line, tokens, utf8, now);
    if (!item) item = dosLine(line, tokens, utf8);
    if (!item) return {ListLineKind::Unknown, {}};
    return {ListLineKind::Entry, std::move(*item)};
}

ListLines parseListLines(const QList<QByteArrayView>& lines, bool utf8, const QDateTime& now) {
    ListLines result;
    result.items.reserve(lines.size());
    for (const QByteArrayView line : lines) {
        ListLine parsed = parseListLine(line, utf8, now);
        if (parsed.kind == ListLineKind::Entry)
            result.items.append(std::move(parsed.item));
        else if (parsed.kind == ListLineKind::Unknown)
            ++result.unknown;
    }
    return result;
}

ListLines parseListLines(const QList<QByteArray>& lines, bool utf8, const QDateTime& now) {
    return parseListLines(QList<QByteArrayView>(lines.begin(), lines.end()), utf8, now);
}

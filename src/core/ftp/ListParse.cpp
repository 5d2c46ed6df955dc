#include "core/ftp/ListParse.h"

#include "core/base/Errors.h"

#include <QStringDecoder>
#include <algorithm>
#include <limits>

// Both line forms (raw bytes, and text held one byte per character) run through the same templates;
// they differ only in how a character is read and how a piece becomes a QString. Pieces of the line are
// views, so a line costs no allocation beyond the texts of the entry it yields.

namespace {

char16_t at(QByteArrayView v, qsizetype i) {
    return static_cast<uchar>(v[i]);
}
char16_t at(QStringView v, qsizetype i) {
    return v[i].unicode();
}

char16_t asciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

template <typename View> bool equalsExact(View v, QLatin1StringView text) {
    if (v.size() != text.size()) return false;
    for (qsizetype i = 0; i < v.size(); ++i)
        if (at(v, i) != text[i].unicode()) return false;
    return true;
}

// `lower` is given in lower case; only ASCII letters fold.
template <typename View> bool startsWithNoCase(View v, QLatin1StringView lower) {
    if (v.size() < lower.size()) return false;
    for (qsizetype i = 0; i < lower.size(); ++i)
        if (asciiLower(at(v, i)) != lower[i].unicode()) return false;
    return true;
}

template <typename View> bool equalsNoCase(View v, QLatin1StringView lower) {
    return v.size() == lower.size() && startsWithNoCase(v, lower);
}

template <typename View> bool endsWithNoCase(View v, QLatin1StringView lower) {
    return v.size() >= lower.size() && startsWithNoCase(v.sliced(v.size() - lower.size()), lower);
}

template <typename View> bool allDigits(View v) {
    if (v.isEmpty()) return false;
    for (qsizetype i = 0; i < v.size(); ++i)
        if (at(v, i) < u'0' || at(v, i) > u'9') return false;
    return true;
}

// Decimal digits only, no sign, no blanks; nothing on overflow.
template <typename View> std::optional<qint64> parseCount(View v) {
    if (!allDigits(v)) return std::nullopt;
    qint64 value = 0;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const int digit = at(v, i) - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

template <typename View> int digitsValue(View v, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i)
        value = value * 10 + (at(v, i) - u'0');
    return value;
}

QString toText(QByteArrayView v) {
    return QString::fromLatin1(v);
}

// The bytes of a name: as they came, or from text held one byte per character; text already decoded
// (characters above U+00FF) goes back as UTF-8, the form it was decoded from.
QByteArray toBytes(QByteArrayView v) {
    return v.toByteArray();
}
QByteArray toBytes(QStringView v) {
    for (const QChar c : v)
        if (c.unicode() > 0xFF) return v.toUtf8();
    return v.toLatin1();
}
QString toText(QStringView v) {
    return v.toString();
}

bool isAscii(QByteArrayView v) {
    for (const char c : v)
        if (static_cast<uchar>(c) >= 0x80) return false;
    return true;
}

// Bytes in the named character set (UTF-8 when none is named); one byte per character when that
// decoding fails or the character set is unknown.
QString decodeBytes(QByteArrayView bytes, QByteArrayView charset) {
    if (charset.isEmpty() || equalsNoCase(charset, QLatin1StringView("utf-8")) ||
        equalsNoCase(charset, QLatin1StringView("utf8"))) {
        if (isAscii(bytes)) return QString::fromLatin1(bytes);
        if (!bytes.isValidUtf8()) return QString::fromLatin1(bytes);
        // A leading byte order mark is part of the name, not a marker to drop.
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        return utf8.decode(bytes);
    }
    QStringDecoder decoder(charset.toByteArray().constData(), QStringConverter::Flag::ConvertInitialBom);
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString::fromLatin1(bytes) : text;
}

QString decodeName(QByteArrayView name, QByteArrayView charset) {
    return decodeBytes(name, charset);
}

QString decodeName(QStringView name, QStringView charset) {
    bool ascii = true;
    for (const QChar c : name) {
        if (c.unicode() > 0xFF)
            return name.toString(); // already decoded text: it has no byte form to go back to
        if (c.unicode() >= 0x80) ascii = false;
    }
    if (ascii && charset.isEmpty()) return name.toString();
    return decodeBytes(name.toLatin1(), charset.toLatin1());
}

constexpr qint64 msecsPerDay = qint64(86400) * 1000;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (the one QDate uses).
qint64 daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = int(year - era * 400);
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The local offset from UTC in force at an instant, as the local time conversion gives it.
int localOffsetAt(qint64 utcMsecs) {
    return QDateTime::fromMSecsSinceEpoch(utcMsecs, Qt::UTC).toLocalTime().offsetFromUtc();
}

// Local offsets by UTC day, for one listing: a listing's dates fall on few distinct days, and the time
// zone lookup behind an offset costs more than the rest of a line's parse. A day with a change of
// offset (daylight saving starts or ends) is looked up per instant. Kept for one listing only, so a
// change of the system's time zone shows in the next one.
class LocalOffsetCache {
public:
    explicit LocalOffsetCache(bool remember = true) : m_remember(remember) {}

    int offsetAt(qint64 utcMsecs) {
        if (!m_remember) return localOffsetAt(utcMsecs);
        const qint64 day = utcMsecs >= 0 ? utcMsecs / msecsPerDay : (utcMsecs + 1) / msecsPerDay - 1;
        Slot& slot = m_slots[size_t(day) % slotCount];
        if (!slot.used || slot.day != day) {
            const int start = localOffsetAt(day * msecsPerDay);
            const int end = localOffsetAt(day * msecsPerDay + msecsPerDay - 1);
            slot = Slot{day, start, start == end, true};
        }
        return slot.uniform ? slot.offset : localOffsetAt(utcMsecs);
    }

private:
    static constexpr size_t slotCount = 64;
    struct Slot {
        qint64 day = 0;
        int offset = 0;
        bool uniform = false;
        bool used = false;
    };
    bool m_remember;
    Slot m_slots[slotCount];
};

// The modify fact: YYYYMMDDHHMMSS in UTC, optionally "." and a fraction; the fraction's digits are
// read as milliseconds, a fraction of more than three digits keeps its first three. The result is the
// local wall-clock time, carrying the offset in force at that moment (not today's: a winter date read
// in summer stays right).
template <typename View> QDateTime parseModify(View v, LocalOffsetCache& offsets) {
    constexpr qsizetype stampLength = 14;
    if (v.size() < stampLength || !allDigits(v.first(stampLength))) return {};
    int msec = 0;
    if (v.size() > stampLength) {
        const View fraction = v.sliced(stampLength + 1);
        if (at(v, stampLength) != u'.' || !allDigits(fraction)) return {};
        msec = digitsValue(fraction, 0, std::min<qsizetype>(fraction.size(), 3));
    }
    const int year = digitsValue(v, 0, 4);
    const int month = digitsValue(v, 4, 2);
    const int day = digitsValue(v, 6, 2);
    const int hour = digitsValue(v, 8, 2);
    const int minute = digitsValue(v, 10, 2);
    const int second = digitsValue(v, 12, 2);
    // Year 0 does not exist in the calendar QDate keeps.
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return {};
    if (hour > 23 || minute > 59 || second > 59) return {};
    const qint64 utc = daysFromCivil(year, month, day) * msecsPerDay +
                       ((hour * 60 + minute) * 60 + second) * qint64(1000) + msec;
    return QDateTime::fromMSecsSinceEpoch(utc, Qt::OffsetFromUTC, offsets.offsetAt(utc));
}

template <typename View> QString permissionText(View fact, TIdDirItemType type) {
    // Some servers write the mode with the "0o" of Python's octal numbers ("0o644").
    const bool pythonOctal =
        fact.size() > 2 && at(fact, 0) == u'0' && (at(fact, 1) == u'o' || at(fact, 1) == u'O');
    const View mode = pythonOctal ? fact.sliced(2) : fact;
    if (!allDigits(mode)) return toText(fact);
    // Only the last four digits carry meaning (special bits, owner, group, others).
    const qsizetype used = std::min<qsizetype>(mode.size(), 4);
    const int value = digitsValue(mode, mode.size() - used, used);
    const int special = value / 1000 % 10;
    const int owner = value / 100 % 10;
    const int group = value / 10 % 10;
    const int others = value % 10;

    QString text(10, u'-');
    switch (type) {
    case ditDirectory:
        text[0] = u'd';
        break;
    case ditBlockDev:
        text[0] = u'b';
        break;
    case ditCharDev:
        text[0] = u'c';
        break;
    case ditFIFO:
        text[0] = u'p';
        break;
    case ditSocket:
        text[0] = u's';
        break;
    case ditSymbolicLink:
    case ditSymbolicLinkDir:
        text[0] = u'l';
        break;
    case ditFile:
        break;
    }
    const int triplets[3] = {owner, group, others};
    for (int t = 0; t < 3; ++t) {
        if (triplets[t] & 4) text[1 + t * 3] = u'r';
        if (triplets[t] & 2) text[2 + t * 3] = u'w';
        if (triplets[t] & 1) text[3 + t * 3] = u'x';
    }
    if (special & 4) text[3] = u's';
    if (special & 2) text[6] = u's';
    if (special & 1) text[9] = u't';
    return text;
}

template <typename View> TIdDirItemType itemType(View type, View* linkTarget) {
    if (equalsExact(type, QLatin1StringView("cdir")) || equalsExact(type, QLatin1StringView("pdir")) ||
        equalsExact(type, QLatin1StringView("dir")))
        return ditDirectory;
    if (equalsExact(type, QLatin1StringView("OS.unix=slink"))) return ditSymbolicLink;
    if (equalsExact(type, QLatin1StringView("OS.unix=socket"))) return ditSocket;
    if (equalsExact(type, QLatin1StringView("OS.unix=blk"))) return ditBlockDev;
    if (equalsExact(type, QLatin1StringView("OS.unix=chr"))) return ditCharDev;
    if (equalsExact(type, QLatin1StringView("OS.unix=fifo"))) return ditFIFO;
    const QLatin1StringView slinkPrefix("os.unix=slink:");
    if (startsWithNoCase(type, slinkPrefix)) {
        *linkTarget = type.sliced(slinkPrefix.size());
        return ditSymbolicLink;
    }
    // Servers name links in several ways ("OS.unix=symlink", "OS.unix=slinkdir", "OS.Linux=symlink"):
    // whatever says link is one, so that no walk takes it for a file or a folder of its own.
    if (startsWithNoCase(type, QLatin1StringView("os.unix=slink")) || endsWithNoCase(type, QLatin1StringView("symlink")))
        return ditSymbolicLink;
    if (startsWithNoCase(type, QLatin1StringView("os.unix=blk"))) return ditBlockDev;
    if (startsWithNoCase(type, QLatin1StringView("os.unix=chr"))) return ditCharDev;
    return ditFile;
}

template <typename View> struct Facts {
    std::optional<View> type, size, sizd, modify, perm, unixMode, charset;
};

// A repeated fact keeps its first value; a piece without "=" is no fact.
template <typename View> Facts<View> splitFacts(View facts) {
    Facts<View> result;
    qsizetype start = 0;
    while (start < facts.size()) {
        qsizetype end = start;
        while (end < facts.size() && at(facts, end) != u';')
            ++end;
        const View piece = facts.sliced(start, end - start);
        start = end + 1;

        qsizetype eq = 0;
        while (eq < piece.size() && at(piece, eq) != u'=')
            ++eq;
        if (eq == piece.size()) continue;
        const View name = piece.first(eq);
        const View value = piece.sliced(eq + 1);
        std::optional<View>* slot = nullptr;
        if (equalsNoCase(name, QLatin1StringView("type")))
            slot = &result.type;
        else if (equalsNoCase(name, QLatin1StringView("size")))
            slot = &result.size;
        else if (equalsNoCase(name, QLatin1StringView("sizd")))
            slot = &result.sizd;
        else if (equalsNoCase(name, QLatin1StringView("modify")))
            slot = &result.modify;
        else if (equalsNoCase(name, QLatin1StringView("perm")))
            slot = &result.perm;
        else if (equalsNoCase(name, QLatin1StringView("unix.mode")))
            slot = &result.unixMode;
        else if (equalsNoCase(name, QLatin1StringView("charset")))
            slot = &result.charset;
        if (slot && !*slot) *slot = value;
    }
    return result;
}

template <typename View> bool sameText(View v, const QString& text) {
    if (v.size() != text.size()) return false;
    for (qsizetype i = 0; i < v.size(); ++i)
        if (at(v, i) != text[i].unicode()) return false;
    return true;
}

// The permission text of the previous line, shared with the next line that has the same facts: a
// listing repeats a few permission sets thousands of times.
class RepeatedPermission {
public:
    template <typename View> QString fromPerm(View perm) {
        if (!m_fromPerm || !sameText(perm, m_fact)) {
            m_fact = toText(perm);
            m_text = m_fact;
            m_fromPerm = true;
        }
        return m_text;
    }
    template <typename View> QString fromMode(View mode, TIdDirItemType type) {
        if (m_fromPerm || m_type != type || !sameText(mode, m_fact)) {
            m_fact = toText(mode);
            m_text = permissionText(mode, type);
            m_type = type;
            m_fromPerm = false;
        }
        return m_text;
    }

private:
    QString m_fact;
    QString m_text;
    TIdDirItemType m_type = ditFile;
    bool m_fromPerm = false;
};

// What one listing's lines share.
struct ListingContext {
    explicit ListingContext(bool remember = true) : offsets(remember) {}
    LocalOffsetCache offsets;
    RepeatedPermission permission;
};

template <typename View> std::optional<TIdFTPListItem> parseLine(View line, ListingContext& context) {
    while (!line.isEmpty() && (at(line, line.size() - 1) == u'\r' || at(line, line.size() - 1) == u'\n'))
        line.chop(1);

    qsizetype blank = 0;
    while (blank < line.size() && at(line, blank) != u' ')
        ++blank;
    // No blank, or nothing after it: there is no name, and an entry without one cannot be used
    // (a nameless folder would be the listed folder itself to anyone walking into it).
    if (blank + 1 >= line.size()) return std::nullopt;

    const View name = line.sliced(blank + 1);
    const Facts<View> facts = splitFacts(line.first(blank));
    const View charset = facts.charset.value_or(View());

    TIdFTPListItem item;
    item.FileName = decodeName(name, charset);
    item.RawName = toBytes(name);

    View linkTarget;
    item.ItemType = facts.type ? itemType(*facts.type, &linkTarget) : ditFile;
    if (!linkTarget.isEmpty()) item.LinkTarget = decodeName(linkTarget, charset);

    const QDateTime modified = facts.modify ? parseModify(*facts.modify, context.offsets) : QDateTime();
    item.ModifiedDate = modified.isValid() ? modified : zeroDateTime();

    if (facts.size)
        item.Size = parseCount(*facts.size).value_or(0);
    else if (facts.sizd && item.ItemType == ditDirectory)
        item.Size = parseCount(*facts.sizd).value_or(0);

    if (facts.perm)
        item.PermissionDisplay = context.permission.fromPerm(*facts.perm);
    else if (facts.unixMode)
        item.PermissionDisplay = context.permission.fromMode(*facts.unixMode, item.ItemType);
    return item;
}

} // namespace

QDateTime zeroDateTime() {
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime);
    return zero;
}

bool isZeroDate(const QDateTime& value) {
    return value.date() == QDate(1899, 12, 30) && value.time() == QTime(0, 0);
}

std::optional<TIdFTPListItem> parseMlsdLine(QByteArrayView line) {
    ListingContext context(false);
    return parseLine(line, context);
}

std::optional<TIdFTPListItem> parseMlsdLine(QStringView line) {
    ListingContext context(false);
    return parseLine(line, context);
}

QList<TIdFTPListItem> parseMlsdListing(const QStringList& lines) {
    QList<TIdFTPListItem> items;
    items.reserve(lines.size());
    ListingContext context;
    for (const QString& line : lines)
        if (auto item = parseLine(QStringView(line), context)) items.append(std::move(*item));
    return items;
}

QList<TIdFTPListItem> parseListing(const QStringList& lines, bool fromMlsd, bool details) {
    if (fromMlsd) return parseMlsdListing(lines);
    QList<TIdFTPListItem> items;
    for (const QString& line : lines) {
        if (line.isEmpty()) continue;
        if (details) throw QeltoError(QStringLiteral("No FTP list parsers have been registered."));
        TIdFTPListItem item;
        item.FileName = line;
        item.RawName = toBytes(QStringView(line));
        item.ModifiedDate = zeroDateTime();
        items.append(std::move(item));
    }
    return items;
}

struct ListingParser::Context : ListingContext {};

ListingParser::ListingParser(bool fromMlsd, bool details, bool utf8)
    : m_context(fromMlsd ? std::make_unique<Context>() : nullptr), m_fromMlsd(fromMlsd), m_details(details),
      m_utf8(utf8) {}

ListingParser::~ListingParser() = default;

std::optional<TIdFTPListItem> ListingParser::parse(QByteArrayView line) {
    if (m_fromMlsd) return parseLine(line, *m_context);
    if (line.isEmpty()) return std::nullopt;
    if (m_details) throw QeltoError(QStringLiteral("No FTP list parsers have been registered."));
    TIdFTPListItem item;
    item.FileName = m_utf8 && line.isValidUtf8() ? QString::fromUtf8(line) : QString::fromLatin1(line);
    item.RawName = line.toByteArray();
    item.ModifiedDate = zeroDateTime();
    return item;
}

QList<TIdFTPListItem> parseListing(const QList<QByteArrayView>& rawLines, bool fromMlsd, bool details,
                                   bool utf8) {
    QList<TIdFTPListItem> items;
    items.reserve(rawLines.size());
    ListingParser parser(fromMlsd, details, utf8);
    for (const QByteArrayView line : rawLines)
        if (auto item = parser.parse(line)) items.append(std::move(*item));
    return items;
}

QString unixModePermissionText(QStringView mode, TIdDirItemType type) {
    return permissionText(mode, type);
}

QList<TIdFTPListItem> parseListing(const QList<QByteArray>& rawLines, bool fromMlsd, bool details, bool utf8) {
    return parseListing(QList<QByteArrayView>(rawLines.begin(), rawLines.end()), fromMlsd, details, utf8);
}

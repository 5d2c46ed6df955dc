#include "core/base/TextFormat.h"

QString errorDisplayText(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.') return text + u'.';
    return text;
}

namespace {

QChar firstSeparator(const QString& format, QChar fallback) {
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'') return c;
    return fallback;
}

QString twoDigits(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

} // namespace

QChar localeDateSeparator(const QLocale& locale) {
    if (locale.language() == QLocale::C) return u'/';
    return firstSeparator(locale.dateFormat(QLocale::ShortFormat), u'/');
}

QChar localeTimeSeparator(const QLocale& locale) {
    if (locale.language() == QLocale::C) return u':';
    return firstSeparator(locale.timeFormat(QLocale::ShortFormat), u':');
}

QString formatDateTime(const QString& pattern, const QDateTime& value, const QLocale& locale) {
    const QDate date = value.date();
    const QTime time = value.time();
    QString out;
    out.reserve(pattern.size() + 8);
    bool afterHour = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run).toLower() == c)
            ++run;
        bool token = true;
        switch (c.unicode()) {
        case u'd':
            if (run >= 4) {
                out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
                run = 4;
            } else if (run == 3) {
                out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            } else if (run == 2) {
                out += twoDigits(date.day());
            } else {
                out += QString::number(date.day());
            }
            afterHour = false;
            break;
        case u'm':
            if (afterHour && run <= 2) {
                out += run == 2 ? twoDigits(time.minute()) : QString::number(time.minute());
            } else if (run >= 4) {
                out += locale.monthName(date.month(), QLocale::LongFormat);
                run = 4;
            } else if (run == 3) {
                out += locale.monthName(date.month(), QLocale::ShortFormat);
            } else {
                out += run == 2 ? twoDigits(date.month()) : QString::number(date.month());
            }
            afterHour = false;
            break;
        case u'y':
            if (run >= 3) {
                out += QString::number(date.year()).rightJustified(4, u'0');
                run = qMin<qsizetype>(run, 4);
            } else {
                out += twoDigits(date.year() % 100);
            }
            afterHour = false;
            break;
        case u'h':
            run = qMin<qsizetype>(run, 2);
            out += run == 2 ? twoDigits(time.hour()) : QString::number(time.hour());
            afterHour = true;
            break;
        case u'n':
            run = qMin<qsizetype>(run, 2);
            out += run == 2 ? twoDigits(time.minute()) : QString::number(time.minute());
            afterHour = false;
            break;
        case u's':
            run = qMin<qsizetype>(run, 2);
            out += run == 2 ? twoDigits(time.second()) : QString::number(time.second());
            afterHour = false;
            break;
        case u'z':
            run = run >= 3 ? 3 : 1;
            out += run == 3 ? QString::number(time.msec()).rightJustified(3, u'0')
                            : QString::number(time.msec());
            afterHour = false;
            break;
        default:
            token = false;
        }
        if (token) {
            i += run;
            continue;
        }
        const QChar literal = pattern.at(i);
        if (literal == u'/')
            out += localeDateSeparator(locale);
        else if (literal == u':')
            out += localeTimeSeparator(locale);
        else
            out += literal;
        ++i;
    }
    return out;
}

QColor colorFromBGR(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 colorToBGR(const QColor& color) {
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

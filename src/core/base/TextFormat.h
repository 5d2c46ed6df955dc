#pragma once

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QString>

// The text the user sees for an error: a "." is added when the last character's code is above that of ".".
QString errorDisplayText(const QString& text);

// Formats a date and time with the program's pattern notation:
//   d dd ddd dddd   day, two-digit day, short and full weekday name
//   m mm mmm mmmm   month, two-digit month, short and full month name (m/mm right after h/hh: minutes)
//   yy yyyy         year
//   h hh n nn s ss  hours 0-23, minutes, seconds;  z zzz  milliseconds
//   "/" and ":"     the locale's date and time separators; any other character is literal.
QString formatDateTime(const QString& pattern, const QDateTime& value, const QLocale& locale = QLocale());

QChar localeDateSeparator(const QLocale& locale);
QChar localeTimeSeparator(const QLocale& locale);

// Colours are stored as 0x00BBGGRR: lowest byte red, then green, then blue.
QColor colorFromBGR(quint32 value);
quint32 colorToBGR(const QColor& color);

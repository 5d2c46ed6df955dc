#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

// Texts of the network monitor: rates, counters and hardware addresses.

// A value rounded to 3 significant digits (halves away from zero), trailing zeros and a trailing
// separator dropped, with the locale's decimal separator. A value with more than 3 digits before the
// separator is written as its digits with the separator after the first one, "E" and the exponent
// ("1E3", "1.02E3").
QString generalText(double value, const QLocale& locale = QLocale());

// Bits per second: "GBit/s" above 10^9, "MBit/s" above 10^6, "KBit/s" above 10^3, else the whole number
// with " Bit/s".
QString BitRateText(quint64 bitsPerSecond);

// Bytes (per second): "GByte/s" above 2^30, "MByte/s" above 2^20, "KByte/s" above 2^10, else " Byte/s".
QString ByteRateText(double bytes);

// A hardware address as pairs of upper-case hexadecimal digits joined by "-"; "N/A" when it is empty.
QString MACText(const QByteArray& address);

#include "core/monitor/RateText.h"

#include <cmath>
#include <cstdio>

namespace {

// The decimal digits of |value| rounded to `significant` digits, halves away from zero, and the power
// of ten of the first digit. Rounds the exact decimal expansion of the double, so that 1.0025 (stored
// as 1.00249999...) does not round up.
QString roundedDigits(double value, int significant, int& exponent) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.30e", std::fabs(value));
    const QByteArray text(buffer);
    const qsizetype e = text.indexOf('e');
    exponent = text.mid(e + 1).toInt();
    QByteArray digits = text.left(e).replace(".", "");
    const bool roundUp = digits.size() > significant && digits.at(significant) >= '5';
    digits.truncate(significant);
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        while (i >= 0 && digits.at(i) == '9')
            digits[i--] = '0';
        if (i < 0) {
            digits.prepend('1');
            digits.chop(1);
            ++exponent;
        } else {
            digits[i] = char(digits.at(i) + 1);
        }
    }
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    return QString::fromLatin1(digits);
}

} // namespace

QString generalText(double value, const QLocale& locale) {
    if (value == 0 || !std::isfinite(value)) return QStringLiteral("0");
    int exponent = 0;
    const QString digits = roundedDigits(value, 3, exponent);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const QString separator = locale.decimalPoint();
    if (exponent >= 3 || exponent < -5) {
        const QString mantissa = digits.size() > 1 ? digits.left(1) + separator + digits.mid(1) : digits;
        return sign + mantissa + u'E' + QString::number(exponent);
    }
    if (exponent < 0) return sign + u'0' + separator + QString(-exponent - 1, u'0') + digits;
    const int whole = exponent + 1;
    if (digits.size() <= whole) return sign + digits + QString(whole - digits.size(), u'0');
    return sign + digits.left(whole) + separator + digits.mid(whole);
}

QString BitRateText(quint64 v) {
    if (v > 1000000000) return generalText(double(v) / 1e9) + QStringLiteral(" GBit/s");
    if (v > 1000000) return generalText(double(v) / 1e6) + QStringLiteral(" MBit/s");
    if (v > 1000) return generalText(double(v) / 1e3) + QStringLiteral(" KBit/s");
    return QString::number(v) + QStringLiteral(" Bit/s");
}

QString ByteRateText(double v) {
    if (v > 1073741824.0) return generalText(v / 1073741824.0) + QStringLiteral(" GByte/s");
    if (v > 1048576.0) return generalText(v / 1048576.0) + QStringLiteral(" MByte/s");
    if (v > 1024.0) return generalText(v / 1024.0) + QStringLiteral(" KByte/s");
    return generalText(v) + QStringLiteral(" Byte/s");
}

QString MACText(const QByteArray& address) {
    if (address.isEmpty()) return QStringLiteral("N/A");
    return QString::fromLatin1(address.toHex('-').toUpper());
}

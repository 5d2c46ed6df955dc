#include "core/monitor/RateText.h"

#include <gtest/gtest.h>

namespace {

struct RateCase {
    quint64 value;
    const char* text;
};

} // namespace

TEST(RateText, BitRates) {
    const RateCase cases[] = {
        {0, "0 Bit/s"},
        {1000, "1000 Bit/s"}, // whole number up to 1000
        {1001, "1 KBit/s"},
        {1000000, "1E3 KBit/s"}, // four digits before the separator: scientific
        {1500000, "1.5 MBit/s"},
        {1234567, "1.23 MBit/s"},
        {1235000, "1.24 MBit/s"}, // a 5 in the fourth digit rounds away from zero
        {54000000, "54 MBit/s"},
        {100000000, "100 MBit/s"},
        {999500000, "1E3 MBit/s"},  // rounding carries into a fourth digit
        {1000000000, "1E3 MBit/s"}, // a gigabit interface
        {2500000000, "2.5 GBit/s"},
        {10000000000, "10 GBit/s"},
        {1234567000000, "1.23E3 GBit/s"},
    };
    for (const RateCase& c : cases)
        EXPECT_EQ(BitRateText(c.value), QString::fromLatin1(c.text)) << c.value;
}

TEST(RateText, ByteRates) {
    const RateCase cases[] = {
        {0, "0 Byte/s"},
        {999, "999 Byte/s"},
        {1000, "1E3 Byte/s"},
        {1024, "1.02E3 Byte/s"},
        {1025, "1 KByte/s"},
        {1536, "1.5 KByte/s"},
        {1048576, "1.02E3 KByte/s"},
        {1048577, "1 MByte/s"},
        {1073741824, "1.02E3 MByte/s"},
        {1610612736, "1.5 GByte/s"},
        {9000000000, "8.38 GByte/s"},
    };
    for (const RateCase& c : cases)
        EXPECT_EQ(ByteRateText(double(c.value)), QString::fromLatin1(c.text)) << c.value;
    // Rates scaled to one second are fractional.
    EXPECT_EQ(ByteRateText(3.3333), QStringLiteral("3.33 Byte/s"));
    EXPECT_EQ(ByteRateText(0.5), QStringLiteral("0.5 Byte/s"));
}

TEST(RateText, GeneralTextRoundsTheStoredValueAndUsesTheLocaleSeparator) {
    EXPECT_EQ(generalText(1.0025), QStringLiteral("1")); // stored as 1.00249999...
    EXPECT_EQ(generalText(1.0050001), QStringLiteral("1.01"));
    EXPECT_EQ(generalText(99.95), QStringLiteral("100")); // stored as 99.9500000000000028...
    EXPECT_EQ(generalText(123456), QStringLiteral("1.23E5"));
    EXPECT_EQ(generalText(0.0123), QStringLiteral("0.0123"));
    EXPECT_EQ(generalText(-2.5), QStringLiteral("-2.5"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(generalText(1.5, german), QStringLiteral("1,5"));
    EXPECT_EQ(generalText(1024, german), QStringLiteral("1,02E3"));
}

TEST(RateText, HardwareAddresses) {
    EXPECT_EQ(MACText(QByteArray()), QStringLiteral("N/A"));
    EXPECT_EQ(MACText(QByteArray::fromHex("001a2b3c4d5e")), QStringLiteral("00-1A-2B-3C-4D-5E"));
    EXPECT_EQ(MACText(QByteArray::fromHex("ff")), QStringLiteral("FF"));
}

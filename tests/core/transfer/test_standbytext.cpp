#include "core/transfer/StandByText.h"

#include <gtest/gtest.h>

TEST(StandByCountdownText, PadsMinutesAndSeconds) {
    EXPECT_EQ(standByCountdownText(2, 0), QStringLiteral("00:02:00"));
    EXPECT_EQ(standByCountdownText(5, 7), QStringLiteral("00:05:07"));
    EXPECT_EQ(standByCountdownText(12, 30), QStringLiteral("00:12:30"));
    EXPECT_EQ(standByCountdownText(10, 5), QStringLiteral("00:10:05"));
    EXPECT_EQ(standByCountdownText(59, 59), QStringLiteral("00:59:59"));
}

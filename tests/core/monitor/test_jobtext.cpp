#include "core/monitor/JobText.h"

#include <gtest/gtest.h>

TEST(JobText, ByteCountsAndDurations) {
    const std::pair<qint64, const char*> bytes[] = {
        {0, "0 Byte"},          {1023, "1023 Byte"},      {1024, "1 KByte"},
        {1536, "1.5 KByte"},    {10188, "9.9 KByte"},     {10240, "10 KByte"},
        {1048535, "1024 KByte"}, {1048576, "1 MByte"},    {5 * 1048576 + 524288, "5.5 MByte"},
        {3LL << 30, "3 GByte"}, {5000LL << 30, "5000 GByte"},
    };
    for (const auto& [value, text] : bytes)
        EXPECT_EQ(jobByteText(value), QString::fromLatin1(text)) << value;
    const std::pair<qint64, const char*> spans[] = {
        {0, "0 s"},           {499, "0 s"},           {500, "1 s"},        {59499, "59 s"},
        {59500, "1:00 min"},  {185000, "3:05 min"},   {3599499, "59:59 min"},
        {3723000, "1:02:03 h"}, {-5, "0 s"},
    };
    for (const auto& [value, text] : spans)
        EXPECT_EQ(durationText(value), QString::fromLatin1(text)) << value;
}

// The meter follows the last seconds: a job that slows down shows the slower rate and the longer wait.
TEST(JobText, MeterShowsTheRecentRateAndTheTimeLeft) {
    struct Step {
        qint64 ms, bytes;
        const char* text;
    } steps[] = {
        {500, 100 * 1024, ""},                        // not within the first second
        {1000, 200 * 1024, "200 KByte/s, 5 s left"},  // 1000 KByte to go at 200 KByte/s
        {2000, 400 * 1024, "200 KByte/s, 4 s left"},
        {6000, 1000 * 1024, "160 KByte/s, 2 s left"}, // (1000 - 200) KByte in the last 5 s
        {11000, 1100 * 1024, "20 KByte/s, 5 s left"}, // only the last 5 s count: 100 KByte
        {12000, 1200 * 1024, "33 KByte/s"},           // all moved: no time left to tell
    };
    JobMeter meter;
    meter.start(1200 * 1024, 0);
    EXPECT_EQ(meter.text(), QString());
    for (const Step& s : steps) {
        meter.moved(s.bytes, s.ms);
        EXPECT_EQ(meter.text(), QString::fromLatin1(s.text)) << s.ms;
    }
    // A job of unknown size shows only its rate; a stalled one shows nothing.
    JobMeter open;
    open.start(0, 0);
    open.moved(3 * 1048576, 2000);
    EXPECT_EQ(open.text(), QStringLiteral("1.5 MByte/s"));
    JobMeter stalled;
    stalled.start(1000, 0);
    stalled.moved(0, 3000);
    EXPECT_EQ(stalled.text(), QString());
}

TEST(JobText, FinishedTexts) {
    struct Case {
        JobTextKind kind;
        int files, folders;
        qint64 bytes, ms;
        const char* text;
    } cases[] = {
        {JobTextKind::Download, 3, 1, 2621440, 4000, "Download finished: 3 files, 2.5 MByte in 4 s (640 KByte/s)"},
        {JobTextKind::Upload, 1, 0, 1000, 0, "Upload finished: 1 file, 1000 Byte in 0 s (977 KByte/s)"},
        {JobTextKind::Copy, 2, 0, 2048, 2000, "Copy finished: 2 files, 2 KByte in 2 s (1 KByte/s)"},
        {JobTextKind::Move, 1, 4, 0, 1200, "Move finished: 1 file in 1 s"},
        {JobTextKind::Delete, 3, 1, 0, 61000, "Delete finished: 3 files, 1 folder in 1:01 min"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(jobFinishedText(c.kind, c.files, c.folders, c.bytes, c.ms), QString::fromLatin1(c.text)) << c.text;
}

TEST(JobText, OnlyALongJobEndingBehindAnotherWindowIsAnnounced) {
    EXPECT_TRUE(notifyJobEnd(10001, false));
    EXPECT_FALSE(notifyJobEnd(10000, false)); // longer than 10 s, not as long
    EXPECT_FALSE(notifyJobEnd(60000, true));  // the user is looking at it
    EXPECT_FALSE(notifyJobEnd(500, false));
}

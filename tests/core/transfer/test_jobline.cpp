// The line of jobs waiting to run: order, failed entries that stay without holding up the rest, retry and
// removal, and the names the line shows.
#include "core/transfer/JobLine.h"
#include "support/FtpTestSupport.h"

#include <gtest/gtest.h>

using namespace ftptest;

namespace {

LineEntry entry(JobKind kind, const char* what) {
    LineEntry e;
    e.kind = kind;
    e.remoteFolder = s("/pub");
    if (kind == JobKind::Upload)
        e.localPaths = {s("/home/u/") + s(what)};
    else
        e.remote = {{s(what), QByteArray(what), false}};
    return e;
}

QStringList names(const JobLine& line) {
    QStringList all;
    for (int i = 0; i < line.size(); ++i)
        all << line.at(i).name() + (line.at(i).error.isEmpty() ? QString() : s(" !") + line.at(i).error);
    return all;
}

} // namespace

TEST(JobLine, RunsInOrderAndAFailedJobWaitsWithItsErrorWithoutHoldingUpTheRest) {
    JobLine line;
    line.append(entry(JobKind::Download, "a"));
    line.append(entry(JobKind::Upload, "up"));
    line.append(entry(JobKind::Delete, "old"));
    EXPECT_EQ(names(line), ss({"Download a from /pub", "Upload up to /pub", "Delete old from /pub"}));
    EXPECT_EQ(line.waiting(), 3);

    LineEntry next;
    ASSERT_TRUE(line.takeNext(next));
    EXPECT_EQ(next.name(), s("Download a from /pub"));
    line.failed(next, s("550 No such file"));
    // It is back in its place, with its error, and the next one runs.
    EXPECT_EQ(names(line), ss({"Download a from /pub !550 No such file", "Upload up to /pub", "Delete old from /pub"}));
    EXPECT_EQ(line.waiting(), 2);
    ASSERT_TRUE(line.takeNext(next));
    EXPECT_EQ(next.name(), s("Upload up to /pub"));
    ASSERT_TRUE(line.takeNext(next));
    EXPECT_EQ(next.name(), s("Delete old from /pub"));
    EXPECT_FALSE(line.takeNext(next)); // only the failed one is left, and it waits for the user
    EXPECT_EQ(line.size(), 1);

    line.retry(0);
    ASSERT_TRUE(line.takeNext(next));
    EXPECT_EQ(next.name(), s("Download a from /pub"));
    line.failed(next, QString());
    EXPECT_EQ(names(line), ss({"Download a from /pub !Failed"}));
    line.remove(0);
    line.remove(5); // out of range: nothing
    EXPECT_TRUE(line.isEmpty());
}

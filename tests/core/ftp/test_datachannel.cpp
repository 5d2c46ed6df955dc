// The plain data connection moving a download from the socket into the file inside the kernel.
#include "core/ftp/FtpTransferChannel.h"
#include "support/FtpTestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace ftptest;

namespace {

// A connected loopback TCP pair: `sender` blocking, the receiving side handed to an FtpDataChannel
// non-blocking, as a transfer's data connection is.
struct LoopbackPair {
    int sender = -1;
    int receiver = -1;

    LoopbackPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        sender = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(sender, reinterpret_cast<sockaddr*>(&address), length);
        receiver = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        ::close(listener);
    }
    ~LoopbackPair() {
        if (sender >= 0) ::close(sender);
    }
    void send(const QByteArray& bytes) const {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::send(sender, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            done += n;
        }
    }
    // Ends the connection with a reset instead of an orderly close.
    void reset() {
        const linger now{1, 0};
        ::setsockopt(sender, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        ::close(sender);
        sender = -1;
    }
};

QByteArray pattern(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) bytes[i] = char((i * 131 + i / 4096) & 0xff);
    return bytes;
}

// The target file as a download opens it, write-only with the given flags.
int openFile(const QString& path, int flags) {
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | flags, 0600);
}

// Calls receiveFile until the end of data or a failure, waiting while nothing is there; returns the
// bytes moved and leaves the last result and error in `last` and `error`.
qint64 receiveAll(FtpDataChannel& channel, int fd, qint64& last, int& error) {
    qint64 total = 0;
    while (true) {
        last = channel.receiveFile(fd, 1 << 20);
        error = channel.lastError();
        if (last > 0) {
            total += last;
        } else if (last == 0 || error != EAGAIN) {
            return total;
        } else if (!channel.waitReadable(5000)) {
            return total;
        }
    }
}

// A fresh target file and a data connection to fill it from.
class DataChannelIntoFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GE(fd, 0); }
    void closeFile() {
        ::close(fd);
        fd = -1;
    }
    ~DataChannelIntoFile() override {
        if (fd >= 0) ::close(fd);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("target"));
    int fd = openFile(path, O_CREAT | O_TRUNC);
    LoopbackPair pair;
    FtpDataChannel channel{pair.receiver};
};

TEST_F(DataChannelIntoFile, AWholeDownloadArrivesInTheFileByteForByte) {
    const QByteArray payload = pattern(24 * 1024 * 1024 + 12345);
    std::thread writer([&] {
        pair.send(payload);
        ::close(pair.sender);
        pair.sender = -1;
    });
    qint64 last = -1;
    int error = 0;
    const qint64 total = receiveAll(channel, fd, last, error);
    writer.join();
    closeFile();
    EXPECT_EQ(last, 0) << "error " << error;
    EXPECT_EQ(total, payload.size());
    EXPECT_TRUE(readFile(path) == payload);
}

TEST_F(DataChannelIntoFile, AResetAfterDataIsReportedAndNeverTakenForTheEnd) {
    pair.send(pattern(200 * 1024));
    ASSERT_TRUE(channel.waitReadable(5000));
    ::usleep(100 * 1000); // everything sent is queued at the receiver before the reset follows it
    pair.reset();
    ::usleep(100 * 1000);
    qint64 last = -1;
    int error = 0;
    receiveAll(channel, fd, last, error);
    closeFile();
    EXPECT_EQ(last, -1);
    EXPECT_EQ(error, ECONNRESET);
}

TEST_F(DataChannelIntoFile, AFileOpenedForAppendingIsLeftToTheCallersBuffer) {
    // A resumed download appends; the kernel splices into no such file, and the socket's bytes stay
    // where they are for read().
    closeFile();
    writeFile(path, "first part ");
    fd = openFile(path, O_APPEND);
    ASSERT_GE(fd, 0);
    pair.send("second part");
    ASSERT_TRUE(channel.waitReadable(5000));
    EXPECT_EQ(channel.receiveFile(fd, 1 << 20), -1);
    EXPECT_EQ(channel.lastError(), EINVAL);
    char block[64];
    EXPECT_EQ(channel.read(block, sizeof block), 11);
    closeFile();
    EXPECT_EQ(readFile(path), QByteArray("first part "));
}

} // namespace

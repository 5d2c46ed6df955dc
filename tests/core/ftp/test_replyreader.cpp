#include "core/ftp/FtpReplyReader.h"

#include <gtest/gtest.h>

namespace {

struct ReaderCase {
    const char* name;
    QList<QByteArray> chunks;
    QList<FtpReply> replies; // complete replies expected, in order
};

std::vector<FtpReply> readAll(FtpReplyReader& reader, const QList<QByteArray>& chunks, bool utf8 = false) {
    std::vector<FtpReply> replies;
    for (const QByteArray& chunk : chunks) {
        reader.feed(chunk);
        while (std::optional<FtpReply> reply = reader.takeReply(utf8))
            replies.push_back(*reply);
    }
    return replies;
}

QStringList lines(std::initializer_list<const char*> texts) {
    QStringList result;
    for (const char* text : texts)
        result.append(QString::fromUtf8(text));
    return result;
}

FtpReply reply(int code, std::initializer_list<const char*> text) {
    return FtpReply{code, lines(text)};
}

TEST(FtpReplyReader, SplitsRepliesByTheLineRule) {
    const QList<ReaderCase> cases{
        {"single line", {"220 Service ready\r\n"}, {reply(220, {"Service ready"})}},
        {"three digits alone end the reply", {"200\r\n"}, {reply(200, {""})}},
        {"bare LF ends a line", {"220 hi\n"}, {reply(220, {"hi"})}},
        {"hyphen continues until the final line",
         {"211-Features:\r\n MLSD\r\n SIZE\r\n211 End\r\n"},
         {reply(211, {"Features:", "MLSD", "SIZE", "End"})}},
        {"final line of three digits alone",
         {"211-Features:\r\n UTF8\r\n211\r\n"},
         {reply(211, {"Features:", "UTF8", ""})}},
        {"empty and blank lines are skipped",
         {"211-a\r\n\r\n   \r\n b \r\n211 z\r\n"},
         {reply(211, {"a", "b", "z"})}},
        {"continuation lines repeating the code lose it",
         {"230-one\r\n230-two\r\n230 three\r\n"},
         {reply(230, {"one", "two", "three"})}},
        {"a padded number inside a multi-line reply does not end it",
         {"211-status\r\n 200 bytes\r\n211 end\r\n"},
         {reply(211, {"status", "200 bytes", "end"})}},
        {"a line starting with other digits and no blank continues",
         {"220-a\r\n1234\r\n220 b\r\n"},
         {reply(220, {"a", "1234", "b"})}},
        {"two replies in one block",
         {"331 Password\r\n230 Logged in\r\n"},
         {reply(331, {"Password"}), reply(230, {"Logged in"})}},
        {"reply split inside a line and inside CR LF", {"22", "0 o", "k\r", "\n"}, {reply(220, {"ok"})}},
        {"first line without a code gives code 0",
         {"hello there\r\n220 ok\r\n"},
         {reply(0, {"hello there", "220 ok"})}},
        {"incomplete reply stays buffered", {"211-start\r\n more\r\n"}, {}},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        FtpReplyReader reader;
        const std::vector<FtpReply> got = readAll(reader, c.chunks);
        ASSERT_EQ(got.size(), size_t(c.replies.size()));
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].code, c.replies[i].code);
            EXPECT_EQ(got[i].text, c.replies[i].text);
        }
    }
}

TEST(FtpReplyReader, KeepsWhatFollowsAReplyForTheNextOne) {
    FtpReplyReader reader;
    reader.feed("200 first\r\n211-sec");
    EXPECT_EQ(reader.takeReply(false)->text, lines({"first"}));
    EXPECT_FALSE(reader.takeReply(false));
    EXPECT_TRUE(reader.hasBufferedData());
    reader.feed("ond\r\n211 done\r\n");
    EXPECT_EQ(reader.takeReply(false)->text, lines({"second", "done"}));
    EXPECT_FALSE(reader.hasBufferedData());
}

TEST(FtpReplyReader, DecodesLatin1OrUtf8) {
    const QByteArray bytes = "257 \"/Gr\xc3\xb6\xc3\x9f"
                             "e\"\r\n";
    FtpReplyReader latin1;
    latin1.feed(bytes);
    EXPECT_EQ(latin1.takeReply(false)->text.first(), QString::fromLatin1("\"/Gr\xc3\xb6\xc3\x9f"
                                                                         "e\""));
    FtpReplyReader utf8;
    utf8.feed(bytes);
    EXPECT_EQ(utf8.takeReply(true)->text.first(), QStringLiteral("\"/Größe\""));
}

TEST(FtpReplyReader, BoundsLineAndReplySize) {
    const QByteArray longest(FtpReplyReader::MaxLineBytes - 4, 'x');
    FtpReplyReader fits;
    fits.feed("200 " + longest + "\r\n");
    EXPECT_EQ(fits.takeReply(false)->text.first().size(), longest.size());

    // A line that never ends fails as soon as it passes the limit, before any line end arrives.
    FtpReplyReader endless;
    endless.feed("200 ");
    EXPECT_THROW(
        {
            for (int i = 0; i < 100; ++i)
                endless.feed(QByteArray(1024, 'x'));
        },
        FtpProtocolError);

    // A 1 MB line delivered whole, line end included.
    FtpReplyReader huge;
    EXPECT_THROW(
        {
            huge.feed("200 " + QByteArray(1024 * 1024, 'x') + "\r\n");
            huge.takeReply(false);
        },
        FtpProtocolError);

    // Many short lines, a megabyte per block: the reply as a whole is capped (and cutting a block
    // into lines must not cost quadratic time).
    FtpReplyReader many;
    many.feed("211-start\r\n");
    EXPECT_THROW(
        {
            const QByteArray block = QByteArray(" line of text\r\n").repeated(70000);
            for (int i = 0; i < 10; ++i) {
                many.feed(block);
                EXPECT_FALSE(many.takeReply(false));
            }
        },
        FtpProtocolError);
}

} // namespace

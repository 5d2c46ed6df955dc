// The reply reader against arbitrary control-connection bytes cut into arbitrary chunks. Whatever the
// cut, the replies must be the same as when every byte arrives at once, and a stream refused as out
// of step must be refused either way.
#include "FuzzCheck.h"

#include "core/ftp/FtpReplyReader.h"

#include <QByteArray>
#include <QList>

namespace {

struct Outcome {
    QList<FtpReply> replies;
    bool refused = false;
};

void takeAll(FtpReplyReader& reader, bool utf8, Outcome& out) {
    while (auto reply = reader.takeReply(utf8))
        out.replies.append(*reply);
}

Outcome readWhole(const QByteArray& bytes, bool utf8) {
    Outcome out;
    FtpReplyReader reader;
    try {
        reader.feed(bytes);
        takeAll(reader, utf8, out);
    } catch (const FtpProtocolError&) {
        out.refused = true;
    }
    return out;
}

// Chunk lengths come from a small generator seeded by the input's first bytes.
Outcome readChunked(const QByteArray& bytes, bool utf8, uint32_t seed) {
    Outcome out;
    FtpReplyReader reader;
    try {
        qsizetype at = 0;
        while (at < bytes.size()) {
            seed = seed * 1103515245u + 12345u;
            const qsizetype limit = (seed >> 16) % 4 == 0 ? 1 : qsizetype((seed >> 8) % 97) + 1;
            const qsizetype length = std::min(limit, bytes.size() - at);
            reader.feed(bytes.mid(at, length));
            at += length;
            if ((seed & 3) == 0) (void)reader.replyReady(); // ask early, as the connection does
            takeAll(reader, utf8, out);
        }
    } catch (const FtpProtocolError&) {
        out.refused = true;
    }
    return out;
}

bool sameReply(const FtpReply& a, const FtpReply& b) {
    return a.code == b.code && a.text == b.text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool utf8 = data[0] & 1;
    const uint32_t seed = uint32_t(data[1]) << 8 | data[2];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 3), qsizetype(size - 3));

    const Outcome whole = readWhole(bytes, utf8);
    const Outcome chunked = readChunked(bytes, utf8, seed);
    FUZZ_CHECK(whole.refused == chunked.refused);
    // A refusal may come earlier when it is seen in an unfinished chunk; up to it the replies agree.
    const qsizetype common = std::min(whole.replies.size(), chunked.replies.size());
    if (!whole.refused) FUZZ_CHECK(whole.replies.size() == chunked.replies.size());
    for (qsizetype i = 0; i < common; ++i)
        FUZZ_CHECK(sameReply(whole.replies[i], chunked.replies[i]));
    for (const FtpReply& reply : whole.replies) {
        FUZZ_CHECK(reply.code >= 0 && reply.code <= 999);
        FUZZ_CHECK(!reply.text.isEmpty());
    }
    return 0;
}

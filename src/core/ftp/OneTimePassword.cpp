#include "core/ftp/OneTimePassword.h"

#include "core/ftp/OtpWords.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

QByteArray foldedHash(OtpMethod method, const QByteArray& data) {
    QByteArray folded(8, '\0');
    if (method == OtpMethod::Sha1) {
        const QByteArray d = QCryptographicHash::hash(data, QCryptographicHash::Sha1);
        quint32 w[5];
        for (int i = 0; i < 5; ++i)
            w[i] = quint32(quint8(d[4 * i])) << 24 | quint32(quint8(d[4 * i + 1])) << 16 |
                   quint32(quint8(d[4 * i + 2])) << 8 | quint32(quint8(d[4 * i + 3]));
        w[0] ^= w[2];
        w[1] ^= w[3];
        w[0] ^= w[4];
        // The standard's reference code copies the folded words out in little-endian byte order, and
        // every published sha1 key depends on that.
        for (int i = 0; i < 2; ++i)
            for (int b = 0; b < 4; ++b)
                folded[4 * i + b] = char((w[i] >> (8 * b)) & 0xff);
        return folded;
    }
    const auto algorithm = method == OtpMethod::Md4 ? QCryptographicHash::Md4 : QCryptographicHash::Md5;
    const QByteArray d = QCryptographicHash::hash(data, algorithm);
    for (int i = 0; i < 8; ++i)
        folded[i] = char(d[i] ^ d[i + 8]);
    return folded;
}

} // namespace

std::optional<OtpChallenge> parseOtpChallenge(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("otp-(md4|md5|sha1)\\s+(\\d{1,9})\\s+([A-Za-z0-9]{1,16})(?![A-Za-z0-9])"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    OtpChallenge challenge;
    const QString method = match.captured(1).toLower();
    challenge.method = method == u"md4"   ? OtpMethod::Md4
                       : method == u"md5" ? OtpMethod::Md5
                                          : OtpMethod::Sha1;
    challenge.sequence = match.captured(2).toInt();
    if (challenge.sequence > OtpMaxSequence) return std::nullopt;
    challenge.seed = match.captured(3);
    return challenge;
}

QByteArray otpKey(OtpMethod method, int sequence, const QString& seed, const QString& passPhrase) {
    QByteArray key = foldedHash(method, seed.toLower().toUtf8() + passPhrase.toUtf8());
    for (int i = 0; i < sequence; ++i)
        key = foldedHash(method, key);
    return key;
}

QString otpSixWords(const QByteArray& key) {
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = value << 8 | quint8(key.at(i));
    unsigned parity = 0;
    for (int i = 0; i < 64; i += 2)
        parity += unsigned(value >> i) & 3;
    // 66 bits: the key followed by the two-bit checksum, cut into six 11-bit word indexes.
    QStringList words;
    for (int i = 0; i < 6; ++i) {
        const int shift = 55 - 11 * i; // position of the word's lowest bit inside the 66 bits
        const quint64 bits = shift >= 2 ? value >> (shift - 2) : (value << (2 - shift)) | (parity & 3);
        words.append(QString::fromLatin1(otpWords[bits & 0x7ff]));
    }
    return words.join(u' ');
}

std::optional<QString> otpResponse(const QString& replyText, const QString& passPhrase) {
    const std::optional<OtpChallenge> challenge = parseOtpChallenge(replyText);
    if (!challenge) return std::nullopt;
    return otpSixWords(otpKey(challenge->method, challenge->sequence, challenge->seed, passPhrase));
}

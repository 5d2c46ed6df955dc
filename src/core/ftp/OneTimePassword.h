#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// One-time passwords (RFC 2289): the response to a server challenge such as "otp-md5 499 ke1234".
enum class OtpMethod { Md4, Md5, Sha1 };

struct OtpChallenge {
    OtpMethod method = OtpMethod::Md5;
    int sequence = 0;
    QString seed;
};

// Sequence numbers above this are refused: each step is one hash, and a hostile server must not be
// able to make the login spin for minutes.
constexpr int OtpMaxSequence = 99999;

// Finds "otp-<method> <sequence> <seed>" in a reply text; nullopt when absent or malformed.
std::optional<OtpChallenge> parseOtpChallenge(const QString& text);

// The 64-bit one-time key after `sequence` further hash steps, as 8 bytes.
QByteArray otpKey(OtpMethod method, int sequence, const QString& seed, const QString& passPhrase);

// The key in the six-word form of the standard dictionary, words separated by blanks.
QString otpSixWords(const QByteArray& key);

// The six-word response to a challenge found in `replyText`, or nullopt when it holds none.
std::optional<QString> otpResponse(const QString& replyText, const QString& passPhrase);

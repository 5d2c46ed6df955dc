#include "core/ftp/OneTimePassword.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct OtpVector {
    OtpMethod method;
    const char* phrase;
    const char* seed;
    int count;
    const char* hex;
    const char* words;
};

// The published test vectors of the one-time password standard. Counts 1 and 99 were checked against
// otpprint; count 0 follows from count 1 by one hash step, which the same table exercises.
const OtpVector vectors[] = {
    {OtpMethod::Md4, "This is a test.", "TeSt", 0, "D1854218EBBB0B51", "ROME MUG FRED SCAN LIVE LACE"},
    {OtpMethod::Md4, "This is a test.", "TeSt", 1, "63473EF01CD0B444", "CARD SAD MINI RYE COL KIN"},
    {OtpMethod::Md4, "This is a test.", "TeSt", 99, "C5E612776E6C237A", "NOTE OUT IBIS SINK NAVE MODE"},
    {OtpMethod::Md4, "AbCdEfGhIjK", "alpha1", 99, "D150C82CCE6F62D1", "ROIL FREE COG HUNK WAIT COCA"},
    {OtpMethod::Md4, "OTP's are good", "correct", 1, "8C0992FB250847B1", "GIST AMOS MOOT AIDS FOOD SEEM"},
    {OtpMethod::Md5, "This is a test.", "TeSt", 0, "9E876134D90499DD", "INCH SEA ANNE LONG AHEM TOUR"},
    {OtpMethod::Md5, "This is a test.", "TeSt", 1, "7965E05436F5029F", "EASE OIL FUM CURE AWRY AVIS"},
    {OtpMethod::Md5, "AbCdEfGhIjK", "alpha1", 99, "5AA37A81F212146C", "BODE HOP JAKE STOW JUT RAP"},
    {OtpMethod::Md5, "OTP's are good", "correct", 1, "DDCDAC956F234937", "SKIM CULT LOB SLAM POE HOWL"},
    {OtpMethod::Sha1, "This is a test.", "TeSt", 0, "BB9E6AE1979D8FF4", "MILT VARY MAST OK SEES WENT"},
    {OtpMethod::Sha1, "This is a test.", "TeSt", 1, "63D936639734385B", "CART OTTO HIVE ODE VAT NUT"},
    {OtpMethod::Sha1, "AbCdEfGhIjK", "alpha1", 99, "27BC71035AAF3DC6", "MAY STAR TIN LYON VEDA STAN"},
    {OtpMethod::Sha1, "OTP's are good", "correct", 1, "82AEB52D943774E4", "FLIT DOSE ALSO MEW DRUM DEFY"},
};

TEST(OneTimePassword, MatchesPublishedVectors) {
    for (const OtpVector& v : vectors) {
        SCOPED_TRACE(std::string(v.phrase) + " / " + v.seed + " / " + std::to_string(v.count));
        const QByteArray key =
            otpKey(v.method, v.count, QString::fromLatin1(v.seed), QString::fromLatin1(v.phrase));
        EXPECT_EQ(key.toHex().toUpper(), QByteArray(v.hex));
        EXPECT_EQ(otpSixWords(key), QString::fromLatin1(v.words));
    }
}

TEST(OneTimePassword, ReadsChallengesFromReplyText) {
    const auto md5 =
        parseOtpChallenge(QStringLiteral("Response to otp-md5 499 ke1234 ext required for alice."));
    ASSERT_TRUE(md5);
    EXPECT_EQ(md5->method, OtpMethod::Md5);
    EXPECT_EQ(md5->sequence, 499);
    EXPECT_EQ(md5->seed, QStringLiteral("ke1234"));

    const auto sha = parseOtpChallenge(QStringLiteral("OTP-SHA1 7 Seed99"));
    ASSERT_TRUE(sha);
    EXPECT_EQ(sha->method, OtpMethod::Sha1);
    EXPECT_EQ(sha->seed, QStringLiteral("Seed99"));

    // No challenge, an unknown method, a seed over 16 characters, and a count that would make the
    // client hash for minutes: the login uses the plain password.
    for (const char* text : {"Password required for alice.", "otp-sha256 10 seed",
                             "otp-md5 10 abcdefghijklmnopq", "otp-md5 999999999 seed", "otp-md5 seed"})
        EXPECT_FALSE(parseOtpChallenge(QString::fromLatin1(text))) << text;

    EXPECT_EQ(otpResponse(QStringLiteral("331 otp-md4 0 TeSt"), QStringLiteral("This is a test.")),
              QStringLiteral("ROME MUG FRED SCAN LIVE LACE"));
    EXPECT_FALSE(otpResponse(QStringLiteral("331 Password required"), QStringLiteral("x")));
}

// An independent generator: otpprint reads the pass phrase from a terminal, so a helper drives it
// through a pseudo-terminal.
QString otpprint(const char* method, int sequence, const QString& seed, const QString& phrase) {
    QProcess process;
    process.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(QELTO_FIXTURES_DIR "/otpprint_pty.py"), QString::fromLatin1(method),
                   QString::number(sequence), seed, phrase});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QStringLiteral("<otpprint failed: %1>")
            .arg(QString::fromLocal8Bit(process.readAllStandardError()));
    const QString line = QString::fromLatin1(process.readAllStandardOutput()).trimmed();
    return line.section(u':', 1).trimmed();
}

TEST(OneTimePassword, AgreesWithOtpprint) {
    if (!QFile::exists(QStringLiteral("/usr/bin/otpprint")))
        GTEST_SKIP() << "otpprint (heimdal-clients) is not installed";
    struct Case {
        OtpMethod method;
        const char* name;
        int sequence;
        const char* seed;
        const char* phrase;
    };
    const Case cases[] = {
        {OtpMethod::Md4, "md4", 499, "ke1234", "a long secret pass phrase"},
        {OtpMethod::Md5, "md5", 1, "Mixed9Case", "another secret phrase"},
        {OtpMethod::Md5, "md5", 9999, "z", "0123456789abcdef"},
        {OtpMethod::Sha1, "sha", 42, "seed15character", "sha one pass phrase"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString seed = QString::fromLatin1(c.seed);
        const QString phrase = QString::fromLatin1(c.phrase);
        EXPECT_EQ(otpSixWords(otpKey(c.method, c.sequence, seed, phrase)),
                  otpprint(c.name, c.sequence, seed, phrase));
    }
}

} // namespace

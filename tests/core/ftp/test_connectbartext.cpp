#include "core/base/Errors.h"
#include "core/ftp/ConnectBarText.h"
#include "core/ftp/ConnectionSettings.h"

#include <gtest/gtest.h>

TEST(ConnectBarText, PortField) {
    EXPECT_EQ(connectBarPort(QStringLiteral("2121")), 2121);
    EXPECT_EQ(connectBarPort(QStringLiteral("0")), 21);
    EXPECT_EQ(connectBarPort(QStringLiteral(" 21 ")), 21);
    EXPECT_EQ(connectBarPort(QStringLiteral("65535")), 65535);
    for (const char* bad : {"2x1", "", "-1", "65536", "99999999999"}) {
        try {
            connectBarPort(QString::fromLatin1(bad));
            ADD_FAILURE() << bad << " was taken";
        } catch (const QeltoError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("'") + QString::fromLatin1(bad) +
                                    QStringLiteral("' is not a valid integer value"));
        }
    }
}

TEST(ConnectBarText, SettingsPageTexts) {
    EXPECT_TRUE(passiveFromText(QStringLiteral("True")));
    EXPECT_TRUE(passiveFromText(QStringLiteral("tRUE")));
    EXPECT_FALSE(passiveFromText(QStringLiteral("False")));
    EXPECT_EQ(transferTypeFromText(QStringLiteral("ASCII")), ftASCII);
    EXPECT_EQ(transferTypeFromText(QStringLiteral("Binary")), ftBinary);
}

TEST(ConnectBarText, BookmarkTlsField) {
    const std::pair<const char*, std::optional<TlsMode>> cases[] = {
        {"Explicit", TlsMode::Explicit},
        {" explicit transport layer security (TLS) ", TlsMode::Explicit},
        {"TRUE", TlsMode::Explicit},
        {"Implicit Transport Layer Security (TLS)", TlsMode::Implicit},
        {"Require", TlsMode::Require},
        {"Recuire Transport Layer Security (TLS)", TlsMode::Require},
        {"False", std::nullopt},
        {"", std::nullopt},
        {"No Transport Layer Security (TLS) Support", std::nullopt},
        {"yes please", std::nullopt},
    };
    for (const auto& [text, mode] : cases)
        EXPECT_EQ(bookmarkTlsMode(QString::fromUtf8(text)), mode) << text;
    // What the editor stores reads back as the same choice, "no TLS" as none.
    for (const TlsMode mode : {TlsMode::Explicit, TlsMode::Implicit, TlsMode::Require}) {
        EXPECT_EQ(bookmarkTlsMode(bookmarkTlsText(mode)), mode);
        EXPECT_EQ(tlsModeAt(tlsModeIndex(mode)), mode);
    }
    EXPECT_EQ(bookmarkTlsMode(bookmarkTlsText(TlsMode::None)), std::nullopt);
}

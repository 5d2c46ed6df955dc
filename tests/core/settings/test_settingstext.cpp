#include "core/base/Errors.h"
#include "core/settings/SettingsText.h"

#include <gtest/gtest.h>

TEST(ProxyTypes, EachItemSelectsItsOwnMethod) {
    const QStringList items = proxyTypeItems();
    ASSERT_EQ(items.size(), 10);
    const std::pair<const char*, TIdFtpProxyType> expected[] = {
        {"Custom Proxy", fpcmCustomProxy},
        {"HTTP Proxy With FTP", fpcmHttpProxyWithFtp},
        {"None", fpcmNone},
        {"Novell Border", fpcmNovellBorder},
        {"Open", fpcmOpen},
        {"Site", fpcmSite},
        {"Transparent", fpcmTransparent},
        {"User Host FireWall ID", fpcmUserHostFireWallID},
        {"User Pass", fpcmUserPass},
        {"User Site", fpcmUserSite}};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(items[i], QString::fromLatin1(expected[i].first));
        EXPECT_EQ(proxyMethodAt(i), expected[i].second) << i;
    }
    EXPECT_EQ(proxyMethodAt(-1), fpcmNone);
    EXPECT_EQ(proxyMethodAt(10), fpcmNone);
}

TEST(SettingsNumber, AcceptsDecimalsInRangeOnly) {
    EXPECT_EQ(settingsNumber(QStringLiteral(" 2121 "), 0, 65535), 2121);
    for (const char* bad : {"", "21a", "0x15", "65536", "-1", "1e3"}) {
        try {
            settingsNumber(QString::fromLatin1(bad), 0, 65535);
            ADD_FAILURE() << bad;
        } catch (const QeltoError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
        }
    }
}

TEST(SystemSettings, PageDefaultsGiveTheConnectionDefaults) {
    ConnectionSettings settings;
    settings.readTimeout = 1;
    settings.dataPort = 21;
    settings.useHOST = false;
    applySystemSettings(SystemSettingsTexts{}, settings);
    const ConnectionSettings d;
    EXPECT_EQ(settings.readTimeout, d.readTimeout);
    EXPECT_EQ(settings.listenTimeout, d.listenTimeout);
    EXPECT_EQ(settings.transferTimeout, d.transferTimeout);
    EXPECT_EQ(settings.dataPort, d.dataPort);
    EXPECT_EQ(settings.dataPortMin, d.dataPortMin);
    EXPECT_EQ(settings.dataPortMax, d.dataPortMax);
    EXPECT_EQ(settings.ipVersion, d.ipVersion);
    EXPECT_EQ(settings.useExtensionDataPort, d.useExtensionDataPort);
    EXPECT_EQ(settings.useHOST, d.useHOST);
    EXPECT_EQ(settings.useMLIS, d.useMLIS);
    EXPECT_EQ(settings.autoIssueFEAT, d.autoIssueFEAT);
    EXPECT_EQ(settings.tryNATFastTrack, d.tryNATFastTrack);
    EXPECT_EQ(settings.keepTransferConnectionOpen, d.keepTransferConnectionOpen);
}

TEST(SystemSettings, ValuesReachTheSettingsAndABadOneChangesNothing) {
    SystemSettingsTexts texts;
    texts.readTimeout = QStringLiteral("5000");
    texts.dataPortMin = QStringLiteral("40000");
    texts.dataPortMax = QStringLiteral("40100");
    texts.ipVersion = QStringLiteral("IP Version 6");
    texts.useHOST = false;
    texts.keepTransferConnectionOpen = true;
    ConnectionSettings settings;
    applySystemSettings(texts, settings);
    EXPECT_EQ(settings.readTimeout, 5000);
    EXPECT_EQ(settings.dataPortMin, 40000);
    EXPECT_EQ(settings.dataPortMax, 40100);
    EXPECT_EQ(settings.ipVersion, Id_IPv6);
    EXPECT_FALSE(settings.useHOST);
    EXPECT_TRUE(settings.keepTransferConnectionOpen);

    texts.readTimeout = QStringLiteral("1000");
    texts.dataPort = QStringLiteral("port");
    EXPECT_THROW(applySystemSettings(texts, settings), QeltoError);
    EXPECT_EQ(settings.readTimeout, 5000);
}

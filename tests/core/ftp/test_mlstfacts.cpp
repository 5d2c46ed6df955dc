// Which listing facts a connection asks for: the entries' mode in place of rights letters.
#include "core/ftp/MlstFacts.h"

#include <gtest/gtest.h>

TEST(MlstFacts, AskForTheModeWhenOfferedInPlaceOfRightsLetters) {
    const struct {
        QStringList features;
        const char* request;
    } cases[] = {
        // As pyftpdlib offers it: the mode is listed but not sent, the rights letters are.
        {{QStringLiteral(" EPRT"),
          QStringLiteral(" MLST type*;perm*;size*;modify*;unique*;unix.mode;unix.uid;")},
         "OPTS MLST type;size;modify;unix.mode;"},
        // The mode sent beside the rights letters still loses to them.
        {{QStringLiteral("MLST Type*;Size*;Perm*;UNIX.mode*;")}, "OPTS MLST Type;Size;UNIX.mode;"},
        {{QStringLiteral("mlst type*;size*;sizd;modify*;charset;unix.mode")},
         "OPTS MLST type;size;sizd;modify;charset;unix.mode;"},
        // Nothing to gain: the mode already comes alone, or is not offered, or there is no MLST at all.
        {{QStringLiteral(" MLST type*;size*;modify*;unix.mode*;")}, ""},
        {{QStringLiteral(" MLST type*;perm*;size*;modify*;")}, ""},
        {{QStringLiteral(" MLSD"), QStringLiteral(" UTF8")}, ""},
        {{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mlstModeRequest(c.features), QString::fromLatin1(c.request))
            << c.features.join(u'|').toStdString();
}

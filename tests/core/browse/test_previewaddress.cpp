#include "core/browse/PreviewAddress.h"
#include "core/browse/RemoteListing.h"

#include <gtest/gtest.h>

TEST(PreviewAddress, AddressRule) {
    struct Case {
        const char *site, *server, *directory, *entry, *address;
    } cases[] = {
        {"", "example.org", "/public_html/site", "index.html", "http://example.org/site/index.html"},
        {"", "example.org", "/", "index.html", "http://example.org/index.html"},
        {"", "example.org", "/home/user/public_html", "a.html", "http://example.org/home/user/a.html"},
        {"", "", "/docs", "a.html", "http:///docs/a.html"}, // an empty address field
        {"", "10.0.0.5", "/public_html/public_html", "b", "http://10.0.0.5/public_html/b"}, // first only
        {"", "h", "/www", "..", "http://h/www/.."}, // the entry's kind plays no part
        // The preview address setting replaces "http://" and the address field.
        {"https://www.example.com", "ftp.example.com", "/public_html/site", "index.html",
         "https://www.example.com/site/index.html"},
        {"https://www.example.com/", "ftp.example.com", "/", "a.html", "https://www.example.com/a.html"},
        {" http://127.0.0.1:8080 ", "x", "/pub", "a.html", "http://127.0.0.1:8080/pub/a.html"},
    };
    for (const Case& c : cases) {
        const QString path = JoinRemotePath(QLatin1String(c.directory), QLatin1String(c.entry));
        EXPECT_EQ(previewAddress(QLatin1String(c.site), QLatin1String(c.server), path),
                  QLatin1String(c.address))
            << c.directory << " " << c.entry;
    }
}

#include "platform/net/UrlResponse.h"

#include <gtest/gtest.h>

using platform::splitSetCookieHeader;

TEST(SetCookieSplitting, SplitsJoinedCookiesButNotTheirDates) {
    struct Case {
        const char* joined;
        QList<QByteArray> cookies;
    };
    const Case cases[] = {
        {"token_id=abc; Path=/", {"token_id=abc; Path=/"}},
        // Joined by the transport.
        {"a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT\ntoken_id=t; HttpOnly",
         {"a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT", "token_id=t; HttpOnly"}},
        // Joined as the platform joins repeated fields.
        {"a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT, token_id=t; Path=/",
         {"a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT", "token_id=t; Path=/"}},
        // The older date form with dashes; a comma without a following "name=".
        {"a=1; expires=Wednesday, 21-Oct-37 07:28:00 GMT,b=2",
         {"a=1; expires=Wednesday, 21-Oct-37 07:28:00 GMT", "b=2"}},
        {"a=x,y; Path=/", {"a=x,y; Path=/"}},
        {"\n , a=1,\n", {"a=1"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.joined);
        EXPECT_EQ(splitSetCookieHeader(c.joined), c.cookies);
    }
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tidewell/transfer/http_date.h"
#include "tidewell/transfer/internet_exception.h"
#include "tidewell/transfer/url_parts.h"
#include "tidewell/transfer/wynet_exception.h"

using namespace tidewell;

TEST(ParseHttpDate, ReadsAllThreeServerForms) {
  for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994", "sun, 06 nov 1994 08:49:37"}) {
    const auto t = ParseHttpDate(text);
    ASSERT_TRUE(t) << text;
    EXPECT_EQ(t->year, 1994) << text;
    EXPECT_EQ(t->month, 11) << text;
    EXPECT_EQ(t->day, 6) << text;
    EXPECT_EQ(t->hour, 8) << text;
    EXPECT_EQ(t->minute, 49) << text;
    EXPECT_EQ(t->second, 37) << text;
  }
  EXPECT_EQ(ParseHttpDate("Thu, 01-Jan-05 00:00:00 GMT")->year, 2005);
}

TEST(ParseHttpDate, RefusesJunkAndAppliesAZone) {
  for (const char* text :
       {"", "GMT", "Sun, 06 Nov 1994 24:00:00 GMT", "Sun, 06 Foo 1994 08:49:37 GMT",
        "Sun, 06 Nov 123 08:49:37 GMT", "12345678901234567890"}) {
    EXPECT_FALSE(ParseHttpDate(text)) << text;
  }
  using namespace std::string_view_literals;
  EXPECT_FALSE(ParseHttpDate("Sun, 06 Nov 1994\0 08:49:37 GMT"sv));
  EXPECT_EQ(16, ParseHttpDate("Sun, 06 Nov 1994 08:49:37 PST")->hour);
  const auto carried = ParseHttpDate("Sun, 31 Feb 2020 00:00:00 GMT");  // carried into March
  ASSERT_TRUE(carried);
  EXPECT_EQ(3, carried->month);
  EXPECT_EQ(2, carried->day);
}

TEST(CalendarTimeAsLocal, ReadsTheDateAsLocalWallClock) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const auto t = CalendarTimeAsLocal({2015, 10, 21, 7, 28, 0});
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, 1445412480 - 2 * 3600);  // 07:28 in Berlin (summer time) is 05:28 UTC
}

TEST(ParseUrl, SplitsServerPortAndObject) {
  auto u = ParseUrl("http://updates.example.org/live/basic5.tdu");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->service, UrlService::Http);
  EXPECT_EQ(u->serverName, "updates.example.org");
  EXPECT_EQ(u->port, 80);
  EXPECT_EQ(u->objectPath, "/live/basic5.tdu");

  u = ParseUrl("HTTP://user:pw@127.0.0.1:8080?x=1");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->serverName, "127.0.0.1");
  EXPECT_EQ(u->port, 8080);
  EXPECT_EQ(u->objectPath, "/?x=1");

  u = ParseUrl("http://[::1]:81/a#frag");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->serverName, "::1");
  EXPECT_EQ(u->port, 81);
  EXPECT_EQ(u->objectPath, "/a");

  EXPECT_EQ(ParseUrl("ftp://host/x")->service, UrlService::Ftp);
  EXPECT_EQ(ParseUrl("ftp://host/x")->port, 21);
  EXPECT_EQ(ParseUrl("https://host")->service, UrlService::Https);
  EXPECT_EQ(ParseUrl("gopher://host")->service, UrlService::Other);
}

TEST(ParseUrl, RefusesMalformedAddresses) {
  for (const char* text :
       {"", "host/path", "http://", "http:///x", "http://host:0/", "http://host:65536/",
        "http://host:/x", "http://host:12a/", "http://ho st/", "http://host/a b", "http://[::1/x",
        "http://[zz]/", "://host/", "1http://host/", "http://h\x01/"}) {
    EXPECT_FALSE(ParseUrl(text)) << text;
  }
}

TEST(WynetException, MessagesFollowTheCodeTable) {
  EXPECT_EQ(WynetMessage(1), "Wynet: Protocol Error");
  EXPECT_EQ(WynetMessage(7), "Wynet: No Update needed");
  EXPECT_EQ(WynetMessage(13), "Wynet: FTP File/Dir conflict");
  EXPECT_EQ(WynetMessage(21), "Wynet: Error decrypting file");
  for (int code : {-1, 0, 3, 22, 1000}) EXPECT_EQ(WynetMessage(code), "") << code;
  EXPECT_STREQ(WynetException(9).what(), "Wynet: List Mismatch");
  EXPECT_EQ(WynetException().code(), 0);
}

TEST(InternetErrorText, NamesFiveErrorsAndSpellsOutTheRest) {
  EXPECT_EQ(InternetErrorText(12002, 1), "Connection Timed out");
  EXPECT_EQ(InternetErrorText(12003, 1), "FTP Session error");
  EXPECT_EQ(InternetErrorText(12013, 1), "Invalid Username");
  EXPECT_EQ(InternetErrorText(12014, 1), "Invalid Password");
  EXPECT_EQ(InternetErrorText(12111, 1), "FTP session dropped");
  EXPECT_EQ(InternetErrorText(12029, 7), "Internet Error\n7 context\n12029 error");
}

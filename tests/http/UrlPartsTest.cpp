// Address splitting, document names and request-line encoding.
#include "net/http/UrlParts.h"

#include <gtest/gtest.h>

namespace {

using http::splitAddress;

TEST(UrlParts, SplitsAddresses) {
  struct {
    std::string url, proto, user, pass, host, port, path;
  } cases[] = {
      {"http://example.com/a/b?c=d", "http", "", "", "example.com", "", "/a/b?c=d"},
      {"HTTP://Example.com:8080", "http", "", "", "Example.com", "8080", ""},
      {"https://u:p@host:81/x", "https", "u", "p", "host", "81", "/x"},
      {"http://u@a@host/x", "http", "u@a", "", "host", "", "/x"},
      {"http://host?q=1", "http", "", "", "host", "", "?q=1"},
      {"/only/path", "http", "", "", "", "", "/only/path"},
      {"http:/x/y", "http", "", "", "", "", "/x/y"},
      {"host.com/p", "", "", "", "host.com", "", "/p"},
      {"ht tp://host/p", "http", "", "", "ht tp", "", "//host/p"},
  };
  for (const auto& c : cases) {
    auto p = splitAddress(c.url);
    EXPECT_EQ(p.proto, c.proto) << c.url;
    EXPECT_EQ(p.user, c.user) << c.url;
    EXPECT_EQ(p.pass, c.pass) << c.url;
    EXPECT_EQ(p.host, c.host) << c.url;
    EXPECT_EQ(p.port, c.port) << c.url;
    EXPECT_EQ(p.path, c.path) << c.url;
  }
}

TEST(UrlParts, RelativeDotAddressesUseThePreviousPath) {
  EXPECT_EQ(splitAddress("./c", "/a/b/x.htm?q").path, "/a/b/c");
  EXPECT_EQ(splitAddress("../c", "/a/b/x.htm").path, "/a/c");
  EXPECT_EQ(splitAddress("../../../c", "/a/b/x.htm").path, "/c");
}

TEST(UrlParts, DocumentNames) {
  EXPECT_EQ(http::documentNameFromPath("/dir/name.flv?x=1/2"), "name.flv");
  EXPECT_EQ(http::documentNameFromPath("/"), "document.htm");
  EXPECT_EQ(http::documentNameFromPath(""), "document.htm");
  EXPECT_EQ(http::documentNameFromPath("/dir/?a"), "document.htm");
  EXPECT_EQ(http::documentNameFromPath("/" + std::string(300, 'n')).size(), 255u);
}

TEST(UrlParts, RequestTargetNeverCarriesLineBreaksOrBlanks) {
  EXPECT_EQ(http::encodeRequestTarget("/a b\r\nHost: evil?x=%41\x7f\xc3\xa9"),
            "/a%20b%0D%0AHost:%20evil?x=%41%7F%C3%A9");
  EXPECT_TRUE(http::isValidHostText("example.com"));
  EXPECT_FALSE(http::isValidHostText("example.com\r\nX: y"));
  EXPECT_FALSE(http::isValidHostText("a b"));
}

}  // namespace

#include "net/HttpAddress.h"

#include "net/HttpFailures.h"

#include <gtest/gtest.h>

namespace tavren {
namespace {

TEST(HttpAddress, SplitsHostPortAndTarget) {
  struct Row {
    const char* url;
    const char* host;
    int port;
    const char* hostHeader;
    const char* target;
    const char* path;
  } rows[] = {
      {"http://example.jp/soft/a.htm", "example.jp", 80, "example.jp", "/soft/a.htm", "/soft/a.htm"},
      {"http://example.jp:8372/cm/x.txt?a=1&b", "example.jp", 8372, "example.jp:8372", "/cm/x.txt?a=1&b", "/cm/x.txt"},
      {"http://example.jp:80/", "example.jp", 80, "example.jp", "/", "/"},
      {"http://example.jp", "example.jp", 80, "example.jp", "/", "/"},
      {"http://example.jp:", "example.jp", 80, "example.jp", "/", "/"},
      {"http://example.jp?q=1", "example.jp", 80, "example.jp", "/?q=1", "/"},
      {"http://example.jp/a#part", "example.jp", 80, "example.jp", "/a", "/a"},
      {"HTTP://Example.JP/A", "Example.JP", 80, "Example.JP", "/A", "/A"},
      {"http://user:pw@example.jp/x", "example.jp", 80, "example.jp", "/x", "/x"},
      {"http://[::1]:8080/x", "::1", 8080, "[::1]:8080", "/x", "/x"},
      {"http://[::1]/", "::1", 80, "[::1]", "/", "/"},
      {"http://h/a b/%7E\x82\xa0", "h", 80, "h", "/a b/%7E\x82\xa0", "/a b/%7E\x82\xa0"},
      {"http://h:65535//x", "h", 65535, "h:65535", "//x", "//x"},
  };
  for (const Row& r : rows) {
    const HttpAddress a = ParseHttpAddress(r.url);
    EXPECT_EQ(a.host, r.host) << r.url;
    EXPECT_EQ(a.port, r.port) << r.url;
    EXPECT_EQ(a.hostHeader, r.hostHeader) << r.url;
    EXPECT_EQ(a.target, r.target) << r.url;
    EXPECT_EQ(a.path, r.path) << r.url;
  }
}

TEST(HttpAddress, RefusesWhatCannotBeFetched) {
  struct Row {
    std::string url;
    const char* message;
  } rows[] = {
      {"https://example.jp/", "Only http:// addresses can be fetched: https://example.jp/"},
      {"ftp://example.jp/", "Only http:// addresses can be fetched: ftp://example.jp/"},
      {"example.jp/x", "Only http:// addresses can be fetched: example.jp/x"},
      {"", "Only http:// addresses can be fetched: "},
      {"http:/x", "Only http:// addresses can be fetched: http:/x"},
      {"http:///x", "Address has no host: http:///x"},
      {"http://:80/x", "Address has no host: http://:80/x"},
      {"http://h:0/", "Invalid port in address: http://h:0/"},
      {"http://h:65536/", "Invalid port in address: http://h:65536/"},
      {"http://h:99999999999999999999/", "Invalid port in address: http://h:99999999999999999999/"},
      {"http://h:8a/", "Invalid port in address: http://h:8a/"},
      {"http://h:-1/", "Invalid port in address: http://h:-1/"},
      {"http://[::1/", "Unclosed IPv6 bracket in address: http://[::1/"},
      {"http://[::1]x/", "Unexpected text after the IPv6 address: http://[::1]x/"},
      {"http://h/a\r\nX: y", "Address contains a line break or NUL byte: http://h/a\r\nX: y"},
      {"http://h/a\nb", "Address contains a line break or NUL byte: http://h/a\nb"},
      {std::string("http://h/a\0b", 12), nullptr},
  };
  for (const Row& r : rows) {
    try {
      ParseHttpAddress(r.url);
      ADD_FAILURE() << "accepted " << r.url;
    } catch (const EIdBadAddress& e) {
      if (r.message != nullptr)
        EXPECT_EQ(e.Message(), r.message);
      else
        EXPECT_TRUE(e.Message().starts_with("Address contains a line break or NUL byte: "));
    }
  }
}

}  // namespace
}  // namespace tavren

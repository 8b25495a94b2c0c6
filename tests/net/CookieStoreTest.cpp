#include "net/CookieStore.h"

#include <gtest/gtest.h>

namespace tavren {
namespace {

constexpr CookieStore::Seconds kNow = 1'700'000'000;  // 2023-11-14 22:13:20 UTC

// Each row stores cookies received for (host, path) at kNow, then asks what a
// request to (askHost, askPath) at kNow + later sends.
struct Row {
  const char* name;
  std::vector<const char*> setCookies;
  const char* host;
  const char* path;
  const char* askHost;
  const char* askPath;
  CookieStore::Seconds later;
  const char* expected;
};

TEST(CookieStore, ReturnsCookiesThatApply) {
  const Row rows[] = {
      {"plain", {"a=1"}, "site.jp", "/cm/x.txt", "site.jp", "/cm/y.txt", 0, "a=1"},
      {"two in order", {"a=1", "b=2"}, "site.jp", "/", "site.jp", "/", 0, "a=1; b=2"},
      {"blanks trimmed", {"  a = 1 ; Path=/"}, "site.jp", "/", "site.jp", "/x", 0, "a=1"},
      {"empty value", {"a="}, "site.jp", "/", "site.jp", "/", 0, "a="},
      {"no equals ignored", {"junk", "b=2"}, "site.jp", "/", "site.jp", "/", 0, "b=2"},
      {"empty name ignored", {"=v", "b=2"}, "site.jp", "/", "site.jp", "/", 0, "b=2"},
      {"same name replaces", {"a=1", "a=2"}, "site.jp", "/", "site.jp", "/", 0, "a=2"},
      {"host name case ignored", {"a=1"}, "Site.JP", "/", "site.jp", "/", 0, "a=1"},
      // Host-only without Domain: never sent to a sub- or sibling domain.
      {"host only", {"a=1"}, "site.jp", "/", "www.site.jp", "/", 0, ""},
      {"other host", {"a=1"}, "site.jp", "/", "other.jp", "/", 0, ""},
      {"domain covers subdomains", {"a=1; Domain=.site.jp"}, "www.site.jp", "/", "cm.site.jp", "/", 0, "a=1"},
      {"domain covers itself", {"a=1; Domain=site.jp"}, "site.jp", "/", "site.jp", "/", 0, "a=1"},
      {"domain suffix is not a label", {"a=1; Domain=site.jp"}, "site.jp", "/", "badsite.jp", "/", 0, ""},
      {"foreign domain refused", {"a=1; Domain=evil.jp"}, "site.jp", "/", "evil.jp", "/", 0, ""},
      {"top-level domain refused", {"a=1; Domain=jp"}, "site.jp", "/", "other.jp", "/", 0, ""},
      {"localhost may name itself", {"a=1; Domain=localhost"}, "localhost", "/", "localhost", "/", 0, "a=1"},
      {"ip address host only", {"a=1"}, "127.0.0.1", "/", "127.0.0.1", "/", 0, "a=1"},
      // Path: default is the request path's directory; a path matches at "/" boundaries.
      {"default path directory", {"a=1"}, "site.jp", "/cm/tavren/0.jpg", "site.jp", "/cm/tavren/cm0.txt", 0, "a=1"},
      {"default path not above", {"a=1"}, "site.jp", "/cm/tavren/0.jpg", "site.jp", "/cm/kelm/k.txt", 0, ""},
      {"default path at root", {"a=1"}, "site.jp", "/x.txt", "site.jp", "/soft/y", 0, "a=1"},
      {"explicit path", {"a=1; Path=/soft"}, "site.jp", "/", "site.jp", "/soft/a.htm", 0, "a=1"},
      {"explicit path exact", {"a=1; Path=/soft"}, "site.jp", "/", "site.jp", "/soft", 0, "a=1"},
      {"path prefix not at boundary", {"a=1; Path=/soft"}, "site.jp", "/", "site.jp", "/software", 0, ""},
      {"relative path means default", {"a=1; Path=soft"}, "site.jp", "/cm/x", "site.jp", "/cm/y", 0, "a=1"},
      {"longer path first", {"a=1; Path=/", "b=2; Path=/cm"}, "site.jp", "/", "site.jp", "/cm/x", 0, "b=2; a=1"},
      // Expiry.
      {"max-age alive", {"a=1; Max-Age=60"}, "site.jp", "/", "site.jp", "/", 59, "a=1"},
      {"max-age gone", {"a=1; Max-Age=60"}, "site.jp", "/", "site.jp", "/", 60, ""},
      {"max-age zero deletes", {"a=1", "a=2; Max-Age=0"}, "site.jp", "/", "site.jp", "/", 0, ""},
      {"negative max-age deletes", {"a=1", "a=2; Max-Age=-5"}, "site.jp", "/", "site.jp", "/", 0, ""},
      {"garbage max-age ignored", {"a=1; Max-Age=soon"}, "site.jp", "/", "site.jp", "/", 1'000'000, "a=1"},
      {"huge max-age", {"a=1; Max-Age=99999999999999999999999"}, "site.jp", "/", "site.jp", "/", 1'000'000'000, "a=1"},
      {"expires future", {"a=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT"}, "site.jp", "/", "site.jp", "/", 0, "a=1"},
      {"expires past deletes",
       {"a=1", "a=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT"},
       "site.jp",
       "/",
       "site.jp",
       "/",
       0,
       ""},
      {"expires rfc850", {"a=1; Expires=Sunday, 06-Nov-94 08:49:37 GMT"}, "site.jp", "/", "site.jp", "/", 0, ""},
      {"expires asctime", {"a=1; Expires=Sun Nov  6 08:49:37 1994"}, "site.jp", "/", "site.jp", "/", 0, ""},
      {"expires exact edge", {"a=1; Expires=Tue, 14 Nov 2023 22:13:30 GMT"}, "site.jp", "/", "site.jp", "/", 9, "a=1"},
      {"expires exact edge gone",
       {"a=1; Expires=Tue, 14 Nov 2023 22:13:30 GMT"},
       "site.jp",
       "/",
       "site.jp",
       "/",
       10,
       ""},
      {"bad date is session", {"a=1; Expires=whenever"}, "site.jp", "/", "site.jp", "/", 1'000'000'000, "a=1"},
      {"max-age beats expires",
       {"a=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Max-Age=100"},
       "site.jp",
       "/",
       "site.jp",
       "/",
       50,
       "a=1"},
      // Plain http only: a Secure cookie could never be returned.
      {"secure refused", {"a=1; Secure", "b=2; HttpOnly"}, "site.jp", "/", "site.jp", "/", 0, "b=2"},
      {"quoted domain and path",
       {"a=1; Domain=\".site.jp\"; Path=\"/cm\""},
       "www.site.jp",
       "/",
       "cm.site.jp",
       "/cm/x",
       0,
       "a=1"},
      {"quoted max-age", {"a=1; Max-Age=\"60\""}, "site.jp", "/", "site.jp", "/", 60, ""},
      {"control bytes refused",
       {"a=b\rX-Evil: 1", "c\n=1", "d=\x7f", "e=x\ty"},
       "site.jp",
       "/",
       "site.jp",
       "/",
       0,
       "e=x\ty"},
      {"attribute names any case", {"a=1; PATH=/x; max-age=5"}, "site.jp", "/", "site.jp", "/x/y", 6, ""},
  };
  for (const Row& r : rows) {
    CookieStore store;
    for (const char* s : r.setCookies) store.ReceiveSetCookie(s, r.host, r.path, kNow);
    EXPECT_EQ(store.CookieHeader(r.askHost, r.askPath, kNow + r.later), r.expected) << r.name;
  }
}

TEST(CookieStore, SetCookie2CarriesSeveralCookies) {
  struct {
    const char* value;
    const char* expected;
  } rows[] = {
      {"a=1, b=2", "a=1; b=2"},
      {"a=\"x,y\"; Version=1, b=2; Path=/", "a=\"x,y\"; b=2"},
      {"a=1; Version=\"1\"; Max-Age=0, b=2", "b=2"},
      {",,a=1,", "a=1"},
  };
  for (const auto& r : rows) {
    CookieStore store;
    store.ReceiveSetCookie2(r.value, "site.jp", "/", kNow);
    EXPECT_EQ(store.CookieHeader("site.jp", "/", kNow), r.expected) << r.value;
  }
}

TEST(CookieStore, StaysBoundedDroppingTheOldest) {
  CookieStore store;
  for (int i = 0; i < 1000; ++i) store.ReceiveSetCookie("c" + std::to_string(i) + "=v", "site.jp", "/", kNow);
  EXPECT_EQ(store.Size(), CookieStore::kMaxCookies);
  const std::string header = store.CookieHeader("site.jp", "/", kNow);
  EXPECT_EQ(header.find("c0=v"), std::string::npos);
  EXPECT_NE(header.find("c999=v"), std::string::npos);
}

}  // namespace
}  // namespace tavren

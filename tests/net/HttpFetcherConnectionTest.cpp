// What a fetcher keeps between fetches: its connection and its cookies.
#include "FetcherTestSupport.h"
#include "ScriptedServer.h"

#include <gtest/gtest.h>

#include <thread>

namespace tavren::test {
namespace {

using namespace std::chrono_literals;

int CountRequests(const std::string& received) {
  int n = 0;
  for (std::size_t at = received.find("GET "); at != std::string::npos; at = received.find("GET ", at + 1)) ++n;
  return n;
}

TEST(HttpFetcherConnection, KeepsOrDropsTheConnectionByTheResponse) {
  struct Row {
    const char* name;
    std::string firstResponse;
    bool reused;
  } rows[] = {
      {"no header keeps", Response("HTTP/1.1 200 OK", "one"), true},
      {"keep-alive keeps", Response("HTTP/1.1 200 OK", "one", "Connection: keep-alive\r\n"), true},
      {"close closes", Response("HTTP/1.1 200 OK", "one", "Connection: close\r\n"), false},
      {"any case and blanks", Response("HTTP/1.1 200 OK", "one", "connection:   CLOSE  \r\n"), false},
      {"proxy-connection close", Response("HTTP/1.1 200 OK", "one", "Proxy-Connection: Close\r\n"), false},
      {"closed is not close", Response("HTTP/1.1 200 OK", "one", "Connection: closed\r\n"), true},
      {"after a 404 with its body read", Response("HTTP/1.1 404 Not Found", "none"), true},
      {"after a 404 that says close", Response("HTTP/1.1 404 Not Found", "none", "Connection: close\r\n"), false},
      {"after 204", "HTTP/1.1 204 No Content\r\n\r\n", true},
      {"after an early hint whose final answer is still due",
       "HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n" + Response("HTTP/1.1 200 OK", "late"), false},
      {"after a chunked body", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\none\r\n0\r\n\r\n", true},
      // Python's http.server answers this way and closes right after.
      {"HTTP/1.0 without keep-alive closes", Response("HTTP/1.0 200 OK", "one"), false},
      {"HTTP/1.0 with keep-alive keeps", Response("HTTP/1.0 200 OK", "one", "Connection: Keep-Alive\r\n"), true},
  };
  for (const Row& r : rows) {
    // The first connection would serve both requests; a second connection is
    // there for when the fetcher lets the first one go.
    const std::string second = Response("HTTP/1.1 200 OK", "two");
    ScriptedServer server(
        {{ReadRequest(), Send(r.firstResponse), ReadRequest(), Send(second)}, {ReadRequest(), Send(second)}});
    HttpFetcher fetcher(QuickLimits());
    Attempt([&] { fetcher.GetText(server.Root() + "a"); });
    EXPECT_EQ(fetcher.GetText(server.Root() + "b"), "two") << r.name;
    server.Stop();
    EXPECT_EQ(server.Connections(), r.reused ? 1 : 2) << r.name;
    EXPECT_EQ(CountRequests(server.AllReceived()), 2) << r.name;
  }
}

TEST(HttpFetcherConnection, ConnectsAnewWhenTheServerClosedMeanwhile) {
  struct Row {
    const char* name;
    Script first;
  } rows[] = {
      {"orderly close", {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "one")), Close()}},
      {"reset", {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "one")), Pause(100ms), Reset()}},
      {"unasked bytes", {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "one")), Pause(50ms), Send("junk"), Hold()}},
  };
  for (const Row& r : rows) {
    ScriptedServer server({r.first, {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "two"))}});
    HttpFetcher fetcher(QuickLimits());
    EXPECT_EQ(fetcher.GetText(server.Root() + "a"), "one") << r.name;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(fetcher.GetText(server.Root() + "b"), "two") << r.name;
    server.Stop();
    EXPECT_EQ(server.Connections(), 2) << r.name;
    EXPECT_EQ(CountRequests(server.AllReceived()), 2) << r.name;
  }
}

TEST(HttpFetcherConnection, NeverSendsARequestTwice) {
  // The server takes the second request on the kept connection and then goes
  // away without answering: the fetch fails and is not repeated anywhere.
  struct Row {
    const char* name;
    Action end;
    Outcome expected;
  } rows[] = {
      {"closed after the request", Close(), {"closed", "Connection Closed Gracefully."}},
      {"reset after the request", Reset(), {"socket", "Socket Error # 10054\r\nConnection reset by peer."}},
  };
  for (const Row& r : rows) {
    ScriptedServer server({{ReadRequest(), Send(Response("HTTP/1.1 200 OK", "one")), ReadRequest(), r.end},
                           {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "again"))}});
    HttpFetcher fetcher(QuickLimits());
    EXPECT_EQ(fetcher.GetText(server.Root() + "a"), "one");
    const Outcome outcome = Attempt([&] { fetcher.GetText(server.Root() + "b"); });
    EXPECT_EQ(outcome.kind, r.expected.kind) << r.name;
    EXPECT_EQ(outcome.message, r.expected.message) << r.name;
    std::this_thread::sleep_for(100ms);
    server.Stop();
    EXPECT_EQ(server.Connections(), 1) << r.name;
    EXPECT_EQ(CountRequests(server.AllReceived()), 2) << r.name;
    // And the fetcher is still usable afterwards.
    ScriptedServer next({{ReadRequest(), Send(Response("HTTP/1.1 200 OK", "three"))}});
    EXPECT_EQ(fetcher.GetText(next.Root() + "c"), "three") << r.name;
  }
}

TEST(HttpFetcherConnection, AnotherHostOrPortGetsItsOwnConnection) {
  const Script keepAlive = {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "s")), ReadRequest(),
                            Send(Response("HTTP/1.1 200 OK", "s"))};
  ScriptedServer first({keepAlive});
  ScriptedServer second({keepAlive});
  HttpFetcher fetcher(QuickLimits());
  fetcher.GetText(first.Root() + "a");
  fetcher.GetText(second.Root() + "a");
  fetcher.GetText("http://localhost:" + std::to_string(second.Port()) + "/b");
  first.Stop();
  second.Stop();
  EXPECT_EQ(first.Connections(), 1);
  EXPECT_EQ(second.Connections(), 2);
}

TEST(HttpFetcherConnection, CookiesComeBackToTheSameFetcherOnly) {
  const Script script = {
      ReadRequest(),
      Send(Response("HTTP/1.1 200 OK", "",
                    "Set-Cookie: a=1; Path=/\r\nSET-COOKIE2: b=2; Path=/\r\nset-cookie: c=3; Max-Age=0\r\n")),
      ReadRequest(),
      Send(Response("HTTP/1.1 404 Not Found", "", "Set-Cookie: d=4; Path=/\r\n")),
      ReadRequest(),
      Send(Response("HTTP/1.1 200 OK", "")),
  };
  ScriptedServer server({script, {ReadRequest(), Send(Response("HTTP/1.1 200 OK", ""))}});
  HttpFetcher banner(QuickLimits());
  HttpFetcher notice(QuickLimits());
  banner.GetText(server.Root() + "cm/tavren/cm1.txt");
  // A cookie set with a failed answer is kept too, and failures keep the store.
  EXPECT_EQ(Attempt([&] { banner.GetText(server.Root() + "cm/tavren/cm2.txt"); }).kind, "protocol 404");
  banner.GetText(server.Root() + "cm/tavren/cm3.txt");
  notice.GetText(server.Root() + "cm/tavren/cm4.txt");
  server.Stop();
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(requests[1].find("\r\nCookie: a=1; b=2\r\n\r\n"), std::string::npos) << requests[1];
  EXPECT_NE(requests[2].find("\r\nCookie: a=1; b=2; d=4\r\n\r\n"), std::string::npos) << requests[2];
  EXPECT_EQ(requests[3].find("Cookie"), std::string::npos) << "another window's fetcher";
}

}  // namespace
}  // namespace tavren::test

// Servers that misbehave on purpose: each fetch must end within the bounds,
// with the bound's message, and leave the fetcher usable.
#include "FetcherTestSupport.h"
#include "ScriptedServer.h"
#include "net/MemoryConnection.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <random>
#include <thread>

namespace tavren::test {
namespace {

using namespace std::chrono_literals;

FetcherLimits SmallLimits() {
  FetcherLimits limits;
  limits.connectTimeout = 1000ms;
  limits.readTimeout = 300ms;
  limits.maxTextBody = 1000;
  limits.maxStreamBody = 3000;
  limits.maxHead = 500;
  return limits;
}

const char* const kTimedOut = "Socket Error # 10060\r\nConnection timed out.";
const char* const kHeadTooLarge = "Response status line and headers exceed the limit of 500 bytes.";
const char* const kTextTooLarge = "Response body exceeds the limit of 1000 bytes.";
const char* const kStreamTooLarge = "Response body exceeds the limit of 3000 bytes.";

struct HostileRow {
  const char* name;
  Script script;
  Outcome text;    // what GetText ends with
  Outcome stream;  // what GetToStream ends with
};

TEST(HttpFetcherHostile, EndsWithinTheBounds) {
  const std::string head = "HTTP/1.1 200 OK\r\n";
  const HostileRow rows[] = {
      {"silent after accepting", {Hold()}, {"socket", kTimedOut}, {"socket", kTimedOut}},
      {"silent after the request", {ReadRequest(), Hold()}, {"socket", kTimedOut}, {"socket", kTimedOut}},
      {"one byte at a time, too slowly",
       {ReadRequest(), Drip(Response("HTTP/1.1 200 OK", "slow"), 500ms)},
       {"socket", kTimedOut},
       {"socket", kTimedOut}},
      {"stalls inside the body",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"), Hold()},
       {"socket", kTimedOut},
       {"socket", kTimedOut}},
      {"endless body",
       {ReadRequest(), Send(head + "\r\n"), SendForever(std::string(700, 'x'))},
       {"limit", kTextTooLarge},
       {"limit", kStreamTooLarge}},
      {"endless chunks",
       {ReadRequest(), Send(head + "Transfer-Encoding: chunked\r\n\r\n"),
        SendForever("100\r\n" + std::string(256, 'x') + "\r\n")},
       {"limit", kTextTooLarge},
       {"limit", kStreamTooLarge}},
      {"endless header line",
       {ReadRequest(), Send(head + "X-Long: "), SendForever(std::string(100, 'a'))},
       {"limit", kHeadTooLarge},
       {"limit", kHeadTooLarge}},
      {"endless status line",
       {ReadRequest(), SendForever(std::string(100, 'H'))},
       {"limit", kHeadTooLarge},
       {"limit", kHeadTooLarge}},
      {"endless headers",
       {ReadRequest(), Send(head), SendForever("X-A: b\r\n")},
       {"limit", kHeadTooLarge},
       {"limit", kHeadTooLarge}},
      {"endless 100 answers",
       {ReadRequest(), SendForever("HTTP/1.1 100 Continue\r\n\r\n")},
       {"limit", kHeadTooLarge},
       {"limit", kHeadTooLarge}},
      {"endless chunk size line",
       {ReadRequest(), Send(head + "Transfer-Encoding: chunked\r\n\r\n1;x="), SendForever(std::string(100, 'e'))},
       {"limit", "A chunk size line exceeds the limit of 4096 bytes."},
       {"limit", "A chunk size line exceeds the limit of 4096 bytes."}},
      {"endless trailer",
       {ReadRequest(), Send(head + "Transfer-Encoding: chunked\r\n\r\n0\r\n"), SendForever("T: x\r\n")},
       {"limit", kHeadTooLarge},
       {"limit", kHeadTooLarge}},
      {"huge content length",
       {ReadRequest(), Send(head + "Content-Length: 1000000000000000000\r\n\r\nabc"), Hold()},
       {"limit", kTextTooLarge},
       {"limit", kStreamTooLarge}},
      {"content length past 64 bits",
       {ReadRequest(), Send(head + "Content-Length: 99999999999999999999999999\r\n\r\nabc"), Hold()},
       {"limit", kTextTooLarge},
       {"limit", kStreamTooLarge}},
      {"length just past the text bound",
       {ReadRequest(), Send(head + "Connection: close\r\nContent-Length: 1001\r\n\r\n" + std::string(1001, 'x')),
        Close()},
       {"limit", kTextTooLarge},
       {"ok", ""}},
      {"huge chunk size",
       {ReadRequest(), Send(head + "Transfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFF\r\nabc"), Hold()},
       {"limit", kTextTooLarge},
       {"limit", kStreamTooLarge}},
      {"chunk sizes adding past the bound",
       {ReadRequest(),
        Send(head + "Connection: close\r\nTransfer-Encoding: chunked\r\n\r\n" + "3E8\r\n" + std::string(1000, 'x') +
             "\r\n1\r\ny\r\n0\r\n\r\n"),
        Close()},
       {"limit", kTextTooLarge},
       {"ok", ""}},
      {"error body too long to drain",
       {ReadRequest(), Send("HTTP/1.1 500 Oops\r\n\r\n"), SendForever(std::string(700, 'x'))},
       {"protocol 500", "HTTP/1.1 500 Oops"},
       {"protocol 500", "HTTP/1.1 500 Oops"}},
      {"error body that stalls",
       {ReadRequest(), Send("HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\nab"), Hold()},
       {"protocol 404", "HTTP/1.1 404 Not Found"},
       {"protocol 404", "HTTP/1.1 404 Not Found"}},
  };
  for (const HostileRow& r : rows) {
    for (bool toStream : {false, true}) {
      SCOPED_TRACE(std::string(r.name) + (toStream ? " (stream)" : " (text)"));
      ScriptedServer server({r.script, {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "fine"))}});
      HttpFetcher fetcher(SmallLimits());
      StringByteStream stream;
      const auto started = std::chrono::steady_clock::now();
      const Outcome outcome = Attempt([&] {
        if (toStream)
          fetcher.GetToStream(server.Root() + "x", stream);
        else
          fetcher.GetText(server.Root() + "x");
      });
      const auto took = std::chrono::steady_clock::now() - started;
      const Outcome& expected = toStream ? r.stream : r.text;
      EXPECT_EQ(outcome.kind, expected.kind) << r.name << (toStream ? " (stream)" : " (text)");
      EXPECT_EQ(outcome.message, expected.message) << r.name << (toStream ? " (stream)" : " (text)");
      EXPECT_LT(took, 3s) << r.name;
      EXPECT_LE(stream.Data().size(), 3000u) << r.name;
      // The broken connection is let go and the next fetch works.
      std::string next;
      EXPECT_EQ(Attempt([&] { next = fetcher.GetText(server.Root() + "y"); }).message, "");
      EXPECT_EQ(next, "fine");
    }
  }
}

TEST(HttpFetcherHostile, TheWholeFetchIsBoundedHoweverSteadyTheBytes) {
  // Each piece comes within the read time-out, on a clock of the test's.
  struct Row {
    const char* name;
    bool toStream;
    std::chrono::milliseconds pieceDelay;
    Outcome expected;
    std::chrono::milliseconds took;
  } rows[] = {
      {"text, a byte every 29 s", false, 29s, {"socket", kTimedOut}, 60s},
      {"stream, a byte every 29 s", true, 29s, {"socket", kTimedOut}, 120s},
      {"text, steady enough", false, 1s, {"ok", ""}, 42s},
  };
  const std::string response = Response("HTTP/1.1 200 OK", "fine");  // 42 bytes
  for (const Row& r : rows) {
    const auto clock = std::make_shared<ManualFetchClock>();
    HttpFetcher fetcher(
        FetcherLimits{},
        std::make_unique<MemoryConnector>(std::vector<MemoryScript>{{{response}, 1, false, r.pieceDelay}},
                                          std::make_shared<MemoryLog>(), clock),
        clock);
    StringByteStream stream;
    const Outcome outcome = Attempt([&] {
      if (r.toStream)
        fetcher.GetToStream("http://site.jp/0.jpg", stream);
      else
        fetcher.GetText("http://site.jp/cm0.txt");
    });
    EXPECT_EQ(outcome.kind, r.expected.kind) << r.name;
    EXPECT_EQ(outcome.message, r.expected.message) << r.name;
    EXPECT_EQ(clock->Now().time_since_epoch(), r.took) << r.name;
  }
}

TEST(HttpFetcherHostile, ConnectThatNeverCompletesTimesOut) {
  // A listener that never accepts, its queue filled: further connection
  // attempts get no answer at all.
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    ::connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  std::this_thread::sleep_for(100ms);

  FetcherLimits limits = SmallLimits();
  limits.connectTimeout = 300ms;
  // Long enough that a connection that did complete would be told apart.
  limits.readTimeout = 5000ms;
  HttpFetcher fetcher(limits);
  const auto started = std::chrono::steady_clock::now();
  const Outcome outcome =
      Attempt([&] { fetcher.GetText("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x"); });
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(outcome.message, kTimedOut);
  EXPECT_GE(took, 250ms);
  EXPECT_LT(took, 2s);
  for (int fd : fillers) ::close(fd);
  ::close(listener);
}

TEST(HttpFetcherHostile, SlowButSteadyArrivesWhole) {
  // Every byte comes well within the read time-out: the pieces are put together.
  const std::string response = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n1\r\nc\r\n0\r\n\r\n";
  ScriptedServer server({{ReadRequest(), Drip(response, 2ms)}});
  HttpFetcher fetcher(SmallLimits());
  EXPECT_EQ(fetcher.GetText(server.Root() + "x"), "abc");
}

TEST(HttpFetcherHostile, ResetAtEveryStage) {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\nSet-Cookie: s=1\r\n\r\nabcdef";
  const std::string notFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 6\r\n\r\nabcdef";
  const std::string reset = "Socket Error # 10054\r\nConnection reset by peer.";
  struct Row {
    std::string response;
    std::size_t cut;  // bytes sent before the reset
    Outcome expected;
  };
  std::vector<Row> rows;
  for (std::size_t cut = 0; cut <= ok.size(); ++cut) {
    rows.push_back({ok, cut, cut == ok.size() ? Outcome{"ok", ""} : Outcome{"socket", reset}});
  }
  for (std::size_t cut = 0; cut <= notFound.size(); ++cut) {
    // Once the head is complete the status line is what is reported.
    const bool headComplete = cut >= notFound.find("\r\n\r\n") + 4;
    rows.push_back(
        {notFound, cut, headComplete ? Outcome{"protocol 404", "HTTP/1.1 404 Not Found"} : Outcome{"socket", reset}});
  }
  // Over the in-memory peer, so that every cut point is exact and quick.
  for (const Row& r : rows) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
      auto connector = std::make_unique<MemoryConnector>(std::vector<MemoryScript>{
          {{r.response.substr(0, r.cut)}, piece, true}, {{Response("HTTP/1.1 200 OK", "fine")}, 4096, false}});
      const auto log = connector->Log();
      HttpFetcher fetcher(SmallLimits(), std::move(connector));
      const Outcome outcome = Attempt([&] { fetcher.GetText("http://site.jp/x"); });
      EXPECT_EQ(outcome.kind, r.expected.kind) << r.response.substr(0, r.cut);
      EXPECT_EQ(outcome.message, r.expected.message) << r.response.substr(0, r.cut);
      EXPECT_EQ(fetcher.GetText("http://site.jp/y"), "fine");
      EXPECT_EQ(log->connections, 2);
      EXPECT_EQ(log->requests.size(), 2u);
    }
  }
  // And once over a real socket, in the middle of the body.
  ScriptedServer server({{ReadRequest(), Send(ok.substr(0, ok.size() - 3)), Pause(200ms), Reset()}});
  HttpFetcher fetcher(SmallLimits());
  EXPECT_EQ(Attempt([&] { fetcher.GetText(server.Root() + "x"); }).message, reset);
}

TEST(HttpFetcherHostile, RandomBytesNeverCrashOrHang) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    std::string reply(static_cast<std::size_t>(random() % 3000), '\0');
    for (char& c : reply) c = static_cast<char>(random());
    // Some rounds start like a real answer, to get past the status line.
    if (round % 3 == 1) reply.insert(0, "HTTP/1.1 200 OK\r\n");
    if (round % 3 == 2) reply.insert(0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    auto connector = std::make_unique<MemoryConnector>(std::vector<MemoryScript>{
        {{reply}, 1 + random() % 64, round % 2 == 0}, {{Response("HTTP/1.1 200 OK", "fine")}, 4096, false}});
    HttpFetcher fetcher(SmallLimits(), std::move(connector));
    StringByteStream stream;
    const Outcome outcome = Attempt([&] { fetcher.GetToStream("http://site.jp/x", stream); });
    EXPECT_NE(outcome.kind, "failure") << round;
    EXPECT_LE(stream.Data().size(), 3000u);
    EXPECT_EQ(fetcher.GetText("http://site.jp/y"), "fine") << round;
  }
  // One reply of random bytes over a real socket.
  std::string reply(2000, '\0');
  for (char& c : reply) c = static_cast<char>(random());
  ScriptedServer server({{ReadRequest(), Send(reply), Close()}});
  HttpFetcher fetcher(SmallLimits());
  EXPECT_NE(Attempt([&] { fetcher.GetText(server.Root() + "x"); }).kind, "ok");
}

}  // namespace
}  // namespace tavren::test

// What one fetch sends and how it reads the answer, against a scripted server.
#include "FetcherTestSupport.h"
#include "ScriptedServer.h"
#include "net/MemoryConnection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace tavren::test {
namespace {

using namespace std::chrono_literals;

const std::string kFixedHeaders =
    "Accept: text/html, */*\r\n"
    "Accept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

TEST(HttpFetcher, SendsTheRequestByteForByte) {
  struct Row {
    std::string suffix;  // after "http://127.0.0.1:<port>"
    std::string target;
  } rows[] = {
      {"/cm/tavren/cm7.txt", "/cm/tavren/cm7.txt"},
      {"/a/b.cgi?x=1&y=%20", "/a/b.cgi?x=1&y=%20"},
      {"", "/"},
      {"?q", "/?q"},
      {"/page#section", "/page"},
      {"/\x83\x65\x83\x58\x83\x67.txt", "/\x83\x65\x83\x58\x83\x67.txt"},
  };
  for (const Row& r : rows) {
    ScriptedServer server({{ReadRequest(), Send(Response("HTTP/1.1 200 OK", "x"))}});
    HttpFetcher fetcher(QuickLimits());
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + r.suffix;
    EXPECT_EQ(fetcher.GetText(url), "x");
    server.Stop();
    ASSERT_EQ(server.Requests().size(), 1u) << r.suffix;
    EXPECT_EQ(server.Requests()[0], "GET " + r.target + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                        std::to_string(server.Port()) + "\r\n" + kFixedHeaders + "\r\n")
        << r.suffix;
    EXPECT_EQ(server.AllReceived(), server.Requests()[0]) << "nothing else is sent";
  }
}

TEST(HttpFetcher, HostHeaderNamesThePortOnlyWhenNot80) {
  struct Row {
    const char* url;
    const char* firstLines;
  } rows[] = {
      {"http://example.jp/x", "GET /x HTTP/1.1\r\nHost: example.jp\r\n"},
      {"http://example.jp:80/x", "GET /x HTTP/1.1\r\nHost: example.jp\r\n"},
      {"http://example.jp:8080/x", "GET /x HTTP/1.1\r\nHost: example.jp:8080\r\n"},
      {"http://[::1]:8080/x", "GET /x HTTP/1.1\r\nHost: [::1]:8080\r\n"},
  };
  for (const Row& r : rows) {
    auto connector =
        std::make_unique<MemoryConnector>(std::vector<MemoryScript>{{{Response("HTTP/1.1 200 OK", "")}, 4096, false}});
    const auto log = connector->Log();
    HttpFetcher fetcher(QuickLimits(), std::move(connector));
    fetcher.GetText(r.url);
    ASSERT_EQ(log->requests.size(), 1u);
    EXPECT_EQ(log->requests[0], r.firstLines + kFixedHeaders + "\r\n") << r.url;
  }
}

std::string Repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Each row is one response; the fetch's body or failure is compared.
struct FramingRow {
  const char* name;
  Script script;
  Outcome expected;
  std::string body;
  // What GetToStream has written by the end, when it differs from body: a
  // failure in the middle of a 2xx body leaves what came before it.
  std::optional<std::string> streamBody = std::nullopt;
};

std::vector<FramingRow> FramingRows() {
  return {
      {"content length", {ReadRequest(), Send(Response("HTTP/1.1 200 OK", "abc"))}, {"ok", ""}, "abc"},
      {"shift-jis with crlf and odd bytes",
       {ReadRequest(), Send(Response("HTTP/1.1 200 OK", std::string("\x82\xa0\x82\xa2\r\n\xff\x00\x81", 9)))},
       {"ok", ""},
       std::string("\x82\xa0\x82\xa2\r\n\xff\x00\x81", 9)},
      {"empty body", {ReadRequest(), Send(Response("HTTP/1.1 200 OK", ""))}, {"ok", ""}, ""},
      {"length stops reading",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabcdef")},
       {"ok", ""},
       "ab"},
      {"header names any case",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\ncontent-LENGTH:   3  \r\n\r\nabcdef")},
       {"ok", ""},
       "abc"},
      {"bare line feeds", {ReadRequest(), Send("HTTP/1.1 200 OK\nContent-Length: 2\n\nok")}, {"ok", ""}, "ok"},
      {"other 2xx", {ReadRequest(), Send(Response("HTTP/1.1 203 Non-Authoritative", "n"))}, {"ok", ""}, "n"},
      {"orderly close before length",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"), Close()},
       {"ok", ""},
       "abc"},
      {"to the close", {ReadRequest(), Send("HTTP/1.1 200 OK\r\n\r\nall of it"), Close()}, {"ok", ""}, "all of it"},
      {"unreadable length reads to the close",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabcdefgh"), Close()},
       {"ok", ""},
       "abcdefgh"},
      {"chunked",
       {ReadRequest(),
        Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nA;name=v\r\n0123456789\r\n0\r\n"
             "Trailer: x\r\n\r\n")},
       {"ok", ""},
       "abc0123456789"},
      {"thousands of small chunks are body, not head",
       {ReadRequest(),
        Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Repeated("1\r\nz\r\n", 30000) + "0\r\n\r\n")},
       {"ok", ""},
       std::string(30000, 'z')},
      {"chunked among other codings",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: x-foo, CHUNKED\r\n\r\n2 \r\nab\r\n0\r\n\r\n")},
       {"ok", ""},
       "ab"},
      {"length wins over chunked",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n3\r\nabc")},
       {"ok", ""},
       "3\r\nab"},
      {"chunked closed midway",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"), Close()},
       {"ok", ""},
       "ab"},
      {"continue skipped",
       {ReadRequest(), Send("HTTP/1.1 100 Continue\r\nX: 1\r\n\r\n" + Response("HTTP/1.1 200 OK", "ok"))},
       {"ok", ""},
       "ok"},
      {"204 has no body even to the close",
       {ReadRequest(), Send("HTTP/1.1 204 No Content\r\n\r\n"), Hold()},
       {"ok", ""},
       ""},
      {"404",
       {ReadRequest(), Send(Response("HTTP/1.1 404 Not Found", "<html>gone</html>"))},
       {"protocol 404", "HTTP/1.1 404 Not Found"},
       ""},
      {"302 not followed",
       {ReadRequest(), Send(Response("HTTP/1.1 302 Found", "moved", "Location: http://127.0.0.1:1/x\r\n"))},
       {"protocol 302", "HTTP/1.1 302 Found"},
       ""},
      {"401 offers nothing",
       {ReadRequest(), Send(Response("HTTP/1.1 401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"r\"\r\n"))},
       {"protocol 401", "HTTP/1.1 401 Unauthorized"},
       ""},
      {"other 1xx is not skipped",
       {ReadRequest(), Send("HTTP/1.1 101 Switching Protocols\r\n\r\n" + Response("HTTP/1.1 200 OK", "ok"))},
       {"protocol 101", "HTTP/1.1 101 Switching Protocols"},
       ""},
      {"status line kept as received",
       {ReadRequest(), Send(Response("HTTP/1.0 500  Internal  Error ", "e"))},
       {"protocol 500", "HTTP/1.0 500  Internal  Error "},
       ""},
      {"status without reason",
       {ReadRequest(), Send(Response("HTTP/1.1 503", ""))},
       {"protocol 503", "HTTP/1.1 503"},
       ""},
      {"unreadable code",
       {ReadRequest(), Send(Response("HTTP/1.1 OK 200", "x"))},
       {"protocol -1", "HTTP/1.1 OK 200"},
       ""},
      {"code with letters",
       {ReadRequest(), Send(Response("HTTP/1.1 2OO OK", "x"))},
       {"protocol -1", "HTTP/1.1 2OO OK"},
       ""},
      {"empty lines before the status line",
       {ReadRequest(), Send("\r\n\n" + Response("HTTP/1.1 200 OK", "ok"))},
       {"ok", ""},
       "ok"},
      {"only empty lines",
       {ReadRequest(), Send("\r\n\r\n\n"), Close()},
       {"closed", "Connection Closed Gracefully."},
       ""},
      {"not http at all",
       {ReadRequest(), Send("SSH-2.0-OpenSSH_9.2\r\n"), Close()},
       {"protocol -1", "SSH-2.0-OpenSSH_9.2"},
       ""},
      {"closed before anything", {ReadRequest(), Close()}, {"closed", "Connection Closed Gracefully."}, ""},
      {"closed without reading", {Close()}, {"closed", "Connection Closed Gracefully."}, ""},
      {"closed inside the status line",
       {ReadRequest(), Send("HTTP/1.1 20"), Close()},
       {"closed", "Connection Closed Gracefully."},
       ""},
      {"closed inside the head is no answer",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Le"), Close()},
       {"closed", "Connection Closed Gracefully."},
       ""},
      {"reset before anything",
       {ReadRequest(), Reset()},
       {"socket", "Socket Error # 10054\r\nConnection reset by peer."},
       ""},
      {"bad chunk size",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n")},
       {"malformed", "Invalid chunk size in the response: zz"},
       ""},
      {"chunk size with trailing junk",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2 x\r\nab\r\n0\r\n\r\n")},
       {"malformed", "Invalid chunk size in the response: 2 x"},
       ""},
      {"chunk without its line end",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n")},
       {"malformed", "Chunk not followed by a line end in the response."},
       "",
       "ab"},
  };
}

TEST(HttpFetcher, ReadsTheBodyOrFailsByTheResponse) {
  for (FramingRow& r : FramingRows()) {
    for (bool toStream : {false, true}) {
      ScriptedServer server({r.script});
      HttpFetcher fetcher(QuickLimits());
      std::string body;
      StringByteStream stream;
      const Outcome outcome = Attempt([&] {
        if (toStream)
          fetcher.GetToStream(server.Root() + "x.txt", stream);
        else
          body = fetcher.GetText(server.Root() + "x.txt");
      });
      EXPECT_EQ(outcome.kind, r.expected.kind) << r.name << (toStream ? " (stream)" : " (text)");
      EXPECT_EQ(outcome.message, r.expected.message) << r.name;
      // A failed answer's body never reaches the caller.
      EXPECT_EQ(toStream ? stream.Data() : body, toStream ? r.streamBody.value_or(r.body) : r.body)
          << r.name << (toStream ? " (stream)" : " (text)");
      server.Stop();
      EXPECT_EQ(server.Connections(), 1) << r.name;
    }
  }
}

TEST(HttpFetcher, LongChunkedBodyArrivesWholeInAnyPieces) {
  // Lines that straddle receives, long after the start of the response: the
  // reader moves its unread bytes meanwhile, and must not lose its place.
  std::string response = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  std::string body;
  for (int i = 0; i < 60; ++i) {
    const std::string chunk(static_cast<std::size_t>(900 + i * 13), static_cast<char>('a' + i % 26));
    char size[16];
    std::snprintf(size, sizeof size, "%zx", chunk.size());
    response += std::string(size) + (i % 2 ? ";x=y" : "") + "\r\n" + chunk + "\r\n";
    body += chunk;
  }
  response += "0\r\n\r\n";
  for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4095}, std::size_t{65536}}) {
    HttpFetcher fetcher(QuickLimits(),
                        std::make_unique<MemoryConnector>(std::vector<MemoryScript>{{{response}, piece, false}}));
    StringByteStream stream;
    fetcher.GetToStream("http://site.jp/0.jpg", stream);
    EXPECT_EQ(stream.Data(), body) << "piece " << piece;
  }
}

TEST(HttpFetcher, StreamKeepsWhatCameBeforeAFailure) {
  struct Row {
    const char* name;
    Script script;
    std::string kind;
    std::string written;
  } rows[] = {
      {"reset in the body",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd"), Pause(200ms), Reset()},
       "socket",
       "abcd"},
      {"404 leaves it as it was",
       {ReadRequest(), Send(Response("HTTP/1.1 404 Not Found", "gone"))},
       "protocol 404",
       ""},
      {"bad chunk after a good one",
       {ReadRequest(), Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nq\r\n")},
       "malformed",
       "ab"},
  };
  for (const Row& r : rows) {
    ScriptedServer server({r.script});
    HttpFetcher fetcher(QuickLimits());
    StringByteStream stream;
    stream.Write("before|", 7);
    EXPECT_EQ(Attempt([&] { fetcher.GetToStream(server.Root() + "0.jpg", stream); }).kind, r.kind) << r.name;
    EXPECT_EQ(stream.Data(), "before|" + r.written) << r.name;
  }
}

TEST(HttpFetcher, StreamWriteFailureEndsTheFetch) {
  class Refusing : public ByteStream {
   public:
    void Write(const char*, std::size_t) override { throw EWriteError(); }
  };
  ScriptedServer server({{ReadRequest(), Send(Response("HTTP/1.1 200 OK", "abc")), ReadRequest(),
                          Send(Response("HTTP/1.1 200 OK", "def"))}});
  HttpFetcher fetcher(QuickLimits());
  Refusing refusing;
  EXPECT_THROW(fetcher.GetToStream(server.Root() + "0.jpg", refusing), EWriteError);
  EXPECT_EQ(fetcher.GetText(server.Root() + "cm0.txt"), "abc");
}

TEST(HttpFetcher, RefusedAndUnresolvableHosts) {
  // A port that was free a moment ago: nothing listens there now.
  std::uint16_t freePort;
  {
    ScriptedServer probe({});
    freePort = probe.Port();
  }
  struct Row {
    std::string url;
    Outcome expected;
  } rows[] = {
      {"http://127.0.0.1:" + std::to_string(freePort) + "/x",
       {"socket", "Socket Error # 10061\r\nConnection refused."}},
      {"http://tavren-no-such-host.invalid/x", {"socket", "Socket Error # 11001\r\nHost not found."}},
      {"https://127.0.0.1/x", {"address", "Only http:// addresses can be fetched: https://127.0.0.1/x"}},
  };
  for (const Row& r : rows) {
    HttpFetcher fetcher(QuickLimits());
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = Attempt([&] { fetcher.GetText(r.url); });
    EXPECT_EQ(outcome.kind, r.expected.kind) << r.url;
    EXPECT_EQ(outcome.message, r.expected.message) << r.url;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << r.url;
  }
}

}  // namespace
}  // namespace tavren::test

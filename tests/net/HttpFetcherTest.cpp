// The fetcher over the in-memory peer: what one fetch sends, how it reads the
// answer or fails by it, what it keeps between fetches (its connection and its
// cookies), and the bounds that end a hostile server's answer. What only a
// real socket shows is in HttpFetcherSocketTest.cpp.
#include "FetcherTestSupport.h"
#include "net/MemoryConnection.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>

namespace tavren::test {
namespace {

using namespace std::chrono_literals;

// What the peer does after its answer: stays silent on the open connection
// (so a read for more times out), closes in order, or resets.
MemoryScript Answer(std::string reply) { return {{std::move(reply), ""}}; }
MemoryScript AnswerThenClose(std::string reply) { return {{std::move(reply)}}; }
MemoryScript AnswerThenReset(std::string reply) { return {{std::move(reply)}, 4096, true}; }

// A fetcher whose connections play `scripts` in turn, the last one again when
// they run out.
struct OnMemory {
  std::shared_ptr<MemoryLog> log = std::make_shared<MemoryLog>();
  HttpFetcher fetcher;
  explicit OnMemory(std::vector<MemoryScript> scripts, FetcherLimits limits = {})
      : fetcher(limits, std::make_unique<MemoryConnector>(std::move(scripts), log)) {}
};

std::string Repeated(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

const std::string kFixedHeaders =
    "Accept: text/html, */*\r\n"
    "Accept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

TEST(HttpFetcher, SendsOneRequestByteForByte) {
  struct Row {
    const char* url;
    const char* target;
    const char* host;
  } rows[] = {
      {"http://example.jp/cm/tavren/cm7.txt", "/cm/tavren/cm7.txt", "example.jp"},
      {"http://example.jp/a/b.cgi?x=1&y=%20", "/a/b.cgi?x=1&y=%20", "example.jp"},
      {"http://example.jp", "/", "example.jp"},
      {"http://example.jp?q", "/?q", "example.jp"},
      {"http://example.jp/page#section", "/page", "example.jp"},
      {"http://example.jp/\x83\x65\x83\x58\x83\x67.txt", "/\x83\x65\x83\x58\x83\x67.txt", "example.jp"},
      // The port is named only when it is not 80.
      {"http://example.jp:80/x", "/x", "example.jp"},
      {"http://example.jp:8080/x", "/x", "example.jp:8080"},
      {"http://[::1]:8080/x", "/x", "[::1]:8080"},
  };
  for (const Row& r : rows) {
    OnMemory peer({Answer(Response("HTTP/1.1 200 OK", "x"))});
    EXPECT_EQ(peer.fetcher.GetText(r.url), "x") << r.url;
    const std::string request =
        std::string("GET ") + r.target + " HTTP/1.1\r\nHost: " + r.host + "\r\n" + kFixedHeaders + "\r\n";
    EXPECT_EQ(peer.log->requests, std::vector<std::string>{request}) << r.url;
  }
  // An address it cannot fetch fails before connecting.
  OnMemory peer({});
  const Outcome outcome = Attempt([&] { peer.fetcher.GetText("https://127.0.0.1/x"); });
  EXPECT_EQ(outcome.kind, "address");
  EXPECT_EQ(outcome.message, "Only http:// addresses can be fetched: https://127.0.0.1/x");
  EXPECT_EQ(peer.log->connections, 0);
}

// Each row is one response; the fetch's body or failure is compared.
struct FramingRow {
  const char* name;
  MemoryScript script;
  Outcome expected;
  std::string body;
  // What GetToStream has written by the end, when it differs from body: a
  // failure in the middle of a 2xx body leaves what came before it.
  std::optional<std::string> streamBody = std::nullopt;
};

std::vector<FramingRow> FramingRows() {
  const std::string reset = "Socket Error # 10054\r\nConnection reset by peer.";
  return {
      {"content length", Answer(Response("HTTP/1.1 200 OK", "abc")), {"ok", ""}, "abc"},
      {"shift-jis with crlf and odd bytes",
       Answer(Response("HTTP/1.1 200 OK", std::string("\x82\xa0\x82\xa2\r\n\xff\x00\x81", 9))),
       {"ok", ""},
       std::string("\x82\xa0\x82\xa2\r\n\xff\x00\x81", 9)},
      {"empty body", Answer(Response("HTTP/1.1 200 OK", "")), {"ok", ""}, ""},
      {"length stops reading", Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nabcdef"), {"ok", ""}, "ab"},
      {"header names any case", Answer("HTTP/1.1 200 OK\r\ncontent-LENGTH:   3  \r\n\r\nabcdef"), {"ok", ""}, "abc"},
      {"bare line feeds", Answer("HTTP/1.1 200 OK\nContent-Length: 2\n\nok"), {"ok", ""}, "ok"},
      {"other 2xx", Answer(Response("HTTP/1.1 203 Non-Authoritative", "n")), {"ok", ""}, "n"},
      {"orderly close before length",
       AnswerThenClose("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"),
       {"ok", ""},
       "abc"},
      {"to the close", AnswerThenClose("HTTP/1.1 200 OK\r\n\r\nall of it"), {"ok", ""}, "all of it"},
      {"unreadable length reads to the close",
       AnswerThenClose("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nabcdefgh"),
       {"ok", ""},
       "abcdefgh"},
      {"chunked",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nA;name=v\r\n0123456789\r\n0\r\n"
              "Trailer: x\r\n\r\n"),
       {"ok", ""},
       "abc0123456789"},
      {"thousands of small chunks are body, not head",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Repeated("1\r\nz\r\n", 30000) + "0\r\n\r\n"),
       {"ok", ""},
       std::string(30000, 'z')},
      {"chunked among other codings",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: x-foo, CHUNKED\r\n\r\n2 \r\nab\r\n0\r\n\r\n"),
       {"ok", ""},
       "ab"},
      {"length wins over chunked",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n3\r\nabc"),
       {"ok", ""},
       "3\r\nab"},
      {"chunked closed midway",
       AnswerThenClose("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"),
       {"ok", ""},
       "ab"},
      {"continue skipped",
       Answer("HTTP/1.1 100 Continue\r\nX: 1\r\n\r\n" + Response("HTTP/1.1 200 OK", "ok")),
       {"ok", ""},
       "ok"},
      {"204 has no body even to the close", Answer("HTTP/1.1 204 No Content\r\n\r\n"), {"ok", ""}, ""},
      {"404",
       Answer(Response("HTTP/1.1 404 Not Found", "<html>gone</html>")),
       {"protocol 404", "HTTP/1.1 404 Not Found"},
       ""},
      {"302 not followed",
       Answer(Response("HTTP/1.1 302 Found", "moved", "Location: http://127.0.0.1:1/x\r\n")),
       {"protocol 302", "HTTP/1.1 302 Found"},
       ""},
      {"401 offers nothing",
       Answer(Response("HTTP/1.1 401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"r\"\r\n")),
       {"protocol 401", "HTTP/1.1 401 Unauthorized"},
       ""},
      {"other 1xx is not skipped",
       Answer("HTTP/1.1 101 Switching Protocols\r\n\r\n" + Response("HTTP/1.1 200 OK", "ok")),
       {"protocol 101", "HTTP/1.1 101 Switching Protocols"},
       ""},
      {"status line kept as received",
       Answer(Response("HTTP/1.0 500  Internal  Error ", "e")),
       {"protocol 500", "HTTP/1.0 500  Internal  Error "},
       ""},
      {"status without reason", Answer(Response("HTTP/1.1 503", "")), {"protocol 503", "HTTP/1.1 503"}, ""},
      {"unreadable code", Answer(Response("HTTP/1.1 OK 200", "x")), {"protocol -1", "HTTP/1.1 OK 200"}, ""},
      {"code with letters", Answer(Response("HTTP/1.1 2OO OK", "x")), {"protocol -1", "HTTP/1.1 2OO OK"}, ""},
      {"empty lines before the status line", Answer("\r\n\n" + Response("HTTP/1.1 200 OK", "ok")), {"ok", ""}, "ok"},
      {"only empty lines", AnswerThenClose("\r\n\r\n\n"), {"closed", "Connection Closed Gracefully."}, ""},
      {"not http at all", AnswerThenClose("SSH-2.0-OpenSSH_9.2\r\n"), {"protocol -1", "SSH-2.0-OpenSSH_9.2"}, ""},
      {"closed before anything", AnswerThenClose(""), {"closed", "Connection Closed Gracefully."}, ""},
      {"closed inside the status line",
       AnswerThenClose("HTTP/1.1 20"),
       {"closed", "Connection Closed Gracefully."},
       ""},
      {"closed inside the head is no answer",
       AnswerThenClose("HTTP/1.1 200 OK\r\nContent-Le"),
       {"closed", "Connection Closed Gracefully."},
       ""},
      {"reset before anything", AnswerThenReset(""), {"socket", reset}, ""},
      {"reset in the body",
       AnswerThenReset("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd"),
       {"socket", reset},
       "",
       "abcd"},
      {"bad chunk size",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n"),
       {"malformed", "Invalid chunk size in the response: zz"},
       ""},
      {"chunk size with trailing junk",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2 x\r\nab\r\n0\r\n\r\n"),
       {"malformed", "Invalid chunk size in the response: 2 x"},
       ""},
      {"bad chunk after a good one",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\nq\r\n"),
       {"malformed", "Invalid chunk size in the response: q"},
       "",
       "ab"},
      {"chunk without its line end",
       Answer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabc\r\n0\r\n\r\n"),
       {"malformed", "Chunk not followed by a line end in the response."},
       "",
       "ab"},
  };
}

TEST(HttpFetcher, ReadsTheBodyOrFailsByTheResponse) {
  for (const FramingRow& r : FramingRows()) {
    // One byte at a time puts every line across reads.
    for (const std::size_t piece : {std::size_t{1}, std::size_t{4096}}) {
      for (const bool toStream : {false, true}) {
        SCOPED_TRACE(std::string(r.name) + (toStream ? " (stream" : " (text") + ", pieces of " + std::to_string(piece) +
                     ")");
        MemoryScript script = r.script;
        script.piece = piece;
        OnMemory peer({script});
        std::string body;
        StringByteStream stream;
        stream.Write("before|", 7);
        const Outcome outcome = Attempt([&] {
          if (toStream)
            peer.fetcher.GetToStream("http://site.jp/x.txt", stream);
          else
            body = peer.fetcher.GetText("http://site.jp/x.txt");
        });
        EXPECT_EQ(outcome.kind, r.expected.kind);
        EXPECT_EQ(outcome.message, r.expected.message);
        // A failed answer's body never reaches the caller, and a stream keeps
        // what it held before.
        if (toStream) {
          EXPECT_EQ(stream.Data(), "before|" + r.streamBody.value_or(r.body));
        } else {
          EXPECT_EQ(body, r.body);
        }
        EXPECT_EQ(peer.log->connections, 1);
      }
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
    OnMemory peer({MemoryScript{{response}, piece}});
    StringByteStream stream;
    peer.fetcher.GetToStream("http://site.jp/0.jpg", stream);
    EXPECT_EQ(stream.Data(), body) << "piece " << piece;
  }
}

TEST(HttpFetcher, StreamWriteFailureEndsTheFetch) {
  class Refusing : public ByteStream {
   public:
    void Write(const char*, std::size_t) override { throw EWriteError(); }
  };
  // The connection would answer the next request too; the failure must let it go.
  OnMemory peer({MemoryScript{{Response("HTTP/1.1 200 OK", "abc"), Response("HTTP/1.1 200 OK", "def")}}});
  Refusing refusing;
  EXPECT_THROW(peer.fetcher.GetToStream("http://site.jp/0.jpg", refusing), EWriteError);
  EXPECT_EQ(peer.fetcher.GetText("http://site.jp/cm0.txt"), "abc");
}

// ---- What a fetcher keeps between fetches

TEST(HttpFetcher, KeepsOrDropsTheConnectionByTheResponse) {
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
    OnMemory peer({MemoryScript{{r.firstResponse, second}}, Answer(second)});
    Attempt([&] { peer.fetcher.GetText("http://site.jp/a"); });
    EXPECT_EQ(peer.fetcher.GetText("http://site.jp/b"), "two") << r.name;
    EXPECT_EQ(peer.log->connections, r.reused ? 1 : 2) << r.name;
    EXPECT_EQ(peer.log->requests.size(), 2u) << r.name;
  }
}

TEST(HttpFetcher, ConnectsAnewWhenTheServerClosedMeanwhile) {
  const std::string one = Response("HTTP/1.1 200 OK", "one");
  struct Row {
    const char* name;
    MemoryScript first;
  } rows[] = {
      {"orderly close", AnswerThenClose(one)},
      {"reset", AnswerThenReset(one)},
      // Read a byte at a time, the answer ends before the bytes nobody asked for.
      {"unasked bytes", MemoryScript{{one + "junk", Response("HTTP/1.1 200 OK", "wrong")}, 1}},
  };
  for (const Row& r : rows) {
    OnMemory peer({r.first, Answer(Response("HTTP/1.1 200 OK", "two"))});
    EXPECT_EQ(peer.fetcher.GetText("http://site.jp/a"), "one") << r.name;
    EXPECT_EQ(peer.fetcher.GetText("http://site.jp/b"), "two") << r.name;
    EXPECT_EQ(peer.log->connections, 2) << r.name;
    EXPECT_EQ(peer.log->requests.size(), 2u) << r.name;
  }
}

TEST(HttpFetcher, NeverSendsARequestTwice) {
  // The server takes the second request on the kept connection and then goes
  // away without answering: the fetch fails and is not repeated anywhere.
  struct Row {
    const char* name;
    bool reset;
    Outcome expected;
  } rows[] = {
      {"closed after the request", false, {"closed", "Connection Closed Gracefully."}},
      {"reset after the request", true, {"socket", "Socket Error # 10054\r\nConnection reset by peer."}},
  };
  for (const Row& r : rows) {
    OnMemory peer({MemoryScript{{Response("HTTP/1.1 200 OK", "one"), ""}, 4096, r.reset},
                   Answer(Response("HTTP/1.1 200 OK", "again"))});
    EXPECT_EQ(peer.fetcher.GetText("http://site.jp/a"), "one");
    const Outcome outcome = Attempt([&] { peer.fetcher.GetText("http://site.jp/b"); });
    EXPECT_EQ(outcome.kind, r.expected.kind) << r.name;
    EXPECT_EQ(outcome.message, r.expected.message) << r.name;
    EXPECT_EQ(peer.log->connections, 1) << r.name;
    EXPECT_EQ(peer.log->requests.size(), 2u) << r.name;
    // And the fetcher is still usable afterwards.
    EXPECT_EQ(peer.fetcher.GetText("http://site.jp/c"), "again") << r.name;
  }
}

TEST(HttpFetcher, AnotherHostOrPortGetsItsOwnConnection) {
  // Records where each connection goes; every connection answers each request.
  class Recording : public Connector {
   public:
    explicit Recording(std::vector<std::string>& connected) : connected_(connected) {}
    std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port) override {
      connected_.push_back(host + " " + std::to_string(port));
      return peer_.Connect(host, port);
    }

   private:
    std::vector<std::string>& connected_;
    MemoryConnector peer_{{MemoryScript{std::vector<std::string>(4, Response("HTTP/1.1 200 OK", "s"))}}};
  };
  std::vector<std::string> connected;
  HttpFetcher fetcher({}, std::make_unique<Recording>(connected));
  for (const char* url : {"http://a.jp/1", "http://A.JP:80/2", "http://b.jp/3", "http://b.jp:8080/4",
                          "http://[::1]:8080/5", "http://[::1]:8080/6"}) {
    EXPECT_EQ(fetcher.GetText(url), "s") << url;
  }
  EXPECT_EQ(connected, (std::vector<std::string>{"a.jp 80", "b.jp 80", "b.jp 8080", "::1 8080"}));
}

TEST(HttpFetcher, CookiesComeBackToTheSameFetcherOnly) {
  OnMemory banner({MemoryScript{{
      Response("HTTP/1.1 200 OK", "",
               "Set-Cookie: a=1; Path=/\r\nSET-COOKIE2: b=2; Path=/\r\nset-cookie: c=3; Max-Age=0\r\n"),
      Response("HTTP/1.1 404 Not Found", "", "Set-Cookie: d=4; Path=/\r\n"),
      Response("HTTP/1.1 200 OK", ""),
  }}});
  OnMemory notice({Answer(Response("HTTP/1.1 200 OK", ""))});
  banner.fetcher.GetText("http://site.jp/cm/tavren/cm1.txt");
  // A cookie set with a failed answer is kept too, and failures keep the store.
  EXPECT_EQ(Attempt([&] { banner.fetcher.GetText("http://site.jp/cm/tavren/cm2.txt"); }).kind, "protocol 404");
  banner.fetcher.GetText("http://site.jp/cm/tavren/cm3.txt");
  notice.fetcher.GetText("http://site.jp/cm/tavren/cm4.txt");
  const std::vector<std::string>& requests = banner.log->requests;
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(requests[1].find("\r\nCookie: a=1; b=2\r\n\r\n"), std::string::npos) << requests[1];
  EXPECT_NE(requests[2].find("\r\nCookie: a=1; b=2; d=4\r\n\r\n"), std::string::npos) << requests[2];
  ASSERT_EQ(notice.log->requests.size(), 1u);
  EXPECT_EQ(notice.log->requests[0].find("Cookie"), std::string::npos) << "another window's fetcher";
}

// ---- Servers that misbehave on purpose: each fetch must end at its bound,
// with the bound's message, and leave the fetcher usable

FetcherLimits SmallLimits() {
  FetcherLimits limits;
  limits.maxTextBody = 1000;
  limits.maxStreamBody = 3000;
  limits.maxHead = 500;
  return limits;
}

const char* const kTimedOut = "Socket Error # 10060\r\nConnection timed out.";

// More than any bound here: as good as a server that never stops sending.
std::string Endless(const std::string& piece) { return Repeated(piece, 8192 / piece.size() + 1); }

TEST(HttpFetcher, EndsAtItsBoundsAndStaysUsable) {
  const char* const headTooLarge = "Response status line and headers exceed the limit of 500 bytes.";
  const char* const textTooLarge = "Response body exceeds the limit of 1000 bytes.";
  const char* const streamTooLarge = "Response body exceeds the limit of 3000 bytes.";
  const std::string head = "HTTP/1.1 200 OK\r\n";
  const std::string chunked = head + "Transfer-Encoding: chunked\r\n\r\n";
  struct Row {
    const char* name;
    MemoryScript script;
    Outcome text;    // what GetText ends with
    Outcome stream;  // what GetToStream ends with
  } rows[] = {
      {"silent", Answer(""), {"socket", kTimedOut}, {"socket", kTimedOut}},
      {"stalls inside the body",
       Answer("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"),
       {"socket", kTimedOut},
       {"socket", kTimedOut}},
      {"endless body",
       Answer(head + "\r\n" + Endless(std::string(700, 'x'))),
       {"limit", textTooLarge},
       {"limit", streamTooLarge}},
      {"endless chunks",
       Answer(chunked + Endless("100\r\n" + std::string(256, 'x') + "\r\n")),
       {"limit", textTooLarge},
       {"limit", streamTooLarge}},
      {"endless header line",
       Answer(head + "X-Long: " + Endless(std::string(100, 'a'))),
       {"limit", headTooLarge},
       {"limit", headTooLarge}},
      {"endless status line", Answer(Endless(std::string(100, 'H'))), {"limit", headTooLarge}, {"limit", headTooLarge}},
      {"endless headers", Answer(head + Endless("X-A: b\r\n")), {"limit", headTooLarge}, {"limit", headTooLarge}},
      {"endless 100 answers",
       Answer(Endless("HTTP/1.1 100 Continue\r\n\r\n")),
       {"limit", headTooLarge},
       {"limit", headTooLarge}},
      {"endless chunk size line",
       Answer(chunked + "1;x=" + Endless(std::string(100, 'e'))),
       {"limit", "A chunk size line exceeds the limit of 4096 bytes."},
       {"limit", "A chunk size line exceeds the limit of 4096 bytes."}},
      {"endless trailer",
       Answer(chunked + "0\r\n" + Endless("T: x\r\n")),
       {"limit", headTooLarge},
       {"limit", headTooLarge}},
      {"huge content length",
       Answer(head + "Content-Length: 1000000000000000000\r\n\r\nabc"),
       {"limit", textTooLarge},
       {"limit", streamTooLarge}},
      {"content length past 64 bits",
       Answer(head + "Content-Length: 99999999999999999999999999\r\n\r\nabc"),
       {"limit", textTooLarge},
       {"limit", streamTooLarge}},
      {"length just past the text bound",
       AnswerThenClose(head + "Connection: close\r\nContent-Length: 1001\r\n\r\n" + std::string(1001, 'x')),
       {"limit", textTooLarge},
       {"ok", ""}},
      {"huge chunk size",
       Answer(chunked + "FFFFFFFFFFFFFFFFF\r\nabc"),
       {"limit", textTooLarge},
       {"limit", streamTooLarge}},
      {"chunk sizes adding past the bound",
       AnswerThenClose(head + "Connection: close\r\nTransfer-Encoding: chunked\r\n\r\n" + "3E8\r\n" +
                       std::string(1000, 'x') + "\r\n1\r\ny\r\n0\r\n\r\n"),
       {"limit", textTooLarge},
       {"ok", ""}},
      {"error body too long to drain",
       Answer("HTTP/1.1 500 Oops\r\n\r\n" + Endless(std::string(700, 'x'))),
       {"protocol 500", "HTTP/1.1 500 Oops"},
       {"protocol 500", "HTTP/1.1 500 Oops"}},
      {"error body that stalls",
       Answer("HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\nab"),
       {"protocol 404", "HTTP/1.1 404 Not Found"},
       {"protocol 404", "HTTP/1.1 404 Not Found"}},
  };
  for (const Row& r : rows) {
    for (const bool toStream : {false, true}) {
      SCOPED_TRACE(std::string(r.name) + (toStream ? " (stream)" : " (text)"));
      OnMemory peer({r.script, Answer(Response("HTTP/1.1 200 OK", "fine"))}, SmallLimits());
      StringByteStream stream;
      const Outcome outcome = Attempt([&] {
        if (toStream)
          peer.fetcher.GetToStream("http://site.jp/x", stream);
        else
          peer.fetcher.GetText("http://site.jp/x");
      });
      const Outcome& expected = toStream ? r.stream : r.text;
      EXPECT_EQ(outcome.kind, expected.kind);
      EXPECT_EQ(outcome.message, expected.message);
      EXPECT_LE(stream.Data().size(), 3000u);
      // The broken connection is let go and the next fetch works.
      std::string next;
      EXPECT_EQ(Attempt([&] { next = peer.fetcher.GetText("http://site.jp/y"); }).message, "");
      EXPECT_EQ(next, "fine");
      EXPECT_EQ(peer.log->connections, 2);
    }
  }
}

TEST(HttpFetcher, TheWholeFetchIsBoundedHoweverSteadyTheBytes) {
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

TEST(HttpFetcher, ResetAtEveryStage) {
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
  for (const Row& r : rows) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
      OnMemory peer({{{r.response.substr(0, r.cut)}, piece, true}, Answer(Response("HTTP/1.1 200 OK", "fine"))},
                    SmallLimits());
      const Outcome outcome = Attempt([&] { peer.fetcher.GetText("http://site.jp/x"); });
      EXPECT_EQ(outcome.kind, r.expected.kind) << r.response.substr(0, r.cut);
      EXPECT_EQ(outcome.message, r.expected.message) << r.response.substr(0, r.cut);
      EXPECT_EQ(peer.fetcher.GetText("http://site.jp/y"), "fine");
      EXPECT_EQ(peer.log->connections, 2);
      EXPECT_EQ(peer.log->requests.size(), 2u);
    }
  }
}

TEST(HttpFetcher, RandomBytesNeverCrashOrHang) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 300; ++round) {
    std::string reply(static_cast<std::size_t>(random() % 3000), '\0');
    for (char& c : reply) c = static_cast<char>(random());
    // Some rounds start like a real answer, to get past the status line.
    if (round % 3 == 1) reply.insert(0, "HTTP/1.1 200 OK\r\n");
    if (round % 3 == 2) reply.insert(0, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    OnMemory peer({{{reply}, 1 + random() % 64, round % 2 == 0}, Answer(Response("HTTP/1.1 200 OK", "fine"))},
                  SmallLimits());
    StringByteStream stream;
    const Outcome outcome = Attempt([&] { peer.fetcher.GetToStream("http://site.jp/x", stream); });
    EXPECT_NE(outcome.kind, "failure") << round;
    EXPECT_LE(stream.Data().size(), 3000u);
    EXPECT_EQ(peer.fetcher.GetText("http://site.jp/y"), "fine") << round;
  }
}

}  // namespace
}  // namespace tavren::test

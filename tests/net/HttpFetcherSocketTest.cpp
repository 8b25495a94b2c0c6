// The fetcher over real sockets, for what the in-memory peer of
// HttpFetcherTest.cpp cannot show: the network's own failures to connect, the
// connect and read time-outs running on the real clock, a reset on the wire,
// and a server nobody here wrote (Python's http.server).
#include "FetcherTestSupport.h"
#include "ScriptedServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace tavren::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const char* const kTimedOut = "Socket Error # 10060\r\nConnection timed out.";

// Time-outs short enough for a test, long enough for a loaded machine.
FetcherLimits QuickLimits(std::chrono::milliseconds readTimeout = 1500ms) {
  FetcherLimits limits;
  limits.connectTimeout = 2000ms;
  limits.readTimeout = readTimeout;
  return limits;
}

TEST(HttpFetcherOverSockets, ConnectFailuresComeFromTheNetwork) {
  // A port that was free a moment ago: nothing listens there now.
  std::uint16_t freePort;
  {
    ScriptedServer probe({});
    freePort = probe.Port();
  }
  struct Row {
    std::string url;
    std::string message;
  } rows[] = {
      {"http://127.0.0.1:" + std::to_string(freePort) + "/x", "Socket Error # 10061\r\nConnection refused."},
      {"http://tavren-no-such-host.invalid/x", "Socket Error # 11001\r\nHost not found."},
  };
  for (const Row& r : rows) {
    HttpFetcher fetcher(QuickLimits());
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = Attempt([&] { fetcher.GetText(r.url); });
    EXPECT_EQ(outcome.kind, "socket") << r.url;
    EXPECT_EQ(outcome.message, r.message) << r.url;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << r.url;
  }
}

TEST(HttpFetcherOverSockets, ConnectThatNeverCompletesTimesOut) {
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
  // The first one connected fills the queue.
  pollfd connected{fillers.front(), POLLOUT, 0};
  ASSERT_EQ(::poll(&connected, 1, 2000), 1);

  FetcherLimits limits = QuickLimits(5000ms);  // long enough that a completed connection would be told apart
  limits.connectTimeout = 300ms;
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

TEST(HttpFetcherOverSockets, EachReadWaitsUpToTheReadTimeOut) {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nabcdef";
  const std::string fine = Response("HTTP/1.1 200 OK", "fine");
  struct Row {
    const char* name;
    Script script;  // the first connection's; the next one answers "fine"
    Outcome expected;
    std::string body;
  } rows[] = {
      // Every byte well within the read time-out: the pieces are put together.
      {"slow but steady",
       {ReadRequest(), Drip("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n1\r\nc\r\n0\r\n\r\n", 2ms),
        ReadRequest(), Send(fine)},
       {"ok", ""},
       "abc"},
      {"silent after the request", {ReadRequest(), Hold()}, {"socket", kTimedOut}, ""},
      {"one byte at a time, too slowly",
       {ReadRequest(), Drip(Response("HTTP/1.1 200 OK", "slow"), 500ms)},
       {"socket", kTimedOut},
       ""},
      {"reset in the middle of the body",
       {ReadRequest(), Send(ok.substr(0, ok.size() - 3)), Pause(200ms), Reset()},
       {"socket", "Socket Error # 10054\r\nConnection reset by peer."},
       ""},
  };
  for (const Row& r : rows) {
    ScriptedServer server({r.script, {ReadRequest(), Send(fine)}});
    HttpFetcher fetcher(QuickLimits(300ms));
    std::string body;
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = Attempt([&] { body = fetcher.GetText(server.Root() + "x"); });
    EXPECT_EQ(outcome.kind, r.expected.kind) << r.name;
    EXPECT_EQ(outcome.message, r.expected.message) << r.name;
    EXPECT_EQ(body, r.body) << r.name;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << r.name;
    // The next fetch works, on a new connection after a failure.
    EXPECT_EQ(Attempt([&] { body = fetcher.GetText(server.Root() + "y"); }).message, "") << r.name;
    EXPECT_EQ(body, "fine") << r.name;
  }
}

// Polls `done` for up to ten seconds.
bool WaitFor(const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// Python's http.server (SimpleHTTPRequestHandler speaking HTTP/1.1, so it
// keeps connections open) serving a temporary folder on 127.0.0.1. It logs the
// client's port with every request, so that the test can tell whether two
// requests came over one connection.
const char* const kServer = R"PY(
import functools, http.server, sys
class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, format, *args):
        sys.stderr.write("%d %s\n" % (self.client_address[1], format % args))
        sys.stderr.flush()
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()
)PY";

class PythonServer : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tavren-http-" + std::to_string(::getpid()));
    fs::create_directories(folder_ / "cm" / "kelm");
    std::ofstream(folder_ / "cm" / "kelm" / "kelmmsg.txt", std::ios::binary) << "\x82\xa8\x92\x6d\x82\xe7\x82\xb9\r\n";
    for (int i = 0; i < 70000; ++i) picture_ += static_cast<char>(i * 7 % 256);
    std::ofstream(folder_ / "0.jpg", std::ios::binary) << picture_;
    log_ = folder_.string() + ".log";

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string folder = folder_.string();
    const char* argv[] = {"python3", "-c", kServer, folder.c_str(), nullptr};
    const int spawned = ::posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ASSERT_EQ(spawned, 0);
    // The first line is the port; give the interpreter a few seconds to start.
    std::string line;
    char c;
    pollfd p{out[0], POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    ASSERT_FALSE(line.empty()) << "python3 http.server did not start";
    root_ = "http://127.0.0.1:" + line + "/";
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::remove(log_, ignored);
  }

  // The client ports of the requests the server has logged, in order.
  std::vector<std::string> ClientPorts() {
    std::ifstream in(log_);
    std::vector<std::string> ports;
    for (std::string line; std::getline(in, line);)
      if (line.find("\"GET ") != std::string::npos) ports.push_back(line.substr(0, line.find(' ')));
    return ports;
  }

  fs::path folder_;
  std::string log_;
  std::string picture_;
  std::string root_;
  pid_t pid_ = -1;
};

TEST_F(PythonServer, TextStreamNotFoundAndKeepAlive) {
  HttpFetcher fetcher(QuickLimits());
  EXPECT_EQ(fetcher.GetText(root_ + "cm/kelm/kelmmsg.txt"), "\x82\xa8\x92\x6d\x82\xe7\x82\xb9\r\n");

  StringByteStream stream;
  fetcher.GetToStream(root_ + "0.jpg", stream);
  EXPECT_EQ(stream.Data(), picture_);

  StringByteStream untouched;
  const Outcome notFound = Attempt([&] { fetcher.GetToStream(root_ + "cm/tavren/cm9.txt", untouched); });
  EXPECT_EQ(notFound.kind, "protocol 404");
  EXPECT_EQ(notFound.message, "HTTP/1.1 404 File not found");
  EXPECT_EQ(untouched.Data(), "");

  EXPECT_EQ(fetcher.GetText(root_ + "cm/kelm/kelmmsg.txt").size(), 10u);

  // The server writes its log from threads of its own.
  ASSERT_TRUE(WaitFor([&] { return ClientPorts().size() >= 4; }));
  const std::vector<std::string> ports = ClientPorts();
  ASSERT_EQ(ports.size(), 4u);
  // One connection served the first three requests, the 404 included; the
  // 404 came with "Connection: close", so the fourth needed a new one.
  EXPECT_EQ(ports[1], ports[0]);
  EXPECT_EQ(ports[2], ports[0]);
  EXPECT_NE(ports[3], ports[0]);
}

}  // namespace
}  // namespace tavren::test

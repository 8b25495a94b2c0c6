// The fetcher against a server nobody here wrote: Python's http.server
// (SimpleHTTPRequestHandler speaking HTTP/1.1, so it keeps connections open),
// serving a temporary folder on 127.0.0.1.
#include "FetcherTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace tavren::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Logs the client's port with every request, so that the test can tell
// whether two requests came over one connection.
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

  // The client ports of the requests the server logged, in order.
  std::vector<std::string> ClientPorts() {
    std::this_thread::sleep_for(100ms);
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

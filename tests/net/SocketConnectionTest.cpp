// The socket side of a connection, over a socket pair: the peer's moves and
// what the connection makes of them.
#include "net/HttpFailures.h"
#include "net/SocketConnection.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>
#include <thread>

namespace tavren {
namespace {

using namespace std::chrono_literals;

// A wait that never cuts a call short here, so the read time-out decides.
constexpr std::chrono::milliseconds kLong = 60s;

struct Pair {
  std::unique_ptr<SocketConnection> connection;
  int peer = -1;
  explicit Pair(std::chrono::milliseconds readTimeout = 200ms) {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
    connection = std::make_unique<SocketConnection>(fds[0], readTimeout);
    peer = fds[1];
  }
  ~Pair() {
    if (peer >= 0) ::close(peer);
  }
  void ClosePeer() {
    ::close(peer);
    peer = -1;
  }
};

TEST(SocketConnection, StillOpenOnlyWhileThePeerIsQuietAndThere) {
  struct Row {
    const char* name;
    void (*peerDoes)(Pair&);
    bool stillOpen;
  } rows[] = {
      {"quiet", [](Pair&) {}, true},
      {"closed", [](Pair& p) { p.ClosePeer(); }, false},
      {"half closed", [](Pair& p) { ::shutdown(p.peer, SHUT_WR); }, false},
      {"sent unasked bytes", [](Pair& p) { ASSERT_EQ(::write(p.peer, "x", 1), 1); }, false},
  };
  for (const Row& r : rows) {
    Pair pair;
    r.peerDoes(pair);
    EXPECT_EQ(pair.connection->StillOpen(), r.stillOpen) << r.name;
  }
}

TEST(SocketConnection, SendToAVanishedPeerFailsWithoutASignal) {
  Pair pair;
  pair.ClosePeer();
  // Without MSG_NOSIGNAL this would end the test program with SIGPIPE.
  try {
    pair.connection->Send("GET / HTTP/1.1\r\n\r\n", kLong);
    ADD_FAILURE() << "sent to nobody";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.Message(), "Socket Error # 10054\r\nConnection reset by peer.");
  }
}

TEST(SocketConnection, ReceiveReturnsBytesEndOrTimesOut) {
  Pair pair;
  ASSERT_EQ(::write(pair.peer, "abc", 3), 3);
  char buffer[16];
  EXPECT_EQ(pair.connection->Receive(buffer, sizeof buffer, kLong), 3u);
  const auto started = std::chrono::steady_clock::now();
  try {
    pair.connection->Receive(buffer, sizeof buffer, kLong);
    ADD_FAILURE() << "nothing was sent";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10060);
  }
  EXPECT_GE(std::chrono::steady_clock::now() - started, 190ms);
  // A shorter wait (what is left of the fetch's time) ends it sooner.
  const auto shortStart = std::chrono::steady_clock::now();
  EXPECT_THROW(pair.connection->Receive(buffer, sizeof buffer, 40ms), EIdSocketError);
  EXPECT_LT(std::chrono::steady_clock::now() - shortStart, 150ms);
  // Bytes that come late but within the time-out are waited for.
  std::thread late([&] {
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(::write(pair.peer, "d", 1), 1);
    pair.ClosePeer();
  });
  EXPECT_EQ(pair.connection->Receive(buffer, sizeof buffer, kLong), 1u);
  late.join();
  EXPECT_EQ(pair.connection->Receive(buffer, sizeof buffer, kLong), 0u) << "orderly end";
}

TEST(SocketConnection, LargeSendWaitsForThePeerToRead) {
  Pair pair(2000ms);
  const std::string big(4 << 20, 'x');
  std::size_t got = 0;
  std::thread reader([&] {
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(pair.peer, buffer, sizeof buffer);
      if (n > 0)
        got += static_cast<std::size_t>(n);
      else if (n == 0 || errno != EAGAIN)
        break;
      else
        std::this_thread::sleep_for(1ms);
      if (got == big.size()) break;
    }
  });
  pair.connection->Send(big, kLong);
  reader.join();
  EXPECT_EQ(got, big.size());
}

}  // namespace
}  // namespace tavren

#pragma once
// An in-memory server for the fetcher: each connection it opens plays a fixed
// list of replies, one released per request sent, and records what was sent.
// Nothing blocks: where a socket would wait for more bytes, the in-memory
// connection fails at once with the time-out error 10060.

#include "net/Connection.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace tavren {

// What one in-memory connection does.
struct MemoryScript {
  // The bytes played after the first, second, ... request on the connection.
  std::vector<std::string> replies;
  // Receive hands out at most this many bytes at a time (at least 1).
  std::size_t piece = 4096;
  // After the last reply: true resets (10054), false closes in order.
  bool resetAtEnd = false;
  // How long each piece takes to arrive, on the connector's clock. A piece
  // that would come later than the fetch is willing to wait is not handed
  // out: the clock moves by the wait and Receive fails with 10060.
  std::chrono::milliseconds pieceDelay{0};
};

// A fetch clock that moves only when the in-memory connection moves it.
class ManualFetchClock : public FetchClock {
 public:
  std::chrono::steady_clock::time_point Now() override { return now_; }
  void Advance(std::chrono::milliseconds by) { now_ += by; }

 private:
  std::chrono::steady_clock::time_point now_{};
};

// What the in-memory server saw; shared between the connector and the test.
struct MemoryLog {
  int connections = 0;
  std::vector<std::string> requests;  // bytes of each Send call, in order
};

class MemoryConnector : public Connector {
 public:
  // Each Connect uses the next script; when they are used up, the last one is
  // played again. With no scripts at all, Connect fails with 10061.
  // Piece delays move `clock`; without one they take no time at all.
  explicit MemoryConnector(std::vector<MemoryScript> scripts,
                           std::shared_ptr<MemoryLog> log = std::make_shared<MemoryLog>(),
                           std::shared_ptr<ManualFetchClock> clock = nullptr);
  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port) override;
  const std::shared_ptr<MemoryLog>& Log() const noexcept { return log_; }

 private:
  std::vector<MemoryScript> scripts_;
  std::size_t next_ = 0;
  std::shared_ptr<MemoryLog> log_;
  std::shared_ptr<ManualFetchClock> clock_;
};

}  // namespace tavren

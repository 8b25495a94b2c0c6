#pragma once
// An in-memory server for the fetcher: each connection it opens plays a fixed
// list of replies, one released per request sent, and records what was sent.
// Nothing blocks: where a socket would wait for more bytes, the in-memory
// connection fails at once with the time-out error 10060.

#include "net/Connection.h"

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
  explicit MemoryConnector(std::vector<MemoryScript> scripts,
                           std::shared_ptr<MemoryLog> log = std::make_shared<MemoryLog>());
  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port) override;
  const std::shared_ptr<MemoryLog>& Log() const noexcept { return log_; }

 private:
  std::vector<MemoryScript> scripts_;
  std::size_t next_ = 0;
  std::shared_ptr<MemoryLog> log_;
};

}  // namespace tavren

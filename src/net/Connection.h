#pragma once
// The fetcher's view of a connection, so that the HTTP handling runs the same
// over a real socket and over an in-memory peer (tests, fuzzing).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tavren {

// The monotonic clock that bounds a whole fetch. The in-memory twin moves its
// own clock, so that a test's slow server takes no real time.
class FetchClock {
 public:
  virtual ~FetchClock() = default;
  virtual std::chrono::steady_clock::time_point Now() = 0;
};

class SteadyFetchClock : public FetchClock {
 public:
  std::chrono::steady_clock::time_point Now() override { return std::chrono::steady_clock::now(); }
};

class Connection {
 public:
  virtual ~Connection() = default;
  // Sends all bytes, taking at most `wait` in all. Throws EIdSocketError
  // (10060 when nothing could be sent for the read time-out or `wait` ran
  // out, 10054 for a reset or a closed peer).
  virtual void Send(std::string_view bytes, std::chrono::milliseconds wait) = 0;
  // Receives up to capacity (> 0) bytes into buffer; returns how many, 0 when
  // the peer closed the connection in an orderly way. Throws EIdSocketError
  // (10060 when nothing arrives within the read time-out or within `wait`,
  // whichever is shorter).
  virtual std::size_t Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds wait) = 0;
  // Without waiting: true when the connection is still fit for another
  // request — the peer has not closed or reset it and has sent nothing
  // unasked.
  virtual bool StillOpen() = 0;
};

class Connector {
 public:
  virtual ~Connector() = default;
  // Resolves host and connects to port. Throws EIdSocketError. host is the
  // bare name or address (no brackets around an IPv6 literal).
  virtual std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port) = 0;
};

}  // namespace tavren

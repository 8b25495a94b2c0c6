#pragma once
// A small HTTP server on 127.0.0.1 (a free port) for window tests: it answers
// each GET by its request target from a table of raw responses, keeps every
// connection open for the next request unless the response says
// "Connection: close", and records each request with the connection it came
// on. One thread accepts; each connection is served on its own thread.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tavren::test {

class FakeHttpServer {
 public:
  struct Request {
    int connection;      // 0 for the first connection accepted, 1 for the next...
    std::string target;  // "/cm/kelm/kelmmsg.txt"
    std::string head;    // the request line and headers, up to the empty line
  };

  FakeHttpServer();
  ~FakeHttpServer();
  FakeHttpServer(const FakeHttpServer&) = delete;
  FakeHttpServer& operator=(const FakeHttpServer&) = delete;

  // Answers GETs of `target` with `rawResponse`, byte for byte. A target
  // without an entry gets a 404 with an empty body.
  void Answer(const std::string& target, std::string rawResponse);
  // A 200 response carrying `body` with its Content-Length.
  static std::string Ok(std::string_view body);

  std::uint16_t Port() const noexcept { return port_; }
  // "http://127.0.0.1:<port>/"
  std::string Root() const;
  std::vector<Request> Requests() const;
  int Connections() const;

  // Stops accepting and closes every connection; idempotent.
  void Stop();

 private:
  void AcceptLoop();
  void Serve(int fd, int connection);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, std::string> answers_;
  std::vector<Request> requests_;
  std::vector<int> clients_;
  std::vector<std::thread> servers_;
  int connections_ = 0;
  std::thread acceptor_;
};

// A port on 127.0.0.1 on which nothing listens (bound, then closed), for
// refused connections.
std::uint16_t ClosedLoopbackPort();

}  // namespace tavren::test

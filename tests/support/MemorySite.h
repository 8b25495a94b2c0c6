#pragma once
// An in-memory web site for the window tests, reached through the fetcher's
// Connector: each GET is answered by its request target from a table of raw
// responses (a target without one gets a 404 with an empty body) and is
// recorded with the connection it came on. A connection stays open for the
// next request unless a response says "Connection: close". Nothing blocks:
// where a socket would wait, the in-memory connection fails with 10060.

#include "net/Connection.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavren::test {

class MemorySite {
 public:
  struct Request {
    int connection;      // 0 for the first connection, 1 for the next...
    std::string target;  // "/cm/kelm/kelmmsg.txt"
    std::string head;    // the request line and headers, up to the empty line
  };

  MemorySite();
  // Answers GETs of `target` with `rawResponse`, byte for byte.
  void Answer(const std::string& target, std::string rawResponse);
  // A 200 response carrying `body` with its Content-Length.
  static std::string Ok(std::string_view body);
  // From now on every connection is refused (socket error 10061).
  void Refuse();

  // A connector into this site; any number may be made, they share the site.
  std::unique_ptr<Connector> NewConnector() const;
  // Any "http://host/" works; this one names nothing real.
  static std::string Root() { return "http://site.test/"; }
  std::vector<Request> Requests() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tavren::test

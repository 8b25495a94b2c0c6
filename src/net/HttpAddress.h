#pragma once
// Splitting an http address into what a request needs (the rules are listed
// in HttpFetcher.h).

#include <cstdint>
#include <string>
#include <string_view>

namespace tavren {

struct HttpAddress {
  std::string host;  // as written, without brackets; what is resolved
  std::uint16_t port = 80;
  std::string hostHeader;  // host (bracketed when IPv6) + ":" + port when port != 80
  std::string target;      // from the first "/" on, fragment removed; "/" at least
  std::string path;        // target without its query, for cookie matching
};

// Throws EIdBadAddress with a message naming the address.
HttpAddress ParseHttpAddress(std::string_view url);

}  // namespace tavren

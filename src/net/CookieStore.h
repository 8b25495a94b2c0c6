#pragma once
// One fetcher's cookies, in memory only. Set-Cookie as in RFC 6265 (host-only
// without Domain, Domain must match the request host, Path defaults to the
// request path's directory, Max-Age before Expires, Secure cookies refused
// because this client only speaks plain http); Set-Cookie2 values are split at
// commas outside quotes and read the same way. Attribute values may be quoted
// (Path="/"); the quotes are dropped.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavren {

class CookieStore {
 public:
  // Seconds since the Unix epoch.
  using Seconds = std::int64_t;

  // Stores the cookie of one "Set-Cookie" header value received for a request
  // to host and path (the request target's path, without query), at time now.
  // An expired cookie removes a stored one of the same name, domain and path.
  // A cookie whose name or value holds a control byte other than tab (CR, LF,
  // NUL...) is refused: never stored, so never sent.
  void ReceiveSetCookie(std::string_view value, std::string_view host, std::string_view path, Seconds now);
  // The same for one "Set-Cookie2" header value (several cookies, comma-separated).
  void ReceiveSetCookie2(std::string_view value, std::string_view host, std::string_view path, Seconds now);

  // The value of the "Cookie" header for a request to host and path at time
  // now ("a=1; b=2"), longer paths first, then older cookies first; empty when
  // none applies.
  std::string CookieHeader(std::string_view host, std::string_view path, Seconds now) const;

  std::size_t Size() const noexcept { return cookies_.size(); }

  // The store keeps at most this many cookies, dropping the oldest.
  static constexpr std::size_t kMaxCookies = 300;

 private:
  struct Cookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case
    std::string path;
    bool hostOnly = true;
    bool persistent = false;
    Seconds expires = 0;
    std::uint64_t created = 0;
  };
  void Store(Cookie cookie, Seconds now);

  std::vector<Cookie> cookies_;
  std::uint64_t nextSerial_ = 0;
};

}  // namespace tavren

#pragma once
// The blocking HTTP/1.1 GET client that each window owns (IdHTTP1). It sends
// exactly one request per fetch, never repeats one, follows no redirect, uses
// no proxy and sends no credentials. It keeps one connection open between
// fetches while the server allows, and a cookie store of its own in memory.
//
// Addresses: "http://host[:port]/target", the scheme in any case. The port
// defaults to 80; the target runs from the first "/" after the host (an
// address without a path asks for "/"; a "?" straight after the host gives
// "/?..."); a "#fragment" is not sent; "user:password@" before the host is
// dropped; an IPv6 literal goes in brackets ("http://[::1]:8080/"). Any other
// scheme, an empty host, a port that is not 1..65535, or CR, LF or NUL bytes
// anywhere fail with EIdBadAddress before anything is sent.

#include "net/ByteStream.h"
#include "net/Connection.h"
#include "net/CookieStore.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tavren {

// Bounds that keep one bad server from freezing the window forever or
// exhausting memory.
struct FetcherLimits {
  // Connecting that takes longer fails with socket error 10060.
  std::chrono::milliseconds connectTimeout{20000};
  // A send or receive that makes no progress for this long fails with 10060.
  std::chrono::milliseconds readTimeout{30000};
  // The whole of one fetch, counted from before connecting: past it the
  // fetch fails with 10060 however steadily the bytes come.
  std::chrono::milliseconds textTotalTime{60000};
  std::chrono::milliseconds streamTotalTime{120000};
  // Largest body GetText returns.
  std::size_t maxTextBody = std::size_t{1} << 20;
  // Largest body GetToStream writes.
  std::size_t maxStreamBody = std::size_t{16} << 20;
  // Largest status lines plus headers of one response (a skipped 100 answer
  // included; chunked trailers count against it too).
  std::size_t maxHead = std::size_t{64} << 10;
  // Largest chunk-size line (extensions included) or chunk end of a chunked
  // body, each on its own; the number of chunks is bounded by the body only.
  std::size_t maxChunkLine = std::size_t{4} << 10;
};

class HttpFetcher {
 public:
  // Connects over POSIX sockets.
  explicit HttpFetcher(FetcherLimits limits = {});
  // Connects through connector (an in-memory peer in tests and fuzzing) and
  // bounds each fetch's time by clock.
  HttpFetcher(FetcherLimits limits, std::unique_ptr<Connector> connector,
              std::shared_ptr<FetchClock> clock = std::make_shared<SteadyFetchClock>());
  ~HttpFetcher();
  HttpFetcher(const HttpFetcher&) = delete;
  HttpFetcher& operator=(const HttpFetcher&) = delete;

  // GETs url and returns the body exactly as received (no conversion, empty
  // for an empty body). Throws EIdHTTPProtocolException for a status outside
  // 200..299 or an unreadable status line, EIdSocketError,
  // EIdConnClosedGracefully, EIdLimitExceeded (EIdBodyTooLarge past
  // maxTextBody), EIdMalformedResponse,
  // EIdBadAddress; 10060 also when the fetch outlasts textTotalTime
  // (streamTotalTime for GetToStream). The fetcher stays usable after any.
  std::string GetText(std::string_view url);

  // GETs url and writes the body into stream as it arrives. Throws as GetText,
  // and EWriteError from the stream. On failure the stream keeps what was
  // already written; a non-2xx answer writes nothing to it.
  void GetToStream(std::string_view url, ByteStream& stream);

  // This fetcher's cookies (for inspection; each fetcher has its own).

 private:
  void Fetch(std::string_view url, ByteStream& sink, std::size_t maxBody, std::chrono::milliseconds totalTime);

  FetcherLimits limits_;
  std::unique_ptr<Connector> connector_;
  std::shared_ptr<FetchClock> clock_;
  std::unique_ptr<Connection> connection_;
  std::string connectedHost_;
  std::uint16_t connectedPort_ = 0;
  CookieStore cookies_;
};

}  // namespace tavren

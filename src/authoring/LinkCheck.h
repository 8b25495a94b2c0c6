#pragma once
// The authors' link check: every page address of a guide and the header's
// author address, each byte-identical address checked once, over HTTP and
// HTTPS with libcurl's multi interface.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavren {

// One distinct address of a guide and the lines (from 1) that carry it.
struct GuideAddress {
  std::string address;  // CP932, byte for byte as in the guide
  std::vector<int> lines;
};

struct GuideAddresses {
  std::vector<GuideAddress> addresses;  // in the order they first appear
  // Empty when the whole file was read; else the error box text (UTF-8) of
  // the read error that ended the reading early.
  std::string readFailureUtf8;
};

// Reads the guide at `path`: field 3 of every page record and of every
// header record that has one. Lines that the load would stop at (empty
// ones, short records) are passed over, so one typo hides no address.
// Throws EInOutError when the file cannot be opened.
GuideAddresses ReadGuideAddresses(const std::string& path);

// The address as the web view's Navigate reads it: CP932 decoded, then a URL
// in tolerant mode, fully encoded. Empty when the check skips it: an empty
// address, one with no scheme, or a scheme other than http and https.
std::string CheckableUrl(const std::string& cp932Address);

enum class LinkResult { Ok, Redirected, Dead, Skipped };

struct LinkOutcome {
  LinkResult result = LinkResult::Skipped;
  std::optional<long> status;  // the final HTTP status, when one came
  std::string locationUtf8;    // the final address after redirects; empty when none
  std::string errorUtf8;       // a short English failure text; empty when none
};

struct LinkCheckOptions {
  int maxConnections = 32;                           // open connections in all, idle kept-alive ones included
  int maxPerHost = 4;                                // the same per host
  std::chrono::milliseconds requestTimeout{20'000};  // one request, redirects included
  std::chrono::milliseconds totalTimeout{600'000};   // the whole check
  std::chrono::milliseconds retryAfterCap{30'000};   // longest wait a 429 or 503 may ask for
  // Certificates to trust instead of the system's: only tests set this.
  std::string caFileForTests;
  // Called after each address is settled: (settled, total, dead so far).
  std::function<void(std::size_t, std::size_t, std::size_t)> progress;
};

struct LinkCheckReport {
  std::vector<LinkOutcome> outcomes;  // one per url, in the same order
  int peakConnections = 0;            // most sockets open at once, in all
  int peakHostConnections = 0;        // most sockets open at once to one host (address and port)
};

// Checks each url (as given by CheckableUrl; an empty one is Skipped): HEAD
// first and GET when the server answers HEAD with 405 or 501, redirects
// followed up to 10, proxies from the usual environment variables, a 429 or
// 503 retried once after its Retry-After (capped). Ok for a 2xx without
// redirect, Redirected for a 2xx after one, Dead for a final 3xx, 4xx or 5xx
// or a failure. Hosts take turns, so one slow host never holds up the rest.
// Addresses still open at the total time-out are Dead. Never throws except
// std::bad_alloc and std::runtime_error when libcurl cannot start.
LinkCheckReport CheckLinks(const std::vector<std::string>& urls, const LinkCheckOptions& options);

const char* LinkResultName(LinkResult result);  // "ok", "redirected", "dead", "skipped"

}  // namespace tavren

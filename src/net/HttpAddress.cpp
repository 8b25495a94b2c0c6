#include "net/HttpAddress.h"

#include "net/HttpFailures.h"

#include <algorithm>

namespace tavren {

namespace {

[[noreturn]] void Refuse(std::string_view why, std::string_view url) {
  throw EIdBadAddress(std::string(why) + ": " + std::string(url));
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

HttpAddress ParseHttpAddress(std::string_view url) {
  // CR, LF or NUL would let an address write its own header lines.
  if (url.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
    Refuse("Address contains a line break or NUL byte", url);
  }
  constexpr std::string_view kScheme = "http://";
  if (!StartsWithNoCase(url, kScheme)) Refuse("Only http:// addresses can be fetched", url);
  std::string_view rest = url.substr(kScheme.size());

  const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
  std::string_view authority = rest.substr(0, authorityEnd);
  std::string_view target = rest.substr(authorityEnd);
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);

  HttpAddress address;
  std::string_view hostText;
  std::string_view portText;
  bool bracketed = false;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) Refuse("Unclosed IPv6 bracket in address", url);
    hostText = authority.substr(1, close - 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') Refuse("Unexpected text after the IPv6 address", url);
      portText = after.substr(1);
    }
    bracketed = true;
  } else {
    const std::size_t colon = authority.find(':');
    hostText = authority.substr(0, colon);
    if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
  }
  if (hostText.empty()) Refuse("Address has no host", url);
  if (!portText.empty()) {
    unsigned long port = 0;
    for (char c : portText) {
      if (c < '0' || c > '9' || port > 65535) Refuse("Invalid port in address", url);
      port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (port < 1 || port > 65535) Refuse("Invalid port in address", url);
    address.port = static_cast<std::uint16_t>(port);
  }
  address.host = std::string(hostText);
  address.hostHeader = bracketed ? "[" + address.host + "]" : address.host;
  if (address.port != 80) address.hostHeader += ":" + std::to_string(address.port);

  // The fragment belongs to the reader of the page, never to the server.
  if (const std::size_t hash = target.find('#'); hash != std::string_view::npos) target = target.substr(0, hash);
  address.target = std::string(target);
  if (address.target.empty() || address.target.front() != '/') address.target.insert(0, "/");
  address.path = address.target.substr(0, address.target.find('?'));
  return address;
}

}  // namespace tavren

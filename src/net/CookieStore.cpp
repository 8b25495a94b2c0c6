#include "net/CookieStore.h"

#include "base/Ascii.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace tavren {

namespace {

using Seconds = CookieStore::Seconds;

// Far enough to mean "never" and small enough that adding to it cannot overflow.
constexpr Seconds kForever = Seconds{1} << 50;

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

using ascii::EqualsNoCase;
using ascii::LowerCopy;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
Seconds DaysFromCivil(Seconds y, unsigned m, unsigned d) {
  y -= m <= 2;
  const Seconds era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<Seconds>(doe) - 719468;
}

// The cookie date of RFC 6265 section 5.1.1; nothing when it is not one.
std::optional<Seconds> ParseCookieDate(std::string_view text) {
  const auto delimiter = [](unsigned char c) {
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
           (c >= 0x7B && c <= 0x7E);
  };
  std::optional<int> hour, minute, second, day, month, year;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && delimiter(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t start = i;
    while (i < text.size() && !delimiter(static_cast<unsigned char>(text[i]))) ++i;
    const std::string_view token = text.substr(start, i - start);
    if (token.empty()) continue;
    // hh:mm:ss, each one or two digits.
    if (!hour) {
      int parts[3] = {0, 0, 0};
      std::size_t p = 0;
      int index = 0;
      bool ok = true;
      for (; index < 3 && ok; ++index) {
        std::size_t digits = 0;
        int value = 0;
        while (p < token.size() && IsDigit(token[p]) && digits < 2) value = value * 10 + (token[p++] - '0'), ++digits;
        if (digits == 0) ok = false;
        parts[index] = value;
        if (index < 2) {
          if (p < token.size() && token[p] == ':')
            ++p;
          else
            ok = false;
        }
      }
      if (ok && (p == token.size() || !IsDigit(token[p]))) {
        hour = parts[0], minute = parts[1], second = parts[2];
        continue;
      }
    }
    const auto leadingNumber = [&](std::size_t minDigits, std::size_t maxDigits) -> std::optional<int> {
      std::size_t n = 0;
      int value = 0;
      while (n < token.size() && IsDigit(token[n])) {
        if (++n > maxDigits) return std::nullopt;
        value = value * 10 + (token[n - 1] - '0');
      }
      if (n < minDigits) return std::nullopt;
      return value;
    };
    if (!day) {
      if (auto v = leadingNumber(1, 2)) {
        day = v;
        continue;
      }
    }
    if (!month && token.size() >= 3) {
      static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                     "jul", "aug", "sep", "oct", "nov", "dec"};
      const std::string prefix = LowerCopy(token.substr(0, 3));
      const auto found = std::find(std::begin(kMonths), std::end(kMonths), prefix);
      if (found != std::end(kMonths)) {
        month = static_cast<int>(found - std::begin(kMonths)) + 1;
        continue;
      }
    }
    if (!year) {
      if (auto v = leadingNumber(2, 4)) {
        year = v;
        continue;
      }
    }
  }
  if (!hour || !day || !month || !year) return std::nullopt;
  int y = *year;
  if (y >= 70 && y <= 99) y += 1900;
  if (y >= 0 && y <= 69) y += 2000;
  if (*day < 1 || *day > 31 || y < 1601 || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
  return DaysFromCivil(y, static_cast<unsigned>(*month), static_cast<unsigned>(*day)) * 86400 + *hour * 3600 +
         *minute * 60 + *second;
}

bool IsIpAddress(std::string_view host) {
  if (host.find(':') != std::string_view::npos) return true;
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return IsDigit(c) || c == '.'; });
}

// RFC 6265 section 5.1.3; both sides already in lower case.
bool DomainMatches(std::string_view host, std::string_view domain) {
  if (host == domain) return true;
  return !IsIpAddress(host) && host.size() > domain.size() && host.ends_with(domain) &&
         host[host.size() - domain.size() - 1] == '.';
}

// RFC 6265 section 5.1.4.
bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (requestPath == cookiePath) return true;
  if (!requestPath.starts_with(cookiePath)) return false;
  return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::string DefaultPath(std::string_view requestPath) {
  if (requestPath.empty() || requestPath.front() != '/') return "/";
  const std::size_t last = requestPath.rfind('/');
  return last == 0 ? std::string("/") : std::string(requestPath.substr(0, last));
}

std::optional<Seconds> ParseMaxAge(std::string_view value) {
  bool negative = false;
  if (!value.empty() && value.front() == '-') negative = true, value.remove_prefix(1);
  if (value.empty() || !std::all_of(value.begin(), value.end(), IsDigit)) return std::nullopt;
  Seconds seconds = 0;
  for (char c : value) {
    seconds = seconds * 10 + (c - '0');
    if (seconds >= kForever) return negative ? Seconds{0} : kForever;
  }
  return negative ? Seconds{0} : seconds;
}

}  // namespace

void CookieStore::ReceiveSetCookie(std::string_view value, std::string_view host, std::string_view path, Seconds now) {
  std::string_view pair = value.substr(0, value.find(';'));
  std::string_view attributes = pair.size() < value.size() ? value.substr(pair.size()) : std::string_view();
  const std::size_t equals = pair.find('=');
  if (equals == std::string_view::npos) return;
  Cookie cookie;
  cookie.name = std::string(Trim(pair.substr(0, equals)));
  cookie.value = std::string(Trim(pair.substr(equals + 1)));
  if (cookie.name.empty()) return;

  std::optional<Seconds> maxAge;
  std::optional<Seconds> expires;
  std::string domain;
  std::optional<std::string> cookiePath;
  while (!attributes.empty()) {
    attributes.remove_prefix(1);  // the ';'
    std::string_view attribute = attributes.substr(0, attributes.find(';'));
    attributes.remove_prefix(attribute.size());
    const std::size_t eq = attribute.find('=');
    const std::string_view name = Trim(attribute.substr(0, eq));
    const std::string_view attributeValue =
        eq == std::string_view::npos ? std::string_view() : Trim(attribute.substr(eq + 1));
    if (EqualsNoCase(name, "max-age")) {
      if (auto v = ParseMaxAge(attributeValue)) maxAge = v;
    } else if (EqualsNoCase(name, "expires")) {
      if (auto v = ParseCookieDate(attributeValue)) expires = v;
    } else if (EqualsNoCase(name, "domain")) {
      std::string_view d = attributeValue;
      if (!d.empty() && d.front() == '.') d.remove_prefix(1);
      domain = LowerCopy(d);
    } else if (EqualsNoCase(name, "path")) {
      if (!attributeValue.empty() && attributeValue.front() == '/')
        cookiePath = std::string(attributeValue);
      else
        cookiePath = DefaultPath(path);
    } else if (EqualsNoCase(name, "secure")) {
      // Only plain http is ever spoken, so a Secure cookie could never be sent back.
      return;
    }
  }

  const std::string requestHost = LowerCopy(host);
  if (domain.empty()) {
    cookie.domain = requestHost;
  } else {
    // Without a public-suffix list, a one-label domain other than the host itself is refused.
    if (!DomainMatches(requestHost, domain)) return;
    if (domain.find('.') == std::string::npos && domain != requestHost) return;
    cookie.domain = domain;
    cookie.hostOnly = false;
  }
  cookie.path = cookiePath ? *cookiePath : DefaultPath(path);
  if (maxAge) {
    cookie.persistent = true;
    cookie.expires = *maxAge <= 0 ? std::numeric_limits<Seconds>::min() : now + *maxAge;
  } else if (expires) {
    cookie.persistent = true;
    cookie.expires = *expires;
  }
  Store(std::move(cookie), now);
}

void CookieStore::ReceiveSetCookie2(std::string_view value, std::string_view host, std::string_view path, Seconds now) {
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= value.size(); ++i) {
    if (i < value.size() && value[i] == '"') quoted = !quoted;
    if (i == value.size() || (value[i] == ',' && !quoted)) {
      ReceiveSetCookie(value.substr(start, i - start), host, path, now);
      start = i + 1;
    }
  }
}

void CookieStore::Store(Cookie cookie, Seconds now) {
  const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
    return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
  });
  if (same != cookies_.end()) {
    cookie.created = same->created;
    cookies_.erase(same);
  } else {
    cookie.created = nextSerial_++;
  }
  std::erase_if(cookies_, [now](const Cookie& c) { return c.persistent && c.expires <= now; });
  if (cookie.persistent && cookie.expires <= now) return;
  if (cookies_.size() >= kMaxCookies) {
    cookies_.erase(std::min_element(cookies_.begin(), cookies_.end(),
                                    [](const Cookie& a, const Cookie& b) { return a.created < b.created; }));
  }
  cookies_.push_back(std::move(cookie));
}

std::string CookieStore::CookieHeader(std::string_view host, std::string_view path, Seconds now) const {
  const std::string requestHost = LowerCopy(host);
  std::vector<const Cookie*> matching;
  for (const Cookie& c : cookies_) {
    if (c.persistent && c.expires <= now) continue;
    if (c.hostOnly ? c.domain != requestHost : !DomainMatches(requestHost, c.domain)) continue;
    if (!PathMatches(path, c.path)) continue;
    matching.push_back(&c);
  }
  std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
    if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
    return a->created < b->created;
  });
  std::string header;
  for (const Cookie* c : matching) {
    if (!header.empty()) header += "; ";
    header += c->name + "=" + c->value;
  }
  return header;
}

}  // namespace tavren

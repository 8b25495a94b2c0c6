#include "net/HttpFetcher.h"

#include "base/Ascii.h"

#include "net/HttpAddress.h"
#include "net/HttpFailures.h"
#include "net/SocketConnection.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace tavren {

namespace {

constexpr std::size_t kReceiveSize = 16384;

using ascii::EqualsNoCase;
using ascii::Lower;

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  if (needle.size() > haystack.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i)
    if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return true;
  return false;
}

std::string_view TrimBlanks(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Shortened(std::string_view s) {
  constexpr std::size_t kShown = 40;
  return s.size() <= kShown ? std::string(s) : std::string(s.substr(0, kShown)) + "...";
}

[[noreturn]] void BodyTooLarge(std::size_t limit) {
  throw EIdLimitExceeded("Response body exceeds the limit of " + std::to_string(limit) + " bytes.");
}

// The status code: the second space-separated field as a decimal number, -1
// when that field is missing or is not a number made of digits only.
int StatusCode(std::string_view statusLine) {
  const std::size_t space = statusLine.find(' ');
  if (space == std::string_view::npos) return -1;
  std::string_view field = statusLine.substr(space + 1);
  field = field.substr(0, field.find(' '));
  if (field.empty() || field.size() > 9) return -1;
  int code = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return -1;
    code = code * 10 + (c - '0');
  }
  return code;
}

// Buffered reading from a connection, with the end of the connection as a
// state rather than a failure.
class Reader {
 public:
  explicit Reader(Connection& connection) : connection_(connection) {}

  bool AtEnd() const noexcept { return ended_ && position_ == buffer_.size(); }

  // Reads one line ended by LF and returns it without LF and one CR before
  // it. Returns nothing when the connection ends before the LF (what came of
  // the line is dropped). budget is what the line may take, LF included, and
  // is reduced by it; past it the read fails with the head bound's message.
  std::optional<std::string> ReadLine(std::size_t& budget, std::size_t headLimit) {
    // Counted from position_, because Fill may move the unread bytes.
    std::size_t scanned = 0;
    for (;;) {
      const std::size_t lf = buffer_.find('\n', position_ + scanned);
      if (lf != std::string::npos) {
        const std::size_t length = lf + 1 - position_;
        if (length > budget) HeadTooLarge(headLimit);
        budget -= length;
        std::string line = buffer_.substr(position_, lf - position_);
        position_ = lf + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      scanned = buffer_.size() - position_;
      if (scanned >= budget) HeadTooLarge(headLimit);
      if (!Fill()) {
        position_ = buffer_.size();
        return std::nullopt;
      }
    }
  }

  // Up to max (> 0) bytes that have arrived, waiting for at least one; empty
  // only at the end of the connection.
  std::string_view ReadSome(std::size_t max) {
    if (position_ == buffer_.size() && !Fill()) return {};
    const std::size_t n = std::min(max, buffer_.size() - position_);
    std::string_view piece(buffer_.data() + position_, n);
    position_ += n;
    return piece;
  }

 private:
  [[noreturn]] static void HeadTooLarge(std::size_t limit) {
    throw EIdLimitExceeded("Response status line and headers exceed the limit of " + std::to_string(limit) + " bytes.");
  }

  // Appends what arrives next; false at the end of the connection.
  bool Fill() {
    if (ended_) return false;
    if (position_ == buffer_.size()) {
      buffer_.clear();
      position_ = 0;
    } else if (position_ > kReceiveSize) {
      buffer_.erase(0, position_);
      position_ = 0;
    }
    const std::size_t old = buffer_.size();
    buffer_.resize(old + kReceiveSize);
    const std::size_t n = connection_.Receive(buffer_.data() + old, kReceiveSize);
    buffer_.resize(old + n);
    if (n == 0) ended_ = true;
    return n > 0;
  }

  Connection& connection_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool ended_ = false;
};

struct Head {
  std::string statusLine;
  int code = -1;
  std::vector<std::pair<std::string, std::string>> headers;

  std::optional<std::string_view> Header(std::string_view name) const {
    for (const auto& [n, v] : headers)
      if (EqualsNoCase(n, name)) return std::string_view(v);
    return std::nullopt;
  }
  bool AnyHeaderSays(std::string_view name, std::string_view value) const {
    for (const auto& [n, v] : headers)
      if (EqualsNoCase(n, name) && EqualsNoCase(TrimBlanks(v), value)) return true;
    return false;
  }
};

// Reads a status line and its headers. A connection that ends before the
// status line is complete fails as closed gracefully; one that ends among the
// headers ends the headers.
Head ReadHead(Reader& reader, std::size_t& budget, std::size_t headLimit) {
  Head head;
  std::optional<std::string> status;
  // Empty lines before a status line are a known server slip, skipped (within
  // the head bound) so that a status line, never an empty text, is reported.
  do status = reader.ReadLine(budget, headLimit);
  while (status && status->empty());
  if (!status) throw EIdConnClosedGracefully();
  head.statusLine = std::move(*status);
  head.code = StatusCode(head.statusLine);
  while (std::optional<std::string> line = reader.ReadLine(budget, headLimit)) {
    if (line->empty()) break;
    if ((line->front() == ' ' || line->front() == '\t') && !head.headers.empty()) {
      head.headers.back().second += ' ';
      head.headers.back().second += TrimBlanks(*line);
      continue;
    }
    const std::size_t colon = line->find(':');
    if (colon == std::string::npos) continue;
    head.headers.emplace_back(std::string(TrimBlanks(std::string_view(*line).substr(0, colon))),
                              std::string(TrimBlanks(std::string_view(*line).substr(colon + 1))));
  }
  return head;
}

// A destination for body bytes with a bound on how many it takes.
class BodySink {
 public:
  BodySink(ByteStream* stream, std::size_t limit) : stream_(stream), limit_(limit) {}
  void Take(std::string_view piece) {
    if (piece.size() > limit_ - taken_) BodyTooLarge(limit_);
    taken_ += piece.size();
    if (stream_ != nullptr) stream_->Write(piece.data(), piece.size());
  }
  std::size_t Room() const noexcept { return limit_ - taken_; }
  std::size_t Limit() const noexcept { return limit_; }

 private:
  ByteStream* stream_;  // null: the bytes are dropped
  std::size_t limit_;
  std::size_t taken_ = 0;
};

std::optional<std::uint64_t> ContentLength(const Head& head) {
  const std::optional<std::string_view> value = head.Header("Content-Length");
  if (!value || value->empty()) return std::nullopt;
  std::uint64_t length = 0;
  for (char c : *value) {
    if (c < '0' || c > '9') return std::nullopt;
    // Saturate: anything this large is past every bound anyway.
    length = length > (UINT64_MAX - 9) / 10 ? UINT64_MAX : length * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return length;
}

bool IsChunked(const Head& head) {
  for (const auto& [n, v] : head.headers)
    if (EqualsNoCase(n, "Transfer-Encoding") && ContainsNoCase(v, "chunked")) return true;
  return false;
}

void ReadChunked(Reader& reader, BodySink& sink, std::size_t& budget, std::size_t headLimit) {
  for (;;) {
    const std::optional<std::string> sizeLine = reader.ReadLine(budget, headLimit);
    if (!sizeLine) return;  // closed in order: what came is the body
    std::string_view text = TrimBlanks(*sizeLine);
    std::uint64_t size = 0;
    std::size_t digits = 0;
    for (; digits < text.size(); ++digits) {
      const char c = Lower(text[digits]);
      int value;
      if (c >= '0' && c <= '9')
        value = c - '0';
      else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
      else
        break;
      if (size > (sink.Room() >> 4)) BodyTooLarge(sink.Limit());
      size = size * 16 + static_cast<std::uint64_t>(value);
    }
    const std::string_view rest = TrimBlanks(text.substr(digits));
    if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
      throw EIdMalformedResponse("Invalid chunk size in the response: " + Shortened(*sizeLine));
    }
    if (size > sink.Room()) BodyTooLarge(sink.Limit());
    if (size == 0) {
      while (std::optional<std::string> trailer = reader.ReadLine(budget, headLimit))
        if (trailer->empty()) return;
      return;
    }
    while (size > 0) {
      const std::string_view piece = reader.ReadSome(static_cast<std::size_t>(size));
      if (piece.empty()) return;
      sink.Take(piece);
      size -= piece.size();
    }
    const std::optional<std::string> end = reader.ReadLine(budget, headLimit);
    if (!end) return;
    if (!end->empty()) throw EIdMalformedResponse("Chunk not followed by a line end in the response.");
  }
}

// Reads the body that follows head into sink, by the framing head gives.
void ReadBody(const Head& head, Reader& reader, BodySink& sink, std::size_t& budget, std::size_t headLimit) {
  if (const std::optional<std::uint64_t> length = ContentLength(head)) {
    if (*length > sink.Room()) BodyTooLarge(sink.Limit());
    std::uint64_t left = *length;
    while (left > 0) {
      const std::string_view piece = reader.ReadSome(static_cast<std::size_t>(left));
      if (piece.empty()) return;  // closed in order before the announced length
      sink.Take(piece);
      left -= piece.size();
    }
  } else if (IsChunked(head)) {
    ReadChunked(reader, sink, budget, headLimit);
  } else {
    for (;;) {
      const std::string_view piece = reader.ReadSome(kReceiveSize);
      if (piece.empty()) return;
      sink.Take(piece);
    }
  }
}

bool HasNoBody(int code) { return code == 204 || code == 304 || (code >= 100 && code < 200); }

CookieStore::Seconds Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

HttpFetcher::HttpFetcher(FetcherLimits limits)
    : HttpFetcher(limits, std::make_unique<SocketConnector>(limits.connectTimeout, limits.readTimeout)) {}

HttpFetcher::HttpFetcher(FetcherLimits limits, std::unique_ptr<Connector> connector)
    : limits_(limits), connector_(std::move(connector)) {}

HttpFetcher::~HttpFetcher() = default;

std::string HttpFetcher::GetText(std::string_view url) {
  StringByteStream body;
  Fetch(url, body, limits_.maxTextBody);
  return body.Release();
}

void HttpFetcher::GetToStream(std::string_view url, ByteStream& stream) { Fetch(url, stream, limits_.maxStreamBody); }

void HttpFetcher::Fetch(std::string_view url, ByteStream& destination, std::size_t maxBody) {
  const HttpAddress address = ParseHttpAddress(url);

  if (connection_ &&
      !(EqualsNoCase(connectedHost_, address.host) && connectedPort_ == address.port && connection_->StillOpen())) {
    connection_.reset();
  }
  if (!connection_) {
    connection_ = connector_->Connect(address.host, address.port);
    connectedHost_ = address.host;
    connectedPort_ = address.port;
  }

  std::string request = "GET " + address.target + " HTTP/1.1\r\n";
  request += "Host: " + address.hostHeader + "\r\n";
  request += "Accept: text/html, */*\r\n";
  request += "Accept-Encoding: identity\r\n";
  request += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
  const std::string cookie = cookies_.CookieHeader(address.host, address.path, Now());
  if (!cookie.empty()) request += "Cookie: " + cookie + "\r\n";
  request += "\r\n";

  // Only a response read to its end on a connection the server keeps open
  // leaves the connection fit for the next fetch; every failure on the way
  // closes it.
  bool keepConnection = false;
  try {
    connection_->Send(request);
    Reader reader(*connection_);
    std::size_t headBudget = limits_.maxHead;
    Head head;
    do {
      head = ReadHead(reader, headBudget, limits_.maxHead);
      const CookieStore::Seconds now = Now();
      for (const auto& [name, value] : head.headers) {
        if (EqualsNoCase(name, "Set-Cookie")) cookies_.ReceiveSetCookie(value, address.host, address.path, now);
        if (EqualsNoCase(name, "Set-Cookie2")) cookies_.ReceiveSetCookie2(value, address.host, address.path, now);
      }
    } while (head.code == 100);

    // An HTTP/1.0 server closes the connection after its answer unless it
    // says keep-alive. Its close can still be on the way when the next fetch
    // looks, and that fetch would then fail although nothing went wrong, so
    // such a connection is let go at once.
    const bool closesByDefault =
        head.statusLine.rfind("HTTP/1.0", 0) == 0 && !head.AnyHeaderSays("Connection", "keep-alive");
    const auto keepUnlessClosed = [&] {
      keepConnection = !reader.AtEnd() && !closesByDefault && !head.AnyHeaderSays("Connection", "close") &&
                       !head.AnyHeaderSays("Proxy-Connection", "close");
    };
    if (head.code == -1) {
      // Nothing after a line that is not a status line can be trusted to be framed.
      throw EIdHTTPProtocolException(head.statusLine, head.code);
    }
    if (head.code >= 200 && head.code <= 299) {
      if (head.code != 204) {
        BodySink sink(&destination, maxBody);
        ReadBody(head, reader, sink, headBudget, limits_.maxHead);
      }
      keepUnlessClosed();
    } else {
      if (!HasNoBody(head.code)) {
        // The answer to a failed request is read so that the connection can
        // serve the next one, then dropped; it never reaches the caller.
        // Reading it may fail: the status line is still the failure to report.
        try {
          BodySink discard(nullptr, limits_.maxTextBody);
          ReadBody(head, reader, discard, headBudget, limits_.maxHead);
          keepUnlessClosed();
        } catch (const EFailure&) {
        }
      } else {
        keepUnlessClosed();
      }
      throw EIdHTTPProtocolException(head.statusLine, head.code);
    }
  } catch (...) {
    if (!keepConnection) connection_.reset();
    throw;
  }
  if (!keepConnection) connection_.reset();
}

}  // namespace tavren

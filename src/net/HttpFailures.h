#pragma once
// The fetcher's failures. Their messages are ASCII English, so the CP932 bytes
// the error display wants are the same bytes.

#include "base/Failure.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavren {

// Base of every failure a fetch raises.
class EIdException : public EFailure {
 public:
  using EFailure::EFailure;
};

// A response whose status is not 2xx, or whose status line has no readable
// code (code -1). The message is the status line exactly as received, without
// its line end.
class EIdHTTPProtocolException : public EIdException {
 public:
  EIdHTTPProtocolException(std::string statusLine, int code) : EIdException(std::move(statusLine)), code_(code) {}
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

// A socket failure while resolving, connecting, sending or receiving:
// "Socket Error # <code>\r\n<description>", with Windows socket numbers.
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int code);
  int LastError() const noexcept { return code_; }

 private:
  int code_;
};

// The server closed the connection before a complete status line arrived:
// "Connection Closed Gracefully.".
class EIdConnClosedGracefully : public EIdException {
 public:
  EIdConnClosedGracefully();
};

// A response went past one of the fetcher's bounds (head or body size). The
// connection is closed.
class EIdLimitExceeded : public EIdException {
 public:
  using EIdException::EIdException;
};

// A response body longer than the operation's body bound.
class EIdBodyTooLarge : public EIdLimitExceeded {
 public:
  explicit EIdBodyTooLarge(std::size_t limit);
};

// The response's framing cannot be followed (a chunk size that is not a hex
// number, a chunk not followed by its line end). The connection is closed.
class EIdMalformedResponse : public EIdException {
 public:
  using EIdException::EIdException;
};

// The address cannot be fetched: not "http://", no host, a bad port, or line
// breaks or NUL bytes in it. Nothing is sent.
class EIdBadAddress : public EIdException {
 public:
  using EIdException::EIdException;
};

// The description of a Windows socket error number ("Connection refused."),
// or an empty text for a number without one.
std::string SocketErrorDescription(int code);

// The Windows socket number for an errno value. Every errno the socket calls
// can give has one; any other errno (none of a socket's) is returned unchanged.
int SocketErrorFromErrno(int err) noexcept;

// The Windows socket number for a getaddrinfo() result (EAI_*); eaiSystemErrno
// is errno at the time, used for EAI_SYSTEM (11003 when it has no socket
// number).
int SocketErrorFromResolver(int eai, int eaiSystemErrno) noexcept;

}  // namespace tavren

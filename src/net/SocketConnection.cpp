#include "net/SocketConnection.h"

#include "net/HttpFailures.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

namespace tavren {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimedOut = 10060;

// Waits until fd is ready for events or the deadline passes; true when ready
// (errors and hang-ups count as ready, the next call reports them).
bool WaitUntil(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 60000)));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) throw EIdSocketError(SocketErrorFromErrno(errno));
  }
}

class AddressList {
 public:
  explicit AddressList(addrinfo* list) noexcept : list_(list) {}
  ~AddressList() { ::freeaddrinfo(list_); }
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  addrinfo* get() const noexcept { return list_; }

 private:
  addrinfo* list_;
};

}  // namespace

SocketConnection::~SocketConnection() { ::close(fd_); }

void SocketConnection::Send(std::string_view bytes, std::chrono::milliseconds wait) {
  const auto end = Clock::now() + wait;
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitUntil(fd_, POLLOUT, std::min(Clock::now() + readTimeout_, end))) throw EIdSocketError(kTimedOut);
      continue;
    }
    throw EIdSocketError(SocketErrorFromErrno(n < 0 ? errno : EPIPE));
  }
}

std::size_t SocketConnection::Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + std::min(readTimeout_, wait);
  for (;;) {
    const ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) throw EIdSocketError(SocketErrorFromErrno(errno));
    if (!WaitUntil(fd_, POLLIN, deadline)) throw EIdSocketError(kTimedOut);
  }
}

bool SocketConnection::StillOpen() {
  pollfd p{fd_, POLLIN, 0};
  int r;
  do r = ::poll(&p, 1, 0);
  while (r < 0 && errno == EINTR);
  if (r == 0) return true;
  if (r < 0 || (p.revents & (POLLERR | POLLNVAL))) return false;
  // Readable between requests: either the peer's close (0 bytes), a reset, or
  // bytes nobody asked for; none of them leaves the connection fit for reuse.
  return false;
}

std::unique_ptr<Connection> SocketConnector::Connect(const std::string& host, std::uint16_t port) {
  const auto deadline = Clock::now() + connectTimeout_;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  errno = 0;
  const int eai = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (eai != 0) throw EIdSocketError(SocketErrorFromResolver(eai, errno));
  AddressList addresses(found);

  int lastError = kTimedOut;
  for (addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      lastError = SocketErrorFromErrno(errno);
      continue;
    }
    auto connection = std::make_unique<SocketConnection>(fd, readTimeout_);
    int r;
    do r = ::connect(fd, a->ai_addr, a->ai_addrlen);
    while (r < 0 && errno == EINTR);
    if (r < 0 && errno != EINPROGRESS) {
      lastError = SocketErrorFromErrno(errno);
      continue;
    }
    if (r < 0) {
      if (!WaitUntil(fd, POLLOUT, deadline)) throw EIdSocketError(kTimedOut);
      int error = 0;
      socklen_t length = sizeof error;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0) error = errno;
      if (error != 0) {
        lastError = SocketErrorFromErrno(error);
        continue;
      }
    }
    // Requests are small and written at once; no reason to hold them back.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return connection;
  }
  throw EIdSocketError(lastError);
}

}  // namespace tavren

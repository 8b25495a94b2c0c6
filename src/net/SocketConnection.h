#pragma once
// Connections over POSIX TCP sockets, with the fetcher's time-outs applied by
// poll() deadlines. Sends use MSG_NOSIGNAL, so a peer that has gone away gives
// socket error 10054 instead of SIGPIPE.

#include "net/Connection.h"

#include <chrono>

namespace tavren {

class SocketConnection : public Connection {
 public:
  // Takes ownership of a connected, non-blocking socket.
  SocketConnection(int fd, std::chrono::milliseconds readTimeout) noexcept : fd_(fd), readTimeout_(readTimeout) {}
  ~SocketConnection() override;
  SocketConnection(const SocketConnection&) = delete;
  SocketConnection& operator=(const SocketConnection&) = delete;

  void Send(std::string_view bytes, std::chrono::milliseconds wait) override;
  std::size_t Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds wait) override;
  bool StillOpen() override;

 private:
  int fd_;
  std::chrono::milliseconds readTimeout_;
};

class SocketConnector : public Connector {
 public:
  SocketConnector(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds readTimeout) noexcept
      : connectTimeout_(connectTimeout), readTimeout_(readTimeout) {}
  // Tries each address the name resolves to until one connects within what is
  // left of the connect time-out; fails with the last address's error, 11001
  // for a name that does not resolve, 10060 when the time runs out.
  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port) override;

 private:
  std::chrono::milliseconds connectTimeout_;
  std::chrono::milliseconds readTimeout_;
};

}  // namespace tavren

#include "FakeHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tavren::test {
namespace {

int ListenOnLoopback(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen");
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

bool HasCloseHeader(const std::string& response) {
  const std::size_t headEnd = response.find("\r\n\r\n");
  std::string head = response.substr(0, headEnd);
  for (char& c : head) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return head.find("\r\nconnection: close") != std::string::npos;
}

}  // namespace

FakeHttpServer::FakeHttpServer() {
  listener_ = ListenOnLoopback(port_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

FakeHttpServer::~FakeHttpServer() { Stop(); }

void FakeHttpServer::Answer(const std::string& target, std::string rawResponse) {
  const std::lock_guard lock(mutex_);
  answers_[target] = std::move(rawResponse);
}

std::string FakeHttpServer::Ok(std::string_view body) {
  std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: ";
  response += std::to_string(body.size());
  response += "\r\n\r\n";
  response += body;
  return response;
}

std::string FakeHttpServer::Root() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

std::vector<FakeHttpServer::Request> FakeHttpServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

int FakeHttpServer::Connections() const {
  const std::lock_guard lock(mutex_);
  return connections_;
}

void FakeHttpServer::Stop() {
  if (stopping_.exchange(true)) return;
  ::shutdown(listener_, SHUT_RDWR);
  if (acceptor_.joinable()) acceptor_.join();
  ::close(listener_);
  {
    const std::lock_guard lock(mutex_);
    for (const int fd : clients_) ::shutdown(fd, SHUT_RDWR);
  }
  for (std::thread& server : servers_) server.join();
}

void FakeHttpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(fd);
      break;
    }
    clients_.push_back(fd);
    const int connection = connections_++;
    servers_.emplace_back([this, fd, connection] { Serve(fd, connection); });
  }
}

void FakeHttpServer::Serve(int fd, int connection) {
  std::string pending;
  char buffer[4096];
  bool open = true;
  while (open && !stopping_) {
    const std::size_t headEnd = pending.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    Request request{connection, {}, pending.substr(0, headEnd + 2)};
    pending.erase(0, headEnd + 4);
    const std::size_t targetStart = request.head.find(' ');
    const std::size_t targetEnd = request.head.find(' ', targetStart + 1);
    if (targetStart != std::string::npos && targetEnd != std::string::npos) {
      request.target = request.head.substr(targetStart + 1, targetEnd - targetStart - 1);
    }
    std::string response = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back(request);
      if (const auto found = answers_.find(request.target); found != answers_.end()) response = found->second;
    }
    std::size_t sent = 0;
    while (sent < response.size()) {
      const ssize_t n = ::send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    open = !HasCloseHeader(response);
  }
  ::shutdown(fd, SHUT_RDWR);
  const std::lock_guard lock(mutex_);
  ::close(fd);
  std::erase(clients_, fd);
}

std::uint16_t ClosedLoopbackPort() {
  std::uint16_t port = 0;
  const int fd = ListenOnLoopback(port);
  ::close(fd);
  return port;
}

}  // namespace tavren::test

#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <stdexcept>

namespace tavren::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReadLimit = std::chrono::seconds(5);
constexpr auto kSlice = std::chrono::milliseconds(20);

bool WaitReadable(int fd, std::chrono::milliseconds wait) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, static_cast<int>(wait.count())) > 0;
}

}  // namespace

Action ReadRequest() { return {Action::Kind::ReadRequest, {}, {}}; }
Action Send(std::string bytes) { return {Action::Kind::Send, std::move(bytes), {}}; }
Action Drip(std::string bytes, std::chrono::milliseconds interval) {
  return {Action::Kind::Drip, std::move(bytes), interval};
}
Action Pause(std::chrono::milliseconds time) { return {Action::Kind::Pause, {}, time}; }
Action Reset() { return {Action::Kind::Reset, {}, {}}; }
Action Hold() { return {Action::Kind::Hold, {}, {}}; }

ScriptedServer::ScriptedServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("scripted server: cannot listen");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() { Stop(); }

void ScriptedServer::Stop() {
  if (stopping_.exchange(true)) return;
  acceptor_.join();
  for (std::thread& t : players_) t.join();
  ::close(listener_);
}

std::string ScriptedServer::Root() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

void ScriptedServer::AcceptLoop() {
  while (!stopping_) {
    if (!WaitReadable(listener_, kSlice)) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (scripts_.empty()) {
      ::close(fd);
      continue;
    }
    const Script& script = scripts_[std::min(players_.size(), scripts_.size() - 1)];
    players_.emplace_back([this, fd, &script] { Play(fd, script); });
  }
}

void ScriptedServer::Play(int fd, const Script& script) {
  std::string pending;  // received and not yet taken by a ReadRequest
  // 1: bytes came; 0: nothing within wait; -1: the client closed or reset.
  const auto receive = [&](std::chrono::milliseconds wait) {
    if (!WaitReadable(fd, wait)) return 0;
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n <= 0) return -1;
    pending.append(buffer, static_cast<std::size_t>(n));
    return 1;
  };
  const auto sendAll = [&](std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  };
  bool open = true;
  for (const Action& action : script) {
    if (!open || stopping_) break;
    switch (action.kind) {
      case Action::Kind::ReadRequest: {
        const auto deadline = Clock::now() + kReadLimit;
        std::size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos && Clock::now() < deadline && !stopping_) {
          if (receive(kSlice) < 0) break;
        }
        if (end == std::string::npos) {
          open = false;
          break;
        }
        pending.erase(0, end + 4);
        break;
      }
      case Action::Kind::Send:
        open = sendAll(action.bytes);
        break;
      case Action::Kind::Drip:
        for (char c : action.bytes) {
          if (stopping_ || !(open = sendAll(std::string_view(&c, 1)))) break;
          std::this_thread::sleep_for(action.interval);
        }
        break;
      case Action::Kind::Pause: {
        const auto until = Clock::now() + action.interval;
        while (!stopping_ && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        break;
      }
      case Action::Kind::Reset: {
        const linger abortive{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        ::close(fd);
        return;
      }
      case Action::Kind::Hold:
        while (!stopping_ && receive(kSlice) >= 0) {
        }
        break;
    }
  }
  // Keep the connection until the client goes or the server stops.
  while (!stopping_ && receive(kSlice) >= 0) {
  }
  ::close(fd);
}

}  // namespace tavren::test

#pragma once
// A raw TCP server on 127.0.0.1 (a free port) that plays byte-exact scripts,
// one per accepted connection, each on its own thread. Everything it does is
// bounded in time: a read waits at most a few seconds, holding stops when the
// server stops.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tavren::test {

struct Action {
  enum class Kind { ReadRequest, Send, Drip, Pause, Reset, Hold };
  Kind kind;
  std::string bytes;
  std::chrono::milliseconds interval{0};
};

// Reads one request (up to and including its empty line).
Action ReadRequest();
// Sends bytes at once.
Action Send(std::string bytes);
// Sends bytes one at a time, interval apart.
Action Drip(std::string bytes, std::chrono::milliseconds interval);
Action Pause(std::chrono::milliseconds time);
// Closes with a reset (RST).
Action Reset();
// Keeps the connection open, doing nothing, until the client goes or the
// server stops.
Action Hold();

using Script = std::vector<Action>;

class ScriptedServer {
 public:
  // Connection n plays scripts[n]; the last script repeats. A script that ends
  // without Reset leaves its connection open until the server stops.
  explicit ScriptedServer(std::vector<Script> scripts);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t Port() const noexcept { return port_; }
  // "http://127.0.0.1:<port>/"
  std::string Root() const;
  // Stops accepting and ends every connection's script; idempotent.
  void Stop();

 private:
  void AcceptLoop();
  void Play(int fd, const Script& script);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::vector<Script> scripts_;
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> players_;
  std::thread acceptor_;
};

}  // namespace tavren::test

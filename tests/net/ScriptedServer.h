#pragma once
// A raw TCP server on 127.0.0.1 (a free port) that plays byte-exact scripts,
// one per accepted connection, each on its own thread, and records every byte
// it receives. Everything it does is bounded in time: a read waits at most a
// few seconds, holding and endless sending stop when the server stops.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavren::test {

struct Action {
  enum class Kind { ReadRequest, Send, Drip, SendForever, Pause, Close, Reset, Hold };
  Kind kind;
  std::string bytes;
  std::chrono::milliseconds interval{0};
};

// Reads one request (up to and including its empty line) and records it.
Action ReadRequest();
// Sends bytes at once.
Action Send(std::string bytes);
// Sends bytes one at a time, interval apart.
Action Drip(std::string bytes, std::chrono::milliseconds interval);
// Sends bytes over and over until the peer goes or the server stops.
Action SendForever(std::string bytes);
Action Pause(std::chrono::milliseconds time);
// Closes in order (FIN).
Action Close();
// Closes with a reset (RST).
Action Reset();
// Keeps the connection open, doing nothing, until the server stops.
Action Hold();

using Script = std::vector<Action>;

class ScriptedServer {
 public:
  // Connection n plays scripts[n]; the last script repeats. A script that ends
  // without Close or Reset leaves its connection open until the server stops.
  explicit ScriptedServer(std::vector<Script> scripts);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t Port() const noexcept { return port_; }
  // "http://127.0.0.1:<port>/"
  std::string Root() const;
  int Connections() const;
  // The requests read by ReadRequest, in the order they were read.
  std::vector<std::string> Requests() const;
  // Every byte received on every connection (read or not), for counting.
  std::string AllReceived() const;
  // Stops accepting and ends every connection's script; idempotent.
  void Stop();

 private:
  void AcceptLoop();
  void Play(int fd, const Script& script, std::size_t index);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::vector<Script> scripts_;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  int connections_ = 0;
  std::vector<std::string> requests_;
  std::vector<std::string> received_;
  std::vector<std::thread> players_;
  std::thread acceptor_;
};

}  // namespace tavren::test

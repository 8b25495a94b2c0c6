#include "net/MemoryConnection.h"

#include "net/HttpFailures.h"

#include <algorithm>
#include <cstring>

namespace tavren {

namespace {

class MemoryConnection : public Connection {
 public:
  MemoryConnection(MemoryScript script, std::shared_ptr<MemoryLog> log, std::shared_ptr<ManualFetchClock> clock)
      : script_(std::move(script)), log_(std::move(log)), clock_(std::move(clock)) {
    script_.piece = std::max<std::size_t>(script_.piece, 1);
  }

  void Send(std::string_view bytes, std::chrono::milliseconds) override {
    if (Finished()) throw EIdSocketError(10054);
    log_->requests.emplace_back(bytes);
    // Whatever the previous reply left unread is dropped with it.
    current_ = script_.replies[released_++];
    position_ = 0;
  }

  std::size_t Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds wait) override {
    if (position_ < current_.size()) {
      if (clock_) {
        if (script_.pieceDelay > wait) {
          clock_->Advance(wait);
          throw EIdSocketError(10060);
        }
        clock_->Advance(script_.pieceDelay);
      }
      const std::size_t n = std::min({capacity, script_.piece, current_.size() - position_});
      std::memcpy(buffer, current_.data() + position_, n);
      position_ += n;
      return n;
    }
    if (released_ < script_.replies.size()) throw EIdSocketError(10060);
    if (script_.resetAtEnd) throw EIdSocketError(10054);
    return 0;
  }

  bool StillOpen() override { return position_ >= current_.size() && !Finished(); }

 private:
  bool Finished() const noexcept { return released_ >= script_.replies.size(); }

  MemoryScript script_;
  std::shared_ptr<MemoryLog> log_;
  std::shared_ptr<ManualFetchClock> clock_;
  std::string current_;
  std::size_t position_ = 0;
  std::size_t released_ = 0;
};

}  // namespace

MemoryConnector::MemoryConnector(std::vector<MemoryScript> scripts, std::shared_ptr<MemoryLog> log,
                                 std::shared_ptr<ManualFetchClock> clock)
    : scripts_(std::move(scripts)), log_(std::move(log)), clock_(std::move(clock)) {}

std::unique_ptr<Connection> MemoryConnector::Connect(const std::string&, std::uint16_t) {
  if (scripts_.empty()) throw EIdSocketError(10061);
  ++log_->connections;
  const MemoryScript& script = scripts_[std::min(next_, scripts_.size() - 1)];
  ++next_;
  return std::make_unique<MemoryConnection>(script, log_, clock_);
}

}  // namespace tavren

#include "MemorySite.h"

#include "net/HttpFailures.h"

#include <algorithm>
#include <cstring>

namespace tavren::test {

struct MemorySite::State {
  std::map<std::string, std::string> answers;
  std::vector<Request> requests;
  int connections = 0;
  bool refuse = false;
};

namespace {

bool ClosesConnection(std::string_view response) {
  const std::string_view head = response.substr(0, response.find("\r\n\r\n"));
  return head.find("Connection: close") != std::string_view::npos;
}

class SiteConnection : public Connection {
 public:
  SiteConnection(std::shared_ptr<MemorySite::State> state, int number) : state_(std::move(state)), number_(number) {}

  void Send(std::string_view bytes) override {
    if (closed_) throw EIdSocketError(10054);
    sent_.append(bytes);
    const std::size_t end = sent_.find("\r\n\r\n");
    if (end == std::string::npos) return;
    const std::string head = sent_.substr(0, end + 4);
    sent_.erase(0, end + 4);
    const std::size_t start = head.find(' ') + 1;
    const std::string target = head.substr(start, head.find(' ', start) - start);
    state_->requests.push_back({number_, target, head});
    const auto answer = state_->answers.find(target);
    pending_ = answer != state_->answers.end() ? answer->second
                                               : std::string("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    position_ = 0;
    closeAfter_ = ClosesConnection(pending_);
  }

  std::size_t Receive(char* buffer, std::size_t capacity) override {
    if (position_ < pending_.size()) {
      const std::size_t n = std::min(capacity, pending_.size() - position_);
      std::memcpy(buffer, pending_.data() + position_, n);
      position_ += n;
      if (position_ == pending_.size() && closeAfter_) closed_ = true;
      return n;
    }
    if (closed_) return 0;
    throw EIdSocketError(10060);
  }

  bool StillOpen() override { return !closed_ && position_ >= pending_.size(); }

 private:
  std::shared_ptr<MemorySite::State> state_;
  int number_;
  std::string sent_;
  std::string pending_;
  std::size_t position_ = 0;
  bool closeAfter_ = false;
  bool closed_ = false;
};

class SiteConnector : public tavren::Connector {
 public:
  explicit SiteConnector(std::shared_ptr<MemorySite::State> state) : state_(std::move(state)) {}
  std::unique_ptr<Connection> Connect(const std::string&, std::uint16_t) override {
    if (state_->refuse) throw EIdSocketError(10061);
    return std::make_unique<SiteConnection>(state_, state_->connections++);
  }

 private:
  std::shared_ptr<MemorySite::State> state_;
};

}  // namespace

MemorySite::MemorySite() : state_(std::make_shared<State>()) {}

void MemorySite::Answer(const std::string& target, std::string rawResponse) {
  state_->answers[target] = std::move(rawResponse);
}

std::string MemorySite::Ok(std::string_view body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

void MemorySite::Refuse() { state_->refuse = true; }

std::unique_ptr<Connector> MemorySite::NewConnector() const { return std::make_unique<SiteConnector>(state_); }

std::vector<MemorySite::Request> MemorySite::Requests() const { return state_->requests; }

}  // namespace tavren::test

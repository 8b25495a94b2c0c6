#include "authoring/LinkCheck.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <unordered_map>

namespace tavren {
namespace {

using Clock = std::chrono::steady_clock;

// "host:port" of a url, as curl's per-host limit counts hosts; the url
// itself when it cannot be parsed (curl will then fail it on its own).
std::string HostKey(const std::string& url) {
  std::string key = url;
  if (CURLU* u = curl_url()) {
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
      key = std::string(host) + ':' + port;
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(u);
  }
  return key;
}

std::string FailureText(CURLcode code, const char* detail) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return "name not found";
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "proxy name not found";
    case CURLE_COULDNT_CONNECT:
      return "connection refused";
    case CURLE_OPERATION_TIMEDOUT:
      return "timed out";
    case CURLE_PEER_FAILED_VERIFICATION:
      return std::string("certificate: ") + (*detail ? detail : "not trusted");
    case CURLE_SSL_CONNECT_ERROR:
      return std::string("TLS: ") + (*detail ? detail : "handshake failed");
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
      return "connection cut";
    case CURLE_TOO_MANY_REDIRECTS:
      return "more than 10 redirects";
    case CURLE_UNSUPPORTED_PROTOCOL:
      return "redirected to a scheme other than http or https";
    default:
      return curl_easy_strerror(code);
  }
}

class Checker {
 public:
  Checker(const std::vector<std::string>& urls, const LinkCheckOptions& options)
      : urls_(urls), options_(options), report_{std::vector<LinkOutcome>(urls.size()), 0, 0} {
    multi_ = curl_multi_init();
    if (!multi_) throw std::runtime_error("libcurl could not start");
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(options.maxConnections));
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(options.maxPerHost));
    // The cache of idle connections is kept within the total, so an idle
    // connection never stands beside a full set of busy ones.
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, static_cast<long>(options.maxConnections));
  }
  ~Checker() {
    for (auto& [easy, transfer] : active_) {
      curl_multi_remove_handle(multi_, easy);
      curl_easy_cleanup(easy);
    }
    curl_multi_cleanup(multi_);  // closes the cached connections through CloseSocket
  }
  Checker(const Checker&) = delete;
  Checker& operator=(const Checker&) = delete;

  LinkCheckReport Run() {
    const auto deadline = Clock::now() + options_.totalTimeout;
    for (std::size_t i = 0; i < urls_.size(); ++i) {
      if (urls_[i].empty()) {
        Settle(i, {});
        continue;
      }
      std::string key = HostKey(urls_[i]);
      auto [it, added] = hostIndex_.try_emplace(key, hosts_.size());
      if (added) hosts_.push_back({key, {}, 0});
      hosts_[it->second].queue.push_back({i, false, false});
    }
    while (settled_ < urls_.size()) {
      const auto now = Clock::now();
      if (now >= deadline) {
        AbandonAll();
        break;
      }
      WakeRetries(now);
      StartTransfers();
      int running = 0;
      curl_multi_perform(multi_, &running);
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi_, &left))
        if (msg->msg == CURLMSG_DONE) Finish(msg->easy_handle, msg->data.result);
      StartTransfers();
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (!retries_.empty())
        wait = std::min(wait, std::chrono::duration_cast<std::chrono::milliseconds>(retries_.begin()->first - now));
      wait = std::clamp(wait, std::chrono::milliseconds(0), std::chrono::milliseconds(1000));
      if (settled_ < urls_.size()) curl_multi_poll(multi_, nullptr, 0, static_cast<int>(wait.count()), nullptr);
    }
    return std::move(report_);
  }

 private:
  struct Job {
    std::size_t index;
    bool get;      // HEAD was refused with 405 or 501
    bool retried;  // a 429 or 503 was retried once already
  };
  struct Host {
    std::string key;
    std::deque<Job> queue;
    int active;
  };
  struct Transfer {
    Job job;
    std::size_t host;
    CURL* easy = nullptr;
    bool bodyCut = false;
    char error[CURL_ERROR_SIZE] = {};
  };

  static curl_socket_t OpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
    auto& checker = *static_cast<Checker*>(self);
    const curl_socket_t fd = socket(address->family, address->socktype, address->protocol);
    if (fd == CURL_SOCKET_BAD) return fd;
    char ip[INET6_ADDRSTRLEN] = {};
    int port = 0;
    if (address->family == AF_INET) {
      const auto* in = reinterpret_cast<const sockaddr_in*>(&address->addr);
      inet_ntop(AF_INET, &in->sin_addr, ip, sizeof ip);
      port = ntohs(in->sin_port);
    } else if (address->family == AF_INET6) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address->addr);
      inet_ntop(AF_INET6, &in6->sin6_addr, ip, sizeof ip);
      port = ntohs(in6->sin6_port);
    }
    std::string peer = std::string(ip) + ' ' + std::to_string(port);
    const int perPeer = ++checker.openByPeer_[peer];
    checker.socketPeer_[fd] = std::move(peer);
    checker.report_.peakConnections = std::max(checker.report_.peakConnections, ++checker.open_);
    checker.report_.peakHostConnections = std::max(checker.report_.peakHostConnections, perPeer);
    return fd;
  }

  static int CloseSocket(void* self, curl_socket_t fd) {
    auto& checker = *static_cast<Checker*>(self);
    if (auto it = checker.socketPeer_.find(fd); it != checker.socketPeer_.end()) {
      --checker.openByPeer_[it->second];
      --checker.open_;
      checker.socketPeer_.erase(it);
    }
    return close(fd);
  }

  static std::size_t Body(char*, std::size_t size, std::size_t count, void* data) {
    // The status is all a check needs: the first byte of a final answer's
    // body ends the transfer (a redirect's body is let through).
    auto* transfer = static_cast<Transfer*>(data);
    long status = 0;
    curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 300 && status < 400) return size * count;
    transfer->bodyCut = true;
    return 0;
  }

  void StartTransfers() {
    // Hosts take turns: one transfer per host per round while room remains.
    bool started = true;
    while (started && static_cast<int>(active_.size()) < options_.maxConnections) {
      started = false;
      for (std::size_t n = 0; n < hosts_.size() && static_cast<int>(active_.size()) < options_.maxConnections; ++n) {
        Host& host = hosts_[cursor_];
        const std::size_t hostIndex = cursor_;
        cursor_ = (cursor_ + 1) % hosts_.size();
        if (host.queue.empty() || host.active >= options_.maxPerHost) continue;
        Job job = host.queue.front();
        host.queue.pop_front();
        Start(job, hostIndex);
        started = true;
      }
    }
  }

  void Start(const Job& job, std::size_t hostIndex) {
    CURL* easy = curl_easy_init();
    if (!easy) throw std::runtime_error("libcurl could not start a transfer");
    auto transfer = std::make_unique<Transfer>();
    transfer->job = job;
    transfer->host = hostIndex;
    transfer->easy = easy;
    const long timeoutMs = static_cast<long>(options_.requestTimeout.count());
    curl_easy_setopt(easy, CURLOPT_URL, urls_[job.index].c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
    if (job.get) {
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Checker::Body);
      curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    } else {
      curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    }
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "tavren-guide/" TAVREN_VERSION " (link check)");
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &Checker::OpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &Checker::CloseSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    if (!options_.caFileForTests.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, options_.caFileForTests.c_str());
    curl_multi_add_handle(multi_, easy);
    ++hosts_[hostIndex].active;
    active_.emplace(easy, std::move(transfer));
  }

  void Finish(CURL* easy, CURLcode code) {
    auto node = active_.extract(easy);
    curl_multi_remove_handle(multi_, easy);
    Transfer& transfer = *node.mapped();
    --hosts_[transfer.host].active;
    long status = 0;
    long redirects = 0;
    curl_off_t retryAfter = -1;
    char* effective = nullptr;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_COUNT, &redirects);
    curl_easy_getinfo(easy, CURLINFO_RETRY_AFTER, &retryAfter);
    curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
    const std::string location = redirects > 0 && effective ? effective : "";
    const std::string failure = code == CURLE_OK || (code == CURLE_WRITE_ERROR && transfer.bodyCut)
                                    ? std::string()
                                    : FailureText(code, transfer.error);
    curl_easy_cleanup(easy);
    Job job = transfer.job;

    if (failure.empty() && !job.get && (status == 405 || status == 501)) {
      hosts_[transfer.host].queue.push_front({job.index, true, job.retried});
      return;
    }
    if (failure.empty() && !job.retried && (status == 429 || status == 503)) {
      auto wait = retryAfter > 0 ? std::chrono::milliseconds(retryAfter * 1000) : std::chrono::milliseconds(1000);
      wait = std::min(wait, options_.retryAfterCap);
      retries_.emplace(Clock::now() + wait, std::make_pair(transfer.host, Job{job.index, job.get, true}));
      return;
    }
    LinkOutcome outcome;
    if (status > 0) outcome.status = status;
    outcome.locationUtf8 = location;
    if (!failure.empty()) {
      outcome.result = LinkResult::Dead;
      outcome.errorUtf8 = failure;
      // A time-out or a cut after the status line came is still a failure;
      // only an answer that came whole is reported with its status.
      if (code != CURLE_TOO_MANY_REDIRECTS) outcome.status.reset();
    } else if (status >= 200 && status < 300) {
      outcome.result = redirects > 0 ? LinkResult::Redirected : LinkResult::Ok;
    } else {
      outcome.result = LinkResult::Dead;
    }
    Settle(job.index, std::move(outcome));
  }

  void WakeRetries(Clock::time_point now) {
    while (!retries_.empty() && retries_.begin()->first <= now) {
      auto [host, job] = retries_.begin()->second;
      hosts_[host].queue.push_front(job);
      retries_.erase(retries_.begin());
    }
  }

  void AbandonAll() {
    LinkOutcome late;
    late.result = LinkResult::Dead;
    late.errorUtf8 = "total time-out: not checked";
    std::vector<std::size_t> open;
    for (auto& [easy, transfer] : active_) open.push_back(transfer->job.index);
    for (auto& host : hosts_)
      for (const Job& job : host.queue) open.push_back(job.index);
    for (auto& [when, waiting] : retries_) open.push_back(waiting.second.index);
    for (std::size_t index : open) Settle(index, late);
  }

  void Settle(std::size_t index, LinkOutcome outcome) {
    if (outcome.result == LinkResult::Dead) ++dead_;
    report_.outcomes[index] = std::move(outcome);
    ++settled_;
    if (options_.progress) options_.progress(settled_, urls_.size(), dead_);
  }

  const std::vector<std::string>& urls_;
  const LinkCheckOptions& options_;
  LinkCheckReport report_;
  CURLM* multi_ = nullptr;
  std::vector<Host> hosts_;
  std::unordered_map<std::string, std::size_t> hostIndex_;
  std::size_t cursor_ = 0;
  std::unordered_map<CURL*, std::unique_ptr<Transfer>> active_;
  std::multimap<Clock::time_point, std::pair<std::size_t, Job>> retries_;
  std::size_t settled_ = 0;
  std::size_t dead_ = 0;
  int open_ = 0;
  std::unordered_map<std::string, int> openByPeer_;
  std::unordered_map<curl_socket_t, std::string> socketPeer_;
};

}  // namespace

LinkCheckReport CheckLinks(const std::vector<std::string>& urls, const LinkCheckOptions& options) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!initialised) throw std::runtime_error("libcurl could not start");
  Checker checker(urls, options);
  return checker.Run();
}

const char* LinkResultName(LinkResult result) {
  switch (result) {
    case LinkResult::Ok:
      return "ok";
    case LinkResult::Redirected:
      return "redirected";
    case LinkResult::Dead:
      return "dead";
    case LinkResult::Skipped:
      return "skipped";
  }
  return "skipped";
}

}  // namespace tavren

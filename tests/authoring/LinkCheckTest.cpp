// The link check against loopback servers the test starts: every kind of
// answer over HTTP and HTTPS (a certificate made here, trusted by this test
// only), and the connection limits, idle kept-alive connections included.

#include "GuideFiles.h"
#include "authoring/LinkCheck.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace tavren {
namespace {

using testing::TempFolder;

class LinkCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Loopback only: no proxy from the environment stands in between.
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    folder_ = new TempFolder;
    const std::string dir = folder_->Path();
    const std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 -keyout " +
        dir + "/key.pem -out " + dir + "/cert.pem 2>/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::string start =
        "exec python3 " TAVREN_LINK_SERVER " --cert " + dir + "/cert.pem --key " + dir + "/key.pem --hosts 5";
    server_ = popen(start.c_str(), "r");
    ASSERT_NE(server_, nullptr);
    char line[1024] = {};
    ASSERT_NE(fgets(line, sizeof line, server_), nullptr);
    ports_ = line;
  }
  static void TearDownTestSuite() {
    std::smatch m;
    if (std::regex_search(ports_, m, std::regex("\"pid\": (\\d+)"))) kill(std::stoi(m[1]), SIGTERM);
    if (server_) pclose(server_);
    delete folder_;
  }

  static int Port(const std::string& key, int index = -1) {
    std::smatch m;
    if (index < 0) {
      EXPECT_TRUE(std::regex_search(ports_, m, std::regex("\"" + key + "\": (\\d+)")));
      return std::stoi(m[1]);
    }
    EXPECT_TRUE(std::regex_search(ports_, m, std::regex("\"hosts\": \\[([0-9, ]+)\\]")));
    std::string list = m[1];
    for (int i = 0; i < index; ++i) list = list.substr(list.find(',') + 1);
    return std::stoi(list);
  }
  static std::string Http(const std::string& path) { return "http://127.0.0.1:" + std::to_string(Port("http")) + path; }
  static std::string Https(const std::string& path) {
    return "https://127.0.0.1:" + std::to_string(Port("https")) + path;
  }

  static LinkCheckOptions Options() {
    LinkCheckOptions options;
    options.caFileForTests = folder_->Path() + "/cert.pem";
    // Generous: a loaded machine under the sanitizers still answers in time.
    options.requestTimeout = std::chrono::seconds(30);
    return options;
  }

  static inline TempFolder* folder_ = nullptr;
  static inline FILE* server_ = nullptr;
  static inline std::string ports_;
};

struct Row {
  std::string url;
  LinkResult result;
  std::optional<long> status;
  std::string location;  // ends with this; empty: none
  std::string error;     // begins with this; empty: none
};

TEST_F(LinkCheckTest, EveryKindOfAnswerGivesItsResult) {
  // A port that was free a moment ago: nothing listens there.
  int refusedPort = 0;
  {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    refusedPort = ntohs(address.sin_port);
    close(fd);
  }
  const std::vector<Row> rows = {
      {Http("/ok"), LinkResult::Ok, 200, "", ""},
      {Https("/ok"), LinkResult::Ok, 200, "", ""},
      {Http("/moved"), LinkResult::Redirected, 200, "/ok", ""},
      {Https("/found"), LinkResult::Redirected, 200, "/ok", ""},
      {Http("/gone"), LinkResult::Dead, 404, "", ""},
      {Http("/error"), LinkResult::Dead, 500, "", ""},
      {Http("/moved-dead"), LinkResult::Dead, 404, "/gone", ""},
      {Http("/loop"), LinkResult::Dead, 302, "/loop", "more than 10 redirects"},
      {Http("/no-head"), LinkResult::Ok, 200, "", ""},
      {Http("/no-head-impl"), LinkResult::Ok, 200, "", ""},
      {Http("/no-head-gone"), LinkResult::Dead, 404, "", ""},
      {Http("/busy"), LinkResult::Ok, 200, "", ""},
      {Http("/limited"), LinkResult::Ok, 200, "", ""},
      {Http("/always-busy"), LinkResult::Dead, 503, "", ""},
      {Http("/cut"), LinkResult::Dead, std::nullopt, "", "connection cut"},
      {"http://127.0.0.1:" + std::to_string(refusedPort) + "/", LinkResult::Dead, std::nullopt, "",
       "connection refused"},
      {"https://127.0.0.9:" + std::to_string(Port("https_wrong_name")) + "/ok", LinkResult::Dead, std::nullopt, "",
       "certificate: "},
      {"", LinkResult::Skipped, std::nullopt, "", ""},
  };
  std::vector<std::string> urls;
  for (const Row& row : rows) urls.push_back(row.url);
  LinkCheckOptions options = Options();
  options.retryAfterCap = std::chrono::seconds(1);  // /always-busy asks for two minutes
  const LinkCheckReport report = CheckLinks(urls, options);
  ASSERT_EQ(report.outcomes.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].url);
    const LinkOutcome& o = report.outcomes[i];
    EXPECT_EQ(LinkResultName(o.result), std::string(LinkResultName(rows[i].result)));
    EXPECT_EQ(o.status, rows[i].status);
    EXPECT_TRUE(o.locationUtf8.ends_with(rows[i].location) && o.locationUtf8.empty() == rows[i].location.empty())
        << o.locationUtf8;
    EXPECT_TRUE(o.errorUtf8.starts_with(rows[i].error) && o.errorUtf8.empty() == rows[i].error.empty()) << o.errorUtf8;
  }

  // A server slower than the request's time-out.
  LinkCheckOptions impatient = Options();
  impatient.requestTimeout = std::chrono::seconds(1);
  const LinkOutcome slow = CheckLinks({Http("/slow")}, impatient).outcomes[0];
  EXPECT_EQ(slow.result, LinkResult::Dead);
  EXPECT_EQ(slow.errorUtf8, "timed out");

  // The system's certificates do not know the test's own.
  options.caFileForTests.clear();
  EXPECT_TRUE(CheckLinks({Https("/ok")}, options).outcomes[0].errorUtf8.starts_with("certificate: "));
}

TEST_F(LinkCheckTest, OpenConnectionsIdleOnesIncludedNeverExceedTheLimits) {
  std::vector<std::string> urls;
  for (int n = 0; n < 30; ++n)
    for (int host = 0; host < 5; ++host)
      urls.push_back("http://127.0.0." + std::to_string(10 + host) + ":" + std::to_string(Port("hosts", host)) +
                     "/ok?delay&n=" + std::to_string(n));
  LinkCheckOptions options = Options();
  options.maxConnections = 6;
  options.maxPerHost = 2;
  const LinkCheckReport report = CheckLinks(urls, options);
  for (const LinkOutcome& o : report.outcomes) EXPECT_EQ(o.result, LinkResult::Ok) << o.errorUtf8;
  EXPECT_LE(report.peakConnections, 6);
  EXPECT_LE(report.peakHostConnections, 2);
  EXPECT_GE(report.peakConnections, 3);  // the check did run side by side
}

TEST(GuideAddresses, EachAddressOnceWithItsLinesAndOnlyHttpChecked) {
  TempFolder folder;
  const std::string path = folder.Write(
      "g.lst", cp932::FromUtf8("/,s,a,http://me/\r\n*,,M\r\n\r\n0,0,t,http://me/,n\r\n0,0,t,\"http://x/温泉 a\",n\r\n"
                               "0,0,short\r\n0,0,t,mailto:a@b,n\r\n0,0,t,www.example.org,n\r\n0,0,t,\"\",n\r\n"
                               "0,0,t,HTTPS://X/,n\r\n"));
  const GuideAddresses read = ReadGuideAddresses(path);
  std::vector<std::pair<std::string, std::vector<int>>> got;
  for (const auto& a : read.addresses) got.emplace_back(cp932::ToUtf8(a.address), a.lines);
  const std::vector<std::pair<std::string, std::vector<int>>> expected = {
      {"http://me/", {1, 4}}, {"http://x/温泉 a", {5}}, {"mailto:a@b", {7}}, {"www.example.org", {8}}, {"", {9}},
      {"HTTPS://X/", {10}}};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(read.readFailureUtf8, "");
  std::vector<std::string> urls;
  for (const auto& a : read.addresses) urls.push_back(CheckableUrl(a.address));
  EXPECT_EQ(urls,
            (std::vector<std::string>{"http://me/", "http://x/%E6%B8%A9%E6%B3%89%20a", "", "", "", "https://x/"}));
}

}  // namespace
}  // namespace tavren

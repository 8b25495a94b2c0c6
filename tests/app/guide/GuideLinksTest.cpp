// tavren-guide links end to end against a loopback server the test starts:
// the JSON lines and the Japanese summary, byte for byte, and the exit status.

#include "GuideFiles.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>

namespace tavren {
namespace {

using testing::TempFolder;

std::string Output(const std::string& command, int& status) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  status = WEXITSTATUS(pclose(pipe));
  return out;
}

TEST(GuideLinks, ReportsEachAddressOnceAsJsonAndAsASummary) {
  TempFolder site;
  site.Write("page.htm", "<p>here</p>");
  std::filesystem::create_directory(site.Path() + "/folder");
  site.Write("folder/index.html", "<p>folder</p>");
  for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
  FILE* server =
      popen(("echo $$; exec python3 -u -m http.server 0 --bind 127.0.0.1 --directory " + site.Path() + " 2>/dev/null")
                .c_str(),
            "r");
  ASSERT_NE(server, nullptr);
  char line[256] = {};
  ASSERT_NE(fgets(line, sizeof line, server), nullptr);
  const pid_t pid = std::stoi(line);
  ASSERT_NE(fgets(line, sizeof line, server), nullptr);
  std::cmatch m;
  ASSERT_TRUE(std::regex_search(line, m, std::regex("port (\\d+)"))) << line;
  const std::string root = "http://127.0.0.1:" + std::string(m[1]) + "/";

  TempFolder folder;
  const std::string guide =
      folder.Write("g.lst", cp932::FromUtf8("/,s,a," + root + "page.htm\r\n*,,M\r\n+,,m\r\n0,0,ある,\"" + root +
                                            "page.htm\",n\r\n0,0,ない,\"" + root + "gone.htm\",n\r\n0,0,移転,\"" +
                                            root + "folder\",n\r\n0,0,メール,mailto:a@example.org,n\r\n0,0,ない2,\"" +
                                            root + "gone.htm\",n\r\n"));
  int status = 0;
  const std::string json =
      Output(std::string(TAVREN_GUIDE_PROGRAM) + " links --json " + guide + " 2>/dev/null", status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(json,
            "{\"address\":\"" + root +
                "page.htm\",\"result\":\"ok\",\"status\":200,\"location\":null,\"error\":null,\"lines\":[1,4]}\n"
                "{\"address\":\"" +
                root +
                "gone.htm\",\"result\":\"dead\",\"status\":404,\"location\":null,\"error\":null,\"lines\":[5,8]}\n"
                "{\"address\":\"" +
                root + "folder\",\"result\":\"redirected\",\"status\":200,\"location\":\"" + root +
                "folder/\",\"error\":null,\"lines\":[6]}\n"
                "{\"address\":\"mailto:a@example.org\",\"result\":\"skipped\",\"status\":null,\"location\":null,"
                "\"error\":null,\"lines\":[7]}\n");
  const std::string summary = Output(std::string(TAVREN_GUIDE_PROGRAM) + " links " + guide + " 2>&1", status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(summary,
            "4 件のアドレス: 正常 1 件, 転送 1 件, リンク切れ 1 件, 対象外 1 件\n"
            "リンク切れ:\n  " +
                root +
                "gone.htm  404  (5, 8 行目)\n"
                "転送:\n  " +
                root + "folder  200  → " + root + "folder/  (6 行目)\n");

  kill(pid, SIGTERM);
  pclose(server);
}

}  // namespace
}  // namespace tavren

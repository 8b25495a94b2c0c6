// tavren-guide end to end, without the network: check runs tavren-check's
// code, each subcommand answers --help, and the exit statuses and error
// prefixes hold.

#include "GuideFiles.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace tavren {
namespace {

using testing::TempFolder;

struct Outcome {
  int status;
  std::string out, err;
};

Outcome RunProgram(const std::string& program, const std::string& args, const TempFolder& folder) {
  const std::string err = folder.Path() + "/stderr";
  FILE* pipe = popen((program + " " + args + " 2>" + err).c_str(), "r");
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  const int status = pclose(pipe);
  std::ifstream in(err, std::ios::binary);
  return {WEXITSTATUS(status), out, std::string(std::istreambuf_iterator<char>(in), {})};
}

Outcome Guide(const std::string& args, const TempFolder& folder) {
  return RunProgram(TAVREN_GUIDE_PROGRAM, args, folder);
}

TEST(GuideCommand, CheckGivesTavrenChecksOutputAndStatus) {
  TempFolder folder;
  const std::string good =
      folder.Write("good.lst", cp932::FromUtf8("/,s,a,u\r\n*,,M\r\n+,,m\r\n0,0,t,http://x/,n\r\n"));
  const std::string bad = folder.Write("bad.lst", cp932::FromUtf8("*,,M\r\n\r\n0,0,t a,x\r\n"));
  for (const std::string& args :
       std::vector<std::string>{"--json " + good, "--lint " + good, "--lint " + bad, "--major 0 " + bad,
                                "--major x " + good, "--lint --json " + good, ""}) {
    SCOPED_TRACE(args);
    const Outcome check = RunProgram(TAVREN_CHECK_PROGRAM, args, folder);
    const Outcome guide = Guide("check " + args, folder);
    EXPECT_EQ(guide.status, check.status);
    EXPECT_EQ(guide.out, check.out);
    if (!check.err.empty()) {
      EXPECT_EQ(guide.err.substr(0, 14), "tavren-guide: ");
    }
  }
}

TEST(GuideCommand, ExitStatusesAndErrorsByCase) {
  TempFolder folder;
  const std::string broken =
      folder.Write("broken.lst", "/,s,a,u\r\n*,,M\r\n+,,m\r\n0,0,t,http://x/,n\r\n\r\n0,0,u,v,w\r\n");
  const std::string bookmarks =
      folder.Write("my bookmarks.html",
                   "<DL><p><DT><H3>旅</H3><DL><p><DT><A HREF=\"http://a/ b\">A, \"b\"</A><DD>🍣\n</DL><p></DL><p>\n");
  struct Row {
    std::string args;
    int status;
    std::string errBegins;
  };
  const std::vector<Row> rows = {
      {"", 2, "tavren-guide: no COMMAND"},
      {"frobnicate", 2, "tavren-guide: unknown command frobnicate"},
      {"--help", 0, ""},
      {"links --help", 0, ""},
      {"import --help", 0, ""},
      {"export --help", 0, ""},
      {"check --help", 0, ""},
      {"links", 2, "tavren-guide: no GUIDE"},
      {"links --max-per-host 0 x.lst", 2, "tavren-guide: --max-per-host needs"},
      {"links " + folder.Path() + "/none.lst", 2,
       "tavren-guide: " + folder.Path() + "/none.lst: ファイルが見つかりません."},
      {"export " + folder.Path() + "/none.lst", 2, "tavren-guide: "},
      {"export " + broken + " -o " + folder.Path() + "/out.html", 1,
       "tavren-guide: " + broken + ":5: リストのインデックスが範囲を超えています (0)"},
      {"import " + folder.Path() + "/none.html", 2, "tavren-guide: "},
      {"import '" + bookmarks + "' --author 私 -o " + folder.Path() + "/imported.lst", 0,
       "tavren-guide: " + bookmarks + ":1: U+1F363"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const Outcome run = Guide(row.args, folder);
    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.err.substr(0, row.errBegins.size()), row.errBegins);
    if (row.args.ends_with("--help")) {
      EXPECT_EQ(run.out.substr(0, 20), "usage: tavren-guide ");
    }
  }
  // The partial export holds the page before the failing line.
  std::ifstream exported(folder.Path() + "/out.html");
  EXPECT_NE(std::string(std::istreambuf_iterator<char>(exported), {}).find("http://x/"), std::string::npos);

  // An imported guide passes the lint with no finding.
  const Outcome lint = Guide("check --lint " + folder.Path() + "/imported.lst", folder);
  EXPECT_EQ(lint.status, 0);
  EXPECT_EQ(lint.out, folder.Path() + "/imported.lst: 問題は見つかりませんでした\n");
  std::ifstream imported(folder.Path() + "/imported.lst", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(imported), {}),
            cp932::FromUtf8(
                "/,\"my bookmarks\",私,\"\"\r\n*,,旅\r\n+,,未分類\r\n0,0,\"A, \"\"b\"\"\",\"http://a/ b\",?\r\n"));
}

}  // namespace
}  // namespace tavren

// tavren-check end to end: the built program on small guide files, its JSON
// parsed back and compared.

#include "GuideFiles.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <memory>
#include <variant>
#include <vector>

namespace tavren {
namespace {

using testing::TempFolder;
using Strings = std::vector<std::string>;

// A small strict JSON reader: objects, arrays, strings, integers.
struct Json {
  std::variant<std::nullptr_t, long long, std::string, std::vector<Json>, std::map<std::string, Json>> value;
  const std::map<std::string, Json>& Object() const { return std::get<4>(value); }
  const Json& operator[](const std::string& key) const { return Object().at(key); }
  Strings StringArray() const {
    Strings out;
    for (const Json& j : std::get<3>(value)) out.push_back(std::get<2>(j.value));
    return out;
  }
  const std::string& String() const { return std::get<2>(value); }
  long long Int() const { return std::get<1>(value); }
};

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : s_(text) {}
  Json ParseDocument() {
    Json j = Parse();
    Space();
    if (i_ != s_.size()) throw std::runtime_error("trailing bytes");
    return j;
  }

 private:
  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
  }
  char Peek() {
    Space();
    if (i_ >= s_.size()) throw std::runtime_error("end of text");
    return s_[i_];
  }
  void Expect(char c) {
    if (Peek() != c) throw std::runtime_error(std::string("expected ") + c);
    ++i_;
  }
  Json Parse() {
    char c = Peek();
    if (c == '{') {
      ++i_;
      std::map<std::string, Json> object;
      if (Peek() == '}') return ++i_, Json{object};
      for (;;) {
        std::string key = String();
        Expect(':');
        if (!object.emplace(key, Parse()).second) throw std::runtime_error("duplicate key " + key);
        if (Peek() == '}') return ++i_, Json{object};
        Expect(',');
      }
    }
    if (c == '[') {
      ++i_;
      std::vector<Json> array;
      if (Peek() == ']') return ++i_, Json{array};
      for (;;) {
        array.push_back(Parse());
        if (Peek() == ']') return ++i_, Json{array};
        Expect(',');
      }
    }
    if (c == '"') return Json{String()};
    std::size_t start = i_;
    if (s_[i_] == '-') ++i_;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    if (i_ == start) throw std::runtime_error("unexpected byte");
    return Json{std::stoll(std::string(s_.substr(start, i_ - start)))};
  }
  std::string String() {
    Expect('"');
    std::u16string text;
    std::string out;
    while (true) {
      if (i_ >= s_.size()) throw std::runtime_error("unterminated string");
      unsigned char c = static_cast<unsigned char>(s_[i_++]);
      if (c == '"') break;
      if (c < 0x20) throw std::runtime_error("raw control character in string");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      char e = s_.at(i_++);
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned code = std::stoul(std::string(s_.substr(i_, 4)), nullptr, 16);
          i_ += 4;
          if (code >= 0x80) throw std::runtime_error("test reader only takes ASCII \\u escapes");
          out += static_cast<char>(code);
          break;
        }
        default:
          throw std::runtime_error("bad escape");
      }
    }
    return out;
  }
  std::string_view s_;
  std::size_t i_ = 0;
};

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

ProgramRun RunCheck(const Strings& args, const TempFolder& folder) {
  std::string command = TAVREN_CHECK_PROGRAM;
  for (const auto& a : args) command += " " + Quoted(a);
  std::string errFile = folder.Path() + "/stderr.txt";
  command += " 2>" + Quoted(errFile);
  ProgramRun run{};
  FILE* pipe = ::popen(command.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) run.out.append(buf, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile);
  run.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return run;
}

std::string Guide(const Strings& utf8Lines) {
  std::string bytes;
  for (const auto& line : utf8Lines) bytes += cp932::FromUtf8(line) + "\r\n";
  return bytes;
}

const std::string kInitialCaption = "ガイド式ブラウザ　Tavren.exe v1.05" + std::string(88, ' ') + "(C) 2026 肉球工房";

TEST(TavrenCheck, JsonGivesTheWindowAfterTheCommands) {
  TempFolder folder;
  std::string guide = folder.Write(
      "g.lst", Guide({"/,温泉,さくら,http://example.jp/", "*,0,東北", "*,1,関東", "+,0,秘湯", "+,1,日帰り",
                      "0,0,乳頭,http://a/,白い湯", "1,1,箱根,http://b/,日帰り湯", "1,0,草津,http://c/,湯畑"}));
  const std::string caption =
      "温泉のホームページガイドブックです。　さくら が、ご案内します。　　　　　　（ｃ）肉球工房";
  struct Row {
    Strings args;
    Strings titles, addresses, notes;
    int majorIndex, middleIndex;
  } rows[] = {
      {{}, {"乳頭", "箱根", "草津"}, {"http://a/", "http://b/", "http://c/"}, {"白い湯", "日帰り湯", "湯畑"}, 0, 0},
      {{"--major", "1"}, {"草津"}, {"http://c/"}, {"湯畑"}, 1, 0},
      {{"--major", "1", "--middle", "1"}, {"箱根"}, {"http://b/"}, {"日帰り湯"}, 1, 1},
      {{"--middle", "1"}, {}, {}, {}, 0, 1},
      {{"--middle", "0", "--major", "0"}, {"乳頭"}, {"http://a/"}, {"白い湯"}, 0, 0},
      {{"--major", "-1"}, {}, {}, {}, -1, 0},
  };
  for (const Row& row : rows) {
    Strings args = row.args;
    args.push_back("--json");
    args.push_back(guide);
    ProgramRun run = RunCheck(args, folder);
    ASSERT_EQ(run.status, 0) << run.err;
    Json j = JsonParser(run.out).ParseDocument();
    EXPECT_EQ(j.Object().size(), 11u);
    EXPECT_EQ(j["caption"].String(), caption);
    EXPECT_EQ(j["guideButton"].String(), "ガイド : さくらのページ");
    EXPECT_EQ(j["guideUrl"].String(), "http://example.jp/");
    EXPECT_EQ(j["major"].StringArray(), (Strings{"東北", "関東"}));
    EXPECT_EQ(j["middle"].StringArray(), (Strings{"秘湯", "日帰り"}));
    EXPECT_EQ(j["titles"].StringArray(), row.titles);
    EXPECT_EQ(j["addresses"].StringArray(), row.addresses);
    EXPECT_EQ(j["notes"].StringArray(), row.notes);
    EXPECT_EQ(j["majorIndex"].Int(), row.majorIndex);
    EXPECT_EQ(j["middleIndex"].Int(), row.middleIndex);
    EXPECT_EQ(j["errors"].StringArray(), Strings{});
  }
}

TEST(TavrenCheck, FailedCommandsAreRecordedAndTheNextStillRuns) {
  TempFolder folder;
  struct Row {
    const char* what;
    std::string bytes;  // empty: no file
    Strings args;
    Strings errors;
    Strings titles;
    std::string caption;
  } rows[] = {
      {"missing file",
       "",
       {"--major", "0"},
       {"ファイルが見つかりません.", "ファイルが見つかりません."},
       {},
       kInitialCaption},
      {"a blank line stops the load and every filter",
       Guide({"*,0,A", "0,0,t1,a,n", "", "0,0,t2,a,n"}),
       {"--major", "0", "--middle", "0"},
       {"リストのインデックスが範囲を超えています (0)", "リストのインデックスが範囲を超えています (0)",
        "リストのインデックスが範囲を超えています (0)"},
       {"t1"},
       kInitialCaption},
      {"x position fails only at the filter",
       Guide({"x,0,t0,a,n", "0,0,t1,a,n"}),
       {"--major", "0"},
       {"'x' は整数ではありません."},
       {},
       kInitialCaption},
      {"header short of its address",
       Guide({"/,s,a", "0,0,t1,u,n"}),
       {},
       {"リストのインデックスが範囲を超えています (3)"},
       {},
       "sのホームページガイドブックです。　a が、ご案内します。　　　　　　（ｃ）肉球工房"},
  };
  for (const Row& row : rows) {
    std::string path = row.bytes.empty() ? folder.Path() + "/none.lst" : folder.Write("g.lst", row.bytes);
    Strings args = row.args;
    args.push_back("--json");
    args.push_back(path);
    ProgramRun run = RunCheck(args, folder);
    EXPECT_EQ(run.status, 1) << row.what;
    Json j = JsonParser(run.out).ParseDocument();
    EXPECT_EQ(j["errors"].StringArray(), row.errors) << row.what;
    EXPECT_EQ(j["titles"].StringArray(), row.titles) << row.what;
    EXPECT_EQ(j["caption"].String(), row.caption) << row.what;
  }
}

TEST(TavrenCheck, JsonIsValidUtf8WithEscapes) {
  TempFolder folder;
  // A tab and quotes inside a quoted note, a backslash, a byte that is not
  // CP932 and a lead byte with a bad second byte.
  std::string bytes = "0,0,\"a\tb\",\"c\\d\",\"say \"\"hi\"\"\"\r\n0,0,\x80z,\x81\x20,\xFD\r\n";
  std::string path = folder.Write("g.lst", bytes);
  ProgramRun run = RunCheck({"--json", path}, folder);
  ASSERT_EQ(run.status, 0) << run.err;
  Json j = JsonParser(run.out).ParseDocument();
  EXPECT_EQ(j["titles"].StringArray(), (Strings{"a\tb", "\xEF\xBF\xBDz"}));
  EXPECT_EQ(j["addresses"].StringArray()[0], "c\\d");
  EXPECT_EQ(j["notes"].StringArray()[0], "say \"hi\"");
  EXPECT_EQ(j["notes"].StringArray()[1], "\xEF\xBF\xBD");
  EXPECT_NE(j["addresses"].StringArray()[1].find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(TavrenCheck, UsageErrorsExitWith2) {
  TempFolder folder;
  std::string path = folder.Write("g.lst", "0,0,t,a,n\r\n");
  const Strings rows[] = {
      {},
      {"--major"},
      {"--major", "one", path},
      {"--middle", "1.5", path},
      {"--bogus", path},
      {path, path},
      {"--lint", "--json", path},
      {"--major", "99999999999", path},
      {"--find"},
      {"--find", "x"},
      {"--find", "x", "--lint", path},
  };
  for (const Strings& args : rows) {
    ProgramRun run = RunCheck(args, folder);
    EXPECT_EQ(run.status, 2) << (args.empty() ? "(none)" : args[0]);
    EXPECT_NE(run.err.find("usage: tavren-check"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
}

TEST(TavrenCheck, FindPrintsEachMatchAsAJsonLineAndExitsAsGrepDoes) {
  TempFolder folder;
  std::string path = folder.Write("g.lst", Guide({"*,0,東北", "+,0,秘湯", "0,0,乳頭温泉,http://a/,白い湯",
                                                  "x,0,ﾗｰﾒﾝ,http://b/,\"味噌, \"\"塩\"\"\"", "0,0,箱根,http://c/,"}));
  struct Row {
    const char* name;
    Strings args;
    int status;
    std::string out;
  };
  const Row rows[] = {
      {"Folded",
       {"--find", "らーめん 塩", path},
       0,
       "{\"line\": 4, \"title\": \"ﾗｰﾒﾝ\", \"address\": \"http://b/\", \"note\": \"味噌, \\\"塩\\\"\", "
       "\"major\": null, \"middle\": \"秘湯\"}\n"},
      {"FileOrder",
       {"--find", "湯", path},
       0,
       "{\"line\": 3, \"title\": \"乳頭温泉\", \"address\": \"http://a/\", \"note\": \"白い湯\", \"major\": "
       "\"東北\", \"middle\": \"秘湯\"}\n"},
      {"NothingMatched", {"--find", "草津", path}, 1, ""},
      {"UnreadableFile", {"--find", "湯", folder.Path() + "/missing.lst"}, 2, ""},
  };
  for (const Row& row : rows) {
    ProgramRun run = RunCheck(row.args, folder);
    EXPECT_EQ(run.status, row.status) << row.name;
    EXPECT_EQ(run.out, row.out) << row.name;
  }
}

TEST(TavrenCheck, PeopleGetAReadableListing) {
  TempFolder folder;
  std::string path = folder.Write("g.lst", Guide({"*,0,東北", "+,0,秘湯", "0,0,乳頭,http://a/,白い湯"}));
  ProgramRun run = RunCheck({path}, folder);
  EXPECT_EQ(run.status, 0);
  for (const char* part : {"東北", "秘湯", "乳頭", "http://a/", "白い湯", "ガイド名"})
    EXPECT_NE(run.out.find(part), std::string::npos) << part;
}

TEST(TavrenCheck, TheSampleGuidesLoadCleanly) {
  TempFolder folder;
  for (const char* name : {"onsen.lst", "ramen.csv"}) {
    std::string path = std::string(TAVREN_SOURCE_DIR) + "/examples/" + name;
    ProgramRun run = RunCheck({"--json", path}, folder);
    ASSERT_EQ(run.status, 0) << name << run.out;
    Json j = JsonParser(run.out).ParseDocument();
    EXPECT_GE(j["major"].StringArray().size(), 3u) << name;
    EXPECT_GE(j["titles"].StringArray().size(), 10u) << name;
    EXPECT_EQ(RunCheck({"--lint", path}, folder).status, 0) << name;
  }
}

TEST(TavrenCheck, LintExitsWith1WhenALineWouldFail) {
  TempFolder folder;
  struct Row {
    std::string bytes;
    int status;
    std::string part;
  } rows[] = {
      {Guide({"*,0,A", "", "0,0,t,a,n"}), 1, ":2: エラー: リストのインデックスが範囲を超えています (0)"},
      {Guide({"*,0,A", "+,0,B", "0,0,My Page,a,n"}), 0, ":3: 警告: "},
      {Guide({"*,0,A", "+,0,B", "0,0,t,a,n"}), 0, "問題は見つかりませんでした"},
  };
  for (const Row& row : rows) {
    std::string path = folder.Write("g.lst", row.bytes);
    ProgramRun run = RunCheck({"--lint", path}, folder);
    EXPECT_EQ(run.status, row.status) << row.part;
    EXPECT_NE(run.out.find(row.part), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace tavren

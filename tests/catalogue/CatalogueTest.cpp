#include "catalogue/Catalogue.h"

#include "GuideFiles.h"
#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "catalogue/MemoryCatalogueWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tavren {
namespace {

using testing::TempFolder;
using Items = std::vector<std::string>;

// Writes UTF-8 text as a CP932 guide with CR LF line ends.
std::string Guide(const std::vector<std::string>& utf8Lines) {
  std::string bytes;
  for (const auto& line : utf8Lines) bytes += cp932::FromUtf8(line) + "\r\n";
  return bytes;
}

Items Utf8(const MemoryStringList& list) {
  Items items;
  for (const auto& item : list.Items()) items.push_back(cp932::ToUtf8(item));
  return items;
}

// The text the error box shows for a command, or "" when it did not fail.
std::string ErrorOf(const std::function<void()>& command) {
  try {
    command();
  } catch (const EFailure& e) {
    return cp932::ToUtf8(ErrorBoxText(e.Message()));
  }
  return {};
}

const std::vector<std::string> kOnsen = {
    "/,温泉,さくら,http://example.jp/sakura/",
    "*,0,東北",
    "*,1,関東",
    "+,0,秘湯",
    "+,1,日帰り",
    "1,1,箱根,http://hakone.example/,日帰り湯",
    "0,0,乳頭,http://nyuto.example/,白い湯",
    "1,0,草津,http://kusatsu.example/,湯畑",
    "0,0,\"酸ヶ湯 温泉\",http://sukayu.example/,千人風呂",
    "1,1,湯河原,http://yugawara.example/,万葉の湯",
};

class CatalogueTest : public ::testing::Test {
 protected:
  std::string Write(const std::vector<std::string>& lines) { return folder_.Write("guide.lst", Guide(lines)); }
  std::string Load(const std::string& path) {
    window_.ScriptChoice(path);
    return ErrorOf([&] { catalogue_.Load(); });
  }
  std::string ClickMajor(int row) {
    window_.SelectMajor(row);
    return ErrorOf([&] { catalogue_.FilterByMajor(); });
  }
  std::string ClickMiddle(int row) {
    window_.SelectMiddle(row);
    return ErrorOf([&] { catalogue_.FilterByMiddle(); });
  }

  TempFolder folder_;
  MemoryCatalogueWindow window_;
  Catalogue catalogue_{window_};
};

TEST_F(CatalogueTest, StartsWithTheInitialCaptionsAndValues) {
  EXPECT_EQ(cp932::ToUtf8(window_.Caption()),
            "ガイド式ブラウザ　Tavren.exe v1.05" + std::string(88, ' ') + "(C) 2026 肉球工房");
  EXPECT_EQ(cp932::ToUtf8(window_.GuideButtonCaption()), "ガイド名");
  EXPECT_EQ(catalogue_.MajorIndex(), 0);
  EXPECT_EQ(catalogue_.MiddleIndex(), 0);
  EXPECT_EQ(catalogue_.GuideUrl(), "");
  EXPECT_FALSE(catalogue_.GuideFile().has_value());
}

TEST_F(CatalogueTest, LoadFillsEveryListInFileOrderAndAppliesTheHeader) {
  std::string path = Write(kOnsen);
  EXPECT_EQ(Load(path), "");
  EXPECT_EQ(Utf8(window_.MajorList()), (Items{"東北", "関東"}));
  EXPECT_EQ(Utf8(window_.MiddleList()), (Items{"秘湯", "日帰り"}));
  EXPECT_EQ(Utf8(window_.TitleList()), (Items{"箱根", "乳頭", "草津", "酸ヶ湯 温泉", "湯河原"}));
  EXPECT_EQ(Utf8(window_.AddressList()),
            (Items{"http://hakone.example/", "http://nyuto.example/", "http://kusatsu.example/",
                   "http://sukayu.example/", "http://yugawara.example/"}));
  EXPECT_EQ(Utf8(window_.NoteList()), (Items{"日帰り湯", "白い湯", "湯畑", "千人風呂", "万葉の湯"}));
  EXPECT_EQ(cp932::ToUtf8(window_.Caption()),
            "温泉のホームページガイドブックです。　さくら が、ご案内します。　　　　　　（ｃ）肉球工房");
  EXPECT_EQ(cp932::ToUtf8(window_.GuideButtonCaption()), "ガイド : さくらのページ");
  EXPECT_EQ(catalogue_.GuideUrl(), "http://example.jp/sakura/");
  EXPECT_EQ(catalogue_.GuideFile(), path);
}

TEST_F(CatalogueTest, FilterKeepsOnlyThePagesOfTheSelectedPair) {
  Load(Write(kOnsen));
  struct Row {
    const char* click;
    int row;
    Items titles;
    int major, middle;
  } rows[] = {
      {"major", 1, {"草津"}, 1, 0},  // no middle click yet: middle position 0
      {"middle", 1, {"箱根", "湯河原"}, 1, 1},
      {"major", 0, {}, 0, 1},
      {"middle", 0, {"乳頭", "酸ヶ湯 温泉"}, 0, 0},
      {"major", -1, {}, -1, 0},
      {"major", 7, {}, 7, 0},
  };
  for (const Row& row : rows) {
    std::string error = std::string(row.click) == "major" ? ClickMajor(row.row) : ClickMiddle(row.row);
    EXPECT_EQ(error, "") << row.click << " " << row.row;
    EXPECT_EQ(Utf8(window_.TitleList()), row.titles) << row.click << " " << row.row;
    EXPECT_EQ(window_.AddressList().Count(), window_.TitleList().Count());
    EXPECT_EQ(window_.NoteList().Count(), window_.TitleList().Count());
    EXPECT_EQ(catalogue_.MajorIndex(), row.major);
    EXPECT_EQ(catalogue_.MiddleIndex(), row.middle);
    EXPECT_EQ(window_.MajorList().Count(), 2) << "category lists stay";
    EXPECT_EQ(window_.MiddleList().Count(), 2) << "category lists stay";
  }
}

TEST_F(CatalogueTest, LoadKeepsTheSelectedPositions) {
  std::string path = Write(kOnsen);
  Load(path);
  ClickMajor(1);
  ClickMiddle(1);
  Load(path);
  EXPECT_EQ(catalogue_.MajorIndex(), 1);
  EXPECT_EQ(catalogue_.MiddleIndex(), 1);
  EXPECT_EQ(window_.TitleList().Count(), 5);
}

TEST_F(CatalogueTest, FilterReReadsTheFileOnEveryClick) {
  std::string path = Write(kOnsen);
  Load(path);
  ClickMajor(0);
  EXPECT_EQ(Utf8(window_.TitleList()), (Items{"乳頭", "酸ヶ湯 温泉"}));
  auto edited = kOnsen;
  edited.push_back("0,0,玉川,http://tamagawa.example/,強酸性");
  Write(edited);
  ClickMajor(0);
  EXPECT_EQ(Utf8(window_.TitleList()), (Items{"乳頭", "酸ヶ湯 温泉", "玉川"}));
}

TEST_F(CatalogueTest, TheLastOfTwoHeadersWinsAtLoadAndFilter) {
  auto lines = kOnsen;
  lines.push_back("/,ラーメン,たかし,http://example.jp/takashi/");
  Load(Write(lines));
  EXPECT_EQ(cp932::ToUtf8(window_.GuideButtonCaption()), "ガイド : たかしのページ");
  EXPECT_EQ(catalogue_.GuideUrl(), "http://example.jp/takashi/");
  window_.SetCaption("changed");
  window_.SetGuideButtonCaption("changed");
  ClickMajor(0);
  EXPECT_EQ(cp932::ToUtf8(window_.Caption()),
            "ラーメンのホームページガイドブックです。　たかし が、ご案内します。　　　　　　（ｃ）肉球工房");
  EXPECT_EQ(cp932::ToUtf8(window_.GuideButtonCaption()), "ガイド : たかしのページ");
}

TEST_F(CatalogueTest, OpenFailuresLeaveTheListsEmpty) {
  struct Row {
    const char* what;
    std::function<std::string()> command;
    const char* error;
  } rows[] = {
      {"cancelled before any choice",
       [&] {
         window_.ScriptChoice(std::nullopt);
         return ErrorOf([&] { catalogue_.Load(); });
       },
       "I/O エラー (102)"},
      {"file missing", [&] { return Load(folder_.Path() + "/none.lst"); }, "ファイルが見つかりません."},
      {"folder missing", [&] { return Load(folder_.Path() + "/none/g.lst"); }, "ファイル名の指定が間違っています."},
      {"a folder", [&] { return Load(folder_.Path()); }, "ファイルへのアクセスが拒否されました."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.command(), row.error) << row.what;
    EXPECT_EQ(window_.MajorList().Count() + window_.MiddleList().Count() + window_.TitleList().Count() +
                  window_.AddressList().Count() + window_.NoteList().Count(),
              0)
        << row.what;
  }
}

TEST_F(CatalogueTest, FilterBeforeAnyChoiceIsRefused) {
  EXPECT_EQ(ClickMajor(-1), "ファイル名の指定が間違っています.");
  EXPECT_EQ(catalogue_.MajorIndex(), -1);
}

TEST_F(CatalogueTest, CancelAfterALoadReadsTheSameFileAgain) {
  std::string path = Write(kOnsen);
  Load(path);
  window_.ScriptChoice(std::nullopt);
  EXPECT_EQ(ErrorOf([&] { catalogue_.Load(); }), "");
  EXPECT_EQ(window_.TitleList().Count(), 5);
  EXPECT_EQ(catalogue_.GuideFile(), path);
  EXPECT_EQ(window_.DialogCount(), 2);
}

// A guide given by path (command line, drop) replaces the one listed, without
// the dialog, and becomes the file that filters and a cancelled dialog read.
TEST_F(CatalogueTest, LoadFromAPathActsAsAConfirmedChoice) {
  Load(folder_.Write("other.lst", Guide({"*,0,北海道", "0,0,登別,http://nobo.example/,地獄谷"})));
  const std::string path = Write(kOnsen);
  EXPECT_EQ(ErrorOf([&] { catalogue_.LoadFrom(path); }), "");
  EXPECT_EQ(Utf8(window_.MajorList()), (Items{"東北", "関東"}));
  EXPECT_EQ(window_.DialogCount(), 1);
  EXPECT_EQ(ClickMajor(0), "");
  EXPECT_EQ(Utf8(window_.TitleList()), (Items{"乳頭", "酸ヶ湯 温泉"}));
  window_.ScriptChoice(std::nullopt);
  EXPECT_EQ(ErrorOf([&] { catalogue_.Load(); }), "");
  EXPECT_EQ(window_.TitleList().Count(), 5);
}

// Each row: a guide, the command that meets the faulty line, the message,
// and what stays listed from before the failure.
TEST_F(CatalogueTest, FailuresKeepWhatWasListedBefore) {
  struct Row {
    const char* what;
    std::vector<std::string> lines;
    bool filter;  // false: load; true: load, then click major 0 and look at the click
    const char* error;
    Items titles, addresses, notes;
    Items majors;
  } rows[] = {
      {"blank line stops the load",
       {"*,0,A", "0,0,t1,a1,n1", "", "0,0,t2,a2,n2"},
       false,
       "リストのインデックスが範囲を超えています (0)",
       {"t1"},
       {"a1"},
       {"n1"},
       {"A"}},
      {"blank-only line stops the load",
       {"0,0,t1,a1,n1", " \t ", "*,0,A"},
       false,
       "リストのインデックスが範囲を超えています (0)",
       {"t1"},
       {"a1"},
       {"n1"},
       {}},
      {"page with four fields",
       {"0,0,t1,a1,n1", "0,0,t2,a2", "0,0,t3,a3,n3"},
       false,
       "リストのインデックスが範囲を超えています (4)",
       {"t1", "t2"},
       {"a1", "a2"},
       {"n1"},
       {}},
      {"category with two fields",
       {"*,0,A", "*,B"},
       false,
       "リストのインデックスが範囲を超えています (2)",
       {},
       {},
       {},
       {"A"}},
      {"page position x at a filter",
       {"*,0,A", "0,0,t1,a1,n1", "x,0,t2,a2,n2", "0,0,t3,a3,n3"},
       true,
       "'x' は整数ではありません.",
       {"t1"},
       {"a1"},
       {"n1"},
       {"A"}},
      {"middle position checked only after the major matched",
       {"*,0,A", "1,zz,t0,a0,n0", "0,0,t1,a1,n1", "0,1.5,t2,a2,n2"},
       true,
       "'1.5' は整数ではありません.",
       {"t1"},
       {"a1"},
       {"n1"},
       {"A"}},
      {"blank line stops a filter too",
       {"*,0,A", "0,0,t1,a1,n1", "", "0,0,t2,a2,n2"},
       true,
       "リストのインデックスが範囲を超えています (0)",
       {"t1"},
       {"a1"},
       {"n1"},
       {"A"}},
      {"matching page without its note at a filter",
       {"0,0,t1,a1,n1", "0,0,t2,a2"},
       true,
       "リストのインデックスが範囲を超えています (4)",
       {"t1", "t2"},
       {"a1", "a2"},
       {"n1"},
       {}},
      {"quoted position with a trailing blank",
       {"\"0 \",0,t1,a1,n1"},
       true,
       "'0 ' は整数ではありません.",
       {},
       {},
       {},
       {}},
  };
  for (const Row& row : rows) {
    std::string path = Write(row.lines);
    std::string error = Load(path);
    if (row.filter) error = ClickMajor(0);  // whatever the load said
    EXPECT_EQ(error, row.error) << row.what;
    EXPECT_EQ(Utf8(window_.TitleList()), row.titles) << row.what;
    EXPECT_EQ(Utf8(window_.AddressList()), row.addresses) << row.what;
    EXPECT_EQ(Utf8(window_.NoteList()), row.notes) << row.what;
    EXPECT_EQ(Utf8(window_.MajorList()), row.majors) << row.what;
    EXPECT_TRUE(testing::WriterCanLock(path)) << row.what << ": the file was left open";
  }
}

TEST_F(CatalogueTest, FilterReadsOnlyTheFieldsItNeeds) {
  // Records that fail at load but pass a filter: categories need only field 0
  // there, and pages of other categories need only field 0.
  std::string path = Write({"*", "+", "1", "1,0", "0,0,t,a,n"});
  EXPECT_EQ(Load(path), "リストのインデックスが範囲を超えています (2)");
  EXPECT_EQ(ClickMajor(0), "");
  EXPECT_EQ(Utf8(window_.TitleList()), Items{"t"});
}

TEST_F(CatalogueTest, HeaderFieldsAreReadInOrderAndStopAtTheFirstMissing) {
  struct Row {
    std::string line;
    const char* error;
    const char* caption;  // nullptr: unchanged
    const char* button;   // nullptr: unchanged
    std::string url;
  } rows[] = {
      {"/", "リストのインデックスが範囲を超えています (1)", nullptr, nullptr, ""},
      {"/,温泉", "リストのインデックスが範囲を超えています (2)", nullptr, nullptr, ""},
      {"/,温泉,さくら", "リストのインデックスが範囲を超えています (3)",
       "温泉のホームページガイドブックです。　さくら が、ご案内します。　　　　　　（ｃ）肉球工房",
       "ガイド : さくらのページ", ""},
      {"/,,,", "", "のホームページガイドブックです。　 が、ご案内します。　　　　　　（ｃ）肉球工房",
       "ガイド : のページ", ""},
      {"\"/\",a,b,u,extra", "", "aのホームページガイドブックです。　b が、ご案内します。　　　　　　（ｃ）肉球工房",
       "ガイド : bのページ", "u"},
  };
  for (const Row& row : rows) {
    MemoryCatalogueWindow window;
    Catalogue catalogue(window);
    std::string initialCaption = window.Caption();
    window.ScriptChoice(Write({row.line}));
    EXPECT_EQ(ErrorOf([&] { catalogue.Load(); }), row.error) << row.line;
    EXPECT_EQ(cp932::ToUtf8(window.Caption()), row.caption ? row.caption : cp932::ToUtf8(initialCaption)) << row.line;
    EXPECT_EQ(cp932::ToUtf8(window.GuideButtonCaption()), row.button ? row.button : "ガイド名") << row.line;
    EXPECT_EQ(catalogue.GuideUrl(), row.url) << row.line;
  }
}

TEST_F(CatalogueTest, EveryPathClosesTheFile) {
  std::string good = Write(kOnsen);
  int before = testing::OpenDescriptorCount();
  Load(good);
  ClickMajor(0);
  Load(folder_.Path() + "/missing.lst");
  Load(folder_.Write("bad.lst", "0,0,t\r\n"));
  ClickMajor(0);
  Load(folder_.Path());
  EXPECT_EQ(testing::OpenDescriptorCount(), before);
}

TEST_F(CatalogueTest, GuideWithByteOrderMarkReadsTheHeaderAsAPage) {
  std::string path = folder_.Write("bom.lst", "\xEF\xBB\xBF" + Guide({"/,a,b,c,d", "*,0,A"}));
  EXPECT_EQ(Load(path), "");
  EXPECT_EQ(window_.TitleList().Items(), Items{"b"});
  EXPECT_EQ(catalogue_.GuideUrl(), "");
}

}  // namespace
}  // namespace tavren

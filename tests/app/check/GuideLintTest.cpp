#include "app/check/GuideLint.h"

#include "GuideFiles.h"
#include "base/CodePage.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavren {
namespace {

using testing::TempFolder;

std::string Guide(const std::vector<std::string>& utf8Lines) {
  std::string bytes;
  for (const auto& line : utf8Lines) bytes += cp932::FromUtf8(line) + "\r\n";
  return bytes;
}

// A finding expected on a line: whether it fails, and a part of its message.
struct Expected {
  int line;
  bool fails;
  std::string part;
};

const std::string kCategories = Guide({"/,温泉,さくら,http://a/", "*,0,東北", "+,0,秘湯"});

TEST(GuideLint, FindsWhatStopsOrShiftsAGuide) {
  struct Row {
    const char* what;
    std::string bytes;
    std::vector<Expected> findings;
  } rows[] = {
      {"clean guide", kCategories + Guide({"0,0,乳頭,http://a/,白い湯"}), {}},
      {"blank line",
       kCategories + Guide({"", "0,0,t,a,n"}),
       {{4, true, "リストのインデックスが範囲を超えています (0)"}}},
      {"page with four fields",
       kCategories + Guide({"0,0,t,a"}),
       {{4, true, "リストのインデックスが範囲を超えています (4)"}}},
      {"page with one field", kCategories + Guide({"0"}), {{4, true, "リストのインデックスが範囲を超えています (2)"}}},
      {"category with two fields", Guide({"*,東北"}), {{1, true, "リストのインデックスが範囲を超えています (2)"}}},
      {"header with two fields", Guide({"/,温泉"}), {{1, true, "リストのインデックスが範囲を超えています (2)"}}},
      {"positions not integers",
       kCategories + Guide({"x,0,t,a,n", "0,1.5,t,a,n"}),
       {{4, true, "'x' は整数ではありません."}, {5, true, "'1.5' は整数ではありません."}}},
      {"position naming no category",
       kCategories + Guide({"3,0,t,a,n", "0,2,t,a,n", "-1,0,t,a,n"}),
       {{4, false, "大分類 3 はありません"},
        {5, false, "中分類 2 はありません"},
        {6, false, "大分類 -1 はありません"}}},
      {"category declared after its pages", Guide({"0,0,t,a,n", "*,0,A", "+,0,B"}), {}},
      {"unquoted blank in a title",
       kCategories + Guide({"0,0,My Page,http://a/,note"}),
       {{4, false, "項目 3 の前にカンマがありません"}}},
      {"text right after a closing quote",
       Guide({"/,\"温泉\"案内,さくら,http://a/"}),
       {{1, false, "項目 2 の前にカンマがありません"}}},
      {"extra fields after the note are fine", kCategories + Guide({"0,0,t,a,n,extra,fields"}), {}},
      {"unquoted blank cuts the note",
       kCategories + Guide({"0,0,t,a,n extra words"}),
       {{4, false, "項目 4 が引用符で囲まれていない半角空白で切れ"}}},
      {"unquoted blank cuts a category name",
       Guide({"*,0,East Japan", "+,0,B"}),
       {{1, false, "項目 2 が引用符で囲まれていない半角空白で切れ"}}},
      {"byte-order mark",
       "\xEF\xBB\xBF" + kCategories,
       {{1, false, "BOM"},
        {1, true, "リストのインデックスが範囲を超えています (4)"},
        {1, true, "は整数ではありません."}}},
      {"bytes that are not CP932",
       kCategories + "0,0,t\x81\x20x,a,n\r\n" + "0,0,\xFD,a,n\r\n",
       {{4, false, "6 バイト目"}, {5, false, "5 バイト目"}}},
      {"end mark with bytes after it", kCategories + "\x1A" + "0,0,t,a,n\r\n", {{4, false, "0x1A"}}},
      {"NUL in a line", kCategories + std::string("0,0,t,a,n\0x\r\n", 13), {{4, false, "NUL"}}},
  };
  TempFolder folder;
  for (const Row& row : rows) {
    std::string path = folder.Write("g.lst", row.bytes);
    auto findings = LintGuide(path);
    ASSERT_EQ(findings.size(), row.findings.size()) << row.what << "\n" << FormatFindings(path, findings);
    for (std::size_t i = 0; i < findings.size(); ++i) {
      EXPECT_EQ(findings[i].line, row.findings[i].line) << row.what;
      EXPECT_EQ(findings[i].fails, row.findings[i].fails) << row.what;
      EXPECT_NE(findings[i].message.find(row.findings[i].part), std::string::npos)
          << row.what << ": " << findings[i].message;
    }
  }
}

TEST(GuideLint, UnreadableFileIsOneFailure) {
  TempFolder folder;
  auto findings = LintGuide(folder.Path() + "/none.lst");
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].line, 0);
  EXPECT_TRUE(findings[0].fails);
  EXPECT_EQ(findings[0].message, "ファイルが見つかりません.");
}

TEST(GuideLint, FindingsAreFormattedWithPathAndLine) {
  std::vector<LintFinding> findings = {{3, true, "m1"}, {7, false, "m2"}};
  EXPECT_EQ(FormatFindings("g.lst", findings), "g.lst:3: エラー: m1\ng.lst:7: 警告: m2\n");
}

}  // namespace
}  // namespace tavren

// Bookmarks into guides and back: folder shapes and odd texts by table, and
// round trips over generated guides and bookmark files.

#include "GuideFiles.h"
#include "authoring/BookmarkExport.h"
#include "authoring/BookmarkImport.h"
#include "base/CodePage.h"
#include "catalogue/GuideInteger.h"
#include "catalogue/GuideRecord.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

namespace tavren {
namespace {

using testing::TempFolder;

// A page as the window would show it, in UTF-8: major, middle, title, address, note.
using Page = std::tuple<std::string, std::string, std::string, std::string, std::string>;

// Reads a guide's pages back with the guide format's own splitter. Every
// record must carry its fields in place (none shifted by a blank).
std::vector<Page> ReadPages(const std::string& guide) {
  std::vector<std::string> majors, middles;
  std::vector<std::vector<std::string>> records;
  std::size_t start = 0;
  while (start < guide.size()) {
    std::size_t end = guide.find("\r\n", start);
    std::string_view line(guide.data() + start, (end == std::string::npos ? guide.size() : end) - start);
    start = end == std::string::npos ? guide.size() : end + 2;
    GuideRecord record = SplitGuideLine(line);
    std::vector<std::string> fields;
    for (int i = 0; i < record.Count(); ++i) {
      EXPECT_TRUE(record.FollowsComma(i)) << line;
      fields.push_back(cp932::ToUtf8(record.Field(i)));
    }
    switch (record.Kind()) {
      case RecordKind::HeaderRecord:
        EXPECT_EQ(fields.size(), 4u) << line;
        break;
      case RecordKind::MajorCategoryRecord:
        majors.push_back(fields.at(2));
        break;
      case RecordKind::MiddleCategoryRecord:
        middles.push_back(fields.at(2));
        break;
      case RecordKind::PageRecord:
        EXPECT_EQ(fields.size(), 5u) << line;
        records.push_back(fields);
        break;
    }
  }
  std::vector<Page> pages;
  for (const auto& f : records) {
    const auto major = static_cast<std::size_t>(ParseGuideInteger(f[0]));
    const auto middle = static_cast<std::size_t>(ParseGuideInteger(f[1]));
    const bool placed = major < majors.size() && middle < middles.size();
    pages.emplace_back(placed ? majors[major] : "未分類", placed ? middles[middle] : "未分類", f[2], f[3], f[4]);
  }
  return pages;
}

// Pages grouped by category pair, each group in order: what a round trip keeps.
std::map<std::pair<std::string, std::string>, std::vector<Page>> ByPair(const std::vector<Page>& pages) {
  std::map<std::pair<std::string, std::string>, std::vector<Page>> groups;
  for (const Page& p : pages) groups[{std::get<0>(p), std::get<1>(p)}].push_back(p);
  return groups;
}

std::string Bookmarks(const std::string& body) {
  return "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
         "charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n" +
         body + "</DL><p>\n";
}

struct ImportRow {
  const char* name;
  std::string body;
  std::vector<Page> pages;
  std::vector<int> noticeLines;
};

TEST(BookmarkImport, FolderShapesAndOddTextsBecomeTheseGuidePages) {
  const std::vector<ImportRow> rows = {
      {"browser containers are not categories",
       "<DT><H3 ADD_DATE=\"1\" PERSONAL_TOOLBAR_FOLDER=\"true\">ブックマーク バー</H3>\n<DL><p>\n"
       "<DT><H3>旅</H3>\n<DL><p>\n<DT><A HREF=\"http://a/\">A</A>\n</DL><p>\n"
       "<DT><A HREF=\"http://b/\">B</A>\n</DL><p>\n"
       "<DT><H3 UNFILED_BOOKMARKS_FOLDER=\"true\">その他</H3>\n<DL><p>\n<DT><A HREF=\"http://c/\">C</A>\n</DL><p>\n",
       {{"旅", "未分類", "A", "http://a/", ""},
        {"未分類", "未分類", "B", "http://b/", ""},
        {"未分類", "未分類", "C", "http://c/", ""}},
       {}},
      {"deep folders fold into their second-level ancestor; middles are one list",
       "<DT><H3>旅</H3>\n<DL><p>\n<DT><H3>宿</H3>\n<DL><p>\n<DT><H3>北</H3>\n<DL><p>\n"
       "<DT><H3>奥</H3>\n<DL><p>\n<DT><A HREF=\"http://deep/\">深</A>\n</DL><p>\n</DL><p>\n</DL><p>\n</DL><p>\n"
       "<DT><H3>食</H3>\n<DL><p>\n<DT><H3>宿</H3>\n<DL><p>\n<DT><A HREF=\"http://x/\">X</A>\n</DL><p>\n</DL><p>\n"
       "<DT><H3>空</H3>\n<DT><A HREF=\"http://loose/\">L</A>\n",
       {{"旅", "宿", "深", "http://deep/", ""},
        {"食", "宿", "X", "http://x/", ""},
        {"未分類", "未分類", "L", "http://loose/", ""}},
       {}},
      {"descriptions become notes; quotes, commas, blanks and line breaks survive splitting",
       "<DT><H3>a,b</H3>\n<DL><p>\n<DT><A HREF=\"http://q/?a=1&amp;b=&quot;2&quot;\">say \"hi\",\tok\r\nnext</A>\n"
       "<DD>  one, \"two\"\nthree  \n<DT><A HREF=\"\"></A>\n</DL><p>\n",
       {{"a,b", "未分類", "say \"hi\", ok next", "http://q/?a=1&b=\"2\"", "one, \"two\" three"},
        {"a,b", "未分類", "", "", ""}},
       {}},
      {"characters CP932 lacks: ? in texts, UTF-8 percent-encoded in addresses, each reported",
       "<DT><H3>🍣</H3>\n<DL><p>\n<DT><A HREF=\"http://a/🍣?q=é\">&#x1F363; &lt;寿司&gt; ①</A>\n"
       "<DD>Ünïcode ok? \xff\n</DL><p>\n",
       {{"?", "未分類", "? <寿司> ①", "http://a/%F0%9F%8D%A3?q=%C3%A9", "?n?code ok? ?"}},
       {6, 8, 8, 8, 9, 9, 9}},
      {"an overlong UTF-8 NUL never becomes a NUL byte in the guide",
       "<DT><A HREF=\"http://n/\">a\xC0\x80"
       "b</A>\n",
       {{"未分類", "未分類", "a??b", "http://n/", ""}},
       {6, 6}},
  };
  for (const ImportRow& row : rows) {
    SCOPED_TRACE(row.name);
    const ImportResult result = ImportBookmarks(Bookmarks(row.body), {"件名", "作者", "http://me/"});
    EXPECT_EQ(ReadPages(result.guide), row.pages);
    EXPECT_EQ(result.pages, static_cast<int>(row.pages.size()));
    std::vector<int> lines;
    for (const auto& n : result.notices) lines.push_back(n.line);
    EXPECT_EQ(lines, row.noticeLines);
    EXPECT_EQ(result.guide.substr(0, result.guide.find("\r\n")), cp932::FromUtf8("/,件名,作者,http://me/"));
  }
}

TEST(BookmarkExport, AGuideThatFailsPartWayIsWrittenUpToTheFailingLine) {
  TempFolder folder;
  const std::string path = folder.Write(
      "g.lst", cp932::FromUtf8("/,温泉,私,http://me/\r\n*,,東\r\n+,,宿\r\n0,0,\"a, b\",http://a/?x=<1>&y,メモ\r\n"
                               "5,0,迷子,http://lost/,\r\n\r\n0,0,後,http://after/,n\r\n"));
  const ExportResult result = ExportGuide(path);
  EXPECT_EQ(result.failureLine, 6);
  EXPECT_EQ(result.failureUtf8, "リストのインデックスが範囲を超えています (0)");
  EXPECT_EQ(result.pages, 2);
  EXPECT_NE(result.html.find("<TITLE>温泉</TITLE>"), std::string::npos);
  EXPECT_NE(result.html.find("<DT><A HREF=\"http://a/?x=&lt;1&gt;&amp;y\">a, b</A>\n            <DD>メモ\n"),
            std::string::npos);
  const std::vector<Page> expected = {{"東", "宿", "a, b", "http://a/?x=<1>&y", "メモ"},
                                      {"未分類", "未分類", "迷子", "http://lost/", ""}};
  EXPECT_EQ(ReadPages(ImportBookmarks(result.html, {}).guide), expected);

  const ExportResult missing = ExportGuide(folder.Path() + "/none.lst");
  EXPECT_EQ(missing.failureLine, 0);
  EXPECT_EQ(missing.failureUtf8, "ファイルが見つかりません.");
}

// Texts with everything the guide format and HTML make hard, all within CP932.
std::string RandomText(std::mt19937& random, bool allowEmpty) {
  static const std::vector<std::string> pieces = {"a",    "Z",  " ", ",",  "\"", "&", "<", ">", "'", ";", "&amp;",
                                                  "温泉", "ｶﾅ", "①", "　", "/",  "*", "+", "=", "#", "?"};
  std::string text;
  const int length = static_cast<int>(random() % 7) + (allowEmpty ? 0 : 1);
  for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
  return text;
}

TEST(BookmarkRoundTrip, ExportThenImportKeepsEveryPageInItsCategoryPairInOrder) {
  TempFolder folder;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::vector<std::string> majors, middles;
    std::string guide = "/,s,a,u\r\n";
    // Names are unique: a guide may repeat them, but bookmark folders of the
    // same name merge on import.
    for (int i = 0, n = static_cast<int>(random() % 4) + 1; i < n; ++i)
      majors.push_back("M" + std::to_string(i) + RandomText(random, true));
    for (int i = 0, n = static_cast<int>(random() % 4) + 1; i < n; ++i)
      middles.push_back("m" + std::to_string(i) + RandomText(random, true));
    std::vector<Page> pages;
    auto field = [](const std::string& utf8) {
      std::string out;
      AppendGuideField(out, cp932::FromUtf8(utf8));
      return out;
    };
    for (const auto& m : majors) guide += "*,," + field(m) + "\r\n";
    for (const auto& m : middles) guide += "+,," + field(m) + "\r\n";
    for (int i = 0, n = static_cast<int>(random() % 30); i < n; ++i) {
      const int major = static_cast<int>(random() % (majors.size() + 1));  // one past: no category
      const int middle = static_cast<int>(random() % middles.size());
      const bool placed = major < static_cast<int>(majors.size());
      Page page{placed ? majors[static_cast<std::size_t>(major)] : "未分類",
                placed ? middles[static_cast<std::size_t>(middle)] : "未分類", RandomText(random, true),
                "http://h/" + RandomText(random, true), RandomText(random, true)};
      guide += std::to_string(major) + "," + std::to_string(middle) + "," + field(std::get<2>(page)) + "," +
               field(std::get<3>(page)) + "," + field(std::get<4>(page)) + "\r\n";
      pages.push_back(page);
    }
    ASSERT_EQ(ReadPages(guide), pages);
    const ExportResult exported = ExportGuide(folder.Write("g.lst", guide));
    ASSERT_EQ(exported.failureUtf8, "");
    const ImportResult imported = ImportBookmarks(exported.html, {});
    EXPECT_EQ(ByPair(ReadPages(imported.guide)), ByPair(pages));
    EXPECT_TRUE(imported.notices.empty());
  }
}

// A random bookmark tree: containers, folders up to five deep, links with
// texts that CP932 lacks and control characters.
void RandomTree(std::mt19937& random, int depth, std::string& html) {
  static const std::vector<std::string> odd = {"🍣", "é", "\t", "\n", "\x01", "&#10;", "&quot;", "\xe2\x80"};
  for (int i = 0, n = static_cast<int>(random() % 5); i < n; ++i) {
    const int kind = static_cast<int>(random() % 6);
    if (kind < 2 && depth < 5) {
      html += kind == 0 && depth == 0 ? "<DT><H3 PERSONAL_TOOLBAR_FOLDER=\"true\">" : "<DT><H3>";
      html += RandomText(random, true) + "</H3>\n<DL><p>\n";
      RandomTree(random, depth + 1, html);
      html += "</DL><p>\n";
    } else {
      html += "<DT><A HREF=\"http://x/" + odd[random() % odd.size()] + "\">" + RandomText(random, true) +
              odd[random() % odd.size()] + "</A>\n";
      if (random() % 2) html += "<DD>" + RandomText(random, false) + odd[random() % odd.size()] + "\n";
    }
  }
}

TEST(BookmarkRoundTrip, ImportOfItsOwnExportGivesTheSamePages) {
  TempFolder folder;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::string body;
    RandomTree(random, 0, body);
    const ImportResult first = ImportBookmarks(Bookmarks(body), {"s", "", ""});
    const std::vector<Page> pages = ReadPages(first.guide);
    const ExportResult exported = ExportGuide(folder.Write("g.lst", first.guide));
    ASSERT_EQ(exported.failureUtf8, "");
    EXPECT_EQ(ByPair(ReadPages(ImportBookmarks(exported.html, {}).guide)), ByPair(pages));
  }
}

}  // namespace
}  // namespace tavren

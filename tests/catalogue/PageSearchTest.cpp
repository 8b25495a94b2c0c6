// The page search: folding and matching against a plain reference written
// in Unicode terms (Qt's NFKC for the half-width katakana), the index filled
// by the load, and opening a found page as the clicks would.

#include "GuideFiles.h"
#include "Sjis.h"
#include "base/CodePage.h"
#include "base/ErrorText.h"
#include "base/Failure.h"
#include "catalogue/Catalogue.h"
#include "catalogue/FoundPage.h"
#include "catalogue/MemoryCatalogueWindow.h"
#include "catalogue/SearchFold.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace tavren {
namespace {

using test::Sjis;
using testing::TempFolder;
using Units = std::vector<std::string>;

// ---- The reference: the rules applied one character at a time. ----

bool IsHalfWidthKana(char16_t c) { return c >= 0xFF66 && c <= 0xFF9D; }

// One Unicode character folded by the rules, or none when no rule applies.
QString FoldUnicode(const QString& ch) {
  const char16_t c = ch.front().unicode();
  if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A))
    return QString(QChar(c - 0xFEE0)).toLower();
  if (c >= u'A' && c <= u'Z') return ch.toLower();
  if (c >= 0x3041 && c <= 0x3093) return QString(QChar(c + 0x60));
  if (IsHalfWidthKana(c)) return ch.normalized(QString::NormalizationForm_KC);
  return {};
}

// CP932 bytes as characters (a lead byte takes the next byte), each folded.
Units ReferenceFold(std::string_view cp932) {
  Units raw;
  for (std::size_t i = 0; i < cp932.size(); i += cp932::CharLength(cp932, i))
    raw.emplace_back(cp932.substr(i, cp932::CharLength(cp932, i)));
  Units out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const QString ch = QString::fromStdU16String(cp932::ToUtf16(raw[i]));
    if (ch.size() != 1 || ch.front() == QChar::ReplacementCharacter) {
      out.push_back(raw[i]);
      continue;
    }
    if (IsHalfWidthKana(ch.front().unicode()) && i + 1 < raw.size()) {
      const QString mark = QString::fromStdU16String(cp932::ToUtf16(raw[i + 1]));
      if (mark == QStringLiteral(u"\uFF9E") || mark == QStringLiteral(u"\uFF9F")) {
        const QString both = (ch + mark).normalized(QString::NormalizationForm_KC);
        const std::string encoded = cp932::FromUtf16(both.toStdU16String());
        if (both.size() == 1 && encoded != "?") {
          out.push_back(encoded);
          ++i;
          continue;
        }
      }
    }
    const QString folded = FoldUnicode(ch);
    out.push_back(folded.isEmpty() ? raw[i] : cp932::FromUtf16(folded.toStdU16String()));
  }
  return out;
}

bool Contains(const Units& field, const Units& term) {
  return std::search(field.begin(), field.end(), term.begin(), term.end()) != field.end();
}

// The query's terms as folded characters; false when a term cannot be
// encoded.
bool ReferenceTerms(const std::string& utf8, std::vector<Units>& terms) {
  const QString query = QString::fromUtf8(utf8);
  QString term;
  bool encodable = true;
  auto flush = [&] {
    if (term.isEmpty()) return;
    const std::string bytes = cp932::FromUtf16(term.toStdU16String());
    if (QString::fromStdU16String(cp932::ToUtf16(bytes)) != term) encodable = false;
    terms.push_back(ReferenceFold(bytes));
    term.clear();
  };
  for (QChar c : query) {
    if (c.unicode() <= 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) || c.unicode() == 0x3000)
      flush();
    else
      term += c;
  }
  flush();
  return encodable;
}

// Every page's title and note, folded once.
struct ReferencePages {
  std::vector<Units> titles, notes;
  // The load's lists hold every page of the index, in its order.
  ReferencePages(const PageIndex& pages, MemoryCatalogueWindow& lists) {
    for (int p = 0; p < pages.Size(); ++p) {
      titles.push_back(ReferenceFold(pages.Title(p)));
      notes.push_back(ReferenceFold(lists.NoteList().View(p)));
    }
  }
  std::vector<int> Find(const std::string& queryUtf8) const {
    std::vector<Units> terms;
    std::vector<int> found;
    if (!ReferenceTerms(queryUtf8, terms) || terms.empty()) return found;
    for (std::size_t p = 0; p < titles.size(); ++p) {
      bool all = true;
      for (const Units& t : terms) all = all && (Contains(titles[p], t) || Contains(notes[p], t));
      if (all) found.push_back(static_cast<int>(p));
    }
    return found;
  }
};

std::vector<int> ReferenceFind(const PageIndex& pages, MemoryCatalogueWindow& lists, const std::string& queryUtf8) {
  return ReferencePages(pages, lists).Find(queryUtf8);
}

// ---- Helpers ----

std::string GuideLine(const std::string& major, const std::string& middle, const std::string& title,
                      const std::string& note) {
  // Unquoted, so that the note, last on the line, may end in a lone lead
  // byte; the texts hold no blank, comma or quote.
  return major + "," + middle + "," + title + ",http://x/," + note + "\r\n";
}

struct Loaded {
  MemoryCatalogueWindow window;
  Catalogue catalogue{window};
  std::string error;
  explicit Loaded(const std::string& path) {
    try {
      catalogue.LoadFrom(path);
    } catch (const EFailure& e) {
      error = cp932::ToUtf8(ErrorBoxText(e.Message()));
    }
  }
  std::vector<int> Find(const std::string& utf8) const { return catalogue.Pages().Find(ParseSearchQuery(utf8)); }
};

// ---- One row per folding rule and per case left alone ----

struct FoldRow {
  const char* name;
  const char* titleUtf8;
  const char* queryUtf8;
  bool found;
};

class FoldingTest : public ::testing::TestWithParam<FoldRow> {};

TEST_P(FoldingTest, MatchesAsTheRuleSays) {
  const FoldRow& row = GetParam();
  TempFolder folder;
  const std::string path = folder.Write("g.lst", GuideLine("0", "0", Sjis(row.titleUtf8), Sjis("備考")));
  Loaded guide(path);
  ASSERT_EQ(guide.catalogue.Pages().Size(), 1);
  EXPECT_EQ(!guide.Find(row.queryUtf8).empty(), row.found) << row.titleUtf8 << " / " << row.queryUtf8;
  EXPECT_EQ(ReferenceFind(guide.catalogue.Pages(), guide.window, row.queryUtf8), guide.Find(row.queryUtf8));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FoldingTest,
    ::testing::Values(
        FoldRow{"AsciiCase", "Mac Book", "mAC", true}, FoldRow{"FullWidthLatin", "Ｍａｃ", "MAC", true},
        FoldRow{"FullWidthQueryLatin", "mac", "ＭＡＣ", true}, FoldRow{"FullWidthDigits", "第１２号", "12", true},
        FoldRow{"HalfWidthKatakana", "ｶﾞｲﾄﾞ", "ガイド", true}, FoldRow{"HalfWidthSemiVoiced", "ﾊﾟﾝ屋", "パン", true},
        FoldRow{"HalfWidthVu", "ｳﾞｨﾗ", "ヴィ", true}, FoldRow{"HalfWidthProlongedMark", "ﾗｰﾒﾝ", "ラー", true},
        FoldRow{"HiraganaToKatakana", "らーめん", "ラーメン", true},
        FoldRow{"KatakanaQueryHiragana", "ラーメン", "らーめん", true},
        FoldRow{"HalfWidthToHiragana", "ﾗｰﾒﾝ", "らーめん", true},
        FoldRow{"ComposedIsNotItsBase", "ｶﾞｲﾄﾞ", "カイ", false}, FoldRow{"KanjiUnfolded", "高橋", "髙橋", false},
        FoldRow{"FullWidthPunctuationUnfolded", "！", "!", false},
        FoldRow{"HalfWidthPunctuationUnfolded", "｢", "「", false}, FoldRow{"IterationMarksUnfolded", "ゝ", "ヽ", false},
        FoldRow{"LoneVoicedMarkUnfolded", "ﾞ", "゛", false}, FoldRow{"SmallKatakanaKaUnfolded", "ヵ", "か", false},
        FoldRow{"TrailByteNeverStarts", "アソ", "A", false}, FoldRow{"TrailBackslashNeverStarts", "ソ", "\\", false},
        FoldRow{"UnencodableTerm", "温泉", "温泉 😀", false},
        FoldRow{"ControlCharactersSeparate", "温泉と宿", "宿\t温泉\x01", true},
        FoldRow{"IdeographicSpaceSeparates", "温泉と宿", "宿　温泉", true}),
    [](const ::testing::TestParamInfo<FoldRow>& info) { return std::string(info.param.name); });

// ---- The whole search against the reference ----

TEST(PageSearchTest, MatchesTheReferenceOnMixedGuides) {
  // Characters of every width, case and script and a few bytes that are not
  // CP932; notes may also hold a lead byte, which may end them.
  std::vector<std::string> alphabet = {"a",        "A",        Sjis("ａ"), Sjis("Ａ"), "1",        Sjis("１"),
                                       Sjis("ｶ"),  Sjis("ﾞ"),  Sjis("ﾟ"),  Sjis("ﾊ"),  Sjis("ｳ"),  Sjis("ｰ"),
                                       Sjis("ー"), Sjis("か"), Sjis("カ"), Sjis("が"), Sjis("ガ"), Sjis("ぱ"),
                                       Sjis("パ"), Sjis("温"), Sjis("ア"), Sjis("ソ"), "\\",       "\x80",
                                       "\xA0",     "\xFD",     Sjis("　"), Sjis("ヴ")};
  std::mt19937 rng(19);
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
  auto text = [&](std::size_t most, bool lead) {
    std::string out;
    for (std::size_t k = pick(most + 1); k > 0; --k)
      out += lead && pick(8) == 0 ? "\x83" : alphabet[pick(alphabet.size())];
    return out;
  };
  TempFolder folder;
  for (int guideNo = 0; guideNo < 4; ++guideNo) {
    std::string bytes;
    for (int p = 0; p < 300; ++p) bytes += GuideLine("0", "0", text(10, false), text(10, true));
    Loaded guide(folder.Write("mixed.lst", bytes));
    ASSERT_EQ(guide.catalogue.Pages().Size(), 300) << guide.error;
    const ReferencePages reference(guide.catalogue.Pages(), guide.window);
    for (int q = 0; q < 150; ++q) {
      std::string query;
      for (std::size_t terms = 1 + pick(3); terms > 0; --terms) {
        std::string term;
        for (std::size_t k = 1 + pick(3); k > 0; --k) term += alphabet[pick(alphabet.size())];
        query += cp932::ToUtf8(term) + " ";
      }
      EXPECT_EQ(guide.Find(query), reference.Find(query)) << query;
    }
  }
}

TEST(PageSearchTest, MatchesTheReferenceOnTheFuzzerCorpus) {
  const std::vector<std::string> queries = {"a", "1", "0", "x", "\"", "温泉", "ア", "ｶﾞ", "がい", "ａ ｂ", "/", ","};
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(TAVREN_FUZZ_CORPUS)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    Loaded guide(entry.path().string());
    for (const std::string& query : queries)
      EXPECT_EQ(guide.Find(query), ReferenceFind(guide.catalogue.Pages(), guide.window, query))
          << entry.path() << " " << query;
    // Every title's own text finds at least that page.
    for (int p = 0; p < guide.catalogue.Pages().Size(); ++p) {
      const std::string title = cp932::ToUtf8(guide.catalogue.Pages().Title(p));
      EXPECT_EQ(guide.Find(title), ReferenceFind(guide.catalogue.Pages(), guide.window, title)) << entry.path();
    }
  }
  EXPECT_GT(files, 50);
}

TEST(PageSearchTest, MatchedSpansAreWholeRawCharacters) {
  const std::string title = Sjis("ｶﾞｲﾄﾞと温泉ガイド");
  const SearchQuery query = ParseSearchQuery("がいど 泉");
  // ｶﾞｲﾄﾞ is bytes 0-4, と 5-6, 温 7-8, 泉 9-10, ガイド 11-16; touching parts merge.
  EXPECT_EQ(MatchedSpans(title, query), std::vector<ByteSpan>({{0, 5}, {9, 17}}));
  EXPECT_EQ(MatchedSpans(Sjis("アソ"), ParseSearchQuery("A")), std::vector<ByteSpan>());
}

// ---- The index the load fills ----

TEST(PageSearchTest, KeepsEachPageWithItsLineAndPositions) {
  TempFolder folder;
  const std::string path = folder.Write("g.lst", Sjis("/,温泉,さくら,http://a/\r\n*,0,東北\r\n+,0,秘湯\r\n"
                                                      "0,0,乳頭,http://nyuto/,白い湯\r\n"
                                                      "x,$1,\"\",http://empty/,\r\n"
                                                      "0,0,草津,http://kusatsu/,湯畑\r\n"
                                                      "0,0,四つだけ,http://four/\r\n"
                                                      "0,0,後,http://after/,届かない\r\n"));
  Loaded guide(path);
  EXPECT_EQ(guide.error, "リストのインデックスが範囲を超えています (4)");
  const PageIndex& pages = guide.catalogue.Pages();
  ASSERT_EQ(pages.Size(), 3);  // the short record and what follows it are not pages
  EXPECT_EQ(pages.Line(0), 4u);
  EXPECT_EQ(pages.Line(2), 6u);
  EXPECT_EQ(pages.Title(1), "");
  std::string_view address, note;
  ASSERT_TRUE(pages.KeptAddressAndNote(1, address, note));  // names no category
  EXPECT_EQ(address, "http://empty/");
  EXPECT_EQ(note, "");
  EXPECT_FALSE(pages.KeptAddressAndNote(0, address, note));
  EXPECT_EQ(pages.Fingerprint(2), PageIndex::Fingerprint("http://kusatsu/", Sjis("湯畑")));
  EXPECT_FALSE(pages.MajorPosition(1).has_value());
  EXPECT_EQ(pages.MiddlePosition(1), 1);
  EXPECT_EQ(pages.RankInPair(2), 1);
  // Folded a page at a time, as the window's idle steps do.
  EXPECT_TRUE(pages.FoldSome(1));
  EXPECT_TRUE(pages.FoldSome(1));
  EXPECT_FALSE(pages.FoldSome(1));
  EXPECT_EQ(guide.Find("湯"), std::vector<int>({0, 2}));
}

TEST(PageSearchTest, HugeFieldsAndLongQueriesEndQuickly) {
  TempFolder folder;
  // 64 KiB of lead-range bytes that pair up: 沺 after 沺.
  std::string title;
  while (title.size() < 65536) title += "\x9f\x9f";
  const std::string path = folder.Write("g.lst", GuideLine("0", "0", title, "") + GuideLine("0", "0", "", ""));
  Loaded guide(path);
  ASSERT_EQ(guide.catalogue.Pages().Size(), 2);
  EXPECT_EQ(guide.Find("沺沺"), std::vector<int>({0}));
  EXPECT_EQ(guide.Find("沺沺"), ReferenceFind(guide.catalogue.Pages(), guide.window, "沺沺"));
  EXPECT_EQ(guide.Find(std::string(1000, 'x')), std::vector<int>());
  EXPECT_EQ(guide.Find(std::string(" \t\x7f")), std::vector<int>());
}

// ---- Opening a found page ----

struct RecordingSearchWindow : SearchWindow {
  MemoryCatalogueWindow& lists;
  std::vector<std::string> calls;
  explicit RecordingSearchWindow(MemoryCatalogueWindow& l) : lists(l) {}
  void SelectCategories(int major, int middle) override {
    lists.SelectMajor(major);
    lists.SelectMiddle(middle);
    calls.push_back("select " + std::to_string(major) + "," + std::to_string(middle));
  }
  void PickPage(int row) override {
    calls.push_back("pick " + std::to_string(row) + " " + cp932::ToUtf8(lists.AddressList().Item(row)));
  }
  void Navigate(std::string_view address) override { calls.push_back("navigate " + cp932::ToUtf8(address)); }
  void ShowNote(std::string_view note) override { calls.push_back("note " + cp932::ToUtf8(note)); }
  void Message(std::string_view text) override { calls.push_back("message " + cp932::ToUtf8(text)); }
};

TEST(FoundPageTest, OpensAPageAsTheClicksWould) {
  TempFolder folder;
  const std::string guideText =
      "/,a,b,http://guide/\r\n*,0,M0\r\n*,0,M1\r\n+,0,S0\r\n+,0,S1\r\n"
      "1,1,one,http://one/,n1\r\n0,0,two,http://two/,n2\r\n1,1,three,http://three/,n3\r\n"
      "7,0,stray,http://stray/,n4\r\n";
  const std::string path = folder.Write("g.lst", guideText);
  struct Row {
    const char* name;
    int page;
    std::function<void()> between;  // runs after the load, before the open
    std::vector<std::string> calls;
    int titles;  // page-title list length afterwards
  };
  const std::vector<Row> rows = {
      {"SecondOfItsPair", 2, {}, {"select 1,1", "pick 1 http://three/"}, 2},
      {"NoSuchCategory", 3, {}, {"navigate http://stray/", "note n4"}, 4},
      {"FileChangedSinceTheLoad",
       2,
       [&] { folder.Write("g.lst", "1,1,one,http://one/,n1\r\n1,1,new,http://new/,n\r\n"); },
       {"select 1,1", "message ページが見つかりません。ガイドファイルが変更されています。"},
       2},
  };
  for (const Row& row : rows) {
    folder.Write("g.lst", guideText);
    MemoryCatalogueWindow lists;
    Catalogue catalogue(lists);
    catalogue.LoadFrom(path);
    if (row.between) row.between();
    RecordingSearchWindow window(lists);
    OpenFoundPage(catalogue, lists, window, row.page);
    EXPECT_EQ(window.calls, row.calls) << row.name;
    EXPECT_EQ(lists.TitleList().Count(), row.titles) << row.name;
    if (row.calls.front().starts_with("select")) {
      EXPECT_EQ(catalogue.MajorIndex(), 1) << row.name;
      EXPECT_EQ(catalogue.MiddleIndex(), 1) << row.name;
    }
  }
}

TEST(FoundPageTest, AFailingFilterThrowsAsTheClickDoes) {
  TempFolder folder;
  const std::string path = folder.Write("g.lst", "*,0,M\r\n+,0,S\r\n0,0,a,http://a/,n\r\n0,y,b,http://b/,n\r\n");
  MemoryCatalogueWindow lists;
  Catalogue catalogue(lists);
  catalogue.LoadFrom(path);
  RecordingSearchWindow window(lists);
  try {
    OpenFoundPage(catalogue, lists, window, 0);
    FAIL() << "no failure";
  } catch (const EConvertError& e) {
    EXPECT_EQ(cp932::ToUtf8(ErrorBoxText(e.Message())), "'y' は整数ではありません.");
  }
  EXPECT_EQ(window.calls, std::vector<std::string>({"select 0,0"}));
}

}  // namespace
}  // namespace tavren
